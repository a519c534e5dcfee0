// The barcode generator: turns a text into the bars and spaces of one of 23
// symbologies and draws them on a canvas.
//
// The generator first builds a pattern string of element characters, then
// draws it left to right. "0"-"3" are spaces of the widths w0-w3, "5"-"8"
// full-height bars of those widths and "A"-"D" bars of two fifths of the
// height, drawn from the top (the short bars of PostNet). w0 is the module,
// w1 the module times the wide-to-narrow ratio, w2 one and a half w1 and w3
// twice w1. Report templates use it through the barcode object (kvcodebarre.h).
#pragma once

#include <QString>
#include <array>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/component.h"
#include "platform/vcl/graphics.h"

namespace report {

using rtl::Exception;
ORBISCA_EXCEPTION(EBarcodeError, Exception)

// The symbologies, in the order stored in templates.
enum TBarcodeType : int {
  bcCode_2_5_interleaved,
  bcCode_2_5_industrial,
  bcCode_2_5_matrix,
  bcCode39,
  bcCode39Extended,
  bcCode128A,
  bcCode128B,
  bcCode128C,
  bcCode93,
  bcCode93Extended,
  bcCodeMSI,
  bcCodePostNet,
  bcCodeCodabar,
  bcCodeEAN8,
  bcCodeEAN13,
  bcCodeUPC_A,
  bcCodeUPC_E0,
  bcCodeUPC_E1,
  bcCodeUPC_Supp2,
  bcCodeUPC_Supp5,
  bcCodeEAN128A,
  bcCodeEAN128B,
  bcCodeEAN128C,
};
inline constexpr int kBarcodeTypeCount = 23;

enum TCheckSumMethod { csmNone, csmModulo10 };
enum TBarcodeOption { bcoNone, bcoCode, bcoTyp, bcoBoth };

// True when the symbology encodes digits only (its text must be numeric).
bool BarcodeTypeIsNumeric(int type);
// The symbology's name as the barcode editor lists it ("EAN13").
QString BarcodeTypeName(int type);

class TBarcode : public vcl::TComponent {
  ORBISCA_CLASS(TBarcode, vcl::TComponent)

 public:
  explicit TBarcode(vcl::TComponent *owner = nullptr);

  TBarcodeType Typ() const { return typ_; }
  void SetTyp(TBarcodeType typ) { typ_ = typ; }
  int Modul() const { return modul_; }
  void SetModul(int modul);  // outside 1-49: ignored
  double Ratio() const { return ratio_; }
  void SetRatio(double ratio) { ratio_ = ratio; }
  int Height() const { return height_; }
  void SetHeight(int height) { height_ = height; }
  int Left() const { return left_; }
  void SetLeft(int left) { left_ = left; }
  int Top() const { return top_; }
  void SetTop(int top) { top_ = top; }
  const QString &Text() const { return text_; }
  void SetText(const QString &text) { text_ = text; }
  bool Checksum() const { return checksum_; }
  void SetChecksum(bool on) { checksum_ = on; }
  bool ShowCheckSumText() const { return show_checksum_text_; }
  void SetShowCheckSumText(bool on) { show_checksum_text_ = on; }
  TCheckSumMethod CheckSumMethod() const { return checksum_method_; }
  void SetCheckSumMethod(TCheckSumMethod method) { checksum_method_ = method; }
  TBarcodeOption ShowText() const { return show_text_; }
  void SetShowText(TBarcodeOption option) { show_text_ = option; }
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor color) { color_ = color; }
  vcl::TColor ColorBar() const { return color_bar_; }
  void SetColorBar(vcl::TColor color) { color_bar_ = color; }

  // The element string of the current settings; raises EBarcodeError on
  // data the symbology cannot encode. Also sets the element widths and the
  // display text.
  QString Pattern();
  // The four element widths the last Pattern() used (w0-w3).
  const std::array<int, 4> &ElementWidths() const { return widths_; }
  // The encoded data as the human-readable line shows it.
  const QString &DisplayText() const { return display_text_; }
  // Sum of the element widths of the pattern, in pixels.
  int Width();
  // Draws the pattern at Left/Top; the canvas pen and brush are restored.
  void DrawBarcode(vcl::TCanvas *canvas);

  // The modulo-10 check digit of EAN/UPC codes: weights 3 and 1 from the
  // right. Non-digit characters are not counted.
  static int Modulo10(const QString &digits);

 private:
  void ComputeWidths();
  QString Encode();
  QString EncodeEan8();
  QString EncodeEan13();
  QString EncodeUpcA();
  QString EncodeUpcE(bool system_one);
  QString EncodeSupp2();
  QString EncodeSupp5();
  QString Encode2of5Interleaved();
  QString Encode2of5Industrial();
  QString Encode2of5Matrix();
  QString EncodeCode39(bool extended);
  QString EncodeCode93(bool extended);
  QString EncodeCode128(int start, bool ean);
  QString EncodeMsi();
  QString EncodePostNet();
  QString EncodeCodabar();
  // Appends the optional modulo-10 digit to `data` when asked for.
  QString WithCheckDigit(const QString &data);

  TBarcodeType typ_ = bcCodeEAN13;
  int modul_ = 1;
  double ratio_ = 2.0;
  int height_ = 0;
  int left_ = 0;
  int top_ = 0;
  QString text_;
  bool checksum_ = false;
  bool show_checksum_text_ = false;
  TCheckSumMethod checksum_method_ = csmModulo10;
  TBarcodeOption show_text_ = bcoNone;
  vcl::TColor color_ = 0xFFFFFF;
  vcl::TColor color_bar_ = 0;

  std::array<int, 4> widths_{1, 2, 3, 4};
  QString display_text_;
  bool check_added_ = false;
};

}  // namespace report
