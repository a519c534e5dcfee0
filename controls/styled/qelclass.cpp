// The component and setting bases and the setting objects; see qelclass.h.
#include "controls/styled/qelclass.h"

#include <map>

#include "controls/styled/qelgraph.h"
#include "platform/rtl/exceptions.h"

namespace qel {

using rtl::ERangeError;

unsigned FocusStyleFlags(TQELGlyphTextFocusStyle style) {
  switch (style) {
    case fcText:
      return dfFocusText;
    case fcGlyph:
      return dfFocusGlyph;
    case fcGlyphText:
      return dfFocusBoth;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Path helpers

bool IsBlank(const QString &text) {
  for (const QChar c : text)
    if (c != QLatin1Char(' ')) return false;
  return true;
}

namespace {
bool EndsWithDelimiter(const QString &path) {
  return path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
}
}  // namespace

QString AddBackSlash(const QString &path) {
  if (!IsBlank(path) && EndsWithDelimiter(path)) return path;
  return path + QLatin1Char('/');
}

QString DelBackSlash(const QString &path) {
  if (!IsBlank(path) && EndsWithDelimiter(path)) return path.left(path.size() - 1);
  return path;
}

// ---------------------------------------------------------------------------
// Bases

// The base publishes nothing of its own; descendants publish About.
ORBISCA_PUBLISHED(TQELCustomComponent, TComponent) { (void)p; }

TQELCustomComponent::TQELCustomComponent(vcl::TComponent *owner) : vcl::TComponent(owner) {}

void TQELCustomComponent::EndUpdate(bool do_change) {
  updating_ = false;
  if (do_change) Change();
}

void TQELCustomComponent::Change() {
  if (OnChange && !updating_) OnChange(this);
}

void TQELCustomComponent::GetChange(rtl::TObject *) { Change(); }

void TQELObject::EndUpdate(bool do_change) {
  updating_ = false;
  if (do_change) Change();
}

void TQELObject::Change() {
  if (OnChange && !updating_) OnChange(this);
}

void TQELObject::GetChange(rtl::TObject *) { Change(); }

std::unique_ptr<TQELObject> CreateQELObject(const QString &class_name) {
  using Factory = std::unique_ptr<TQELObject> (*)();
  static const std::map<QString, Factory> factories = {
      {QStringLiteral("TQELObject"), [] { return std::make_unique<TQELObject>(); }},
      {QStringLiteral("TQELGlyphTextLayout"),
       []() -> std::unique_ptr<TQELObject> { return std::make_unique<TQELGlyphTextLayout>(); }},
      {QStringLiteral("TQELButtonLayout"),
       []() -> std::unique_ptr<TQELObject> { return std::make_unique<TQELButtonLayout>(); }},
      {QStringLiteral("TQEL3DCaption"),
       []() -> std::unique_ptr<TQELObject> { return std::make_unique<TQEL3DCaption>(); }},
      {QStringLiteral("TQELFxCaption"),
       []() -> std::unique_ptr<TQELObject> { return std::make_unique<TQELFxCaption>(); }},
      {QStringLiteral("TQELGradient"),
       []() -> std::unique_ptr<TQELObject> { return std::make_unique<TQELGradient>(); }},
  };
  for (const auto &[name, make] : factories)
    if (name.compare(class_name, Qt::CaseInsensitive) == 0) return make();
  return nullptr;
}

// ---------------------------------------------------------------------------
// Layouts

ORBISCA_PUBLISHED(TQELGlyphTextLayout, TPersistent) {
  p.Property("Alignment", &TQELGlyphTextLayout::Alignment, &TQELGlyphTextLayout::SetAlignment).NoDefault();
  p.Property("AlignText2Glyph", &TQELGlyphTextLayout::AlignText2Glyph, &TQELGlyphTextLayout::SetAlignText2Glyph)
      .Default(taRight);
  p.Property("OffsetX", &TQELGlyphTextLayout::OffsetX, &TQELGlyphTextLayout::SetOffsetX).Default(0);
  p.Property("OffsetY", &TQELGlyphTextLayout::OffsetY, &TQELGlyphTextLayout::SetOffsetY).Default(0);
  p.Property("Spacing", &TQELGlyphTextLayout::Spacing, &TQELGlyphTextLayout::SetSpacing).Default(2);
}

void TQELGlyphTextLayout::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQELGlyphTextLayout *>(source);
  if (s == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  alignment_ = s->alignment_;
  align_text_ = s->align_text_;
  offset_x_ = s->offset_x_;
  offset_y_ = s->offset_y_;
  spacing_ = s->spacing_;
  Change();
}

ORBISCA_PUBLISHED(TQELButtonLayout, TQELGlyphTextLayout) {
  p.Property("Alignment", &TQELButtonLayout::Alignment, &TQELButtonLayout::SetAlignment).Default(agCenter);
  p.Property("Arrow", &TQELButtonLayout::Arrow, &TQELButtonLayout::SetArrow).Default(false);
  p.Property("ArrowColor", &TQELButtonLayout::ArrowColor, &TQELButtonLayout::SetArrowColor).Default(0);
  p.Property("ArrowIndent", &TQELButtonLayout::ArrowIndent, &TQELButtonLayout::SetArrowIndent).Default(3);
  p.Property("ArrowPosition", &TQELButtonLayout::ArrowPosition, &TQELButtonLayout::SetArrowPosition)
      .Default(apRightText);
  p.Property("ArrowSize", &TQELButtonLayout::ArrowSize, &TQELButtonLayout::SetArrowSize).Default(3);
}

void TQELButtonLayout::SetArrowSize(int v) {
  if (v < kMinArrowSize || v > kMaxArrowSize)
    throw ERangeError(QStringLiteral("ArrowSize must be between %1 and %2").arg(kMinArrowSize).arg(kMaxArrowSize));
  SetField(arrow_size_, v);
}

void TQELButtonLayout::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQELButtonLayout *>(source);
  if (s == nullptr) {
    TQELGlyphTextLayout::Assign(source);
    return;
  }
  BeginUpdate();
  SetAlignment(s->Alignment());
  SetAlignText2Glyph(s->AlignText2Glyph());
  SetOffsetX(s->OffsetX());
  SetOffsetY(s->OffsetY());
  SetSpacing(s->Spacing());
  arrow_ = s->arrow_;
  arrow_color_ = s->arrow_color_;
  arrow_indent_ = s->arrow_indent_;
  arrow_position_ = s->arrow_position_;
  arrow_size_ = s->arrow_size_;
  EndUpdate(true);
}

// ---------------------------------------------------------------------------
// Captions

ORBISCA_PUBLISHED(TQEL3DCaption, TPersistent) {
  p.Property("DisabledStyle", &TQEL3DCaption::DisabledStyle, &TQEL3DCaption::SetDisabledStyle).Default(dsAuto);
  p.Property("LightDepth", &TQEL3DCaption::LightDepth, &TQEL3DCaption::SetLightDepth).Default(1);
  p.Property("ShadowDepth", &TQEL3DCaption::ShadowDepth, &TQEL3DCaption::SetShadowDepth).Default(1);
  p.Property("LightColor", &TQEL3DCaption::LightColor, &TQEL3DCaption::SetLightColor)
      .Default(static_cast<TColor>(vcl::clBtnHighlight));
  p.Property("Orientation", &TQEL3DCaption::Orientation, &TQEL3DCaption::SetOrientation).Default(toTopLeft);
  p.Property("ShadowColor", &TQEL3DCaption::ShadowColor, &TQEL3DCaption::SetShadowColor)
      .Default(static_cast<TColor>(vcl::clBtnShadow));
  p.Property("Style", &TQEL3DCaption::Style, &TQEL3DCaption::SetStyle).Default(tdNone);
  p.Property("Tracing", &TQEL3DCaption::Tracing, &TQEL3DCaption::SetTracing).Default(0);
}

void TQEL3DCaption::CopyFrom(const TQEL3DCaption &s) {
  disabled_style_ = s.disabled_style_;
  light_depth_ = s.light_depth_;
  shadow_depth_ = s.shadow_depth_;
  light_color_ = s.light_color_;
  shadow_color_ = s.shadow_color_;
  style_ = s.style_;
  tracing_ = s.tracing_;
}

void TQEL3DCaption::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQEL3DCaption *>(source);
  if (s == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  CopyFrom(*s);
  Change();
}

QString TQEL3DCaption::GetDisplayText() const {
  static const char *const kNames[] = {"Disabled",      "sunken",        "raised",        "sunken shadow",
                                       "raised shadow", "PColor sunken", "PColor raised", "shadow",
                                       "outline",       "extrude",       "extrude enh"};
  return QLatin1Char('{') + QLatin1String(kNames[style_]) + QLatin1Char('}');
}

ORBISCA_PUBLISHED(TQELFxCaption, TQEL3DCaption) {
  p.Property("Angle", &TQELFxCaption::Angle, &TQELFxCaption::SetAngle).Default(0);
  p.Property("PosX", &TQELFxCaption::PosX, &TQELFxCaption::SetPosX).Default(0);
  p.Property("PosY", &TQELFxCaption::PosY, &TQELFxCaption::SetPosY).Default(0);
}

void TQELFxCaption::SetAngle(int v) {
  if (v < 0 || v > 360) throw ERangeError(QStringLiteral("Angle must be between 0 and 360"));
  SetField(angle_, v % 360);
}

void TQELFxCaption::SetPosition(int x, int y) {
  BeginUpdate();
  SetPosX(x);
  SetPosY(y);
  EndUpdate(false);
}

void TQELFxCaption::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQELFxCaption *>(source);
  if (s == nullptr) {
    TQEL3DCaption::Assign(source);
    return;
  }
  CopyFrom(*s);
  pos_x_ = s->pos_x_;
  pos_y_ = s->pos_y_;
  angle_ = s->angle_;
  Change();
}

QString TQELFxCaption::GetDisplayText() const {
  QString text = TQEL3DCaption::GetDisplayText();
  if (angle_ == 0) return text;
  if (text == QLatin1String("{Disabled}"))
    text = QStringLiteral("{");
  else
    text.replace(text.size() - 1, 1, QLatin1Char(','));
  return text + QStringLiteral(" rot: ") + QString::number(angle_) + QChar(0x00B0) + QLatin1Char('}');
}

// ---------------------------------------------------------------------------
// Gradient

ORBISCA_PUBLISHED(TQELGradient, TPersistent) {
  p.Property("Color", &TQELGradient::Color, &TQELGradient::SetColor).Default(0xFF0000);
  p.Property("ColorCount", &TQELGradient::ColorCount, &TQELGradient::SetColorCount).Default(16);
  p.Property("Style", &TQELGradient::Style, &TQELGradient::SetStyle).Default(gstVertical);
  p.Property("EndColor", &TQELGradient::EndColor, &TQELGradient::SetEndColor).Default(0);
  p.Property("PaletteRealize", &TQELGradient::PaletteRealize, &TQELGradient::SetPaletteRealize).Default(false);
  p.Property("TwoColors", &TQELGradient::TwoColors, &TQELGradient::SetTwoColors).Default(true);
}

TQELGradient::TQELGradient() { Rebuild(); }

void TQELGradient::SetColor(TColor v) { SetField(color_, v); }

void TQELGradient::SetColorCount(int v) {
  if (v < kMinGradientColors || v > kMaxGradientColors)
    throw ERangeError(
        QStringLiteral("ColorCount must be between %1 and %2").arg(kMinGradientColors).arg(kMaxGradientColors));
  SetField(color_count_, v);
}

void TQELGradient::SetUserColors(const TQELColorList &colors) {
  user_colors_ = colors;
  Change();
}

std::vector<int> TQELGradient::WriteColorList() const {
  return std::vector<int>(user_colors_.begin(), user_colors_.end());
}

void TQELGradient::ReadColorList(const std::vector<int> &values) {
  BeginUpdate();
  for (int v : values) user_colors_.push_back(v);
  EndUpdate(true);
}

void TQELGradient::Rebuild() {
  palette_.reset();
  colors_.clear();
  if (two_colors_) {
    BuildGradientColors(color_, end_color_, color_count_, true, &colors_);
  } else if (user_colors_.size() >= 2) {
    // Each pair of neighbouring user colours gets ColorCount div n steps;
    // later segments leave out their first colour, which the previous one
    // ends with.
    const int k = color_count_ / int(user_colors_.size());
    BuildGradientColors(user_colors_[0], user_colors_[1], k, true, &colors_);
    for (size_t i = 1; i + 1 < user_colors_.size(); ++i)
      BuildGradientColors(user_colors_[i], user_colors_[i + 1], k, false, &colors_);
  }
  if (palette_realize_) palette_ = CreateGradientPalette(colors_);
}

void TQELGradient::Change() {
  Rebuild();
  TQELObject::Change();
}

void TQELGradient::Assign(const rtl::TPersistent *source) {
  const auto *s = dynamic_cast<const TQELGradient *>(source);
  if (s == nullptr) {
    TQELObject::Assign(source);
    return;
  }
  BeginUpdate();
  color_ = s->color_;
  color_count_ = s->color_count_;
  style_ = s->style_;
  end_color_ = s->end_color_;
  palette_realize_ = s->palette_realize_;
  two_colors_ = s->two_colors_;
  user_colors_ = s->user_colors_;
  EndUpdate(true);
}

QString TQELGradient::GetDisplayText() const {
  static const char *const kNames[] = {"horizontal", "vertical",    "square",       "elliptic",      "top left",
                                       "top right",  "bottom left", "bottom right", "top left diag", "top right diag"};
  return QLatin1String(kNames[style_]) + QStringLiteral(", Col: ") + QString::number(color_count_) +
         (two_colors_ ? QStringLiteral(", 2 col mode") : QStringLiteral(", mult. col mode"));
}

}  // namespace qel
