// The printer of the component library: the list of printers, the chosen
// one with its capabilities (resolution, papers with their codes and sizes,
// page geometry) and its device mode (paper, orientation, custom size), and
// the print job with a `TCanvas` to draw the pages on.
//
// Printing goes through QPrinter. The installed printers come from the
// spooler (QPrinterInfo); after them the list always ends with a built-in
// "PDF" printer that writes the job into a PDF file, so a machine without
// printers can still print. Paper codes are the platform's numbering
// (1 letter ... 9 A4 ... 66, 256 a custom size); sizes are in tenths of a
// millimetre, as the device mode keeps them.
//
// The report engine reads everything here through `Printer()`, the one
// process-wide object; tests give it a printer list of their own with
// `SetPrinter`.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/graphics.h"

class QPageLayout;
class QPainter;
class QPrinter;

namespace vcl {

ORBISCA_EXCEPTION(EPrinter, Exception)

enum TPrinterOrientation { poPortrait, poLandscape };

// Paper codes of the device mode that the engine names.
inline constexpr int DMPAPER_LETTER = 1;
inline constexpr int DMPAPER_A4 = 9;
inline constexpr int DMPAPER_USER = 256;
inline constexpr int DMORIENT_PORTRAIT = 1;
inline constexpr int DMORIENT_LANDSCAPE = 2;

// One paper a printer takes; the size is portrait, in tenths of a mm.
struct TPaperSize {
  int Code = 0;
  QString Name;
  int Width = 0;
  int Height = 0;
};

// The settings a job is printed with. `Fields` says which members the
// printer honours (or, on a request, which ones the caller set).
struct TDeviceMode {
  static constexpr unsigned kOrientation = 0x1;
  static constexpr unsigned kPaperSize = 0x2;
  static constexpr unsigned kPaperLength = 0x4;
  static constexpr unsigned kPaperWidth = 0x8;

  unsigned Fields = kOrientation | kPaperSize;
  int Orientation = DMORIENT_PORTRAIT;
  int PaperSize = DMPAPER_A4;
  int PaperLength = 0;  // custom height, tenths of a mm
  int PaperWidth = 0;   // custom width, tenths of a mm
};

// What one printer is and can do. The spooler's printers are read into
// this once; tests build their own.
struct TPrinterDevice {
  QString Name;
  QString Driver;  // the driver's file name, or the make and model
  QString Port;
  bool Pdf = false;  // writes PDF files instead of going to a spooler
  int DpiX = 600;
  int DpiY = 600;
  std::vector<TPaperSize> Papers;  // in the printer's own order
  TDeviceMode DefaultMode;
  // Unprintable border of a portrait page, tenths of a mm.
  int MarginLeft = 0;
  int MarginTop = 0;
  int MarginRight = 0;
  int MarginBottom = 0;
  // False for a device that cannot tell its physical page size.
  bool KnowsPhysicalSize = true;
};

class TPrinter {
 public:
  // The spooler's printers, then the PDF printer; the spooler's default
  // printer is current (the PDF printer when there is none).
  TPrinter();
  // The given printers (the PDF printer is added after them), the first
  // one current. For tests and for callers that bring their own list.
  explicit TPrinter(std::vector<TPrinterDevice> devices);
  ~TPrinter();
  TPrinter(const TPrinter &) = delete;
  TPrinter &operator=(const TPrinter &) = delete;

  // The names, in the list's order; the PDF printer is the last.
  rtl::TStrings *Printers() const { return names_.get(); }
  int PrinterIndex() const { return index_; }
  // -1 selects the default printer. Raises EPrinter for an index outside
  // the list or while a job is open; the device mode becomes the new
  // printer's default.
  void SetPrinterIndex(int index);
  const TPrinterDevice &Device() const { return devices_[size_t(index_)]; }
  bool IsPdfPrinter() const { return Device().Pdf; }

  QString DeviceName() const { return Device().Name; }
  QString DriverName() const { return Device().Driver; }
  QString PortName() const { return Device().Port; }
  const std::vector<TPaperSize> &Papers() const { return Device().Papers; }

  // The device mode of the current printer. Setting it keeps only what the
  // printer honours; a paper the printer lacks raises EPrinter and changes
  // nothing, so do a custom size without width or length. Set while a job
  // is open, it applies from the next page of the same job.
  const TDeviceMode &DeviceMode() const { return mode_; }
  void SetDeviceMode(const TDeviceMode &mode);
  // Back to the driver's default.
  void ResetDeviceMode();

  TPrinterOrientation Orientation() const;
  void SetOrientation(TPrinterOrientation orientation);

  // Device capabilities for the current device mode, in device pixels.
  int PixelsPerInchX() const { return Device().DpiX; }
  int PixelsPerInchY() const { return Device().DpiY; }
  // Whole sheet; 0 x 0 when the device cannot tell.
  int PhysicalWidth() const;
  int PhysicalHeight() const;
  // The unprintable border at the left and the top.
  int PhysicalOffsetX() const;
  int PhysicalOffsetY() const;
  // The printable area, whose top-left corner is the canvas's 0,0.
  int PageWidth() const;
  int PageHeight() const;
  // The paper of the device mode in tenths of a mm, oriented as printed.
  int PaperWidthTenths() const;
  int PaperHeightTenths() const;

  QString Title() const { return title_; }
  void SetTitle(const QString &title) { title_ = title; }
  int Copies() const { return copies_; }
  void SetCopies(int copies) { copies_ = copies < 1 ? 1 : copies; }
  // Where the job goes instead of the spooler (a PDF file). The PDF printer
  // needs one; BeginDoc raises EPrinter without it.
  QString OutputFileName() const { return output_file_; }
  void SetOutputFileName(const QString &file_name) { output_file_ = file_name; }

  // The job. Raises EPrinter when a job is already open (BeginDoc), when
  // none is (NewPage, EndDoc), or when the printer refuses to start.
  void BeginDoc();
  void NewPage();
  void EndDoc();
  // Ends the job without finishing it; a PDF file begun is removed.
  void Abort();
  bool Printing() const { return painter_ != nullptr; }
  bool Aborted() const { return aborted_; }
  // 1 on the first page of a job.
  int PageNumber() const { return page_number_; }
  // Draws on the current page while a job is open; its font counts in the
  // printer's pixels per inch.
  TCanvas *Canvas() const { return canvas_.get(); }

  // The built-in PDF printer's entry.
  static TPrinterDevice PdfDevice();
  // The name and portrait size of a paper code (false when unknown).
  static bool StandardPaper(int code, TPaperSize &paper);

 private:
  void Init(std::vector<TPrinterDevice> devices, int current);
  void CheckNotPrinting() const;
  void PortraitPaper(int &width, int &height) const;
  // The page layout of the device mode, for QPrinter.
  bool PageLayoutOf(QPageLayout &layout) const;
  void FinishJob();

  std::vector<TPrinterDevice> devices_;
  std::unique_ptr<rtl::TStringList> names_;
  int index_ = 0;
  int default_index_ = 0;
  TDeviceMode mode_;
  QString title_;
  QString output_file_;
  int copies_ = 1;
  bool aborted_ = false;
  bool layout_pending_ = false;  // the device mode changed during the job
  int page_number_ = 0;
  std::unique_ptr<QPrinter> qprinter_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TCanvas> canvas_;
};

// The process-wide printer, made on first use from the spooler's list.
TPrinter *Printer();
// Replaces it (nullptr: made again on next use); returns the previous one,
// which the caller now owns.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);

}  // namespace vcl
