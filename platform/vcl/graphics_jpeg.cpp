// JPEG pictures through libjpeg. libjpeg reports fatal errors by calling
// an exit routine; ours jumps back to the call and raises EJPEG, so that a
// damaged file never ends the program. All the state libjpeg touches lives
// in one heap context reached through a pointer that does not change after
// setjmp, which keeps its values defined after the jump.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_codec.h"

namespace vcl {

namespace {

struct JpegContext {
  jpeg_error_mgr err{};
  jpeg_progress_mgr progress{};
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  bool truncated = false;
  QImage image;
  unsigned char *out_buffer = nullptr;
  unsigned long out_size = 0;
  std::vector<unsigned char> row;
};

// Keep the first error text and jump back.
void ErrorExit(j_common_ptr cinfo) {
  auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, ctx->message);
  std::longjmp(ctx->jump, 1);
}

// Warnings are not printed; data that ends early is remembered, because
// libjpeg would otherwise hand back a silently grey half picture.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    ctx->truncated = true;
    (*cinfo->err->format_message)(cinfo, ctx->message);
  }
}

void OutputMessage(j_common_ptr) {}

// Hostile progressive files can hold thousands of tiny scans that take
// minutes to decode; no real picture needs that many.
void Progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > 200) {
      auto *ctx = reinterpret_cast<JpegContext *>(cinfo->err);
      std::snprintf(ctx->message, sizeof ctx->message, "Too many scans in the image");
      std::longjmp(ctx->jump, 1);
    }
  }
}

void InitErrors(JpegContext *ctx) {
  jpeg_std_error(&ctx->err);
  ctx->err.error_exit = ErrorExit;
  ctx->err.emit_message = EmitMessage;
  ctx->err.output_message = OutputMessage;
  ctx->progress.progress_monitor = Progress;
}

[[noreturn]] void Raise(const char *message) {
  throw EJPEG(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(message)));
}

}  // namespace

QImage TJPEGImage::Decode(const QByteArray &data) {
  if (data.size() < 4) Raise("Not a JPEG file");
  auto ctx = std::make_unique<JpegContext>();
  JpegContext *c = ctx.get();
  auto info = std::make_unique<jpeg_decompress_struct>();
  jpeg_decompress_struct *cinfo = info.get();
  InitErrors(c);
  cinfo->err = &c->err;
  if (setjmp(c->jump) != 0) {
    jpeg_destroy_decompress(cinfo);
    Raise(c->message);
  }
  jpeg_create_decompress(cinfo);
  cinfo->progress = &c->progress;
  jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size());
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->image_width == 0 || cinfo->image_height == 0 || cinfo->image_width > unsigned(codec::kMaxSide) ||
      cinfo->image_height > unsigned(codec::kMaxSide) ||
      qint64(cinfo->image_width) * cinfo->image_height > codec::kMaxPixels) {
    std::snprintf(c->message, sizeof c->message, "Image dimensions out of range");
    std::longjmp(c->jump, 1);
  }
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  const int w = int(cinfo->output_width), h = int(cinfo->output_height);
  const int comps = cinfo->output_components;
  c->image = QImage(w, h, QImage::Format_RGB32);
  if (c->image.isNull() || (comps != 3 && comps != 4)) {
    std::snprintf(c->message, sizeof c->message, "Unsupported colour layout");
    std::longjmp(c->jump, 1);
  }
  std::vector<unsigned char> &row = c->row;
  row.resize(size_t(w) * size_t(comps));
  while (cinfo->output_scanline < cinfo->output_height) {
    // Once the data has run out the rest would only be made up: stop.
    if (c->truncated) {
      jpeg_destroy_decompress(cinfo);
      Raise(c->message);
    }
    const int y = int(cinfo->output_scanline);
    unsigned char *rows[1] = {row.data()};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) break;
    QRgb *dst = reinterpret_cast<QRgb *>(c->image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const unsigned char *p = &row[size_t(x) * size_t(comps)];
      if (comps == 3) {
        dst[x] = qRgb(p[0], p[1], p[2]);
      } else {
        // Adobe writes CMYK inverted; k scales the others.
        dst[x] = qRgb(p[0] * p[3] / 255, p[1] * p[3] / 255, p[2] * p[3] / 255);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  if (c->truncated) Raise(c->message);
  return c->image;
}

QByteArray TJPEGImage::Encode(const QImage &source, int quality, bool grayscale, bool progressive) {
  if (source.isNull()) throw EInvalidGraphicOperation(QStringLiteral("Cannot compress an empty image"));
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  auto ctx = std::make_unique<JpegContext>();
  JpegContext *c = ctx.get();
  auto info = std::make_unique<jpeg_compress_struct>();
  jpeg_compress_struct *cinfo = info.get();
  InitErrors(c);
  cinfo->err = &c->err;
  if (setjmp(c->jump) != 0) {
    jpeg_destroy_compress(cinfo);
    std::free(c->out_buffer);
    Raise(c->message);
  }
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, &c->out_buffer, &c->out_size);
  cinfo->image_width = JDIMENSION(image.width());
  cinfo->image_height = JDIMENSION(image.height());
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  if (grayscale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(cinfo, std::clamp(quality, 1, 100), TRUE);
  if (progressive) jpeg_simple_progression(cinfo);
  jpeg_start_compress(cinfo, TRUE);
  std::vector<unsigned char> &row = c->row;
  row.resize(size_t(image.width()) * 3);
  while (cinfo->next_scanline < cinfo->image_height) {
    const QRgb *src = reinterpret_cast<const QRgb *>(image.constScanLine(int(cinfo->next_scanline)));
    for (int x = 0; x < image.width(); ++x) {
      row[size_t(x) * 3] = uchar(qRed(src[x]));
      row[size_t(x) * 3 + 1] = uchar(qGreen(src[x]));
      row[size_t(x) * 3 + 2] = uchar(qBlue(src[x]));
    }
    unsigned char *rows[1] = {row.data()};
    jpeg_write_scanlines(cinfo, rows, 1);
  }
  jpeg_finish_compress(cinfo);
  QByteArray out(reinterpret_cast<const char *>(c->out_buffer), qsizetype(c->out_size));
  jpeg_destroy_compress(cinfo);
  std::free(c->out_buffer);
  return out;
}

TJPEGImage::TJPEGImage() = default;

bool TJPEGImage::Empty() const { return image_.isNull(); }
int TJPEGImage::Width() const { return image_.width(); }
int TJPEGImage::Height() const { return image_.height(); }

void TJPEGImage::SetWidth(int) {
  throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a JPEG image"));
}

void TJPEGImage::SetHeight(int) {
  throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a JPEG image"));
}

void TJPEGImage::SetCompressionQuality(int quality) {
  quality = std::clamp(quality, 1, 100);
  if (quality == quality_) return;
  quality_ = quality;
  data_.clear();  // the next save encodes again
}

void TJPEGImage::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  data_.clear();
  Changed();
}

QImage TJPEGImage::ToImage() const {
  if (!grayscale_ || image_.isNull()) return image_;
  return image_.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
}

void TJPEGImage::SetImage(const QImage &image) {
  image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
  data_.clear();
  Changed();
}

void TJPEGImage::Assign(const rtl::TPersistent *source) {
  if (source == this) return;
  if (source == nullptr) {
    SetImage(QImage());
    return;
  }
  if (auto *j = dynamic_cast<const TJPEGImage *>(source)) {
    data_ = j->data_;
    image_ = j->image_;
    quality_ = j->quality_;
    grayscale_ = j->grayscale_;
    progressive_ = j->progressive_;
    Changed();
    return;
  }
  if (auto *b = dynamic_cast<const TBitmap *>(source)) {
    SetImage(b->Image());
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::LoadFromBytes(const QByteArray &data) {
  QImage decoded = Decode(data);
  image_ = decoded;
  data_ = data;
  Changed();
  SetModified(false);
}

QByteArray TJPEGImage::SaveToBytes() const {
  if (!data_.isEmpty()) return data_;
  if (image_.isNull()) return QByteArray();
  return Encode(image_, quality_, grayscale_, progressive_);
}

}  // namespace vcl
