// Takes a picture of each of the program's windows (window_cases.h) as a
// real X server shows them: the main window on each of its pages, the
// maintenance dialog, the archive browser; then the splash window, and the
// main window with a day's list longer than it ("menuform_lungo").
// scripts/screenshots runs it under Xvfb at 1280 x 1024; the pictures are
// PNG files named after the windows' designs, in the folder given as the
// first argument.
//
// The data folder is a fresh one with a few articles, and one load and one
// sale registered through the main window, so the lists are not empty.
//
// With "--designer TEMPLATE" after the folder it shows the report designer
// on that template instead, with its inspector and alignment palette, an
// object selected, and takes "designer.png"; the windows' places, frames
// included, are printed for a look at them against the screen.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "app/menuform.h"
#include "app/splashform.h"
#include "platform/jet/engine.h"
#include "platform/rtl/datetime.h"
#include "report/designer/kvdesigner.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "tests/app/window_cases.h"
#include "tools/lib/orbiscadb.h"

namespace {

void AddArticle(jet::DatabasePtr db, const QString &code, const QString &title, const QString &issue, double stock,
                double purchase, double cover) {
  auto t = db->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
  t->AddNew();
  t->Fields(QStringLiteral("Barcode18")).SetValue(code);
  t->Fields(QStringLiteral("Barcode")).SetValue(code.left(13));
  t->Fields(QStringLiteral("Addon")).SetValue(code.mid(13));
  t->Fields(QStringLiteral("Testata")).SetValue(title);
  t->Fields(QStringLiteral("Descrizione")).SetValue(issue);
  t->Fields(QStringLiteral("Fornitore")).SetValue(QStringLiteral("MEPE"));
  t->Fields(QStringLiteral("Giacenza")).SetValue(stock);
  t->Fields(QStringLiteral("Periodo")).SetValue(QStringLiteral("SET"));
  t->Fields(QStringLiteral("Prezzo_A")).SetValue(purchase);
  t->Fields(QStringLiteral("Prezzo_V")).SetValue(cover);
  t->Update();
  auto r = db->OpenRecordset(QStringLiteral("Riviste"), jet::dbOpenDynaset);
  r->AddNew();
  r->Fields(QStringLiteral("Barcode")).SetValue(code.left(13));
  r->Fields(QStringLiteral("Nome")).SetValue(title);
  r->Fields(QStringLiteral("Fornitore")).SetValue(QStringLiteral("MEPE"));
  r->Fields(QStringLiteral("Periodo")).SetValue(QStringLiteral("SET"));
  r->Fields(QStringLiteral("Prezzo_A")).SetValue(purchase);
  r->Fields(QStringLiteral("Prezzo_V")).SetValue(cover);
  r->Update();
}

void Pump(int ms = 400) {
  for (int i = 0; i < ms / 10; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
}

bool Grab(const QString &file) {
  QScreen *screen = QGuiApplication::primaryScreen();
  return screen != nullptr && screen->grabWindow(0).save(file, "PNG");
}

void PrintPlace(const char *name, const vcl::TCustomForm *form) {
  const vcl::TRect r = form->FrameRect();
  std::printf("%s %d,%d %dx%d\n", name, r.Left, r.Top, r.Width(), r.Height());
}

int ShowDesigner(const QString &out, const QString &file) {
  vcl::InitApplication();
  report::TkvReport report(nullptr);
  report.LoadFromFile(file);
  auto *designer = new report::TKVDesignerForm(&report);
  report::KvSetCurrentDesigner(designer);
  designer->Show();
  Pump(1500);
  const auto &views = designer->Model().Views();
  for (report::TkvView *v : views)
    if (v->Typ != report::gtBand) {
      designer->Model().SelectOnly(v);
      designer->SelectionFollows();
      designer->Surface->Invalidate();
      break;
    }
  Pump(1500);
  const vcl::TRect area = vcl::Screen->WorkArea();
  std::printf("work area %d,%d %dx%d\n", area.Left, area.Top, area.Width(), area.Height());
  PrintPlace("designer", designer);
  PrintPlace("inspector", designer->Inspector);
  if (designer->AlignPalette != nullptr) PrintPlace("palette", designer->AlignPalette);
  const QString shot = out + QStringLiteral("/designer.png");
  const bool ok = Grab(shot);
  if (ok) std::printf("%s\n", qPrintable(shot));
  if (const char *hold = std::getenv("ORBISCA_SHOT_HOLD")) Pump(std::atoi(hold));
  designer->Hide();
  report::KvSetCurrentDesigner(nullptr);
  delete designer;
  vcl::DoneApplication();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  QApplication qt_app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "use: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(out);
  if (argc >= 4 && QString::fromLatin1(argv[2]) == QStringLiteral("--designer"))
    return ShowDesigner(out, QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath());
  QTemporaryDir data;
  {
    jet::DBEngine engine;
    auto db = tools::CreateOrbiscaDatabase(engine, data.path() + QStringLiteral("/orbisca4.mdb"));
    AddArticle(db, QStringLiteral("977556677889900000"), QStringLiteral("Topolino"), QStringLiteral(" n. 3500"), 5, 2.0,
               2.5);
    AddArticle(db, QStringLiteral("977112233445501234"), QStringLiteral("Settimana Enigmistica"),
               QStringLiteral(" n. 4800"), 12, 1.2, 1.8);
    db->Close();
  }
  QDir::setCurrent(data.path());
  vcl::InitApplication();
  vcl::Application->SetTitle(QStringLiteral("Gestione Orbisca"));
  auto *menu = new app::TMenuForm(nullptr);
  vcl::Application->SetMainForm(menu);
  menu->Show();
  for (int i = 0; i < 200 && !menu->Started(); ++i) Pump(10);
  if (!menu->Started()) return 1;
  // A sale, so the sale page shows a day list, a total and the till.
  for (const char *code : {"333", "977556677889900000"}) {
    menu->ingresso_barcode->SetText(QString::fromLatin1(code));
    menu->btn_cercaClick(menu);
  }
  menu->btn_scaricoClick(menu);
  int failures = 0;
  for (const app::testing::TWindowCase &w : app::testing::WindowCases()) {
    vcl::TCustomForm *form = w.prepare(menu);
    const bool own_window = form != menu;
    if (own_window) form->Show();
    Pump();
    const QString file = out + QLatin1Char('/') + QString::fromLatin1(w.design) + QStringLiteral(".png");
    if (Grab(file))
      std::printf("%s\n", qPrintable(file));
    else
      ++failures;
    if (own_window) {
      form->Hide();
      menu->Repaint();  // what the window covered, before the next picture
    }
  }
  const auto shot = [&](const char *name) {
    Pump();
    const QString file = out + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
    if (Grab(file))
      std::printf("%s\n", qPrintable(file));
    else
      ++failures;
  };
  {
    app::TSplashForm splash(nullptr);
    splash.Show();
    shot("splash");
    splash.Hide();
    menu->Repaint();
  }
  // 55 loads of the day: the list shows its vertical scroll bar.
  {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(data.path() + QStringLiteral("/orbisca4.mdb"));
    auto journal = db->OpenRecordset(QStringLiteral("Giornale"), jet::dbOpenTable);
    for (int i = 1; i <= 55; ++i) {
      journal->AddNew();
      journal->Fields(QStringLiteral("Data")).SetValue(rtl::Variant::FromDate(menu->selez_data->EditDate()));
      journal->Fields(QStringLiteral("Barcode18")).SetValue(QStringLiteral("977556677889900000"));
      journal->Fields(QStringLiteral("Tipo")).SetValue(QStringLiteral("C"));
      journal->Fields(QStringLiteral("Quantita")).SetValue(double(i));
      journal->Fields(QStringLiteral("Prezzo_A")).SetValue(2.0);
      journal->Fields(QStringLiteral("Prezzo_V")).SetValue(2.5);
      journal->Update();
    }
    db->Close();
  }
  app::testing::ShowMenuPage(menu, menu->tb_carico);
  menu->btn_cambiadataClick(menu);
  shot("menuform_lungo");
  delete menu;
  vcl::DoneApplication();
  return failures == 0 ? 0 : 1;
}
