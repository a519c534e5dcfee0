// Fills, effect settings, shadows and the 24-bit pixel routines of
// qelfill.h.
#include "controls/styled/qelfill.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "controls/styled/qelcont.h"

namespace qel {

namespace {

// Gives the canvas's brush and pen back when the fill is done.
class CanvasToolsGuard {
 public:
  explicit CanvasToolsGuard(vcl::TCanvas *canvas) : canvas_(canvas) {
    brush_.Assign(canvas->Brush());
    pen_.Assign(canvas->Pen());
  }
  ~CanvasToolsGuard() {
    canvas_->Brush()->Assign(&brush_);
    canvas_->Pen()->Assign(&pen_);
  }

 private:
  vcl::TCanvas *canvas_;
  vcl::TBrush brush_;
  vcl::TPen pen_;
};

bool IsHatched(vcl::TBrushStyle style) { return style != vcl::bsSolid && style != vcl::bsClear; }

}  // namespace

// ---------------------------------------------------------------------------
// Fills

ORBISCA_PUBLISHED(TQELShapeFill, TPersistent) {
  p.Property("Bitmap", &TQELShapeFill::Bitmap, &TQELShapeFill::SetBitmap);
  p.Property("Gradient", &TQELShapeFill::Gradient, &TQELShapeFill::SetGradient);
  p.Property("Style", &TQELShapeFill::Style, &TQELShapeFill::SetStyle).Default(sfBrush);
  p.Property("TileMode", &TQELShapeFill::TileMode, &TQELShapeFill::SetTileMode).Default(tmTile);
}

ORBISCA_PUBLISHED(TQELFillObject, TQELShapeFill) {
  p.Property("Alignment", &TQELFillObject::Alignment, &TQELFillObject::SetAlignment).Default(agTopLeft);
  p.Property("Brush", &TQELFillObject::Brush, &TQELFillObject::SetBrush);
  p.Property("OffsetX", &TQELFillObject::OffsetX, &TQELFillObject::SetOffsetX).Default(0);
  p.Property("OffsetY", &TQELFillObject::OffsetY, &TQELFillObject::SetOffsetY).Default(0);
  p.Property("Options", &TQELFillObject::Options, &TQELFillObject::SetOptions);
  p.Property("Style", &TQELFillObject::Style, &TQELFillObject::SetStyle).Default(sfNone);
}

ORBISCA_PUBLISHED(TQELAlphaObject, TPersistent) {
  p.Property("ImageList", &TQELAlphaObject::ImageList, &TQELAlphaObject::SetImageList);
  p.Property("ImageIndex", &TQELAlphaObject::ImageIndex, &TQELAlphaObject::SetImageIndex).Default(0);
  p.Property("ListIndex", &TQELAlphaObject::ListIndex, &TQELAlphaObject::SetListIndex).Default(0);
  p.Property("Strength", &TQELAlphaObject::Strength, &TQELAlphaObject::SetStrength);
}

ORBISCA_PUBLISHED(TQELBitmapEffectObject, TPersistent) {
  using E = TQELBitmapEffectObject;
  p.Property("FlipVertical", &E::FlipVertical, &E::SetFlipVertical).Default(false);
  p.Property("FlipHorizontal", &E::FlipHorizontal, &E::SetFlipHorizontal).Default(false);
  p.Property("GrayScale", &E::GrayScale, &E::SetGrayScale).Default(false);
  p.Property("Invert", &E::Invert, &E::SetInvert).Default(false);
  p.Property("Buffered", &E::Buffered, &E::SetBuffered).Default(false);
  p.Property("Brightness", &E::Brightness, &E::SetBrightness).Default(0);
}

ORBISCA_PUBLISHED(TQELShadow, TPersistent) {
  p.Property("Color", &TQELShadow::Color, &TQELShadow::SetColor).Default(vcl::clBtnShadow);
  p.Property("Depth", &TQELShadow::Depth, &TQELShadow::SetDepth).Default(6);
  p.Property("Style", &TQELShadow::Style, &TQELShadow::SetStyle).Default(hssSolid);
}

TQELShapeFill::TQELShapeFill()
    : brush_(std::make_unique<vcl::TBrush>()),
      bitmap_(std::make_unique<vcl::TBitmap>()),
      list_bitmap_(std::make_unique<vcl::TBitmap>()),
      gradient_(std::make_unique<TQELGradient>()) {
  bitmap_->OnChange = [this](vcl::TGraphic *) { Change(); };
  gradient_->OnChange = [this](rtl::TObject *) { Change(); };
}

TQELShapeFill::~TQELShapeFill() {
  bitmap_->OnChange = nullptr;
  gradient_->OnChange = nullptr;
  brush_->OnChange = nullptr;
}

void TQELShapeFill::SetBitmap(const vcl::TBitmap *bitmap) {
  if (bitmap)
    bitmap_->Assign(bitmap);
  else
    bitmap_->SetSize(0, 0);
  Change();
}

void TQELShapeFill::FillInner(vcl::TCanvas *canvas, const TRect &rect, TColor color) const {
  if (!options_.Contains(foFillInner)) return;
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->FillRect(rect);
}

bool TQELShapeFill::Paint(vcl::TCanvas *canvas, const TRect &rect, TColor color) const {
  if (!canvas) return false;
  CanvasToolsGuard guard(canvas);
  switch (style_) {
    case sfNone:
      return false;
    case sfBrushBitmap: {
      if (bitmap_->Empty()) return false;
      canvas->Brush()->SetBitmap(bitmap_.get());
      canvas->FillRect(rect);
      canvas->Brush()->SetBitmap(nullptr);
      return true;
    }
    case sfBrush: {
      canvas->Brush()->Assign(brush_.get());
      canvas->Pen()->SetColor(color);
      // A hatched brush leaves its gaps in the fill colour.
      if (IsHatched(brush_->Style())) {
        canvas->Brush()->SetStyle(vcl::bsSolid);
        canvas->Brush()->SetColor(color);
        canvas->FillRect(rect);
        canvas->Brush()->Assign(brush_.get());
      }
      canvas->FillRect(rect);
      return true;
    }
    case sfBitmap:
    case sfBitmapList: {
      const vcl::TBitmap *picture = style_ == sfBitmap ? bitmap_.get() : list_bitmap_.get();
      if (picture->Empty()) {
        FillInner(canvas, rect, color);
        return false;
      }
      const unsigned palette = options_.Contains(foQuickDraw) ? 0 : imPalette;
      switch (tile_mode_) {
        case tmNone: {
          FillInner(canvas, rect, color);
          TRect at = AlignRect(alignment_, TRect{0, 0, picture->Width(), picture->Height()}, rect);
          at.Left += offset_x_;
          at.Right += offset_x_;
          at.Top += offset_y_;
          at.Bottom += offset_y_;
          DrawImage(canvas, at, picture, nullptr, 0, palette);
          break;
        }
        case tmCenter:
          FillInner(canvas, rect, color);
          DrawImage(canvas, rect, picture, nullptr, 0, palette | imCenter);
          break;
        case tmStretch:
          DrawImage(canvas, rect, picture, nullptr, 0, palette | imStretch);
          break;
        case tmTile:
          DrawImage(canvas, rect, picture, nullptr, 0, palette | imTiled);
          break;
      }
      return true;
    }
    case sfGradient: {
      unsigned flags = options_.Contains(foGrUseBitmap) ? gfOffscreen : 0;
      if (gradient_->PaletteRealize()) flags |= gfPalette;
      FillGradient(canvas, rect, gradient_->Style(), 0, flags, gradient_->Palette(), gradient_->Colors());
      return true;
    }
  }
  return false;
}

void TQELShapeFill::Assign(const rtl::TPersistent *source) {
  auto *fill = dynamic_cast<const TQELShapeFill *>(source);
  if (!fill) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  bitmap_->Assign(fill->bitmap_.get());
  list_bitmap_->Assign(fill->list_bitmap_.get());
  gradient_->Assign(fill->gradient_.get());
  style_ = fill->style_;
  tile_mode_ = fill->tile_mode_;
  alignment_ = fill->alignment_;
  offset_x_ = fill->offset_x_;
  offset_y_ = fill->offset_y_;
  options_ = fill->options_;
  brush_->Assign(fill->brush_.get());
  EndUpdate(true);
}

TQELFillObject::TQELFillObject() {
  style_ = sfNone;
  brush_->OnChange = [this](vcl::TGraphicsObject *) { Change(); };
}

void TQELFillObject::SetPlacement(int &field, int value) {
  if (field == value) return;
  field = value;
  if ((style_ == sfBitmap || style_ == sfBitmapList) && TileMode() == tmNone) Change();
}

void TQELFillObject::SetAlignment(TQELAlignment v) {
  if (alignment_ == v) return;
  alignment_ = v;
  if ((style_ == sfBitmap || style_ == sfBitmapList) && TileMode() == tmNone) Change();
}

void TQELFillObject::SetOffsetX(int v) { SetPlacement(offset_x_, v); }
void TQELFillObject::SetOffsetY(int v) { SetPlacement(offset_y_, v); }

void TQELFillObject::SetOptions(TQELFillOptions v) {
  if (options_ == v) return;
  options_ = v;
  Change();
}

QString TQELFillObject::GetDisplayText() const {
  switch (style_) {
    case sfBrush:
    case sfBrushBitmap:
      return QStringLiteral("{Brush}");
    case sfBitmap:
      return QStringLiteral("{Bitmap}");
    case sfBitmapList:
      return QStringLiteral("{BitmapList}");
    case sfGradient:
      return QStringLiteral("{Gradient}");
    default:
      return QStringLiteral("{Disabled}");
  }
}

void TQELFillObject::Assign(const rtl::TPersistent *source) { TQELShapeFill::Assign(source); }

// ---------------------------------------------------------------------------
// Effects

TQELAlphaObject::TQELAlphaObject() : fill_(std::make_unique<TQELFillObject>()) {
  fill_->OnChange = [this](rtl::TObject *) { Change(); };
}

TQELAlphaObject::~TQELAlphaObject() { fill_->OnChange = nullptr; }

void TQELAlphaObject::SetImageList(TQELCustomImageList *list) { SetField(image_list_, list); }
void TQELAlphaObject::SetImageIndex(int) { SetField(image_index_, 0); }
void TQELAlphaObject::SetListIndex(int) { SetField(list_index_, 0); }
void TQELAlphaObject::SetStrength(float) { SetField(strength_, 0.0f); }

void TQELAlphaObject::Assign(const rtl::TPersistent *source) {
  auto *alpha = dynamic_cast<const TQELAlphaObject *>(source);
  if (!alpha) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  image_list_ = alpha->image_list_;
  fill_->Assign(alpha->fill_.get());
  EndUpdate(true);
}

TQELBitmapEffectObject::TQELBitmapEffectObject()
    : alpha_(std::make_unique<TQELAlphaObject>()), buffer_(std::make_unique<vcl::TBitmap>()) {
  alpha_->OnChange = [this](rtl::TObject *) { Change(); };
}

TQELBitmapEffectObject::~TQELBitmapEffectObject() { alpha_->OnChange = nullptr; }

void TQELBitmapEffectObject::SetFlipVertical(bool) { SetField(flip_vertical_, false); }
void TQELBitmapEffectObject::SetFlipHorizontal(bool) { SetField(flip_horizontal_, false); }
void TQELBitmapEffectObject::SetGrayScale(bool) { SetField(gray_scale_, false); }
void TQELBitmapEffectObject::SetInvert(bool) { SetField(invert_, false); }
void TQELBitmapEffectObject::SetBuffered(bool) { SetField(buffered_, false); }
void TQELBitmapEffectObject::SetBrightness(TQELBrightness) { SetField(brightness_, 0); }

bool TQELBitmapEffectObject::IsActive() const {
  return flip_vertical_ || flip_horizontal_ || gray_scale_ || invert_ || brightness_ != 0 || alpha_->Strength() != 0;
}

void TQELBitmapEffectObject::Apply(const vcl::TBitmap *background, vcl::TBitmap *result) {
  if (!background || !result) return;
  if (buffered_ && buffer_valid_) {
    result->Assign(buffer_.get());
    return;
  }
  result->Assign(background);
  if (!IsActive()) return;
  result->SetPixelFormat(vcl::pf24bit);
  if (flip_vertical_) BmpFlipVertical(result);
  if (flip_horizontal_) BmpFlipHorizontal(result);
  if (gray_scale_) BmpGrayScale(result);
  if (invert_) BmpInvert(result);
  if (brightness_ != 0) BmpBrightness(result, brightness_);
  if (alpha_->Strength() != 0) {
    // Blended against the alpha object's fill on white.
    vcl::TBitmap fill(result->Width(), result->Height());
    fill.SetPixelFormat(vcl::pf24bit);
    fill.Canvas()->Brush()->SetColor(vcl::clWhite);
    fill.Canvas()->FillRect(TRect{0, 0, fill.Width(), fill.Height()});
    alpha_->FillObject()->Paint(fill.Canvas(), TRect{0, 0, fill.Width(), fill.Height()}, vcl::clWhite);
    vcl::TBitmap blended(result->Width(), result->Height());
    blended.SetPixelFormat(vcl::pf24bit);
    BmpAlphaBlend(result, &fill, &blended, alpha_->Strength());
    result->Assign(&blended);
  }
  if (buffered_) {
    buffer_->Assign(result);
    buffer_valid_ = true;
  }
}

QString TQELBitmapEffectObject::GetDisplayText() const {
  QStringList active;
  if (alpha_->Strength() != 0) active << QStringLiteral("alpha");
  if (flip_vertical_) active << QStringLiteral("FV");
  if (flip_horizontal_) active << QStringLiteral("FH");
  if (gray_scale_) active << QStringLiteral("GS");
  if (invert_) active << QStringLiteral("INV");
  if (brightness_ != 0) active << QStringLiteral("B");
  if (active.isEmpty()) return QStringLiteral("{Disabled}");
  return QStringLiteral("{") + active.join(QLatin1Char(',')) + QStringLiteral("}");
}

void TQELBitmapEffectObject::Assign(const rtl::TPersistent *source) {
  auto *effect = dynamic_cast<const TQELBitmapEffectObject *>(source);
  if (!effect) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  alpha_->Assign(effect->alpha_.get());
  EndUpdate(true);
}

void TQELShadow::Assign(const rtl::TPersistent *source) {
  auto *shadow = dynamic_cast<const TQELShadow *>(source);
  if (!shadow) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  color_ = shadow->color_;
  depth_ = shadow->depth_;
  style_ = shadow->style_;
  EndUpdate(true);
}

// ---------------------------------------------------------------------------
// Pixel routines

namespace {

void Check24(const vcl::TBitmap *b, const char *role) {
  if (!b || b->PixelFormat() != vcl::pf24bit)
    throw EQELWrongPixelFormat(QStringLiteral("Wrong PixelFormat in %1 bitmap!").arg(QLatin1String(role)));
}

// Runs `f` over every pixel of the target's image and stores the result.
template <typename F>
void EachPixel(vcl::TBitmap *target, F f) {
  QImage image = target->Image();
  for (int y = 0; y < image.height(); ++y) {
    auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) row[x] = f(row[x]) | 0xFF000000u;
  }
  target->SetImage(image);
}

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

void BmpFlipVertical(vcl::TBitmap *target) {
  Check24(target, "Target");
  target->SetImage(target->Image().mirrored(false, true));
}

void BmpFlipHorizontal(vcl::TBitmap *target) {
  Check24(target, "Target");
  target->SetImage(target->Image().mirrored(true, false));
}

void BmpInvert(vcl::TBitmap *target) {
  Check24(target, "Target");
  EachPixel(target, [](QRgb c) { return c ^ 0x00FFFFFFu; });
}

void BmpGrayScale(vcl::TBitmap *target) {
  Check24(target, "Target");
  int red[256], green[256], blue[256];
  for (int i = 0; i < 256; ++i) {
    red[i] = int(std::nearbyint(0.3 * i));
    green[i] = int(std::nearbyint(0.59 * i));
    blue[i] = int(std::nearbyint(0.11 * i));
  }
  EachPixel(target, [&](QRgb c) {
    const int g = Clamp255(red[qRed(c)] + green[qGreen(c)] + blue[qBlue(c)]);
    return qRgb(g, g, g);
  });
}

void BmpBrightness(vcl::TBitmap *target, int value) {
  Check24(target, "Target");
  value = std::clamp(value, -255, 255);
  EachPixel(target, [value](QRgb c) {
    return qRgb(Clamp255(qRed(c) + value), Clamp255(qGreen(c) + value), Clamp255(qBlue(c) + value));
  });
}

void BmpAlphaBlend(const vcl::TBitmap *source1, const vcl::TBitmap *source2, vcl::TBitmap *target, float strength) {
  Check24(source1, "Source 1");
  Check24(source2, "Source 2");
  Check24(target, "Target");
  int table[511];
  for (int d = -255; d <= 255; ++d) table[d + 255] = int(std::nearbyint(d * double(strength)));
  const QImage &a = source1->Image();
  const QImage &b = source2->Image();
  QImage out = target->Image();
  const int w = std::min({a.width(), b.width(), out.width()});
  const int h = std::min({a.height(), b.height(), out.height()});
  auto mix = [&](int ca, int cb) { return Clamp255(table[ca - cb + 255] + cb); };
  for (int y = 0; y < h; ++y) {
    const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
    const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
    auto *ro = reinterpret_cast<QRgb *>(out.scanLine(y));
    for (int x = 0; x < w; ++x)
      ro[x] = qRgb(mix(qRed(ra[x]), qRed(rb[x])), mix(qGreen(ra[x]), qGreen(rb[x])), mix(qBlue(ra[x]), qBlue(rb[x])));
  }
  target->SetImage(out);
}

}  // namespace qel
