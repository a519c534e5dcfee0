// The barcode object and its registration (see kvcodebarre.h).
#include "report/engine/objects/kvcodebarre.h"

#include "report/engine/objects/kvcodebarre_form.h"

#include <QImage>
#include <algorithm>
#include <cmath>

#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

namespace report {

namespace {

bool AllDigits(const QString &text) {
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    if (c < QChar('0') || c > QChar('9')) return false;
  }
  return true;
}

}  // namespace

TkvCodeBarreView::TkvCodeBarreView(TkvReport *report) : TkvView(report) {
  Typ = gtAddIn;
  Memo.Add(QStringLiteral("0"));
  FormatStr = QStringLiteral("00000000000");
  AssignDefaultName();
}

void TkvCodeBarreView::SetTextFont(vcl::TCanvas *canvas) const {
  vcl::TFont *font = canvas->Font();
  font->SetName(QStringLiteral("Arial"));
  font->SetSize(8);
  font->SetColor(vcl::clBlack);
  font->SetStyle(vcl::TFontStyles());
}

void TkvCodeBarreView::CalcDrawRect() {
  TkvView::CalcDrawRect();
  Spare1 = 0;
  Spare2 = 0;
  text_height_ = 0;
  if (ShowText && Canvas != nullptr) {
    SetTextFont(Canvas);
    text_height_ = Canvas->TextHeight(QStringLiteral("H"));
  }
  // The object is as wide as the code it drew last.
  if (barcode_width_ > 0) {
    dx = barcode_width_;
    DRect.Right = DRect.Left + barcode_width_;
  }
  barcode_rect_ = DRect;
  barcode_rect_.Bottom = DRect.Bottom - text_height_ - FrameWidth;
  if (barcode_rect_.Bottom < barcode_rect_.Top) barcode_rect_.Bottom = barcode_rect_.Top;
}

void TkvCodeBarreView::Assign(const TkvView *source) {
  TkvView::Assign(source);
  if (auto *code = dynamic_cast<const TkvCodeBarreView *>(source)) {
    Checksum = code->Checksum;
    ShowText = code->ShowText;
    ShowCheckSumText = code->ShowCheckSumText;
    Reserved = code->Reserved;
    BarType = code->BarType;
    Zoom = code->Zoom;
    Ratio = code->Ratio;
    Spare1 = code->Spare1;
    Spare2 = code->Spare2;
  }
}

void TkvCodeBarreView::DrawText(vcl::TCanvas *canvas, const QString &text) {
  SetTextFont(canvas);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int top = barcode_rect_.Bottom;
  const int n = text.size();
  if (n < 2) {
    canvas->TextOut(barcode_rect_.Left + 1, top, text);
    return;
  }
  // The characters are spread evenly over the width of the bars.
  const double spacing = double(barcode_width_ - canvas->TextWidth(text) - 1) / double(n - 1);
  for (int i = 0; i < n; ++i) {
    const int at = int(std::lround(canvas->TextWidth(text.left(i)) + i * spacing + barcode_rect_.Left)) + 1;
    canvas->TextOut(at, top, text.mid(i, 1));
  }
}

void TkvCodeBarreView::Draw(vcl::TCanvas *canvas) {
  TkvEngineState &engine = kvEngine();
  if (engine.Calculating || (Printing() && !Visible)) return;
  Canvas = canvas;
  if (canvas == nullptr) return;
  engine.CurView = this;
  if (Parent != nullptr) engine.CurBand = Parent;

  QString data = QStringLiteral("00000000");
  if (Printing()) {
    data.clear();
    if (Memo.Count() > 0 && engine.Evaluate) data = rtl::VarToStr(engine.Evaluate(Memo[0]));
  }
  FrameWidth = 1;
  CalcDrawRect();
  DrawBackground();

  TBarcode code;
  code.SetLeft(barcode_rect_.Left);
  code.SetTop(barcode_rect_.Top);
  code.SetHeight(barcode_rect_.Height());
  code.SetRatio(Ratio);
  code.SetModul(Zoom);
  code.SetChecksum(Checksum);
  code.SetShowCheckSumText(ShowCheckSumText);
  code.SetTyp(TBarcodeType(BarType));
  if (BarcodeTypeIsNumeric(BarType) && !AllDigits(data.trimmed())) data = QStringLiteral("0");

  drawn_text_.clear();
  if (!data.isEmpty()) {
    code.SetText(data);
    try {
      code.DrawBarcode(canvas);
      barcode_width_ = std::uint16_t(std::min(code.Width(), 0xFFFF));
    } catch (const EBarcodeError &) {
      // While printing the error goes to the preparation error text; on the
      // design surface the object stays drawn as its background.
      if (Printing()) throw;
      CrossOut();
      return;
    }
    dx = barcode_width_;
    drawn_text_ = Printing() ? code.DisplayText() : (Memo.Count() > 0 ? Memo[0] : QString());
  }

  if (text_height_ > 0) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(vcl::clWhite);
    canvas->FillRect(vcl::TRect{x, barcode_rect_.Bottom, x + dx, barcode_rect_.Bottom + text_height_});
  }
  if (ShowText && !drawn_text_.isEmpty()) {
    if (Printing()) {
      DrawText(canvas, drawn_text_);
    } else {
      SetTextFont(canvas);
      canvas->Brush()->SetStyle(vcl::bsClear);
      canvas->TextOut(barcode_rect_.Left + 1, barcode_rect_.Bottom, drawn_text_);
    }
  }
  DrawFrame();
  CrossOut();
}

void TkvCodeBarreView::LoadFromStream(rtl::TStream &stream) {
  LoadCommon(stream);
  Checksum = stream.ReadUInt8() != 0;
  ShowText = stream.ReadUInt8() != 0;
  ShowCheckSumText = stream.ReadUInt8() != 0;
  Reserved = stream.ReadUInt8();
  BarType = stream.ReadUInt8();
  Zoom = stream.ReadInt16();
  stream.ReadUInt16();  // not used
  Ratio = stream.ReadDouble();
  Spare1 = stream.ReadInt32();
  Spare2 = stream.ReadInt32();
}

void TkvCodeBarreView::SaveToStream(rtl::TStream &stream) {
  SaveCommon(stream);
  stream.WriteUInt8(Checksum ? 1 : 0);
  stream.WriteUInt8(ShowText ? 1 : 0);
  stream.WriteUInt8(ShowCheckSumText ? 1 : 0);
  stream.WriteUInt8(Reserved);
  stream.WriteUInt8(BarType);
  stream.WriteInt16(Zoom);
  stream.WriteUInt16(0);
  stream.WriteDouble(Ratio);
  stream.WriteInt32(Spare1);
  stream.WriteInt32(Spare2);
}

TkvCodeBarreObject::TkvCodeBarreObject(vcl::TComponent *owner) : vcl::TComponent(owner) { RegisterCodeBarreObject(); }

namespace {

// The palette glyph: black bars of mixed widths on white, 24 x 24.
std::shared_ptr<vcl::TBitmap> CodeBarreBitmap() {
  QImage image(24, 24, QImage::Format_RGB32);
  image.fill(qRgb(255, 255, 255));
  const int bars[] = {2, 3, 5, 8, 9, 12, 14, 15, 16, 19, 21};
  for (int px : bars) {
    for (int py = 3; py < 21; ++py) image.setPixel(px, py, qRgb(0, 0, 0));
  }
  auto bitmap = std::make_shared<vcl::TBitmap>();
  bitmap->SetImage(image);
  return bitmap;
}

const bool kRegistered = RegisterCodeBarreObject();

}  // namespace

bool RegisterCodeBarreObject() {
  if (FindAddIn(TkvCodeBarreView::StaticClassName()) != nullptr) return true;
  return RegisterObject<TkvCodeBarreView, TCodeBarreForm>(CodeBarreBitmap(),
                                                          QStringLiteral("Inserisci codice a barre"));
}

}  // namespace report
