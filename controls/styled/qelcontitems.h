// The items of the styled library's containers (see qelcont.h): bitmaps,
// image strips, string lists and wave sounds, each a component owned by its
// container that writes itself as one item record (flags, description,
// identifier, data; the stored forms of qelstrm.h) and reads it back.
#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelgraph.h"
#include "controls/styled/qelwave.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

namespace qel {

ORBISCA_ENUM(TQELSavePixelFormat, spfDefault, spfMono, spf4bit, spf8bit)
// -1 (the bitmap's own format), 2, 16 or 256.
int SavePixelFormatColors(TQELSavePixelFormat format);

// Bits of an item record's flags byte.
inline constexpr std::uint8_t ifCompressed = 0x01;
inline constexpr std::uint8_t ifDescription = 0x02;
inline constexpr std::uint8_t ifIdent = 0x04;
inline constexpr std::uint8_t ifData = 0x08;
inline constexpr std::uint8_t ifMono = 0x10;
inline constexpr std::uint8_t if4bit = 0x20;
inline constexpr std::uint8_t if8bit = 0x40;

class TQELCustomContainer;

// ---------------------------------------------------------------------------
// Items

class TQELListItem : public TQELCustomComponent {
  ORBISCA_CLASS(TQELListItem, TQELCustomComponent)

 public:
  explicit TQELListItem(vcl::TComponent *owner);

  QString Description() const { return description_; }
  void SetDescription(const QString &v);
  int Ident() const { return ident_; }  // 0..65535
  void SetIdent(int v);
  bool Compressed() const { return compressed_; }
  void SetCompressed(bool v);

  virtual bool IsEmpty() const { return true; }
  // The item record (see the header comment of this file).
  virtual void ReadFromStream(rtl::TStream *stream);
  virtual void WriteToStream(rtl::TStream *stream) const;
  virtual std::uint8_t ItemFlags() const;

  // The stored property "Internal": the item record.
  void ReadInternal(rtl::TStream *stream) { ReadFromStream(stream); }
  void WriteInternal(rtl::TStream *stream) const { WriteToStream(stream); }

  TQELCustomContainer *Container() const;
  bool HasParent() const override { return true; }
  vcl::TComponent *GetParentComponent() const override;
  void SetParentComponent(vcl::TComponent *parent) override;

  void Assign(const rtl::TPersistent *source) override;

 protected:
  virtual bool HasData() const { return !IsEmpty(); }
  // Copies the description, identifier and compressed flag, quietly.
  void CopyListItem(const TQELListItem &source);
  virtual TQELSavePixelFormat ItemPixelFormat() const { return spfDefault; }
  // The data part of the record; `flags` as read.
  virtual void ReadData(rtl::TStream *stream, std::uint8_t flags) = 0;
  virtual void WriteData(rtl::TStream *stream) const = 0;

 private:
  QString description_;
  int ident_ = 0;
  bool compressed_ = false;
};

class TQELBitmapListItem : public TQELListItem {
  ORBISCA_CLASS(TQELBitmapListItem, TQELListItem)

 public:
  explicit TQELBitmapListItem(vcl::TComponent *owner);
  ~TQELBitmapListItem() override;

  vcl::TBitmap *Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const vcl::TBitmap *bitmap);
  TQELSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQELSavePixelFormat v);

  bool IsEmpty() const override { return bitmap_->Empty(); }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  TQELSavePixelFormat ItemPixelFormat() const override { return pixel_format_; }
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<vcl::TBitmap> bitmap_;
  TQELSavePixelFormat pixel_format_ = spfDefault;
};

// Drawing styles of an image-list item.
inline constexpr int isFocus = 0;
inline constexpr int isSelected = 1;
inline constexpr int isNormal = 2;
inline constexpr int isTransparent = 3;

class TQELImageListItem : public TQELListItem {
  ORBISCA_CLASS(TQELImageListItem, TQELListItem)

 public:
  explicit TQELImageListItem(vcl::TComponent *owner);
  ~TQELImageListItem() override;

  int AllocBy() const { return alloc_by_; }
  void SetAllocBy(int v);
  bool Masked() const { return masked_; }
  // Changing the mask kind empties the strip.
  void SetMasked(bool v);
  // Sizes of one image; 0 or less is ignored; a change empties the strip.
  int Width() const { return width_; }
  void SetWidth(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  TQELSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQELSavePixelFormat v);
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor v) { bk_color_ = v; }
  TColor BlendColor() const { return blend_color_; }
  void SetBlendColor(TColor v) { blend_color_ = v; }
  int DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(int v);
  int ImageType() const { return image_type_; }
  void SetImageType(int v) { image_type_ = v; }
  bool ShareImages() const { return share_images_; }
  void SetShareImages(bool v) { share_images_ = v; }

  // Images in use.
  int Count() const { return count_; }
  // Adds an image of Width x Height (and its mask for a masked item);
  // returns its index.
  int Add(const vcl::TBitmap *image, const vcl::TBitmap *mask);
  // Adds with the mask derived from `transparent`.
  int AddMasked(const vcl::TBitmap *image, TColor transparent);
  void Replace(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask);
  void ReplaceMasked(int index, const vcl::TBitmap *image, TColor transparent);
  void Delete(int index);
  void ClearImages();
  // Replaces the strip: `strip` must be Height high and a multiple of Width
  // wide ("Invalid image size"); `mask` (masked items) the same size.
  void SetStrip(const vcl::TBitmap *strip, const vcl::TBitmap *mask);
  // Copies image `index` (and its mask) into the bitmaps; false past the
  // end.
  bool GetImage(int index, vcl::TBitmap *image, vcl::TBitmap *mask = nullptr) const;
  // The colour of the image's bottom-left pixel.
  TColor ImageTransparentColor(int index) const;
  TColor ImagePixel(int index, int x, int y) const;
  // Draws image `index` with its top-left at (x, y) in the drawing style.
  void Draw(vcl::TCanvas *canvas, int x, int y, int index) const;
  const vcl::TBitmap *Strip() const { return strip_.get(); }
  const vcl::TBitmap *MaskStrip() const { return mask_.get(); }
  vcl::TCanvas *StripCanvas() const { return strip_->Canvas(); }

  // The older stored property "Bitmap": the strip data alone, from the
  // image count on.
  void ReadLegacyBitmap(rtl::TStream *stream);

  bool IsEmpty() const override { return count_ == 0; }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  TQELSavePixelFormat ItemPixelFormat() const override { return pixel_format_; }
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  void ReadStrips(rtl::TStream *stream, bool compressed);
  void Grow(int needed);
  void PutImage(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask);
  void ResetStrip();
  int alloc_by_ = 4;
  bool masked_ = false;
  int width_ = 16;
  int height_ = 16;
  int count_ = 0;
  TQELSavePixelFormat pixel_format_ = spfDefault;
  TColor bk_color_ = kNoColor;
  TColor blend_color_ = kNoColor;
  int drawing_style_ = isNormal;
  int image_type_ = 0;
  bool share_images_ = false;
  std::unique_ptr<vcl::TBitmap> strip_;
  std::unique_ptr<vcl::TBitmap> mask_;
};

class TQELStringListItem : public TQELListItem {
  ORBISCA_CLASS(TQELStringListItem, TQELListItem)

 public:
  explicit TQELStringListItem(vcl::TComponent *owner);
  ~TQELStringListItem() override;

  rtl::TStrings *Items() const { return items_.get(); }
  void SetItems(const rtl::TStrings *items) { items_->Assign(items); }

  bool IsEmpty() const override { return items_->Count() == 0; }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<rtl::TStringList> items_;
};

class TQELWaveListItem : public TQELListItem {
  ORBISCA_CLASS(TQELWaveListItem, TQELListItem)

 public:
  explicit TQELWaveListItem(vcl::TComponent *owner);
  ~TQELWaveListItem() override;

  TQELWave *Wave() const { return wave_.get(); }
  void SetWave(const TQELWave *wave) { wave_->Assign(wave); }

  bool IsEmpty() const override { return wave_->Empty(); }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<TQELWave> wave_;
};

}  // namespace qel
