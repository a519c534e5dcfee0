// The report engine's view of the printer: the printers to choose from (the
// platform's list followed by the layout-only "Stampante predefinita"), the
// current printer's papers and resolution, the paper the report pages ask
// for, and the page geometry both in device pixels and at 96 pixels per
// inch, the scale report coordinates are in.
//
// Pages set their paper through `GlobalPrinterSettings()`, the report
// component selects printers and prints through it, the designer lists its
// paper names. "Stampante predefinita" lays pages out with the paper sizes
// of the built-in table `PaperSizes`, so a report can be prepared and
// previewed whatever printer there is.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/printers.h"
#include "report/engine/print/kvpaper.h"

namespace report {

class TPrinterSettings {
 public:
  TPrinterSettings();
  ~TPrinterSettings();
  TPrinterSettings(const TPrinterSettings &) = delete;
  TPrinterSettings &operator=(const TPrinterSettings &) = delete;

  // The name of the layout-only printer, always the last in the list.
  static QString VirtualPrinterName() { return QStringLiteral("Stampante predefinita"); }

  // Binds the platform printer: its list and current printer become ours,
  // with the virtual printer appended. A printer whose device cannot be
  // read leaves the virtual printer alone in the list.
  void SetPrinter(vcl::TPrinter *printer);
  vcl::TPrinter *Printer() const { return printer_; }

  int PrinterIndex() const { return printer_index_; }
  // The virtual printer applies the current paper; a real one becomes the
  // platform's current printer with its default settings. Raises the
  // platform's EPrinter for a printer it cannot select (the index is then
  // unchanged).
  void SetPrinterIndex(int index);
  int VirtualIndex() const { return virtual_index_; }
  bool IsVirtual() const { return printer_index_ == virtual_index_; }

  // Asks for a paper; nothing happens when it is the current one (same
  // code and orientation, and for the custom size the same size), unless
  // MarkPaperDirty was called since the last change.
  void SetPrinterInfo(int paper_code, int width, int orientation, int height);
  // The next SetPrinterInfo applies even an unchanged paper (after another
  // printer was selected).
  void MarkPaperDirty() { paper_dirty_ = true; }
  void ApplySettings();
  void ReadDeviceInfo();

  void GetPageGeometry(TPageGeometry &geometry) const;
  TPageGeometry PageGeometry() const {
    TPageGeometry g;
    GetPageGeometry(g);
    return g;
  }
  // Position of the code in the current printer's papers; the last entry
  // (where the custom size is expected) when the printer lacks it.
  int PaperIndex(int paper_code) const;

  QString Device() const { return device_; }
  QString Driver() const { return driver_; }
  QString Port() const { return port_; }
  const vcl::TDeviceMode &DeviceMode() const { return device_mode_; }
  int Orientation() const { return orientation_; }  // 0 portrait, 1 landscape
  int PaperCode() const { return paper_code_; }
  int PaperWidth() const { return paper_width_; }  // tenths of a mm
  int PaperHeight() const { return paper_height_; }
  int ResolutionX() const { return res_x_; }
  int ResolutionY() const { return res_y_; }
  int PaperCount() const { return int(paper_codes_.size()); }
  const std::vector<std::uint16_t> &PaperCodes() const { return paper_codes_; }
  rtl::TStrings *PaperNames() const { return paper_names_.get(); }
  rtl::TStrings *PrinterNames() const { return printer_names_.get(); }

 private:
  void UseTablePapers();

  vcl::TPrinter *printer_ = nullptr;
  QString device_;
  QString driver_;
  QString port_;
  vcl::TDeviceMode device_mode_;
  int printer_index_ = 0;
  int virtual_index_ = 0;
  int orientation_ = 0;
  int paper_code_ = 9;
  int paper_width_ = 0;
  int paper_height_ = 0;
  int res_x_ = 0;
  int res_y_ = 0;
  bool paper_dirty_ = false;
  std::vector<std::uint16_t> paper_codes_;
  std::unique_ptr<rtl::TStringList> paper_names_;
  std::unique_ptr<rtl::TStringList> printer_names_;
};

// Gives a printer a paper (device-mode code; for the custom code 256 the
// portrait width and height in tenths of a millimetre) and an orientation
// (0 portrait, 1 landscape). A paper the printer lacks goes to it as a
// custom size of the table's dimensions when the printer takes custom
// sizes; otherwise the printer keeps its paper and only turns. During a
// job the paper applies from the next page.
void KvApplyPaper(vcl::TPrinter *printer, int paper_code, int width, int height, int orientation);

// The process-wide settings, made on first use and bound to the
// platform's printer.
TPrinterSettings *GlobalPrinterSettings();

}  // namespace report
