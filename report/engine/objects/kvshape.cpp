// The shape object and its registration (see kvshape.h).
#include "report/engine/objects/kvshape.h"

#include "report/engine/objects/kvshape_editor.h"

#include <QImage>
#include <algorithm>

#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

TkvShapeView::TkvShapeView(TkvReport *report) : TkvView(report) {
  Typ = gtAddIn;
  Flags = flStretched;
  FillColor = vcl::clWhite;
  AssignDefaultName();
}

void TkvShapeView::DrawBackground() {
  if (kvEngine().Calculating || Canvas == nullptr) return;
  if (Transparent && Printing()) return;
  vcl::TPen *pen = Canvas->Pen();
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(1);
  pen->SetColor(vcl::clWhite);
  Canvas->Brush()->SetStyle(vcl::bsSolid);
  Canvas->Brush()->SetColor(vcl::clWhite);
  Canvas->Rectangle(x, y, x + dx + 1, y + dy + 1);
}

void TkvShapeView::Assign(const TkvView *source) {
  TkvView::Assign(source);
  if (auto *shape = dynamic_cast<const TkvShapeView *>(source)) {
    ShapeType = shape->ShapeType;
    Transparent = shape->Transparent;
  }
}

void TkvShapeView::Draw(vcl::TCanvas *canvas) {
  TkvEngineState &engine = kvEngine();
  if (engine.Calculating || (Printing() && !Visible)) return;
  Canvas = canvas;
  if (canvas == nullptr) return;
  engine.CurView = this;
  if (Parent != nullptr) engine.CurBand = Parent;
  CalcDrawRect();
  DrawBackground();
  DrawFrame();

  vcl::TPen *pen = canvas->Pen();
  pen->SetWidth(FrameWidth);
  // Without a frame colour the figure has no outline.
  pen->SetStyle(FrameColor == kvNoColor ? vcl::psClear : vcl::psSolid);
  pen->SetColor(FrameColor);
  vcl::TBrush *brush = canvas->Brush();
  if (FillColor == kvNoColor) {
    brush->SetStyle(vcl::bsClear);
  } else {
    brush->SetStyle(vcl::bsSolid);
    brush->SetColor(FillColor);
  }
  switch (ShapeType) {
    case skEllipse:
      canvas->Ellipse(x, y, x + dx, y + dy);
      break;
    case skRectangle:
      canvas->Rectangle(x, y, x + dx, y + dy);
      break;
    case skRoundRect: {
      const int d = std::min(dx, dy) / 4;
      canvas->RoundRect(x, y, x + dx, y + dy, d, d);
      break;
    }
    case skDiagonalDown:
      canvas->MoveTo(x, y);
      canvas->LineTo(x + dx, y + dy);
      break;
    case skDiagonalUp:
      canvas->MoveTo(x, y + dy);
      canvas->LineTo(x + dx, y);
      break;
    default:
      break;  // a kind this program does not know draws nothing
  }
  CrossOut();
}

void TkvShapeView::LoadFromStream(rtl::TStream &stream) {
  LoadCommon(stream);
  ShapeType = stream.ReadUInt8();
  Transparent = stream.ReadUInt8() != 0;
}

void TkvShapeView::SaveToStream(rtl::TStream &stream) {
  SaveCommon(stream);
  stream.WriteUInt8(ShapeType);
  stream.WriteUInt8(Transparent ? 1 : 0);
}

TkvShapeObject::TkvShapeObject(vcl::TComponent *owner) : vcl::TComponent(owner) { RegisterShapeObject(); }

// ---------------------------------------------------------------------------
// Registration

namespace {

// The palette glyph: a black ellipse over a grey rectangle, 24 x 24.
std::shared_ptr<vcl::TBitmap> ShapeBitmap() {
  QImage image(24, 24, QImage::Format_RGB32);
  image.fill(qRgb(192, 192, 192));
  for (int py = 0; py < 24; ++py) {
    for (int px = 0; px < 24; ++px) {
      const double ex = (px - 11.5) / 10.0, ey = (py - 11.5) / 7.0;
      const double d = ex * ex + ey * ey;
      if (d <= 1.0) image.setPixel(px, py, d >= 0.7 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  }
  auto bitmap = std::make_shared<vcl::TBitmap>();
  bitmap->SetImage(image);
  return bitmap;
}

const bool kRegistered = RegisterShapeObject();

}  // namespace

bool RegisterShapeObject() {
  if (FindAddIn(TkvShapeView::StaticClassName()) != nullptr) return true;
  return RegisterObject<TkvShapeView, TKvShapeEditor>(ShapeBitmap(), QStringLiteral("Inserisci forma geometrica"));
}

}  // namespace report
