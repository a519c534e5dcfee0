// The report objects: the views that a template page lists and that
// preparation draws onto report pages.
//
// Every object is a rectangle in screen pixels (96 per inch). Memo views
// print text with bracketed expressions, picture views images, band views
// mark the strips that preparation turns into run-time bands, sub-report
// views embed another template page; add-in objects (shapes, barcodes) come
// from a registry of at most 32 classes, found by class name when a template
// names them.
//
// Views are plain objects owned by their page's list. They reach the rest of
// the engine only through the engine-wide state (kvglobals.h): the draw mode
// and calculation flag decide what a Draw does, and the slots there expand
// brackets, evaluate highlight conditions, list a report's views and bind
// data fields.
#pragma once

#include <QRegion>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/object.h"
#include "platform/vcl/graphics.h"
#include "report/engine/model/kvaddins.h"
#include "report/engine/model/kvglobals.h"

namespace rtl {
class TStream;
}
namespace vcl {
class TField;
class TPopupMenu;
}  // namespace vcl

namespace report {

// The colour value that means "no colour": no fill, no frame colour.
inline constexpr vcl::TColor kvNoColor = 0x1FFFFFFF;

// View type codes, also the tags of the template stream.
inline constexpr int gtMemo = 0;
inline constexpr int gtPicture = 1;
inline constexpr int gtBand = 2;
inline constexpr int gtSubReport = 3;
inline constexpr int gtAddIn = 10;

// Frame-line bits of FrameTyp.
inline constexpr int frRight = 1;
inline constexpr int frBottom = 2;
inline constexpr int frLeft = 4;
inline constexpr int frTop = 8;
inline constexpr int frAll = frRight | frBottom | frLeft | frTop;

// Flags bits. Bit 0 means "stretched" for every kind.
inline constexpr int flStretched = 1;
inline constexpr int flWordWrap = 2;     // memo
inline constexpr int flAutoWidth = 4;    // memo
inline constexpr int flBandNewPage = 2;  // band view
inline constexpr int flBandPrintIfEmpty = 4;
inline constexpr int flBandBreaked = 8;
inline constexpr int flBandFillEmpty = 16;
inline constexpr int flPictCenter = 2;  // picture
inline constexpr int flPictRatio = 4;

// Memo Adjust bits.
inline constexpr int adLeft = 0;
inline constexpr int adRight = 1;
inline constexpr int adCenter = 2;
inline constexpr int adJustify = 3;
inline constexpr int adRotated = 4;
inline constexpr int adVertCenter = 8;
inline constexpr int adVertBottom = 16;

// Band types; 5, 8, 11 and 19 are data bands, 18-20 vertical (table) bands.
enum TkvBandType {
  btReportTitle = 0,
  btReportSummary = 1,
  btPageHeader = 2,
  btPageFooter = 3,
  btMasterHeader = 4,
  btMasterData = 5,
  btMasterFooter = 6,
  btDetailHeader = 7,
  btDetailData = 8,
  btDetailFooter = 9,
  btSubDetailHeader = 10,
  btSubDetailData = 11,
  btSubDetailFooter = 12,
  btOverlay = 13,
  btColumnHeader = 14,
  btColumnFooter = 15,
  btGroupHeader = 16,
  btGroupFooter = 17,
  btTableHeader = 18,
  btTableData = 19,
  btTableFooter = 20,
  btNone = 21
};
inline constexpr int kvBandTypeCount = 22;

// The name drawn on a band's tab ("Dati principali"); empty outside 0..21.
QString BandTypeName(int band_type);
bool IsVerticalBandType(int band_type);
// Whether a band option (flStretched, flBandNewPage, ...) applies to a band
// type; an option outside its set is neither offered nor honoured.
bool BandOptionApplies(int band_type, int option);

class TkvView : public rtl::TObject {
  ORBISCA_CLASS(TkvView, rtl::TObject)

 public:
  explicit TkvView(TkvReport *report);
  ~TkvView() override;

  // ---- virtual operations ----
  virtual bool IsDataBand() const { return false; }
  // Sets DRect and the text insets gx, gy from the frame.
  virtual void CalcDrawRect();
  virtual void DrawBackground();
  virtual void DrawFrame();
  // Copies the common fields; the name only when no other view has it.
  virtual void Assign(const TkvView *source);
  virtual void Draw(vcl::TCanvas *canvas) = 0;
  // The view's record of the template stream (common fields, then the
  // kind's own), read at the engine's current version.
  virtual void LoadFromStream(rtl::TStream &stream);
  virtual void SaveToStream(rtl::TStream &stream);
  virtual void Reserved() {}
  virtual void LoadFromField(vcl::TField *field);
  // The designer's pop-up items for this kind of object.
  virtual void AddMenuItems(vcl::TPopupMenu *menu);
  // The area the object covers on the page; `grow` adds 10 pixels around.
  virtual QRegion GetClipRegion(bool grow);

  // ---- fields ----
  QString Name;
  TkvReport *Report = nullptr;
  TkvBand *Parent = nullptr;       // run-time band while preparing
  vcl::TCanvas *Canvas = nullptr;  // canvas of the current drawing
  vcl::TRect DRect;                // set by CalcDrawRect
  int gx = 0;                      // horizontal text inset
  int gy = 0;                      // vertical text inset
  rtl::TStringList DisplayLines;
  int SaveX = 0, SaveY = 0, SaveDX = 0, SaveDY = 0;  // geometry as designed
  std::uint16_t FrameTyp = 0;                        // frame bits; a band's type
  std::uint8_t Typ = 0;
  bool Selected = false;
  std::int32_t x = 0, y = 0, dx = 0, dy = 0;
  std::uint16_t Flags = 0;
  std::int32_t FrameWidth = 1;
  vcl::TColor FrameColor = vcl::clBlack;
  std::uint16_t FrameStyle = 0;  // kept; frames are drawn solid
  vcl::TColor FillColor = kvNoColor;
  std::int32_t Format = 0;
  QString FormatStr;
  rtl::TStringList Memo;
  bool Visible = true;

  // ---- frame accessors ----
  bool GetFrameTop() const { return FrameTyp & frTop; }
  void SetFrameTop(bool on) { SetFrameBit(frTop, on); }
  bool GetFrameBottom() const { return FrameTyp & frBottom; }
  void SetFrameBottom(bool on) { SetFrameBit(frBottom, on); }
  bool GetFrameLeft() const { return FrameTyp & frLeft; }
  void SetFrameLeft(bool on) { SetFrameBit(frLeft, on); }
  bool GetFrameRight() const { return FrameTyp & frRight; }
  void SetFrameRight(bool on) { SetFrameBit(frRight, on); }
  void SetAllFrames() { FrameTyp |= frAll; }
  void ClearAllFrames() { FrameTyp &= ~frAll; }
  // Gives the view its class's default name with the lowest number that no
  // other of `views` bears (a template being read aside from its report).
  void AssignDefaultName(const std::vector<TkvView *> &views);

 protected:
  // Gives the view the default name of its class (Memo1, Shape2...). Each
  // constructor calls it, so that the most derived class's name wins.
  void AssignDefaultName();
  bool Printing() const;
  // Two red diagonals over an object that will not print.
  void CrossOut();
  // The common record of the template stream.
  void LoadCommon(rtl::TStream &stream);
  void SaveCommon(rtl::TStream &stream) const;

 private:
  void SetFrameBit(int bit, bool on) { FrameTyp = on ? std::uint16_t(FrameTyp | bit) : std::uint16_t(FrameTyp & ~bit); }
};

class TkvCustomMemoView : public TkvView {
  ORBISCA_CLASS(TkvCustomMemoView, TkvView)

 public:
  explicit TkvCustomMemoView(TkvReport *report);

  virtual int LineHeight() const { return line_height_; }
  // Fills DisplayLines from Memo, expanding brackets while printing.
  virtual void ExpandMemo() = 0;

  // Draw modes of a memo (kept in DrawMode).
  enum : std::uint8_t { dmDraw = 0, dmMeasure = 1, dmDrawPrepared = 2, dmDrawContinuation = 3 };

  std::uint8_t DrawMode = dmDraw;
  std::int32_t FirstLine = 0;   // first display line still to draw
  std::uint8_t TableTotal = 0;  // marks set by expansion, cleared by
  std::uint8_t LineBreak = 0;   // the pre-scan of a page
  std::uint8_t SaveHighlightOn = 0;

 protected:
  int line_height_ = 0;
};

class TkvMemoView : public TkvCustomMemoView {
  ORBISCA_CLASS(TkvMemoView, TkvCustomMemoView)

 public:
  explicit TkvMemoView(TkvReport *report);

  void Assign(const TkvView *source) override;
  void Draw(vcl::TCanvas *canvas) override;
  void LoadFromStream(rtl::TStream &stream) override;
  void SaveToStream(rtl::TStream &stream) override;
  void LoadFromField(vcl::TField *field) override;
  void AddMenuItems(vcl::TPopupMenu *menu) override;
  void ExpandMemo() override;

  // Replaces every "[...]" (nested brackets counted) by its value text;
  // the inserted text is not scanned again.
  static QString ExpandBrackets(const QString &line);
  // Position of the next "[" from `from` and of its matching "]"; false when
  // there is none or it is not closed.
  static bool FindBracket(const QString &line, int from, int &open, int &close);

  // Splits the display lines for the available width and sets the line
  // height and text height (the memo's font must be on the canvas).
  void PrepareLines();
  // The height of the laid-out lines with the insets, set by PrepareLines.
  int TextHeight() const { return text_height_; }

  int GetHorzAlignment() const { return Adjust & 3; }
  void SetHorzAlignment(int value) { Adjust = (Adjust & ~3) | (value & 3); }
  int GetVertAlignment() const;  // 0 top, 1 centre, 2 bottom
  void SetVertAlignment(int value);
  bool GetRotated() const { return Adjust & adRotated; }
  void SetRotated(bool on) { Adjust = on ? (Adjust | adRotated) : (Adjust & ~adRotated); }

  std::int32_t Adjust = 0;
  vcl::TFontStyles HighlightStyle{vcl::fsBold};
  vcl::TColor HighlightFontColor = vcl::clBlack;
  vcl::TColor HighlightFillColor = vcl::clWhite;
  QString HighlightCondition;
  std::int16_t HighlightOn = 0;  // 0 or -1
  vcl::TFont Font;               // "Arial", 10 points, black

 private:
  void DrawLines();
  void DrawOneLine(const QString &line, int px, int py, bool clipped);
  int text_height_ = 0;
};

class TkvBandView : public TkvView {
  ORBISCA_CLASS(TkvBandView, TkvView)

 public:
  explicit TkvBandView(TkvReport *report);
  ~TkvBandView() override;

  bool IsDataBand() const override;
  void Draw(vcl::TCanvas *canvas) override;
  // The tab above the band (left of a vertical one) with the band type's
  // name; Draw ends with it. The designer draws the tabs again over the
  // other objects, so that no object of a neighbouring band hides them.
  void DrawTitleTab(vcl::TCanvas *canvas);
  void AddMenuItems(vcl::TPopupMenu *menu) override;
  QRegion GetClipRegion(bool grow) override;

  int GetBandType() const { return FrameTyp; }
  void SetBandType(int type) { FrameTyp = std::uint16_t(type & 0x7F); }
  bool IsVertical() const { return IsVerticalBandType(GetBandType()); }
};

class TkvSubReportView : public TkvView {
  ORBISCA_CLASS(TkvSubReportView, TkvView)

 public:
  explicit TkvSubReportView(TkvReport *report);

  void Assign(const TkvView *source) override;
  void Draw(vcl::TCanvas *canvas) override;
  void LoadFromStream(rtl::TStream &stream) override;
  void SaveToStream(rtl::TStream &stream) override;

  std::int32_t PageIndex = 0;
};

class TkvCustomPictureView : public TkvView {
  ORBISCA_CLASS(TkvCustomPictureView, TkvView)

 public:
  explicit TkvCustomPictureView(TkvReport *report);
};

// Picture kinds of the template stream.
enum TkvPictureKind : std::uint8_t { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3, pkJPEG = 4 };

class TkvPictureView : public TkvCustomPictureView {
  ORBISCA_CLASS(TkvPictureView, TkvCustomPictureView)

 public:
  explicit TkvPictureView(TkvReport *report);
  ~TkvPictureView() override;

  void Assign(const TkvView *source) override;
  void Draw(vcl::TCanvas *canvas) override;
  void LoadFromStream(rtl::TStream &stream) override;
  void SaveToStream(rtl::TStream &stream) override;
  // Reads an image blob: a bitmap, icon, JPEG picture or metafile, at its
  // start or after an 8-byte prefix. A null field clears the run-time
  // picture; other data raises "Formato immagine sconosciuto.".
  void LoadFromField(vcl::TField *field) override;
  void LoadFromBlob(const QByteArray &data);
  void AddMenuItems(vcl::TPopupMenu *menu) override;

  static TkvPictureKind KindOf(const vcl::TGraphic *graphic);

  // Makes the graphic for pictures stored as metafiles; when empty, the
  // platform's enhanced metafile.
  static std::function<std::unique_ptr<vcl::TGraphic>()> &MetafileFactory();

  // The designed picture: Picture, or the graphic read from the template
  // when a picture holder cannot take its kind (metafiles).
  const vcl::TGraphic *DesignedGraphic() const;

  vcl::TPicture Picture;                         // as designed
  std::unique_ptr<vcl::TGraphic> FieldPicture;   // loaded from a data field
  vcl::TBitmap WorkBitmap;                       // JPEG drawn into it to print
  std::unique_ptr<vcl::TGraphic> StreamGraphic;  // made while loading
  std::uint8_t LoadedFromField = 0;
};

// Renames a view. A bad name or one another view of the report uses is
// reported in an error box and the old name is kept; true when renamed.
bool SetViewName(TkvView *view, const QString &name);
bool IsValidViewName(const QString &name);
// Replaces the memo by the text split at line breaks.
void SetMemoText(TkvView *view, const QString &text);
// The first view of the report named `name` (ignoring case), skipping
// `except`; nullptr when none.
TkvView *FindViewByName(const TkvReport *report, const QString &name, const TkvView *except = nullptr);
// A font like `font` turned by 90 degrees (text going upwards).
std::unique_ptr<vcl::TFont> MakeRotatedFont(const vcl::TFont *font);
// The file's last-write time in local time; 0 when it does not exist.
rtl::TDateTime GetFileDateTime(const QString &file_name);

}  // namespace report
