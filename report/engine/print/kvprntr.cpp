// The printer settings of the report engine; see kvprntr.h.
#include "report/engine/print/kvprntr.h"

#include "platform/vcl/forms.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace report {

namespace {

constexpr int kVirtualOffset = 18;  // pixels at 96 per inch

// The platform keeps names of any length; the device record of a printer
// holds them in fixed buffers, which callers may count on.
QString Clip(const QString &s, int max_chars) { return s.left(max_chars); }

int To96(int device_pixels, int dpi) {
  if (dpi <= 0) return 0;
  return int(std::lround(double(device_pixels) * 96.0 / dpi));
}

}  // namespace

void KvApplyPaper(vcl::TPrinter *printer, int paper_code, int width, int height, int orientation) {
  if (printer == nullptr) return;
  vcl::TDeviceMode mode = printer->DeviceMode();
  vcl::TDeviceMode request;
  request.Fields = 0;
  if (paper_code == kvCustomPaper) {
    request.PaperLength = height;
    request.PaperWidth = width;
    request.Fields |= vcl::TDeviceMode::kPaperLength | vcl::TDeviceMode::kPaperWidth;
  }
  if (mode.Fields & vcl::TDeviceMode::kPaperSize) {
    request.PaperSize = paper_code;
    request.Fields |= vcl::TDeviceMode::kPaperSize;
  }
  if (mode.Fields & vcl::TDeviceMode::kOrientation) {
    request.Orientation = orientation == 1 ? vcl::DMORIENT_LANDSCAPE : vcl::DMORIENT_PORTRAIT;
    request.Fields |= vcl::TDeviceMode::kOrientation;
  }
  try {
    printer->SetDeviceMode(request);
  } catch (const vcl::EPrinter &) {
    // A paper this printer does not take: its size as a custom paper when
    // the printer allows one, else the printer keeps its paper and only
    // turns. The device information read afterwards tells what it got.
    vcl::TDeviceMode fallback = request;
    fallback.Fields &= ~(vcl::TDeviceMode::kPaperSize | vcl::TDeviceMode::kPaperLength | vcl::TDeviceMode::kPaperWidth);
    int w = width, h = height;
    if (paper_code != kvCustomPaper) {
      for (const TPaperSizeRow &row : PaperSizes()) {
        if (row.Code == paper_code) {
          w = row.Width;
          h = row.Height;
        }
      }
    }
    const auto &papers = printer->Papers();
    const bool custom =
        std::any_of(papers.begin(), papers.end(), [](const vcl::TPaperSize &p) { return p.Code == kvCustomPaper; });
    if (custom && w > 0 && h > 0) {
      fallback.PaperSize = kvCustomPaper;
      fallback.PaperWidth = w;
      fallback.PaperLength = h;
      fallback.Fields |= vcl::TDeviceMode::kPaperSize | vcl::TDeviceMode::kPaperLength | vcl::TDeviceMode::kPaperWidth;
    }
    printer->SetDeviceMode(fallback);
  }
}

TPrinterSettings::TPrinterSettings()
    : paper_names_(std::make_unique<rtl::TStringList>()), printer_names_(std::make_unique<rtl::TStringList>()) {
  UseTablePapers();
}

TPrinterSettings::~TPrinterSettings() = default;

void TPrinterSettings::SetPrinter(vcl::TPrinter *printer) {
  printer_ = printer;
  printer_names_->Clear();
  printer_index_ = 0;
  if (printer_ != nullptr) {
    try {
      printer_names_->Assign(printer_->Printers());
      printer_index_ = printer_->PrinterIndex();
      ReadDeviceInfo();
    } catch (const rtl::Exception &) {
      printer_names_->Clear();
      printer_index_ = 0;
    }
  }
  printer_names_->Add(VirtualPrinterName());
  virtual_index_ = printer_names_->Count() - 1;
  if (printer_names_->Count() == 1) {
    // Nothing to print on: lay pages out on the virtual printer.
    printer_index_ = virtual_index_;
    ApplySettings();
  }
}

void TPrinterSettings::SetPrinterIndex(int index) {
  if (index < 0 || index > virtual_index_) {
    throw vcl::EPrinter(QStringLiteral("Printer selected is not valid"));
  }
  if (index == virtual_index_) {
    printer_index_ = index;
    ApplySettings();
    return;
  }
  if (printer_ == nullptr) return;
  // The platform refuses before anything here changes.
  printer_->SetPrinterIndex(index);
  printer_index_ = index;
  printer_->ResetDeviceMode();
  ReadDeviceInfo();
}

void TPrinterSettings::ReadDeviceInfo() {
  if (printer_ == nullptr) return;
  device_ = Clip(printer_->DeviceName(), 127);
  // The driver's file name alone, as the driver information gives it.
  driver_ = Clip(QFileInfo(printer_->DriverName()).fileName(), 63);
  port_ = Clip(printer_->PortName(), 127);
  device_mode_ = printer_->DeviceMode();
  res_x_ = printer_->PixelsPerInchX();
  res_y_ = printer_->PixelsPerInchY();
  if (device_mode_.Fields & vcl::TDeviceMode::kPaperSize) paper_code_ = device_mode_.PaperSize;
  const int pw = printer_->PhysicalWidth();
  const int ph = printer_->PhysicalHeight();
  if (pw > 0 && ph > 0 && res_x_ > 0 && res_y_ > 0) {
    paper_width_ = int(std::lround(double(pw) / res_x_ * 254.0));
    paper_height_ = int(std::lround(double(ph) / res_y_ * 254.0));
  } else {
    paper_width_ = 0;
    paper_height_ = 0;
  }
  paper_codes_.clear();
  paper_names_->Clear();
  for (const vcl::TPaperSize &p : printer_->Papers()) {
    if (int(paper_codes_.size()) == kvMaxPaperCodes) break;
    paper_codes_.push_back(std::uint16_t(p.Code));
    paper_names_->Add(Clip(p.Name, 64));
  }
}

void TPrinterSettings::SetPrinterInfo(int paper_code, int width, int orientation, int height) {
  const bool same = paper_code == paper_code_ && orientation == orientation_ &&
                    (paper_code != kvCustomPaper || (width == paper_width_ && height == paper_height_));
  if (same && !paper_dirty_) return;
  paper_code_ = paper_code;
  paper_width_ = width;
  orientation_ = orientation;
  paper_height_ = height;
  ApplySettings();
}

void TPrinterSettings::UseTablePapers() {
  paper_codes_.clear();
  paper_names_->Clear();
  for (const TPaperSizeRow &row : PaperSizes()) {
    paper_codes_.push_back(std::uint16_t(row.Code));
    paper_names_->Add(row.Name);
  }
}

void TPrinterSettings::ApplySettings() {
  paper_dirty_ = false;
  if (IsVirtual() || printer_ == nullptr) {
    UseTablePapers();
    if (paper_code_ != kvCustomPaper) {
      for (const TPaperSizeRow &row : PaperSizes()) {
        if (row.Code != paper_code_) continue;
        paper_width_ = orientation_ == 1 ? row.Height : row.Width;
        paper_height_ = orientation_ == 1 ? row.Width : row.Height;
        break;
      }
    }
    return;
  }
  KvApplyPaper(printer_, paper_code_, paper_width_, paper_height_, orientation_);
  ReadDeviceInfo();
}

void TPrinterSettings::GetPageGeometry(TPageGeometry &g) const {
  g = TPageGeometry();
  if (IsVirtual() || printer_ == nullptr) {
    g.PhysWidth96 = paper_width_ * 96 / 254;
    g.PhysHeight96 = paper_height_ * 96 / 254;
    g.OffsetLeft96 = kVirtualOffset;
    g.OffsetTop96 = kVirtualOffset;
    // A paper smaller than the two borders has no printable area, rather
    // than a negative one.
    g.PrintWidth96 = std::max(0, g.PhysWidth96 - 2 * kVirtualOffset);
    g.PrintHeight96 = std::max(0, g.PhysHeight96 - 2 * kVirtualOffset);
    return;
  }
  g.PhysWidth = printer_->PhysicalWidth();
  g.PhysHeight = printer_->PhysicalHeight();
  g.OffsetLeft = printer_->PhysicalOffsetX();
  g.OffsetTop = printer_->PhysicalOffsetY();
  g.PrintWidth = printer_->PageWidth();
  g.PrintHeight = printer_->PageHeight();
  g.PhysWidth96 = To96(g.PhysWidth, res_x_);
  g.PhysHeight96 = To96(g.PhysHeight, res_y_);
  g.OffsetLeft96 = To96(g.OffsetLeft, res_x_);
  g.OffsetTop96 = To96(g.OffsetTop, res_y_);
  g.PrintWidth96 = To96(g.PrintWidth, res_x_);
  g.PrintHeight96 = To96(g.PrintHeight, res_y_);
}

int TPrinterSettings::PaperIndex(int paper_code) const {
  for (size_t i = 0; i < paper_codes_.size(); ++i) {
    if (paper_codes_[i] == paper_code) return int(i);
  }
  return int(paper_codes_.size()) - 1;
}

namespace {
TPrinterSettings *g_printer_settings = nullptr;
}  // namespace

TPrinterSettings *GlobalPrinterSettings() {
  if (g_printer_settings == nullptr) {
    vcl::TPrinter *printer = vcl::Printer();
    g_printer_settings = new TPrinterSettings();
    g_printer_settings->SetPrinter(printer);
    // Freed at the end of the program before the printer it is bound to
    // (registered after it), never by a static destructor.
    vcl::AddExitProc([] {
      delete g_printer_settings;
      g_printer_settings = nullptr;
    });
  }
  return g_printer_settings;
}

}  // namespace report
