// TPicture, the holder that picks the kind of graphic from a file, and
// TImageList, the strip of same-size images that buttons and lists draw.
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <map>

#include "platform/vcl/graphics.h"
#include "platform/vcl/metafile.h"

namespace vcl {

namespace {

struct ClipboardGraphic {
  QString class_name;
  TPicture::GraphicFactory factory;
};

std::map<unsigned, ClipboardGraphic> &ClipboardGraphics() {
  static std::map<unsigned, ClipboardGraphic> formats;
  return formats;
}

std::unique_ptr<TGraphic> CloneGraphic(const TGraphic *g) {
  std::unique_ptr<TGraphic> copy;
  if (dynamic_cast<const TBitmap *>(g)) {
    copy = std::make_unique<TBitmap>();
  } else if (dynamic_cast<const TIcon *>(g)) {
    copy = std::make_unique<TIcon>();
  } else if (dynamic_cast<const TJPEGImage *>(g)) {
    copy = std::make_unique<TJPEGImage>();
  } else if (dynamic_cast<const TMetafile *>(g)) {
    copy = std::make_unique<TMetafile>();
  } else {
    throw EInvalidGraphic(QStringLiteral("Unsupported graphic class %1").arg(g->ClassName()));
  }
  copy->Assign(g);
  copy->SetTransparent(g->Transparent());
  return copy;
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic *graphic) {
  std::unique_ptr<TGraphic> next;
  if (graphic != nullptr) next = CloneGraphic(graphic);
  graphic_ = std::move(next);
  if (graphic_) graphic_->OnChange = [this](TGraphic *) { Changed(); };
  Changed();
}

TBitmap *TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap *>(graphic_.get())) {
    graphic_ = std::make_unique<TBitmap>();
    graphic_->OnChange = [this](TGraphic *) { Changed(); };
    Changed();
  }
  return static_cast<TBitmap *>(graphic_.get());
}

TIcon *TPicture::Icon() {
  if (!dynamic_cast<TIcon *>(graphic_.get())) {
    graphic_ = std::make_unique<TIcon>();
    graphic_->OnChange = [this](TGraphic *) { Changed(); };
    Changed();
  }
  return static_cast<TIcon *>(graphic_.get());
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

std::unique_ptr<TGraphic> TPicture::GraphicFromBytes(const QByteArray &data) {
  std::unique_ptr<TGraphic> g;
  if (data.startsWith("BM")) {
    g = std::make_unique<TBitmap>();
  } else if (data.startsWith(QByteArray("\0\0\1\0", 4))) {
    g = std::make_unique<TIcon>();
  } else if (data.startsWith("\xFF\xD8")) {
    g = std::make_unique<TJPEGImage>();
  } else if (data.startsWith(QByteArray("\1\0\0\0", 4)) && data.mid(40, 4) == " EMF") {
    g = std::make_unique<TMetafile>();
  } else {
    throw EInvalidGraphic(QStringLiteral("Unknown picture format"));
  }
  g->LoadFromBytes(data);
  return g;
}

QString TPicture::GraphicFilter() {
  return QStringLiteral(
      "All (*.bmp;*.ico;*.jpg;*.jpeg)|*.bmp;*.ico;*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
      "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
}

void TPicture::LoadFromFile(const QString &file_name) {
  QFile f(file_name);
  if (!f.open(QIODevice::ReadOnly)) {
    throw rtl::EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(file_name, f.errorString()));
  }
  const QByteArray data = f.readAll();
  const QString ext = QFileInfo(file_name).suffix().toLower();
  std::unique_ptr<TGraphic> g;
  if (ext == QLatin1String("bmp") || ext == QLatin1String("dib")) {
    g = std::make_unique<TBitmap>();
  } else if (ext == QLatin1String("ico")) {
    g = std::make_unique<TIcon>();
  } else if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("jpe") ||
             ext == QLatin1String("jfif")) {
    g = std::make_unique<TJPEGImage>();
  } else if (ext == QLatin1String("emf")) {
    g = std::make_unique<TMetafile>();
  }
  if (g) {
    g->LoadFromBytes(data);
  } else {
    try {
      g = GraphicFromBytes(data);
    } catch (const EInvalidGraphic &) {
      throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
  }
  graphic_ = std::move(g);
  graphic_->OnChange = [this](TGraphic *) { Changed(); };
  Changed();
}

void TPicture::SaveToFile(const QString &file_name) const {
  if (graphic_) graphic_->SaveToFile(file_name);
}

void TPicture::Assign(const rtl::TPersistent *source) {
  if (source == this) return;
  if (source == nullptr) {
    SetGraphic(nullptr);
    return;
  }
  if (auto *p = dynamic_cast<const TPicture *>(source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (auto *g = dynamic_cast<const TGraphic *>(source)) {
    SetGraphic(g);
    return;
  }
  rtl::TPersistent::Assign(source);
}

void TPicture::RegisterClipboardFormat(unsigned format, const QString &class_name, GraphicFactory factory) {
  ClipboardGraphics()[format] = ClipboardGraphic{class_name, std::move(factory)};
}

bool TPicture::SupportsClipboardFormat(unsigned format) { return ClipboardGraphics().count(format) != 0; }

unsigned TPicture::ClipboardFormatFor(const QString &class_name) {
  for (const auto &[format, entry] : ClipboardGraphics()) {
    if (entry.class_name.compare(class_name, Qt::CaseInsensitive) == 0) return format;
  }
  return 0;
}

std::unique_ptr<TGraphic> TPicture::CreateForClipboardFormat(unsigned format) {
  auto it = ClipboardGraphics().find(format);
  if (it == ClipboardGraphics().end() || !it->second.factory) return nullptr;
  return it->second.factory();
}

// ---------------------------------------------------------------------------
// TImageList

TImageList::TImageList(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TImageList::~TImageList() = default;

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw rtl::EInvalidOperation(QStringLiteral("Invalid image list index %1").arg(index));
  }
}

void TImageList::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == width_) return;
  width_ = width;
  Clear();
}

void TImageList::SetHeight(int height) {
  height = std::max(height, 1);
  if (height == height_) return;
  height_ = height;
  Clear();
}

namespace {

// One cell of a strip: the image's pixels, alpha 0 where the mask is white.
QImage Cell(const QImage &image, const QImage *mask, int x, int w, int h) {
  QImage cell(w, h, QImage::Format_ARGB32);
  cell.fill(0);
  QPainter p(&cell);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, image, x, 0, std::min(w, image.width() - x), std::min(h, image.height()));
  p.end();
  if (mask != nullptr) {
    for (int yy = 0; yy < h && yy < mask->height(); ++yy) {
      QRgb *row = reinterpret_cast<QRgb *>(cell.scanLine(yy));
      for (int xx = 0; xx < w && x + xx < mask->width(); ++xx) {
        if ((mask->pixel(x + xx, yy) & 0x00FFFFFF) != 0) row[xx] = 0;
      }
    }
  }
  return cell;
}

}  // namespace

int TImageList::Add(const TBitmap *image, const TBitmap *mask) {
  if (image == nullptr || image->Empty()) return -1;
  const QImage &img = image->Image();
  QImage mask_img;
  if (mask != nullptr && !mask->Empty()) mask_img = mask->Image();
  const int first = Count();
  const int cells = std::max(1, img.width() / width_);
  for (int i = 0; i < cells; ++i) {
    images_.push_back(Cell(img, mask_img.isNull() ? nullptr : &mask_img, i * width_, width_, height_));
  }
  Changed();
  return first;
}

int TImageList::AddMasked(const TBitmap *image, TColor mask_color) {
  if (image == nullptr || image->Empty()) return -1;
  TBitmap mask;
  mask.SetImage(image->MaskImage(mask_color));
  return Add(image, &mask);
}

int TImageList::AddImage(const QImage &argb) {
  if (argb.isNull()) return -1;
  QImage cell(width_, height_, QImage::Format_ARGB32);
  cell.fill(0);
  QPainter p(&cell);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, argb.convertToFormat(QImage::Format_ARGB32));
  p.end();
  images_.push_back(cell);
  Changed();
  return Count() - 1;
}

void TImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

void TImageList::Replace(int index, const TBitmap *image, const TBitmap *mask) {
  CheckIndex(index);
  if (image == nullptr || image->Empty()) return;
  QImage mask_img;
  if (mask != nullptr && !mask->Empty()) mask_img = mask->Image();
  images_[size_t(index)] = Cell(image->Image(), mask_img.isNull() ? nullptr : &mask_img, 0, width_, height_);
  Changed();
}

void TImageList::ReplaceMasked(int index, const TBitmap *image, TColor mask_color) {
  CheckIndex(index);
  if (image == nullptr || image->Empty()) return;
  TBitmap mask;
  mask.SetImage(image->MaskImage(mask_color));
  Replace(index, image, &mask);
}

void TImageList::Move(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  if (from == to) return;
  QImage img = images_[size_t(from)];
  images_.erase(images_.begin() + from);
  images_.insert(images_.begin() + to, img);
  Changed();
}

QImage TImageList::Image(int index) const {
  CheckIndex(index);
  return images_[size_t(index)];
}

void TImageList::Draw(TCanvas *canvas, int x, int y, int index, bool enabled) const {
  if (canvas == nullptr || index < 0 || index >= Count()) return;
  QImage img = images_[size_t(index)];
  if (!enabled) {
    // Greyed: each visible pixel by its brightness, lightened towards the
    // button face so it reads as unavailable.
    for (int yy = 0; yy < img.height(); ++yy) {
      QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(yy));
      for (int xx = 0; xx < img.width(); ++xx) {
        if (qAlpha(row[xx]) == 0) continue;
        const int g = 128 + qGray(row[xx]) / 2;
        row[xx] = qRgba(g, g, g, qAlpha(row[xx]));
      }
    }
  }
  canvas->DrawImage(Bounds(x, y, width_, height_), img, img.rect());
}

void TImageList::GetBitmap(int index, TBitmap *bitmap) const {
  CheckIndex(index);
  if (bitmap == nullptr) return;
  QImage out(width_, height_, QImage::Format_RGB32);
  out.fill(bk_color_ == clNone ? QColor(Qt::black) : ColorToQColor(bk_color_));
  QPainter p(&out);
  p.drawImage(0, 0, images_[size_t(index)]);
  p.end();
  bitmap->SetImage(out);
}

}  // namespace vcl
