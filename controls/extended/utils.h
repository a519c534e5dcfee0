// Helpers shared by the extended controls: integer minimum and maximum, the
// two extra screen cursors, word and replace helpers, the scrambling of
// values kept in settings files, the date order, formats, edit masks and the
// parser of typed dates (the date edit takes all of these from here), and
// the bitmap helpers the glyph buttons draw with.
//
// Dates follow the locale settings of the moment they are parsed or
// formatted (rtl::FormatSettings()), and the current year comes from the
// run-time's replaceable clock, so tests can hold it.
#pragma once

#include <QEvent>
#include <QString>
#include <bitset>

#include "platform/rtl/datetime.h"
#include "platform/vcl/graphics.h"

namespace vcl {
class TControl;
class TGraphicControl;
}  // namespace vcl

namespace ext {

// --- integers -------------------------------------------------------------------------

int MaxOfTwo(int a, int b);
int MinOfTwo(int a, int b);

// --- cursors ----------------------------------------------------------------------------

// The hand and drag cursors of the extended controls, as screen cursor
// numbers.
inline constexpr int crHandCur = 14000;
inline constexpr int crDragCur = 14001;
// Registers both with Screen (done once; the controls call it when they
// are created, since Screen needs the running application).
void RegisterExtendedCursors();

// --- strings ------------------------------------------------------------------------------

// A set of 8-bit characters; characters above 255 are never in a set.
class TCharSet {
 public:
  TCharSet() = default;
  TCharSet(std::initializer_list<char16_t> chars) {
    for (char16_t c : chars) Include(c);
  }
  static TCharSet Range(char16_t first, char16_t last);
  void Include(char16_t c) {
    if (c < 256) bits_.set(c);
  }
  void Exclude(char16_t c) {
    if (c < 256) bits_.reset(c);
  }
  bool Contains(QChar c) const { return c.unicode() < 256 && bits_.test(c.unicode()); }
  TCharSet operator+(const TCharSet &o) const {
    TCharSet r;
    r.bits_ = bits_ | o.bits_;
    return r;
  }

 private:
  std::bitset<256> bits_;
};

bool AllCharsInSet(const QString &text, const TCharSet &set);
// Every occurrence of `what` replaced by `by`, left to right; replaced text
// is not scanned again. An empty `what` changes nothing.
QString ReplaceAll(const QString &text, const QString &what, const QString &by);
QString RemoveChar(const QString &text, QChar c);
// Only the blank character counts (not tabs or line ends).
QString TrimLeadingBlanks(const QString &text);
QString TrimTrailingBlanks(const QString &text);
QString TrimBlanks(const QString &text);
QString RepeatChar(QChar c, int count);

// Words are maximal runs of characters outside `delimiters`; delimiters at
// the ends or in runs make no empty words.
int CountWordsIn(const QString &text, const TCharSet &delimiters);
// 1-based position of word n (1-based), 0 when there are fewer words.
int WordStart(int n, const QString &text, const TCharSet &delimiters);
QString GetWordAt(int n, const QString &text, const TCharSet &delimiters);

// Values written to settings files in a light disguise: every character
// (as its Windows-1252 byte) XORed with the key's character at the same
// position, key repeated, and written as two lower-case hex digits. Not
// encryption: it only keeps values from being read at a glance.
QString ScrambleText(const QString &key, const QString &text);
// The reverse; an odd last character is ignored and a pair that is not hex
// reads as a blank.
QString UnscrambleText(const QString &key, const QString &text);

// --- dates ----------------------------------------------------------------------------------

enum TDateOrder { doMDY, doDMY, doYMD };

// The two-digit-year window (60 at start) and whether default formats use
// four-digit years (at start: the locale's short date format has "YYYY").
int TwoDigitYearWindow();
void SetTwoDigitYearWindow(int window);
bool FourDigitYear();
void SetFourDigitYear(bool value);

bool LeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidYMD(int year, int month, int day);
// The value decodes to a valid date (false for values that do not decode).
bool IsValidDateValue(rtl::TDateTime value);
int CurrentYear();

// The first of D, M, Y or E (any case) decides; none gives day-month-year.
TDateOrder DateOrderOf(const QString &date_format);
// Years below 100 land in the hundred years that start TwoDigitYearWindow()
// years before the current year (the window 0: the current century).
int ExpandTwoDigitYear(int year);

// Reads a typed date: first by the positions of the format's fields ("DD",
// "MM" or a month name under "MMM", "YY"/"YYYY"), then by a free scan of
// numbers and date separators in the format's order ("7/3/1"). An empty
// text is the empty date 0. False when the text is no date.
bool ParseDateWithFormat(const QString &date_format, const QString &text, rtl::TDateTime &date);
// Raises rtl::EConvertError "''text'' is not a valid date".
rtl::TDateTime ParseDateStrict(const QString &date_format, const QString &text);
// The default (without its time) when the text is no date.
rtl::TDateTime ParseDateOr(const QString &date_format, const QString &text, rtl::TDateTime default_date);

// "DD/MM/YYYY", "MM/DD/YY"... in the locale's date order.
QString DefaultDateFormat(bool four_digit_year);
// "!99/99/9999;1;" + blank (or "!9999/99/99;1;", "!99/99/99;1;").
QString DefaultDateEditMask(QChar blank, bool four_digit_year);

// --- drawing ---------------------------------------------------------------------------------

int WidthOfRect(const vcl::TRect &r);
int HeightOfRect(const vcl::TRect &r);
// The colour as RGB with the palette-relative flag set.
vcl::TColor PaletteRelativeColor(vcl::TColor color);

// Copies cell `index` (row-major) of a grid of columns x rows equal cells
// in `source` into `target`, sized to one cell. A bitmap source gives its
// transparent colour too; any other graphic is drawn on silver.
void CopyGlyphCell(const vcl::TGraphic *source, vcl::TBitmap *target, int columns, int rows, int index);
// Draws `source_rect` of `source` stretched onto `dest` of the canvas,
// leaving out the pixels of `transparent`.
void StretchMasked(vcl::TCanvas *canvas, const vcl::TRect &dest, const QImage &source, const vcl::TRect &source_rect,
                   vcl::TColor transparent);
// As StretchMasked for a bitmap: a destination or source of no size takes
// the bitmap's size; clNone copies with the canvas's copy mode, clDefault
// takes the bitmap's bottom-left pixel, a monochrome bitmap leaves out white.
void StretchBitmapMasked(vcl::TCanvas *canvas, const vcl::TBitmap *bitmap, vcl::TColor transparent,
                         const vcl::TRect &source, const vcl::TRect &dest);
void DrawBitmapMasked(vcl::TCanvas *canvas, int x, int y, const vcl::TBitmap *bitmap, vcl::TColor transparent);
// The raised, greyed look of a disabled glyph: a new bitmap (the caller
// owns it) of the bitmap's size in `background`, with the bitmap's shape in
// `highlight` one pixel right and down (when asked) and in `shadow` in place.
vcl::TBitmap *MakeEmbossedBitmap(const vcl::TBitmap *bitmap, vcl::TColor background, vcl::TColor highlight,
                                 vcl::TColor shadow, bool use_highlight);
vcl::TBitmap *MakeEmbossedBitmap(const vcl::TBitmap *bitmap);
// Draws image `index` of the list at x, y in the disabled look.
void DrawImageDisabled(vcl::TCanvas *canvas, int x, int y, const vcl::TImageList *images, int index,
                       bool use_highlight = true);
// Paints into `canvas` what lies behind a windowless control: its parent's
// background and the windowless siblings before it that overlap it.
void DrawParentBackground(vcl::TGraphicControl *control, vcl::TCanvas *canvas);
// The text when it fits `width`; otherwise the longest prefix followed by
// "..." that fits (just "..." when none does).
QString EllipsizeText(vcl::TCanvas *canvas, const QString &text, int width);
// Removes the pending events of one type posted to the control's window
// (a repeat timer's tick queued behind a mouse release, for instance).
void DropPendingMessage(vcl::TControl *control, QEvent::Type type);
// True when the active window is one of this program's.
bool ActiveWindowIsOurs();

}  // namespace ext
