// The program's windows in the states a person looks at them: the main
// window on each of its pages, the maintenance dialog, the archive browser,
// the print selection, the information window.
// The layout test checks each against its design (tests/data/layout) and
// the screenshot program (scripts/screenshots) takes a picture of each.
// Adding a window is one line here.
#pragma once

#include <QApplication>
#include <functional>
#include <vector>

#include "app/archivio.h"
#include "app/infoform.h"
#include "app/manutenzione.h"
#include "app/menuform.h"
#include "app/selezioneform.h"

namespace app::testing {

struct TWindowCase {
  const char *design;  // the design file's and the picture's name
  // Brings the window into that state (the main window is started) and
  // returns it.
  std::function<vcl::TCustomForm *(TMenuForm *menu)> prepare;
};

inline vcl::TCustomForm *ShowMenuPage(TMenuForm *menu, vcl::TTabSheet *page) {
  menu->PageControl1->UserSelectTab(page->TabIndex());
  QApplication::processEvents();
  return menu;
}

inline vcl::TCustomForm *BrowserOn(TMenuForm *menu, vcl::TDataSource *source, const QString &caption) {
  if (menu->TestateForm == nullptr) menu->TestateForm = new TTestateForm(menu);
  menu->TestateForm->Bind(source);
  menu->TestateForm->SetCaption(caption);
  return menu->TestateForm;
}

inline const std::vector<TWindowCase> &WindowCases() {
  static const std::vector<TWindowCase> cases = {
      {"menuform_carico", [](TMenuForm *m) { return ShowMenuPage(m, m->tb_carico); }},
      {"menuform_resi", [](TMenuForm *m) { return ShowMenuPage(m, m->tb_resi); }},
      {"menuform_scarico", [](TMenuForm *m) { return ShowMenuPage(m, m->tb_scarico); }},
      {"menuform_query", [](TMenuForm *m) { return ShowMenuPage(m, m->tb_query); }},
      {"manutenzione", [](TMenuForm *m) -> vcl::TCustomForm * { return m->Manutenzione; }},
      {"archivio", [](TMenuForm *m) { return BrowserOn(m, m->Logic->ds_riviste, QStringLiteral("Gestione Testate")); }},
      {"selezioneform", [](TMenuForm *m) -> vcl::TCustomForm * { return m->Selezione(); }},
      {"info",
       [](TMenuForm *m) -> vcl::TCustomForm * {
         if (m->frmInfo == nullptr) m->frmInfo = new TfrmInfo(m);
         return m->frmInfo;
       }},
  };
  return cases;
}

}  // namespace app::testing
