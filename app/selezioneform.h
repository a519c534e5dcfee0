// The selection form of the printed lists ("Selezione per le stampe"): a
// notebook with one page per kind of selection ("Giacenze", "Scaduti",
// "Giornale") and the two buttons "&Annulla" and "&Stampa". A list command
// shows it on its page with its own caption (`Ask`); on "&Stampa" the
// controls are copied into the print logic (stampe.h), which owns the
// datasets the list templates print.
//
// The form's name, `selezioneform`, is part of the template format: the
// templates find their datasets as "selezioneform.stampa_giacenze" and
// "selezioneform.stampa_giornale" among the program's forms.
#pragma once

#include <memory>

#include "app/stampe.h"
#include "controls/extended/dateedit.h"
#include "controls/extended/mwlookup.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace app {

inline const QString kSelezioneFormName = QStringLiteral("selezioneform");

class Tselezioneform : public vcl::TForm {
  ORBISCA_CLASS(Tselezioneform, vcl::TForm)

 public:
  // `menu` gives the database and the periodicity list.
  Tselezioneform(vcl::TComponent *owner, TMenuLogic *menu);
  ~Tselezioneform() override;

  std::unique_ptr<TStampeLogic> Logic;

  vcl::TNotebook *Notebook1 = nullptr;
  // "Giacenze"
  ext::TDateEdit *sel_data1 = nullptr, *sel_data2 = nullptr;
  vcl::TEdit *sel_fornitore = nullptr;
  ext::TMwDBLookupCombo *sel_periodo = nullptr;
  vcl::TRadioGroup *sel_deposito = nullptr;
  vcl::TCheckBox *sel_giacenza = nullptr;
  // "Scaduti"
  ext::TDateEdit *sel_scadute = nullptr;
  vcl::TLabel *nota_scadute = nullptr;
  // "Giornale"
  ext::TDateEdit *mov_data1 = nullptr, *mov_data2 = nullptr;
  vcl::TEdit *mov_fornitore = nullptr;
  ext::TMwDBLookupCombo *mov_periodo = nullptr;
  vcl::TRadioGroup *mov_deposito = nullptr;
  vcl::TBitBtn *btn_annulla = nullptr;
  vcl::TBitBtn *btn_stampa = nullptr;

  // Shows the form modally on the list's page with its caption; on
  // "&Stampa" copies the controls into the logic's selection and returns
  // true.
  bool Ask(TLista which);
  // The controls as a selection.
  TSelezione Selection() const;

 protected:
  // "&Annulla" has the focus at every show.
  void DoShow() override;

 private:
  // One page's criteria controls, the same on the stock and journal pages
  // (named with `prefix`: "sel_", "mov_").
  void BuildCriteria(vcl::TWinControl *page, const QString &prefix, TMenuLogic *menu, int dates_x, ext::TDateEdit *&da,
                     ext::TDateEdit *&a, vcl::TEdit *&fornitore, ext::TMwDBLookupCombo *&periodo,
                     vcl::TRadioGroup *&deposito);
  static TCriteri ReadCriteria(const ext::TDateEdit *da, const ext::TDateEdit *a, const vcl::TEdit *fornitore,
                               const ext::TMwDBLookupCombo *periodo, const vcl::TRadioGroup *deposito);
};

}  // namespace app
