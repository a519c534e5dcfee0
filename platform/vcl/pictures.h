// The pictures (see graphics.h): `TGraphic` and its kinds (bitmaps, icons,
// JPEG images) read and written in their file formats, `TPicture`, which
// holds any of them, and the checkerboard pattern bitmap.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/vcl/canvas.h"
#include "platform/vcl/colors.h"
#include "platform/vcl/graphicstypes.h"

namespace rtl {
class TStream;
}  // namespace rtl

namespace vcl {

// ---------------------------------------------------------------------------
// Pictures

class TGraphic : public rtl::TPersistent {
  ORBISCA_CLASS(TGraphic, rtl::TPersistent)
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  // The picture as drawn, in ARGB (transparent parts have alpha 0).
  virtual QImage ToImage() const = 0;
  // Draws into r (stretched) on the canvas.
  virtual void Draw(TCanvas *canvas, const TRect &r) const;

  // File forms. Damaged data raises EInvalidGraphic (or a subclass).
  virtual void LoadFromBytes(const QByteArray &data) = 0;
  virtual QByteArray SaveToBytes() const = 0;
  void LoadFromFile(const QString &file_name);
  void SaveToFile(const QString &file_name) const;
  // From the stream's position to its end / at the stream's position.
  void LoadFromStream(rtl::TStream &stream);
  void SaveToStream(rtl::TStream &stream) const;

  std::function<void(TGraphic *sender)> OnChange;

 protected:
  void Changed();
  // How many of the bytes last given to LoadFromBytes the graphic used, so
  // that LoadFromStream leaves the stream just after it (-1: all of them).
  virtual qint64 LoadedLength() const { return -1; }

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
  ORBISCA_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  void SetSize(int width, int height);
  // Kept with the image: the depth it is saved in (pfDevice = 24 bits).
  TPixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TPixelFormat format);
  // The palette used when saving 1, 4 and 8 bits (taken from a loaded file;
  // otherwise made from the image's colours).
  const QVector<QRgb> &Palette() const { return palette_; }
  void SetPalette(const QVector<QRgb> &palette) { palette_ = palette; }
  // tmAuto: the bottom-left pixel's colour.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode) { transparent_mode_ = mode; }
  // Monochrome look (pixels of the transparent colour white, the rest black).
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool value);

  TCanvas *Canvas();
  // The pixels (RGB32). Finishes pending canvas drawing first.
  const QImage &Image() const;
  // Replaces the pixels with a copy of `image` (converted to RGB32).
  void SetImage(const QImage &image);

  QImage ToImage() const override;
  void Draw(TCanvas *canvas, const TRect &r) const override;
  void Assign(const rtl::TPersistent *source) override;
  // Mask: white where the transparent colour is, black elsewhere.
  QImage MaskImage(TColor transparent) const;

  // The platform's BMP file: 1, 4, 8, 24 and 32 bits, uncompressed or RLE
  // (read), bottom-up or top-down (read); written uncompressed bottom-up.
  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;
  // A device-independent bitmap without the file header (clipboard form).
  void LoadFromDib(const QByteArray &dib);
  QByteArray SaveToDib() const;

  void FreeImage() {}
  void Dormant() {}

 protected:
  qint64 LoadedLength() const override { return loaded_length_; }

 private:
  void EnsureCanvas();
  void Resize(int width, int height);
  int width_ = 0;
  int height_ = 0;
  mutable QImage image_;
  qint64 loaded_length_ = -1;
  std::unique_ptr<TCanvas> canvas_;
  TPixelFormat pixel_format_ = pfDevice;
  QVector<QRgb> palette_;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
  bool monochrome_ = false;
};

// One image of an icon file's directory.
struct TIconEntry {
  int width = 0;  // 0 in the file means 256
  int height = 0;
  int color_count = 0;  // 0 = 256 or more colours
  int planes = 0;
  int bit_count = 0;
  quint32 size = 0;
  quint32 offset = 0;
};

// An icon file (.ico): several images, each with its own mask. The file's
// bytes are kept and saved back unchanged; an icon made from an image is
// saved as one 32-bit image with its mask; an empty icon as the 6-byte
// header of type 0 with no images (which also loads as an empty icon).
class TIcon : public TGraphic {
  ORBISCA_CLASS(TIcon, TGraphic)
 public:
  TIcon();
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Icons have the size of their image: setting it raises
  // EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // The image shown (the best of the file's images: largest, then deepest).
  QImage ToImage() const override;
  // Makes the icon from an ARGB image (alpha 0 = transparent).
  void SetImage(const QImage &image);
  const std::vector<TIconEntry> &Entries() const { return entries_; }
  // The image of directory entry `index` (ARGB, masked).
  QImage EntryImage(int index) const;
  void Assign(const rtl::TPersistent *source) override;

  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;

  // Reads the 6-byte header and directory; raises EInvalidGraphic.
  static std::vector<TIconEntry> ReadDirectory(const QByteArray &data, int *type = nullptr);
  // Decodes one image of an icon or cursor file.
  static QImage DecodeEntry(const QByteArray &data, const TIconEntry &entry);

 protected:
  qint64 LoadedLength() const override;

 private:
  QByteArray data_;
  std::vector<TIconEntry> entries_;
  QImage image_;
  int chosen_ = -1;
};

class TJPEGImage : public TGraphic {
  ORBISCA_CLASS(TJPEGImage, TGraphic)
 public:
  TJPEGImage();
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;    // raises EInvalidGraphicOperation
  void SetHeight(int height) override;  // raises EInvalidGraphicOperation
  // 1..100, used when the image is encoded again.
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  bool ProgressiveEncoding() const { return progressive_; }
  void SetProgressiveEncoding(bool value) { progressive_ = value; }

  QImage ToImage() const override;
  void SetImage(const QImage &image);
  void Assign(const rtl::TPersistent *source) override;
  // Damaged data raises EJPEG with libjpeg's text.
  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override;

  static QImage Decode(const QByteArray &data);
  static QByteArray Encode(const QImage &image, int quality, bool grayscale, bool progressive);

 private:
  QByteArray data_;  // as loaded, saved back while the image is unchanged
  QImage image_;
  int quality_ = 90;
  bool grayscale_ = false;
  bool progressive_ = false;
};

// A holder of any graphic, choosing the kind by file extension or content.
class TPicture : public rtl::TPersistent {
  ORBISCA_CLASS(TPicture, rtl::TPersistent)
 public:
  TPicture();
  ~TPicture() override;

  TGraphic *Graphic() const { return graphic_.get(); }
  // A copy of `graphic` (nullptr empties the picture).
  void SetGraphic(const TGraphic *graphic);
  // The graphic as a bitmap: replaces another kind of graphic by an empty
  // bitmap, as on the platform.
  TBitmap *Bitmap();
  void SetBitmap(const TBitmap *bitmap) { SetGraphic(bitmap); }
  TIcon *Icon();
  void SetIcon(const TIcon *icon) { SetGraphic(icon); }
  int Width() const;
  int Height() const;

  // .bmp, .ico, .jpg/.jpeg/.jpe/.jfif, or the file's first bytes when the
  // extension is unknown. Unknown content raises EInvalidGraphic ("Unknown
  // picture file extension (.xyz)").
  void LoadFromFile(const QString &file_name);
  void SaveToFile(const QString &file_name) const;
  // Makes the right graphic from bytes by their content.
  static std::unique_ptr<TGraphic> GraphicFromBytes(const QByteArray &data);
  // The open/save dialog filter of every kind a picture loads ("All
  // (*.bmp;*.ico;*.jpg;*.jpeg)|...|Bitmaps (*.bmp)|*.bmp|...").
  static QString GraphicFilter();
  void Assign(const rtl::TPersistent *source) override;

  // Clipboard formats that carry graphics of a kind (see clipboard.h).
  using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
  static void RegisterClipboardFormat(unsigned format, const QString &class_name, GraphicFactory factory);
  static bool SupportsClipboardFormat(unsigned format);
  // The format registered for a graphic class name, 0 when none.
  static unsigned ClipboardFormatFor(const QString &class_name);
  static std::unique_ptr<TGraphic> CreateForClipboardFormat(unsigned format);

  std::function<void(TPicture *sender)> OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

// An 8 x 8 checkerboard of the two colours: the dither pattern of latched
// buttons and scroll bars, used as a brush bitmap.
std::unique_ptr<TBitmap> AllocPatternBitmap(TColor background, TColor foreground);

}  // namespace vcl
