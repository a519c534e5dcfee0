// The glyph cache of the styled buttons: per glyph size one shared masked
// image list, whose images are made on demand (one per glyph and draw
// state) and whose slots are reused, never compacted, so the indexes the
// glyphs remember stay valid. The global cache goes away with the last
// list.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelgraph.h"

namespace qel {

using TQELNumGlyphs = int;  // 0..5

class TQELGlyphList : public TQELImageListItem {
  ORBISCA_CLASS(TQELGlyphList, TQELImageListItem)

 public:
  TQELGlyphList(int width, int height);

  // Stores the image in the lowest free slot (or a new one), with its
  // transparent colour as mask colour; answers the slot.
  int AddMasked(const vcl::TBitmap *image, TColor transparent);
  // Frees the slot; a free slot changes nothing.
  void Delete(int index);
  // Slots in use.
  int UsedCount() const { return used_count_; }
  bool Used(int index) const {
    return index >= 0 && index < static_cast<int>(used_.size()) && used_[static_cast<size_t>(index)];
  }

 private:
  std::vector<bool> used_;
  int used_count_ = 0;
};

class TQELGlyphCache {
 public:
  ~TQELGlyphCache();
  // The first list of exactly this size, else a new one.
  TQELGlyphList *GetList(int width, int height);
  // Frees the list when no slot of it is used any more.
  void ReturnList(TQELGlyphList *list);
  bool Empty() const { return lists_.empty(); }
  int Count() const { return static_cast<int>(lists_.size()); }

 private:
  std::vector<std::unique_ptr<TQELGlyphList>> lists_;
};

// The global cache; nullptr before the first glyph or image request and
// after the last list went.
TQELGlyphCache *GlyphCache();

class TQELGlyph {
 public:
  TQELGlyph();
  ~TQELGlyph();
  TQELGlyph(const TQELGlyph &) = delete;
  TQELGlyph &operator=(const TQELGlyph &) = delete;

  vcl::TBitmap *Glyph() const { return glyph_.get(); }
  void SetGlyph(const vcl::TBitmap *bitmap);
  TQELNumGlyphs NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(TQELNumGlyphs value);
  TColor TransparentColor() const { return transparent_; }
  // After the bitmap was changed in place.
  void GlyphChanged();
  // Gives every made image back.
  void Invalidate();
  // The slot in the glyph list for a draw state (0 up, 1 disabled, 4 down,
  // 7 as 1); -1 when there is no bitmap.
  int CreateButtonGlyph(int state);
  TQELGlyphList *List() const { return list_; }

  // Draws the text and the state's image by the layout; answers what was
  // placed.
  TQELGlyphTextResult Draw(TCanvas *canvas, const QString &text, bool multi_line, unsigned flags, unsigned format,
                           const TQELGlyphTextLayout *layout, int state, const TRect &rect,
                           const TQEL3DCaption *caption);

  // The owner's repaint.
  std::function<void()> OnChange;

 private:
  std::unique_ptr<vcl::TBitmap> glyph_;
  TQELNumGlyphs num_glyphs_ = 1;
  TColor transparent_ = vcl::clOlive;
  TQELGlyphList *list_ = nullptr;
  std::array<int, 8> indexes_;
};

}  // namespace qel
