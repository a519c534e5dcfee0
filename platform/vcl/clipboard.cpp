// The clipboard on Qt's QClipboard; see clipboard.h.
#include "platform/vcl/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <map>

#include "platform/rtl/cp1252.h"
#include "platform/vcl/graphics.h"

namespace vcl {

namespace {

struct FormatTable {
  std::map<unsigned, QString> names;
  unsigned next = 0xC000;
};

FormatTable &FormatRegistry() {
  static FormatTable table;
  return table;
}

const QString kDibMime = QStringLiteral("image/bmp");

QString MimeFor(unsigned format) {
  if (format == CF_DIB || format == CF_BITMAP) return kDibMime;
  auto it = FormatRegistry().names.find(format);
  if (it == FormatRegistry().names.end()) return QString();
  return QStringLiteral("application/x-orbisca-format;name=") +
         QString::fromLatin1(QUrl::toPercentEncoding(it->second));
}

QClipboard *System() {
  if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr) {
    throw EClipboardException(QStringLiteral("Cannot open clipboard"));
  }
  return QGuiApplication::clipboard();
}

}  // namespace

unsigned RegisterClipboardFormat(const QString &name) {
  if (name.trimmed().isEmpty()) throw EClipboardException(QStringLiteral("Invalid clipboard format name"));
  FormatTable &t = FormatRegistry();
  for (const auto &[id, known] : t.names) {
    if (known.compare(name, Qt::CaseInsensitive) == 0) return id;
  }
  if (t.next == CF_PICTURE) ++t.next;
  const unsigned id = t.next++;
  t.names[id] = name;
  return id;
}

QString GetClipboardFormatName(unsigned format) {
  auto it = FormatRegistry().names.find(format);
  return it == FormatRegistry().names.end() ? QString() : it->second;
}

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Open() { ++open_count_; }

void TClipboard::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0 && pending_) Commit(pending_.release());
}

void TClipboard::Clear() {
  if (open_count_ > 0) {
    pending_ = std::make_unique<QMimeData>();
    return;
  }
  System()->clear();
}

QMimeData *TClipboard::Pending() {
  // The first addition after Open starts from an empty clipboard.
  if (!pending_) pending_ = std::make_unique<QMimeData>();
  return pending_.get();
}

void TClipboard::Commit(QMimeData *data) { System()->setMimeData(data); }

const QMimeData *TClipboard::Current() const { return System()->mimeData(); }

QString TClipboard::AsText() const {
  const QMimeData *d = Current();
  return d != nullptr && d->hasText() ? d->text() : QString();
}

void TClipboard::SetAsText(const QString &text) {
  Open();
  Pending()->setText(text);
  Close();
}

bool TClipboard::HasFormat(unsigned format) const {
  const QMimeData *d = Current();
  if (d == nullptr) return false;
  switch (format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
      return d->hasText();
    case CF_BITMAP:
    case CF_DIB:
      return d->hasImage() || d->hasFormat(kDibMime);
    case CF_PICTURE: {
      if (d->hasImage() || d->hasFormat(kDibMime)) return true;
      for (const auto &[id, name] : FormatRegistry().names) {
        if (TPicture::SupportsClipboardFormat(id) && d->hasFormat(MimeFor(id))) return true;
      }
      return false;
    }
    default: {
      const QString mime = MimeFor(format);
      return !mime.isEmpty() && d->hasFormat(mime);
    }
  }
}

QList<unsigned> TClipboard::Formats() const {
  QList<unsigned> out;
  const QMimeData *d = Current();
  if (d == nullptr) return out;
  if (d->hasText()) out << CF_TEXT << CF_UNICODETEXT;
  if (d->hasImage() || d->hasFormat(kDibMime)) out << CF_BITMAP << CF_DIB;
  for (const auto &[id, name] : FormatRegistry().names) {
    if (d->hasFormat(MimeFor(id))) out << id;
  }
  return out;
}

void TClipboard::SetData(unsigned format, const QByteArray &data) {
  if (format == CF_TEXT) {
    // 8-bit text is Windows-1252, as every 8-bit text of the program.
    SetAsText(rtl::FromCp1252(data.left(data.indexOf('\0') < 0 ? data.size() : data.indexOf('\0'))));
    return;
  }
  if (format == CF_UNICODETEXT) {
    QString text(reinterpret_cast<const QChar *>(data.constData()), data.size() / 2);
    const qsizetype end = text.indexOf(QChar(0));
    SetAsText(end < 0 ? text : text.left(end));
    return;
  }
  const QString mime = MimeFor(format);
  if (mime.isEmpty()) throw EClipboardException(QStringLiteral("Unknown clipboard format %1").arg(format));
  Open();
  Pending()->setData(mime, data);
  Close();
}

QByteArray TClipboard::GetData(unsigned format) const {
  const QMimeData *d = Current();
  if (d == nullptr) return QByteArray();
  if (format == CF_TEXT) return rtl::ToCp1252(d->text());
  if (format == CF_UNICODETEXT) {
    const QString text = d->text();
    return QByteArray(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
  }
  if (format == CF_DIB || format == CF_BITMAP) {
    if (d->hasFormat(kDibMime)) {
      // Stored as a whole BMP file; the DIB is what follows its header.
      const QByteArray file = d->data(kDibMime);
      return file.startsWith("BM") ? file.mid(14) : file;
    }
    if (d->hasImage()) {
      TBitmap b;
      b.SetImage(qvariant_cast<QImage>(d->imageData()));
      return b.SaveToDib();
    }
    return QByteArray();
  }
  const QString mime = MimeFor(format);
  return mime.isEmpty() ? QByteArray() : d->data(mime);
}

void TClipboard::Assign(const rtl::TPersistent *source) {
  const TGraphic *graphic = nullptr;
  if (auto *p = dynamic_cast<const TPicture *>(source)) {
    graphic = p->Graphic();
  } else {
    graphic = dynamic_cast<const TGraphic *>(source);
  }
  if (graphic == nullptr && dynamic_cast<const TPicture *>(source) == nullptr) {
    rtl::TPersistent::Assign(source);  // another kind of object may know how to copy itself
    return;
  }
  if (graphic == nullptr || graphic->Empty()) {
    throw EClipboardException(QStringLiteral("Cannot put an empty picture on the clipboard"));
  }
  Open();
  QMimeData *d = Pending();
  d->setImageData(graphic->ToImage());
  if (auto *b = dynamic_cast<const TBitmap *>(graphic)) {
    d->setData(kDibMime, b->SaveToBytes());
  } else if (const unsigned id = TPicture::ClipboardFormatFor(graphic->ClassName())) {
    d->setData(MimeFor(id), graphic->SaveToBytes());
  }
  Close();
}

void TClipboard::AssignTo(rtl::TPersistent *dest) const {
  auto *picture = dynamic_cast<TPicture *>(dest);
  auto *bitmap = dynamic_cast<TBitmap *>(dest);
  if (picture == nullptr && bitmap == nullptr) {
    rtl::TPersistent::AssignTo(dest);
    return;
  }
  const QMimeData *d = Current();
  if (picture != nullptr && d != nullptr) {
    for (const auto &[id, name] : FormatRegistry().names) {
      if (!TPicture::SupportsClipboardFormat(id) || !d->hasFormat(MimeFor(id))) continue;
      std::unique_ptr<TGraphic> g = TPicture::CreateForClipboardFormat(id);
      if (!g) continue;
      g->LoadFromBytes(d->data(MimeFor(id)));
      picture->SetGraphic(g.get());
      return;
    }
  }
  TBitmap b;
  if (d != nullptr && d->hasFormat(kDibMime)) {
    b.LoadFromBytes(d->data(kDibMime));
  } else if (d != nullptr && d->hasImage()) {
    b.SetImage(qvariant_cast<QImage>(d->imageData()));
  } else {
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
  }
  if (picture != nullptr) {
    picture->SetGraphic(&b);
  } else {
    bitmap->Assign(&b);
  }
}

TClipboard &Clipboard() {
  // Never destroyed: data still pending at exit would otherwise be freed
  // after the QApplication is gone.
  static auto *clipboard = new TClipboard;
  return *clipboard;
}

}  // namespace vcl
