// The glyph cache and the button glyph.
#include "controls/styled/qelglyph.h"

#include <algorithm>

namespace qel {

namespace {
TQELGlyphCache *g_cache = nullptr;

TQELGlyphCache *EnsureCache() {
  if (g_cache == nullptr) g_cache = new TQELGlyphCache;
  return g_cache;
}

void FreeCacheIfEmpty() {
  if (g_cache != nullptr && g_cache->Empty()) {
    delete g_cache;
    g_cache = nullptr;
  }
}
}  // namespace

TQELGlyphCache *GlyphCache() { return g_cache; }

// ---------------------------------------------------------------------------

TQELGlyphList::TQELGlyphList(int width, int height) : TQELImageListItem(nullptr) {
  SetMasked(true);
  SetWidth(width);
  SetHeight(height);
}

int TQELGlyphList::AddMasked(const vcl::TBitmap *image, TColor transparent) {
  const auto free_slot = std::find(used_.begin(), used_.end(), false);
  int index;
  if (free_slot != used_.end()) {
    index = static_cast<int>(free_slot - used_.begin());
    ReplaceMasked(index, image, transparent);
  } else {
    index = TQELImageListItem::AddMasked(image, transparent);
    used_.resize(static_cast<size_t>(index) + 1, false);
  }
  used_[static_cast<size_t>(index)] = true;
  ++used_count_;
  return index;
}

void TQELGlyphList::Delete(int index) {
  if (!Used(index)) return;
  used_[static_cast<size_t>(index)] = false;
  --used_count_;
}

TQELGlyphCache::~TQELGlyphCache() = default;

TQELGlyphList *TQELGlyphCache::GetList(int width, int height) {
  for (const auto &l : lists_)
    if (l->Width() == width && l->Height() == height) return l.get();
  lists_.push_back(std::make_unique<TQELGlyphList>(width, height));
  return lists_.back().get();
}

void TQELGlyphCache::ReturnList(TQELGlyphList *list) {
  if (list == nullptr || list->UsedCount() != 0) return;
  lists_.erase(std::remove_if(lists_.begin(), lists_.end(), [list](const auto &l) { return l.get() == list; }),
               lists_.end());
}

// ---------------------------------------------------------------------------

TQELGlyph::TQELGlyph() : glyph_(std::make_unique<vcl::TBitmap>()) {
  indexes_.fill(-1);
  EnsureCache();
}

TQELGlyph::~TQELGlyph() {
  Invalidate();
  FreeCacheIfEmpty();
}

void TQELGlyph::Invalidate() {
  for (int &i : indexes_) {
    if (i != -1 && list_ != nullptr) list_->Delete(i);
    i = -1;
  }
  if (list_ != nullptr && g_cache != nullptr) g_cache->ReturnList(list_);
  list_ = nullptr;
}

void TQELGlyph::SetGlyph(const vcl::TBitmap *bitmap) {
  Invalidate();
  if (bitmap != nullptr)
    glyph_->Assign(bitmap);
  else
    glyph_ = std::make_unique<vcl::TBitmap>();
  if (glyph_->Height() > 0) {
    transparent_ = glyph_->TransparentColor();
    const int w = glyph_->Width(), h = glyph_->Height();
    if (w % h == 0) {
      const int n = w / h;
      num_glyphs_ = n < 6 ? n : 1;
    }
  }
  if (OnChange) OnChange();
}

void TQELGlyph::SetNumGlyphs(TQELNumGlyphs value) {
  if (value <= 0 || value > 5 || value == num_glyphs_) return;
  Invalidate();
  num_glyphs_ = value;
  if (OnChange) OnChange();
}

void TQELGlyph::GlyphChanged() {
  transparent_ = glyph_->TransparentColor();
  Invalidate();
  if (OnChange) OnChange();
}

int TQELGlyph::CreateButtonGlyph(int state) {
  if (state == 7) state = 1;
  if (state < 0 || state > 7) return -1;
  // A state the strip has no picture for uses the first one.
  if (state >= num_glyphs_ && state != 1) state = 0;
  if (indexes_[static_cast<size_t>(state)] != -1) return indexes_[static_cast<size_t>(state)];
  if (glyph_->Empty() || num_glyphs_ <= 0) return -1;
  const int w = glyph_->Width() / num_glyphs_, h = glyph_->Height();
  if (w <= 0 || h <= 0) return -1;
  if (list_ == nullptr) list_ = EnsureCache()->GetList(w, h);
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf24bit);
  image.SetSize(w, h);
  const QImage src = glyph_->Image().convertToFormat(QImage::Format_RGB32);
  const int slice = state < num_glyphs_ ? state : 0;
  if (state == 1 && num_glyphs_ < 2) {
    // Embossed: the shape in highlight one pixel down-right, then in
    // shadow in place, on a field of the transparent colour.
    const QRgb trans = vcl::ColorToQColor(transparent_).rgb() & 0xFFFFFF;
    image.Canvas()->Brush()->SetColor(transparent_);
    image.Canvas()->FillRect(TRect{0, 0, w, h});
    const TColor light = vcl::ColorToRGB(vcl::clBtnHighlight), dark = vcl::ColorToRGB(vcl::clBtnShadow);
    for (int pass = 0; pass < 2; ++pass)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if ((src.pixel(x, y) & 0xFFFFFF) == trans) continue;
          if (pass == 0) {
            if (x + 1 < w && y + 1 < h) image.Canvas()->SetPixel(x + 1, y + 1, light);
          } else {
            image.Canvas()->SetPixel(x, y, dark);
          }
        }
  } else {
    image.Canvas()->CopyRect(TRect{0, 0, w, h}, glyph_->Canvas(), TRect{slice * w, 0, slice * w + w, h});
  }
  const int index = list_->AddMasked(&image, transparent_);
  indexes_[static_cast<size_t>(state)] = index;
  return index;
}

TQELGlyphTextResult TQELGlyph::Draw(TCanvas *canvas, const QString &text, bool multi_line, unsigned flags,
                                    unsigned format, const TQELGlyphTextLayout *layout, int state, const TRect &rect,
                                    const TQEL3DCaption *caption) {
  if (!multi_line) format |= 0x20;  // DT_SINGLELINE
  const int index = CreateButtonGlyph(state);
  if (index < 0 || list_ == nullptr)
    return DrawGlyphText(canvas, text, caption, flags, format, layout, nullptr, nullptr, rect);
  vcl::TBitmap image, mask;
  list_->GetImage(index, &image, &mask);
  return DrawGlyphText(canvas, text, caption, flags, format, layout, &image, &mask, rect);
}

}  // namespace qel
