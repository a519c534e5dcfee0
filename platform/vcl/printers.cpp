// The printer over QPrinter; see printers.h.
#include "platform/vcl/printers.h"

#include "platform/vcl/forms.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace vcl {

namespace {

constexpr int kPdfDpi = 600;

int TenthsOf(double millimetres) { return int(std::lround(millimetres * 10.0)); }

// Tenths of a millimetre to device pixels.
int ToPixels(int tenths, int dpi) { return int(std::lround(double(tenths) * dpi / 254.0)); }

TPaperSize PaperOf(const QPageSize &size) {
  const QSizeF mm = size.size(QPageSize::Millimeter);
  return {size.windowsId(), size.name(), TenthsOf(mm.width()), TenthsOf(mm.height())};
}

TPaperSize CustomPaper() { return {DMPAPER_USER, QStringLiteral("Custom"), 0, 0}; }

// The spooler's printers, read once per TPrinter.
std::vector<TPrinterDevice> SpoolerDevices(int *default_index) {
  std::vector<TPrinterDevice> out;
  *default_index = -1;
  const QString default_name = QPrinterInfo::defaultPrinterName();
  for (const QPrinterInfo &info : QPrinterInfo::availablePrinters()) {
    TPrinterDevice d;
    d.Name = info.printerName();
    d.Driver = info.makeAndModel();
    d.Port = info.location();
    QPrinter probe(info, QPrinter::HighResolution);
    d.DpiX = d.DpiY = probe.resolution() > 0 ? probe.resolution() : kPdfDpi;
    for (const QPageSize &size : info.supportedPageSizes()) {
      if (size.windowsId() > 0 && size.windowsId() != DMPAPER_USER) d.Papers.push_back(PaperOf(size));
    }
    if (info.supportsCustomPageSizes()) d.Papers.push_back(CustomPaper());
    const QPageSize def = info.defaultPageSize();
    if (def.isValid() && def.windowsId() > 0)
      d.DefaultMode.PaperSize = def.windowsId();
    else if (!d.Papers.empty())
      d.DefaultMode.PaperSize = d.Papers.front().Code;
    QPageLayout layout = probe.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF m = layout.minimumMargins();
    d.MarginLeft = TenthsOf(m.left());
    d.MarginTop = TenthsOf(m.top());
    d.MarginRight = TenthsOf(m.right());
    d.MarginBottom = TenthsOf(m.bottom());
    if (d.Name == default_name) *default_index = int(out.size());
    out.push_back(std::move(d));
  }
  return out;
}

// Made on first use and never destroyed statically: the printer (its
// QPrinter and painter) goes when the program ends, while Qt still runs.
std::unique_ptr<TPrinter> &GlobalPrinter() {
  static auto *printer = new std::unique_ptr<TPrinter>();
  return *printer;
}

void RegisterPrinterRelease() {
  AddExitProc([] { GlobalPrinter().reset(); });
}

}  // namespace

bool TPrinter::StandardPaper(int code, TPaperSize &paper) {
  if (code <= 0 || code == DMPAPER_USER) return false;
  const QPageSize::PageSizeId id = QPageSize::id(code);
  if (id == QPageSize::Custom) return false;
  paper = PaperOf(QPageSize(id));
  paper.Code = code;
  return true;
}

TPrinterDevice TPrinter::PdfDevice() {
  TPrinterDevice d;
  d.Name = QStringLiteral("PDF");
  d.Driver = QStringLiteral("PDF");
  d.Port = QStringLiteral("FILE:");
  d.Pdf = true;
  d.DpiX = d.DpiY = kPdfDpi;
  // Every size that has a device-mode code, in code order.
  for (int code = 1; code < DMPAPER_USER; ++code) {
    TPaperSize p;
    if (StandardPaper(code, p) && p.Width > 0) d.Papers.push_back(p);
  }
  d.Papers.push_back(CustomPaper());
  d.DefaultMode.PaperSize = DMPAPER_A4;
  return d;
}

TPrinter::TPrinter() {
  int def = -1;
  std::vector<TPrinterDevice> devices = SpoolerDevices(&def);
  const int pdf = int(devices.size());
  Init(std::move(devices), def >= 0 ? def : pdf);
}

TPrinter::TPrinter(std::vector<TPrinterDevice> devices) { Init(std::move(devices), 0); }

TPrinter::~TPrinter() {
  if (Printing()) Abort();
}

void TPrinter::Init(std::vector<TPrinterDevice> devices, int current) {
  devices_ = std::move(devices);
  for (TPrinterDevice &d : devices_) {
    if (d.DpiX <= 0) d.DpiX = kPdfDpi;
    if (d.DpiY <= 0) d.DpiY = d.DpiX;
  }
  devices_.push_back(PdfDevice());
  names_ = std::make_unique<rtl::TStringList>();
  for (const TPrinterDevice &d : devices_) names_->Add(d.Name);
  canvas_ = std::make_unique<TCanvas>();
  // Paper has no pixel grid to fit letters to.
  canvas_->SetTextMetrics(TTextMetrics::Design);
  default_index_ = std::clamp(current, 0, int(devices_.size()) - 1);
  index_ = default_index_;
  mode_ = Device().DefaultMode;
}

void TPrinter::CheckNotPrinting() const {
  if (Printing()) throw EPrinter(QStringLiteral("Printing in progress"));
}

void TPrinter::SetPrinterIndex(int index) {
  CheckNotPrinting();
  if (index == -1) index = default_index_;
  if (index < 0 || index >= int(devices_.size())) {
    throw EPrinter(QStringLiteral("Printer selected is not valid"));
  }
  index_ = index;
  mode_ = Device().DefaultMode;
}

void TPrinter::ResetDeviceMode() {
  CheckNotPrinting();
  mode_ = Device().DefaultMode;
}

void TPrinter::SetDeviceMode(const TDeviceMode &mode) {
  TDeviceMode next = mode_;
  if (mode.Fields & TDeviceMode::kOrientation) {
    if (mode.Orientation != DMORIENT_PORTRAIT && mode.Orientation != DMORIENT_LANDSCAPE) {
      throw EPrinter(QStringLiteral("Invalid orientation %1").arg(mode.Orientation));
    }
    next.Orientation = mode.Orientation;
  }
  if (mode.Fields & TDeviceMode::kPaperLength) next.PaperLength = mode.PaperLength;
  if (mode.Fields & TDeviceMode::kPaperWidth) next.PaperWidth = mode.PaperWidth;
  if (mode.Fields & TDeviceMode::kPaperSize) {
    const auto &papers = Papers();
    const bool known =
        std::any_of(papers.begin(), papers.end(), [&](const TPaperSize &p) { return p.Code == mode.PaperSize; });
    if (!known) {
      throw EPrinter(QStringLiteral("The printer \"%1\" has no paper %2").arg(DeviceName()).arg(mode.PaperSize));
    }
    next.PaperSize = mode.PaperSize;
  }
  if (next.PaperSize == DMPAPER_USER && (next.PaperWidth <= 0 || next.PaperLength <= 0)) {
    throw EPrinter(QStringLiteral("A custom paper needs a width and a length"));
  }
  mode_ = next;
  if (Printing()) layout_pending_ = true;
}

TPrinterOrientation TPrinter::Orientation() const {
  return mode_.Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation orientation) {
  TDeviceMode m;
  m.Fields = TDeviceMode::kOrientation;
  m.Orientation = orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  SetDeviceMode(m);
}

void TPrinter::PortraitPaper(int &width, int &height) const {
  if (mode_.PaperSize == DMPAPER_USER) {
    width = mode_.PaperWidth;
    height = mode_.PaperLength;
    return;
  }
  const auto &papers = Papers();
  auto it = std::find_if(papers.begin(), papers.end(), [&](const TPaperSize &p) { return p.Code == mode_.PaperSize; });
  TPaperSize p;
  if (it != papers.end())
    p = *it;
  else
    StandardPaper(mode_.PaperSize, p);
  width = p.Width;
  height = p.Height;
}

int TPrinter::PaperWidthTenths() const {
  int w = 0, h = 0;
  PortraitPaper(w, h);
  return Orientation() == poLandscape ? h : w;
}

int TPrinter::PaperHeightTenths() const {
  int w = 0, h = 0;
  PortraitPaper(w, h);
  return Orientation() == poLandscape ? w : h;
}

int TPrinter::PhysicalWidth() const {
  return Device().KnowsPhysicalSize ? ToPixels(PaperWidthTenths(), PixelsPerInchX()) : 0;
}

int TPrinter::PhysicalHeight() const {
  return Device().KnowsPhysicalSize ? ToPixels(PaperHeightTenths(), PixelsPerInchY()) : 0;
}

// In landscape the sheet turns: its left border is the portrait top.
int TPrinter::PhysicalOffsetX() const {
  const TPrinterDevice &d = Device();
  return ToPixels(Orientation() == poLandscape ? d.MarginTop : d.MarginLeft, PixelsPerInchX());
}

int TPrinter::PhysicalOffsetY() const {
  const TPrinterDevice &d = Device();
  return ToPixels(Orientation() == poLandscape ? d.MarginLeft : d.MarginTop, PixelsPerInchY());
}

int TPrinter::PageWidth() const {
  const TPrinterDevice &d = Device();
  const int borders = Orientation() == poLandscape ? d.MarginTop + d.MarginBottom : d.MarginLeft + d.MarginRight;
  return std::max(0, ToPixels(PaperWidthTenths() - borders, PixelsPerInchX()));
}

int TPrinter::PageHeight() const {
  const TPrinterDevice &d = Device();
  const int borders = Orientation() == poLandscape ? d.MarginLeft + d.MarginRight : d.MarginTop + d.MarginBottom;
  return std::max(0, ToPixels(PaperHeightTenths() - borders, PixelsPerInchY()));
}

void TPrinter::BeginDoc() {
  CheckNotPrinting();
  const TPrinterDevice &d = Device();
  if (d.Pdf && output_file_.isEmpty()) {
    throw EPrinter(QStringLiteral("The PDF printer needs the name of the file to write"));
  }
  auto qp = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!output_file_.isEmpty()) {
    qp->setOutputFormat(QPrinter::PdfFormat);
    qp->setOutputFileName(output_file_);
  } else {
    qp->setPrinterName(d.Name);
  }
  qp->setResolution(d.DpiX);
  qp->setDocName(title_);
  qp->setCopyCount(copies_);
  qp->setFullPage(false);
  QPageLayout layout;
  if (!PageLayoutOf(layout)) throw EPrinter(QStringLiteral("The paper of the printer has no size"));
  qp->setPageLayout(layout);
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(qp.get())) {
    throw EPrinter(QStringLiteral("The printer \"%1\" could not start the job").arg(d.Name));
  }
  qprinter_ = std::move(qp);
  painter_ = std::move(painter);
  aborted_ = false;
  layout_pending_ = false;
  page_number_ = 1;
  canvas_->Font()->SetPixelsPerInch(d.DpiY);
  canvas_->BeginPaint(painter_.get());
}

// The page is given portrait with the device's borders; the layout turns
// both for landscape.
bool TPrinter::PageLayoutOf(QPageLayout &layout) const {
  const TPrinterDevice &d = Device();
  int pw = 0, ph = 0;
  PortraitPaper(pw, ph);
  if (pw <= 0 || ph <= 0) return false;
  const QPageSize size(QSizeF(pw / 10.0, ph / 10.0), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
  layout = QPageLayout(size, Orientation() == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(d.MarginLeft / 10.0, d.MarginTop / 10.0, d.MarginRight / 10.0, d.MarginBottom / 10.0),
                       QPageLayout::Millimeter);
  return true;
}

void TPrinter::NewPage() {
  if (!Printing()) throw EPrinter(QStringLiteral("Printer is not currently printing"));
  // A paper chosen during the job: the next page of the same job (and of
  // the same file) has it.
  if (layout_pending_) {
    QPageLayout layout;
    if (!PageLayoutOf(layout) || !qprinter_->setPageLayout(layout))
      throw EPrinter(QStringLiteral("The printer cannot change the paper during the job"));
    layout_pending_ = false;
  }
  if (!qprinter_->newPage()) throw EPrinter(QStringLiteral("The printer refused a new page"));
  ++page_number_;
}

void TPrinter::FinishJob() {
  canvas_->EndPaint();
  painter_->end();
  painter_.reset();
  qprinter_.reset();
}

void TPrinter::EndDoc() {
  if (!Printing()) throw EPrinter(QStringLiteral("Printer is not currently printing"));
  FinishJob();
}

void TPrinter::Abort() {
  if (!Printing()) return;
  qprinter_->abort();
  FinishJob();
  aborted_ = true;
  if (!output_file_.isEmpty()) QFile::remove(output_file_);
}

TPrinter *Printer() {
  auto &p = GlobalPrinter();
  if (!p) {
    p = std::make_unique<TPrinter>();
    RegisterPrinterRelease();
  }
  return p.get();
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer) {
  auto &p = GlobalPrinter();
  std::unique_ptr<TPrinter> old = std::move(p);
  p = std::move(printer);
  if (!old && p) RegisterPrinterRelease();
  return old;
}

}  // namespace vcl
