// The page options dialog (see kvpgopt.h).
#include "report/designer/kvpgopt.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <cmath>

#include "platform/vcl/dialogs.h"
#include "report/designer/kvdsgneditors.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/print/kvprntr.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kTenthsPerMm = 10;
constexpr int kLargestPaperMm = 10000;  // ten metres: what a template may hold
constexpr int kLargestMarginMm = 1000;
constexpr int kMaxColumns = 100;
constexpr int kMaxScale = 10000;
constexpr int kPaperDropDownWidth = 200;
// NOLINTEND(readability-magic-numbers)

const char *const kMarginNames[4] = {"Sinistro (mm)", "Superiore (mm)", "Destro (mm)", "Inferiore (mm)"};
const char *const kMarginWhat[4] = {"Il margine sinistro", "Il margine superiore", "Il margine destro",
                                    "Il margine inferiore"};

int PixelsToMm(int pixels) { return int(std::lround(pixels / kvPixelsPerMm)); }
int MmToPixels(int mm) { return int(std::lround(mm * kvPixelsPerMm)); }

std::int16_t Flag(bool on) { return on ? std::int16_t(-1) : std::int16_t(0); }

// A whole number from `low` to `high` in the box, or the message refusing
// it (and the box focused).
QString ReadWhole(vcl::TEdit *edit, const QString &what, int low, int high, int &value) {
  bool ok = false;
  const int n = edit->Text().trimmed().toInt(&ok);
  if (ok && n >= low && n <= high) {
    value = n;
    return QString();
  }
  FocusIfShown(edit);
  return QStringLiteral("%1 deve essere un numero intero da %2 a %3.").arg(what).arg(low).arg(high);
}

vcl::TTabSheet *Sheet(vcl::TPageControl *pages, vcl::TComponent *owner, const QString &caption) {
  auto *sheet = new vcl::TTabSheet(owner);
  sheet->SetPageControl(pages);
  sheet->SetCaption(caption);
  return sheet;
}

vcl::TGroupBox *Group(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int left, int top,
                      int width, int height) {
  auto *group = PlaceControl<vcl::TGroupBox>(parent, owner, left, top, width, height);
  group->SetCaption(caption);
  return group;
}

vcl::TCheckBox *Check(vcl::TWinControl *parent, vcl::TComponent *owner, const QString &caption, int top) {
  auto *box = PlaceControl<vcl::TCheckBox>(parent, owner, 12, top, 300, 20);  // NOLINT(readability-magic-numbers)
  box->SetCaption(caption);
  return box;
}

}  // namespace

TkvPageOptions TkvPageOptions::FromPage(const TkvPage &page) {
  TkvPageOptions o;
  o.PaperCode = page.PaperSize;
  if (page.PaperSize == kvCustomPaper) {
    o.WidthMm = page.PaperWidth / kTenthsPerMm;
    o.HeightMm = page.PaperHeight / kTenthsPerMm;
  }
  o.Orientation = page.Orientation;
  for (int i = 0; i < 4; ++i) o.MarginsMm[i] = PixelsToMm(page.Margins[i]);
  o.MarginsUnused = page.UseMargins == 0;
  o.PrintOnPreviousPage = page.PrintOnPreviousPage != 0;
  o.HeaderOnFirstPage = page.HeaderOnFirstPage != 0;
  o.FooterOnLastPage = page.FooterOnLastPage != 0;
  o.RepeatTableHeader = page.RepeatTableHeader != 0;
  o.Columns = page.Columns;
  o.ColumnGapMm = PixelsToMm(page.ColumnGap);
  o.ScaleX = page.ScaleX;
  o.ScaleY = page.ScaleY;
  return o;
}

void TkvPageOptions::ApplyTo(TkvPage &page) const {
  page.PaperSize = PaperCode;
  if (PaperCode == kvCustomPaper) {
    page.PaperWidth = WidthMm * kTenthsPerMm;
    page.PaperHeight = HeightMm * kTenthsPerMm;
  }
  page.Orientation = Orientation;
  for (int i = 0; i < 4; ++i) page.Margins[i] = MmToPixels(MarginsMm[i]);
  page.UseMargins = Flag(!MarginsUnused);
  page.PrintOnPreviousPage = Flag(PrintOnPreviousPage);
  page.HeaderOnFirstPage = Flag(HeaderOnFirstPage);
  page.FooterOnLastPage = Flag(FooterOnLastPage);
  page.RepeatTableHeader = Flag(RepeatTableHeader);
  page.Columns = Columns;
  page.ColumnGap = MmToPixels(ColumnGapMm);
  page.ScaleX = ScaleX;
  page.ScaleY = ScaleY;
  TkvReport::TakePaper(page);
}

// ---------------------------------------------------------------------------

TPgoptForm::TPgoptForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Opzioni di pagina"), 360, 290);
  Pages = PlaceControl<vcl::TPageControl>(this, this, 8, 8, 344, 238);
  BuildPaperPage();
  BuildMarginsPage();
  BuildOptionsPage();
  BuildScalePage();
  Pages->SetActivePageIndex(0);
  Buttons = PlaceOkCancel(this, 194, 256);
  // NOLINTEND(readability-magic-numbers)
  Buttons.Ok->SetModalResult(vcl::mrNone);
  Buttons.Ok->OnClick = [this](rtl::TObject *) {
    TkvPageOptions probe;
    const QString error = Store(probe);
    if (!error.isEmpty()) {
      vcl::MessageDlg(error, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
      return;
    }
    SetModalResult(vcl::mrOk);
  };
  HandleNeeded();
}

// NOLINTBEGIN(readability-magic-numbers)
void TPgoptForm::BuildPaperPage() {
  vcl::TTabSheet *sheet = Sheet(Pages, this, QStringLiteral("Foglio"));
  vcl::TGroupBox *orientation = Group(sheet, this, QStringLiteral("Orientamento"), 8, 8, 320, 72);
  Portrait = PlaceControl<vcl::TRadioButton>(orientation, this, 12, 20, 120, 20);
  Portrait->SetCaption(QStringLiteral("Verticale"));
  Landscape = PlaceControl<vcl::TRadioButton>(orientation, this, 12, 44, 120, 20);
  Landscape->SetCaption(QStringLiteral("Orizzontale"));
  OrientationImage = PlaceControl<vcl::TImage>(orientation, this, 250, 16, 48, 48);
  Portrait->OnClick = [this](rtl::TObject *) { DrawOrientation(); };
  Landscape->OnClick = [this](rtl::TObject *) { DrawOrientation(); };

  vcl::TGroupBox *size = Group(sheet, this, QStringLiteral("Misura"), 8, 88, 320, 112);
  PaperList = PlaceControl<vcl::TComboBox>(size, this, 12, 20, 296, 21);
  PaperList->SetStyle(vcl::csDropDownList);
  PaperList->SetDropDownCount(12);
  PaperList->OnChange = [this](rtl::TObject *) { UpdateControls(); };
  WidthEdit = PlaceControl<vcl::TEdit>(size, this, 130, 50, 60, 21);
  WidthLabel = PlaceLabel(size, this, QStringLiteral("Larghezza (mm)"), 12, 53, WidthEdit);
  HeightEdit = PlaceControl<vcl::TEdit>(size, this, 130, 78, 60, 21);
  HeightLabel = PlaceLabel(size, this, QStringLiteral("Altezza (mm)"), 12, 81, HeightEdit);
}

void TPgoptForm::BuildMarginsPage() {
  vcl::TTabSheet *sheet = Sheet(Pages, this, QStringLiteral("Margini"));
  vcl::TGroupBox *group = Group(sheet, this, QStringLiteral("Margini pagina"), 8, 8, 320, 136);
  for (int i = 0; i < 4; ++i) {
    MarginEdits[i] = PlaceControl<vcl::TEdit>(group, this, 130, 20 + 28 * i, 60, 21);
    MarginLabels[i] = PlaceLabel(group, this, QString::fromLatin1(kMarginNames[i]), 12, 23 + 28 * i, MarginEdits[i]);
  }
  MarginsUnused = Check(sheet, this, QStringLiteral("Non usati"), 154);
  MarginsUnused->OnClick = [this](rtl::TObject *) { UpdateControls(); };
}

void TPgoptForm::BuildOptionsPage() {
  vcl::TTabSheet *sheet = Sheet(Pages, this, QStringLiteral("Opzioni"));
  PrintOnPreviousPage = Check(sheet, this, QStringLiteral("Stampa alla pagina precedente"), 8);
  HeaderOnFirstPage = Check(sheet, this, QStringLiteral("Intestazione sulla prima pagina"), 32);
  FooterOnLastPage = Check(sheet, this, QString::fromUtf8("Piè di pagina sull'ultima pagina"), 56);
  RepeatTableHeader = Check(sheet, this, QStringLiteral("Copia intestazione in tabella"), 80);
  vcl::TGroupBox *columns = Group(sheet, this, QStringLiteral("Colonne"), 8, 108, 320, 80);
  ColumnsEdit = PlaceControl<vcl::TEdit>(columns, this, 180, 20, 60, 21);
  PlaceLabel(columns, this, QStringLiteral("Numero"), 12, 23, ColumnsEdit);
  ColumnGapEdit = PlaceControl<vcl::TEdit>(columns, this, 180, 48, 60, 21);
  PlaceLabel(columns, this, QStringLiteral("Distanza tra colonne, mm"), 12, 51, ColumnGapEdit);
}

void TPgoptForm::BuildScalePage() {
  vcl::TTabSheet *sheet = Sheet(Pages, this, QStringLiteral("Ingrandimento"));
  vcl::TGroupBox *group = Group(sheet, this, QStringLiteral("Proporzioni"), 8, 8, 320, 80);
  ScaleXEdit = PlaceControl<vcl::TEdit>(group, this, 130, 20, 60, 21);
  PlaceLabel(group, this, QStringLiteral("Larghezza pagina"), 12, 23, ScaleXEdit);
  ScaleYEdit = PlaceControl<vcl::TEdit>(group, this, 130, 48, 60, 21);
  PlaceLabel(group, this, QStringLiteral("Altezza pagina"), 12, 51, ScaleYEdit);
}
// NOLINTEND(readability-magic-numbers)

void TPgoptForm::Load(const TkvPageOptions &o) {
  TPrinterSettings *settings = GlobalPrinterSettings();
  PaperList->Items()->Assign(settings->PaperNames());
  PaperList->SetItemIndex(settings->PaperIndex(o.PaperCode));
  (o.Orientation == 1 ? Landscape : Portrait)->SetChecked(true);
  WidthEdit->SetText(o.PaperCode == kvCustomPaper ? QString::number(o.WidthMm) : QString());
  HeightEdit->SetText(o.PaperCode == kvCustomPaper ? QString::number(o.HeightMm) : QString());
  for (int i = 0; i < 4; ++i) MarginEdits[i]->SetText(QString::number(o.MarginsMm[i]));
  MarginsUnused->SetChecked(o.MarginsUnused);
  PrintOnPreviousPage->SetChecked(o.PrintOnPreviousPage);
  HeaderOnFirstPage->SetChecked(o.HeaderOnFirstPage);
  FooterOnLastPage->SetChecked(o.FooterOnLastPage);
  RepeatTableHeader->SetChecked(o.RepeatTableHeader);
  ColumnsEdit->SetText(QString::number(o.Columns));
  ColumnGapEdit->SetText(QString::number(o.ColumnGapMm));
  ScaleXEdit->SetText(QString::number(o.ScaleX));
  ScaleYEdit->SetText(QString::number(o.ScaleY));
  UpdateControls();
}

int TPgoptForm::ChosenPaperCode() const {
  const int index = PaperList->ItemIndex();
  const auto &codes = GlobalPrinterSettings()->PaperCodes();
  return index >= 0 && index < int(codes.size()) ? codes[static_cast<size_t>(index)] : -1;
}

QString TPgoptForm::Store(TkvPageOptions &options) {
  TkvPageOptions o = options;
  const int code = ChosenPaperCode();
  if (code < 0) {
    FocusIfShown(PaperList);
    return QStringLiteral("Scegliere il formato del foglio.");
  }
  o.PaperCode = code;
  o.Orientation = Landscape->Checked() ? 1 : 0;
  QString error;
  if (code == kvCustomPaper) {
    error = ReadWhole(WidthEdit, QStringLiteral("La larghezza del foglio"), 1, kLargestPaperMm, o.WidthMm);
    if (error.isEmpty())
      error = ReadWhole(HeightEdit, QStringLiteral("L'altezza del foglio"), 1, kLargestPaperMm, o.HeightMm);
    if (!error.isEmpty()) return error;
  }
  o.MarginsUnused = MarginsUnused->Checked();
  // Unused margins are kept as they were typed only when they hold.
  for (int i = 0; i < 4 && error.isEmpty(); ++i) {
    error = ReadWhole(MarginEdits[i], QString::fromLatin1(kMarginWhat[i]), 0, kLargestMarginMm, o.MarginsMm[i]);
    if (!error.isEmpty() && o.MarginsUnused) {
      o.MarginsMm[i] = options.MarginsMm[i];
      error.clear();
    }
  }
  if (!error.isEmpty()) return error;
  o.PrintOnPreviousPage = PrintOnPreviousPage->Checked();
  o.HeaderOnFirstPage = HeaderOnFirstPage->Checked();
  o.FooterOnLastPage = FooterOnLastPage->Checked();
  o.RepeatTableHeader = RepeatTableHeader->Checked();
  error = ReadWhole(ColumnsEdit, QStringLiteral("Il numero di colonne"), 1, kMaxColumns, o.Columns);
  if (error.isEmpty())
    error = ReadWhole(ColumnGapEdit, QStringLiteral("La distanza tra colonne"), 0, kLargestMarginMm, o.ColumnGapMm);
  if (error.isEmpty())
    error = ReadWhole(ScaleXEdit, QStringLiteral("La larghezza della pagina (%)"), 1, kMaxScale, o.ScaleX);
  if (error.isEmpty())
    error = ReadWhole(ScaleYEdit, QStringLiteral("L'altezza della pagina (%)"), 1, kMaxScale, o.ScaleY);
  if (!error.isEmpty()) return error;
  options = o;
  return QString();
}

void TPgoptForm::UpdateControls() {
  DrawOrientation();
  const bool custom = ChosenPaperCode() == kvCustomPaper;
  SetControlsEnabled({WidthEdit, HeightEdit, WidthLabel, HeightLabel}, custom);
  const bool margins = !MarginsUnused->Checked();
  for (int i = 0; i < 4; ++i) SetControlsEnabled({MarginEdits[i], MarginLabels[i]}, margins);
}

void TPgoptForm::DoShow() {
  UpdateControls();
  if (auto *combo = dynamic_cast<QComboBox *>(PaperList->Handle())) combo->view()->setMinimumWidth(kPaperDropDownWidth);
  vcl::TForm::DoShow();
}

void TPgoptForm::DrawOrientation() {
  // A sheet with lines of text, upright or turned.
  // NOLINTBEGIN(readability-magic-numbers)
  const bool landscape = Landscape->Checked();
  const int w = landscape ? 44 : 32;
  const int h = landscape ? 32 : 44;
  vcl::TBitmap *bitmap = OrientationImage->Picture()->Bitmap();
  bitmap->SetSize(48, 48);
  vcl::TCanvas *canvas = bitmap->Canvas();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clBtnFace);
  canvas->FillRect(vcl::Rect(0, 0, 48, 48));
  canvas->Brush()->SetColor(vcl::clWhite);
  canvas->Pen()->SetColor(vcl::clBlack);
  const int x = (48 - w) / 2, y = (48 - h) / 2;
  canvas->Rectangle(x, y, x + w, y + h);
  canvas->Pen()->SetColor(vcl::clGray);
  for (int line = y + 6; line < y + h - 4; line += 5) {
    canvas->MoveTo(x + 5, line);
    canvas->LineTo(x + w - 5, line);
  }
  // NOLINTEND(readability-magic-numbers)
  OrientationImage->Invalidate();
}

bool EditPageOptions(TkvPage *page) {
  if (page == nullptr) return false;
  TPgoptForm form(nullptr);
  TkvPageOptions options = TkvPageOptions::FromPage(*page);
  form.Load(options);
  if (form.ShowModal() != vcl::mrOk) return false;
  if (!form.Store(options).isEmpty()) return false;
  options.ApplyTo(*page);
  return true;
}

void KvInstallPageOptionsEditor() {
  KvRegisterEditor(TkvEditor::PageOptions, [](TkvEditContext &context) { return EditPageOptions(context.Page); });
}

}  // namespace report
