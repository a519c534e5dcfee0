// The image-strip items of the containers: images of one size side by side
// in a strip with an optional mask, added, replaced, drawn and stored
// (see qelcont.h).
#include <QPainter>
#include <algorithm>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelcont_internal.h"
#include "controls/styled/qelstrm.h"
#include "platform/rtl/exceptions.h"

namespace qel {

using detail::PixelFormatFromFlags;

namespace {

// The widest strip an image list keeps.
constexpr int kMaxStripWidth = 32768;

[[noreturn]] void InvalidImageSize() { throw vcl::EInvalidGraphicOperation(QStringLiteral("Invalid image size")); }

QImage Cut(const QImage &image, int x, int w, int h) { return image.copy(x, 0, w, h); }

vcl::TBitmap *MakeBitmap(const QImage &image) {
  auto *b = new vcl::TBitmap;
  b->SetImage(image);
  return b;
}

}  // namespace

TQELImageListItem::TQELImageListItem(vcl::TComponent *owner)
    : TQELListItem(owner), strip_(std::make_unique<vcl::TBitmap>()), mask_(std::make_unique<vcl::TBitmap>()) {}

TQELImageListItem::~TQELImageListItem() = default;

void TQELImageListItem::ResetStrip() {
  strip_->SetSize(0, 0);
  mask_->SetSize(0, 0);
  count_ = 0;
}

void TQELImageListItem::SetAllocBy(int v) {
  if (v <= 0 || v == alloc_by_) return;
  alloc_by_ = v;
  Change();
}

void TQELImageListItem::SetMasked(bool v) {
  if (v == masked_) return;
  masked_ = v;
  // The images stay: a new mask shows all of each image, and turning the
  // mask off drops it.
  if (masked_ && !strip_->Empty()) {
    QImage black(strip_->Width(), height_, QImage::Format_RGB32);
    black.fill(qRgb(0, 0, 0));
    mask_->SetImage(black);
  } else {
    mask_->SetSize(0, 0);
  }
  Change();
}

void TQELImageListItem::SetWidth(int v) {
  if (v <= 0 || v == width_ || v > kMaxStripWidth) return;
  width_ = v;
  ResetStrip();
  Change();
}

void TQELImageListItem::SetHeight(int v) {
  if (v <= 0 || v == height_ || v > kMaxStripWidth) return;
  height_ = v;
  ResetStrip();
  Change();
}

void TQELImageListItem::SetPixelFormat(TQELSavePixelFormat v) {
  if (v == pixel_format_) return;
  pixel_format_ = v;
  Change();
}

void TQELImageListItem::SetDrawingStyle(int v) {
  if (v < isFocus || v > isTransparent || v == drawing_style_) return;
  drawing_style_ = v;
  Change();
}

void TQELImageListItem::Grow(int needed) {
  const int capacity = strip_->Empty() ? 0 : strip_->Width() / width_;
  if (needed <= capacity) return;
  if (qint64(needed) * width_ > kMaxStripWidth) throw vcl::EInvalidGraphicOperation(QStringLiteral("Too many images"));
  int images = (needed + alloc_by_ - 1) / alloc_by_ * alloc_by_;
  images = std::min(images, kMaxStripWidth / width_);
  auto grow = [&](vcl::TBitmap *bitmap, QRgb fill) {
    QImage image(images * width_, height_, QImage::Format_RGB32);
    image.fill(fill);
    if (!bitmap->Empty()) {
      QPainter p(&image);
      p.drawImage(0, 0, bitmap->Image());
    }
    bitmap->SetImage(image);
  };
  grow(strip_.get(), qRgb(0, 0, 0));
  if (masked_) grow(mask_.get(), qRgb(255, 255, 255));
}

void TQELImageListItem::PutImage(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask) {
  auto put = [&](vcl::TBitmap *strip, const vcl::TBitmap *source, QRgb fill) {
    QImage target = strip->Image();
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(index * width_, 0, width_, height_, QColor::fromRgb(fill));
    if (source && !source->Empty()) p.drawImage(index * width_, 0, source->Image(), 0, 0, width_, height_);
    p.end();
    strip->SetImage(target);
  };
  put(strip_.get(), image, qRgb(0, 0, 0));
  // A masked item without a given mask shows the whole image.
  if (masked_) put(mask_.get(), mask, qRgb(0, 0, 0));
}

int TQELImageListItem::Add(const vcl::TBitmap *image, const vcl::TBitmap *mask) {
  if (!image || image->Width() != width_ || image->Height() != height_) InvalidImageSize();
  Grow(count_ + 1);
  PutImage(count_, image, mask);
  ++count_;
  Change();
  return count_ - 1;
}

namespace {

// The image and mask pair of `image` keyed on `transparent`.
void SplitByColor(const vcl::TBitmap *image, TColor transparent, vcl::TBitmap *out, vcl::TBitmap *mask) {
  vcl::TBitmap copy;
  copy.Assign(image);
  MakeMaskPair(copy.Canvas(), TRect{0, 0, copy.Width(), copy.Height()}, transparent, out, mask);
}

}  // namespace

int TQELImageListItem::AddMasked(const vcl::TBitmap *image, TColor transparent) {
  if (!image || image->Width() != width_ || image->Height() != height_) InvalidImageSize();
  vcl::TBitmap picture, mask;
  SplitByColor(image, transparent, &picture, &mask);
  return Add(&picture, &mask);
}

void TQELImageListItem::Replace(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask) {
  if (index < 0 || index >= count_) rtl::ListIndexError(index);
  if (!image || image->Width() != width_ || image->Height() != height_) InvalidImageSize();
  PutImage(index, image, mask);
  Change();
}

void TQELImageListItem::ReplaceMasked(int index, const vcl::TBitmap *image, TColor transparent) {
  if (index < 0 || index >= count_) rtl::ListIndexError(index);
  if (!image || image->Width() != width_ || image->Height() != height_) InvalidImageSize();
  vcl::TBitmap picture, mask;
  SplitByColor(image, transparent, &picture, &mask);
  Replace(index, &picture, &mask);
}

void TQELImageListItem::Delete(int index) {
  if (index < 0 || index >= count_) rtl::ListIndexError(index);
  // The images after it move one place to the left.
  auto shift = [&](vcl::TBitmap *strip) {
    QImage target = strip->Image();
    const QImage tail = target.copy((index + 1) * width_, 0, (count_ - index - 1) * width_, height_);
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(index * width_, 0, tail);
    p.end();
    strip->SetImage(target);
  };
  shift(strip_.get());
  if (masked_) shift(mask_.get());
  --count_;
  Change();
}

void TQELImageListItem::ClearImages() {
  ResetStrip();
  Change();
}

void TQELImageListItem::SetStrip(const vcl::TBitmap *strip, const vcl::TBitmap *mask) {
  if (!strip || strip->Empty()) {
    ClearImages();
    return;
  }
  if (strip->Height() != height_ || strip->Width() % width_ != 0) InvalidImageSize();
  if (masked_ && mask && (mask->Width() != strip->Width() || mask->Height() != strip->Height())) InvalidImageSize();
  strip_->Assign(strip);
  if (masked_) {
    if (mask) {
      mask_->Assign(mask);
    } else {
      QImage black(strip->Width(), height_, QImage::Format_RGB32);
      black.fill(qRgb(0, 0, 0));
      mask_->SetImage(black);
    }
  }
  count_ = strip->Width() / width_;
  Change();
}

bool TQELImageListItem::GetImage(int index, vcl::TBitmap *image, vcl::TBitmap *mask) const {
  if (index < 0 || index >= count_) return false;
  if (image) image->SetImage(Cut(strip_->Image(), index * width_, width_, height_));
  if (mask) {
    if (masked_) {
      mask->SetImage(Cut(mask_->Image(), index * width_, width_, height_));
    } else {
      QImage black(width_, height_, QImage::Format_RGB32);
      black.fill(qRgb(0, 0, 0));
      mask->SetImage(black);
    }
  }
  return true;
}

TColor TQELImageListItem::ImageTransparentColor(int index) const { return ImagePixel(index, 0, height_ - 1); }

TColor TQELImageListItem::ImagePixel(int index, int x, int y) const {
  if (index < 0 || index >= count_ || x < 0 || y < 0 || x >= width_ || y >= height_) return vcl::clWhite;
  const QRgb c = strip_->Image().pixel(index * width_ + x, y);
  return TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16));
}

void TQELImageListItem::Draw(vcl::TCanvas *canvas, int x, int y, int index) const {
  if (!canvas || index < 0 || index >= count_) return;
  const TRect cell{index * width_, 0, (index + 1) * width_, height_};
  const TRect dest{x, y, x + width_, y + height_};
  const vcl::TCopyMode saved = canvas->CopyMode();
  if (!masked_) {
    canvas->SetCopyMode(vcl::cmSrcCopy);
    canvas->CopyRect(dest, strip_->Canvas(), cell);
    canvas->SetCopyMode(saved);
    return;
  }
  auto masked_onto = [&](vcl::TCanvas *target, const TRect &to) {
    target->SetCopyMode(vcl::cmSrcAnd);
    target->CopyRect(to, mask_->Canvas(), cell);
    target->SetCopyMode(vcl::cmSrcPaint);
    target->CopyRect(to, strip_->Canvas(), cell);
    target->SetCopyMode(vcl::cmSrcCopy);
  };
  if (drawing_style_ == isFocus || drawing_style_ == isSelected) {
    // On a bitmap of the background colour (or of what is below), with the
    // blend colour mixed in: a quarter for focus, half for selection.
    vcl::TBitmap work(width_, height_);
    const TRect whole{0, 0, width_, height_};
    if (bk_color_ != kNoColor) {
      work.Canvas()->Brush()->SetColor(bk_color_);
      work.Canvas()->FillRect(whole);
    } else {
      work.Canvas()->CopyRect(whole, canvas, dest);
    }
    masked_onto(work.Canvas(), whole);
    if (blend_color_ != kNoColor) {
      QImage image = work.Image();
      const int n = drawing_style_ == isFocus ? 4 : 2;
      for (int yy = 0; yy < height_; ++yy) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(yy));
        for (int xx = 0; xx < width_; ++xx) {
          const QRgb c = row[xx];
          const TColor mixed = qel::BlendColor(TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16)),
                                               vcl::ColorToRGB(blend_color_), 1, n);
          row[xx] = qRgb(mixed & 0xFF, (mixed >> 8) & 0xFF, (mixed >> 16) & 0xFF);
        }
      }
      work.SetImage(image);
    }
    canvas->SetCopyMode(vcl::cmSrcCopy);
    canvas->CopyRect(dest, work.Canvas(), whole);
  } else {
    if (drawing_style_ == isNormal && bk_color_ != kNoColor) {
      vcl::TBrush saved_brush;
      saved_brush.Assign(canvas->Brush());
      canvas->Brush()->SetColor(bk_color_);
      canvas->FillRect(dest);
      canvas->Brush()->Assign(&saved_brush);
    }
    masked_onto(canvas, dest);
  }
  canvas->SetCopyMode(saved);
}

void TQELImageListItem::Assign(const rtl::TPersistent *source) {
  auto *item = dynamic_cast<const TQELImageListItem *>(source);
  if (!item) {
    TQELListItem::Assign(source);
    return;
  }
  BeginUpdate();
  CopyListItem(*item);
  alloc_by_ = item->alloc_by_;
  masked_ = item->masked_;
  width_ = item->width_;
  height_ = item->height_;
  pixel_format_ = item->pixel_format_;
  bk_color_ = item->bk_color_;
  blend_color_ = item->blend_color_;
  drawing_style_ = item->drawing_style_;
  image_type_ = item->image_type_;
  share_images_ = item->share_images_;
  ResetStrip();
  for (int i = 0; i < item->count_; ++i) {
    vcl::TBitmap image, mask;
    item->GetImage(i, &image, &mask);
    Add(&image, masked_ ? &mask : nullptr);
  }
  EndUpdate(true);
}

void TQELImageListItem::ReadStrips(rtl::TStream *stream, bool compressed) {
  // Everything is read and checked before the item changes.
  const std::int32_t n = stream->ReadInt32();
  if (n < 0 || qint64(n) * width_ > kMaxStripWidth) InvalidImageSize();
  vcl::TBitmap strip, mask;
  if (n > 0) {
    ReadBitmap(stream, &strip, compressed);
    if (strip.Width() != n * width_ || strip.Height() != height_) InvalidImageSize();
    if (masked_) {
      ReadBitmap(stream, &mask, compressed);
      if (mask.Width() != strip.Width() || mask.Height() != height_) InvalidImageSize();
    }
  }
  ResetStrip();
  if (n > 0) SetStrip(&strip, masked_ ? &mask : nullptr);
}

void TQELImageListItem::ReadData(rtl::TStream *stream, std::uint8_t flags) {
  const std::int32_t height = stream->ReadInt32();
  const std::int32_t width = stream->ReadInt32();
  const std::int32_t alloc_by = stream->ReadInt32();
  const bool masked = stream->ReadUInt8() != 0;
  if (height <= 0 || width <= 0 || height > kMaxStripWidth || width > kMaxStripWidth) InvalidImageSize();
  // The strips are read under the new sizes; the old ones come back when
  // they turn out damaged.
  const int old_height = height_, old_width = width_, old_alloc = alloc_by_;
  const bool old_masked = masked_;
  height_ = height;
  width_ = width;
  alloc_by_ = alloc_by > 0 ? alloc_by : 4;
  masked_ = masked;
  pixel_format_ = PixelFormatFromFlags(flags);
  try {
    ReadStrips(stream, flags & ifCompressed);
  } catch (...) {
    height_ = old_height;
    width_ = old_width;
    alloc_by_ = old_alloc;
    masked_ = old_masked;
    throw;
  }
}

void TQELImageListItem::ReadLegacyBitmap(rtl::TStream *stream) {
  BeginUpdate();
  try {
    ReadStrips(stream, Compressed());
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(true);
}

void TQELImageListItem::WriteData(rtl::TStream *stream) const {
  stream->WriteInt32(height_);
  stream->WriteInt32(width_);
  stream->WriteInt32(alloc_by_);
  stream->WriteUInt8(masked_ ? 1 : 0);
  stream->WriteInt32(count_);
  if (count_ == 0) return;
  // Only the images in use, not the room kept for more.
  std::unique_ptr<vcl::TBitmap> strip(MakeBitmap(Cut(strip_->Image(), 0, count_ * width_, height_)));
  strip->SetPixelFormat(strip_->PixelFormat());
  strip->SetPalette(strip_->Palette());
  WriteBitmap(stream, strip.get(), SavePixelFormatColors(pixel_format_), Compressed());
  if (masked_) {
    std::unique_ptr<vcl::TBitmap> mask(MakeBitmap(Cut(mask_->Image(), 0, count_ * width_, height_)));
    mask->SetPalette({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    WriteBitmap(stream, mask.get(), 2, Compressed());
  }
}

}  // namespace qel
