// The selection form of the printed lists (see selezioneform.h).
#include "app/selezioneform.h"

#include "app/formparts.h"
#include "app/schema/schema.h"
#include "platform/rtl/datetime.h"

namespace app {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kDateWidth = 120;
constexpr int kDateGap = 132;
// NOLINTEND(readability-magic-numbers)

}  // namespace

Tselezioneform::Tselezioneform(vcl::TComponent *owner, TMenuLogic *menu) : vcl::TForm(owner) {
  SetName(kSelezioneFormName);
  SetCaption(QStringLiteral("Selezione per le stampe"));
  // NOLINTBEGIN(readability-magic-numbers)
  SetBounds(0, 0, 460, 300);
  SetPosition(vcl::poScreenCenter);
  SetBorderStyle(vcl::bsDialog);
  Logic = std::make_unique<TStampeLogic>(this, menu);
  Logic->Ask = [this](TLista which) { return Ask(which); };

  Notebook1 = Make<vcl::TNotebook>(this, this, QStringLiteral("Notebook1"));
  Notebook1->SetBounds(8, 8, 444, 236);
  Notebook1->Pages()->Clear();
  Notebook1->Pages()->Add(kPaginaGiacenze);
  Notebook1->Pages()->Add(kPaginaScaduti);
  Notebook1->Pages()->Add(kPaginaGiornale);

  vcl::TPage *giacenze = Notebook1->Page(0);
  BuildCriteria(giacenze, QStringLiteral("sel_"), menu, 8, sel_data1, sel_data2, sel_fornitore, sel_periodo,
                sel_deposito);
  sel_giacenza = Make<vcl::TCheckBox>(this, giacenze, QStringLiteral("sel_giacenza"));
  sel_giacenza->SetBounds(8, 200, 300, 20);
  sel_giacenza->SetCaption(QStringLiteral("solo riviste con giacenza < >0"));
  sel_giacenza->SetTabOrder(5);

  vcl::TPage *scaduti = Notebook1->Page(1);
  AddLabel(this, scaduti, QStringLiteral("controlla le riviste scadute al"), 8, 8, 260);
  sel_scadute = Make<ext::TDateEdit>(this, scaduti, QStringLiteral("sel_scadute"));
  sel_scadute->SetBounds(8, 28, kDateWidth, 24);
  sel_scadute->SetEditDate(rtl::Date());
  nota_scadute = Make<vcl::TLabel>(this, scaduti, QStringLiteral("nota_scadute"));
  nota_scadute->SetWordWrap(true);
  nota_scadute->SetAutoSize(false);
  nota_scadute->SetBounds(8, 72, 420, 40);
  nota_scadute->SetCaption(
      QStringLiteral("Elenca tutte le riviste per le quali la scadenza è precedente alla data indicata."));

  vcl::TPage *giornale = Notebook1->Page(2);
  AddLabel(this, giornale, QStringLiteral("Movim."), 8, 32, 50);
  BuildCriteria(giornale, QStringLiteral("mov_"), menu, 60, mov_data1, mov_data2, mov_fornitore, mov_periodo,
                mov_deposito);
  Notebook1->SetActivePage(kPaginaGiacenze);

  btn_annulla = Make<vcl::TBitBtn>(this, this, QStringLiteral("btn_annulla"));
  btn_annulla->SetKind(vcl::bkAbort);
  btn_annulla->SetCaption(QStringLiteral("&Annulla"));
  btn_annulla->SetCancel(true);
  btn_annulla->SetBounds(248, 256, 100, 30);
  btn_annulla->SetTabOrder(1);
  btn_stampa = Make<vcl::TBitBtn>(this, this, QStringLiteral("btn_stampa"));
  btn_stampa->SetKind(vcl::bkOK);
  btn_stampa->SetCaption(QStringLiteral("&Stampa"));
  btn_stampa->SetBounds(352, 256, 100, 30);
  btn_stampa->SetTabOrder(2);
  // NOLINTEND(readability-magic-numbers)
}

Tselezioneform::~Tselezioneform() {
  // The datasets go with the form's components; the logic must not outlive
  // them by the time they close.
  DestroyComponents();
}

void Tselezioneform::BuildCriteria(vcl::TWinControl *page, const QString &prefix, TMenuLogic *menu, int dates_x,
                                   ext::TDateEdit *&da, ext::TDateEdit *&a, vcl::TEdit *&fornitore,
                                   ext::TMwDBLookupCombo *&periodo, vcl::TRadioGroup *&deposito) {
  // NOLINTBEGIN(readability-magic-numbers)
  AddLabel(this, page, QStringLiteral("da data"), dates_x, 8);
  da = Make<ext::TDateEdit>(this, page, prefix + QStringLiteral("data1"));
  da->SetBounds(dates_x, 28, kDateWidth, 24);
  da->SetTabOrder(0);
  AddLabel(this, page, QStringLiteral("a data"), dates_x + kDateGap, 8);
  a = Make<ext::TDateEdit>(this, page, prefix + QStringLiteral("data2"));
  a->SetBounds(dates_x + kDateGap, 28, kDateWidth, 24);
  a->SetTabOrder(1);

  AddLabel(this, page, QStringLiteral("Fornitore"), 8, 64);
  fornitore = Make<vcl::TEdit>(this, page, prefix + QStringLiteral("fornitore"));
  fornitore->SetBounds(8, 84, 80, 24);
  fornitore->SetMaxLength(schema::Giacenza::Fornitore.size);
  fornitore->SetTabOrder(2);
  AddLabel(this, page, QStringLiteral("(vuoto=tutti)"), 94, 88, 90);

  AddLabel(this, page, QStringLiteral("Periodicità"), 200, 64);
  periodo = Make<ext::TMwDBLookupCombo>(this, page, prefix + QStringLiteral("periodo"));
  periodo->SetLookupSource(menu->ds_periodo);
  periodo->SetLookupField(schema::Periodo::Periodo.Name());
  periodo->SetLookupDisplay(schema::Periodo::Descrizione.Name());
  periodo->SetDropDownCount(8);
  periodo->SetDisplayEmpty(kAnyPeriod);
  periodo->SetBounds(200, 84, 160, 24);
  periodo->SetTabOrder(3);

  deposito = Make<vcl::TRadioGroup>(this, page, prefix + QStringLiteral("deposito"));
  deposito->SetCaption(QStringLiteral(" Conto deposito "));
  deposito->SetBounds(8, 124, 360, 48);
  deposito->SetColumns(3);
  for (const char *item : {"Tutti", "C/D Si", "C/D No"}) deposito->Items()->Add(QString::fromLatin1(item));
  deposito->SetItemIndex(0);
  deposito->SetTabOrder(4);
  // NOLINTEND(readability-magic-numbers)
}

TCriteri Tselezioneform::ReadCriteria(const ext::TDateEdit *da, const ext::TDateEdit *a, const vcl::TEdit *fornitore,
                                      const ext::TMwDBLookupCombo *periodo, const vcl::TRadioGroup *deposito) {
  TCriteri r;
  r.da = da->EditDate();
  r.a = a->EditDate();
  r.fornitore = fornitore->Text().trimmed();
  if (periodo->ShownText() != kAnyPeriod) {
    r.periodo = periodo->SelectedKey();
    r.periodo_testo = periodo->DisplayValue();
  }
  switch (deposito->ItemIndex()) {
    case 1:
      r.deposito = TDeposito::Si;
      break;
    case 2:
      r.deposito = TDeposito::No;
      break;
    default:
      r.deposito = TDeposito::Tutti;
  }
  return r;
}

TSelezione Tselezioneform::Selection() const {
  TSelezione s;
  s.giacenze = ReadCriteria(sel_data1, sel_data2, sel_fornitore, sel_periodo, sel_deposito);
  s.giacenze.solo_giacenza = sel_giacenza->Checked();
  s.scadute = sel_scadute->EditDate();
  s.giornale = ReadCriteria(mov_data1, mov_data2, mov_fornitore, mov_periodo, mov_deposito);
  return s;
}

bool Tselezioneform::Ask(TLista which) {
  const TListaUse &use = UseOf(which);
  Notebook1->SetActivePage(use.page);
  SetCaption(use.caption);
  if (ShowModal() != vcl::mrOk) return false;
  // An empty date means today.
  if (which == TLista::Scaduti && sel_scadute->EditDate() == 0) sel_scadute->SetEditDate(rtl::Date());
  Logic->selezione = Selection();
  return true;
}

void Tselezioneform::DoShow() {
  vcl::TForm::DoShow();
  if (btn_annulla->CanFocus()) SetActiveControl(btn_annulla);
}

}  // namespace app
