// The clipboard as the platform's callers see it: text, pictures and
// formats registered by name, each an id number. Behind it is Qt's
// clipboard: text and images travel in their usual MIME types, so other
// programs see them; a registered format travels as bytes under a MIME type
// made from its name, so another copy of this program reads it back.
//
// Between Open and Close several formats are put on the clipboard together;
// a single Set* call outside Open replaces what the clipboard held.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

class QMimeData;

namespace vcl {

using rtl::Exception;
ORBISCA_EXCEPTION(EClipboardException, Exception)

class TPicture;
class TGraphic;

// Standard formats, with the platform's numbers.
inline constexpr unsigned CF_TEXT = 1;
inline constexpr unsigned CF_BITMAP = 2;
inline constexpr unsigned CF_DIB = 8;
inline constexpr unsigned CF_UNICODETEXT = 13;
// Any picture kind TPicture can paste (bitmap or a registered graphic).
inline constexpr unsigned CF_PICTURE = 0xC0FF;

// The id of a format known by name; the same name (ignoring case) gives the
// same id, first ids from 0xC000. An empty name raises EClipboardException.
unsigned RegisterClipboardFormat(const QString &name);
// The name a format was registered with; empty for unknown ids.
QString GetClipboardFormatName(unsigned format);

class TClipboard : public rtl::TPersistent {
  ORBISCA_CLASS(TClipboard, rtl::TPersistent)
 public:
  TClipboard();
  ~TClipboard() override;

  // Nested; the clipboard changes when the outermost Close runs.
  void Open();
  void Close();
  void Clear();

  QString AsText() const;
  void SetAsText(const QString &text);
  bool HasFormat(unsigned format) const;
  // The formats now on the clipboard that have an id.
  QList<unsigned> Formats() const;
  int FormatCount() const { return int(Formats().size()); }

  // Bytes of any format: registered ones, CF_DIB, CF_TEXT (Windows-1252,
  // up to a NUL) and CF_UNICODETEXT (UTF-16, little-endian).
  void SetData(unsigned format, const QByteArray &data);
  QByteArray GetData(unsigned format) const;
  // The same under the platform's names: the handle is the data itself.
  void SetAsHandle(unsigned format, const QByteArray &data) { SetData(format, data); }
  QByteArray GetAsHandle(unsigned format) const { return GetData(format); }

  // Puts a picture or graphic on the clipboard: bitmaps as an image (and a
  // DIB); graphics with a registered format as that format, plus an image.
  // Other sources raise EConvertError.
  void Assign(const rtl::TPersistent *source) override;
  // Reads the clipboard's picture into `picture`; raises EInvalidGraphic
  // when there is none.
  void AssignTo(rtl::TPersistent *dest) const override;

 private:
  QMimeData *Pending();
  void Commit(QMimeData *data);
  const QMimeData *Current() const;

  int open_count_ = 0;
  std::unique_ptr<QMimeData> pending_;
};

// The one clipboard of the program.
TClipboard &Clipboard();

}  // namespace vcl
