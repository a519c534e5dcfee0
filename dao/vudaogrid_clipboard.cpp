// The grid's record clipboard: copy in three formats (plain text, Unicode
// text and "HEX Recordset"), cut, and paste from either of the two kinds of
// block (see vudaogrid.h).
#include <QDir>

#include "dao/vudaodatetime.h"
#include "dao/vudaogrid.h"
#include "dao/vudaogrid_private.h"
#include "dao/vudaotable.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/dialogs.h"

namespace dao {

using grid_private::GoBack;
using grid_private::QuietGrid;
using vcl::TField;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool IsDateKind(vcl::TFieldType type) { return type == vcl::ftDate || type == vcl::ftTime || type == vcl::ftDateTime; }
bool IsTextKind(vcl::TFieldType type) {
  return type == vcl::ftString || type == vcl::ftMemo || type == vcl::ftFixedChar || type == vcl::ftWideString;
}
bool IsBlobKind(vcl::TFieldType type) { return type == vcl::ftBlob || type == vcl::ftGraphic; }

QString HexOf(const QString &text) { return QString::fromLatin1(rtl::ToCp1252(text).toHex().toUpper()); }

// Pairs of hexadecimal digits back to text; an odd length or a stray
// character gives an empty value rather than half a text.
QString TextOfHex(const QString &hex) {
  if (hex.size() % 2 != 0) return QString();
  for (QChar c : hex)
    if (!c.isDigit() && !(c >= QLatin1Char('A') && c <= QLatin1Char('F')) &&
        !(c >= QLatin1Char('a') && c <= QLatin1Char('f')))
      return QString();
  return rtl::FromCp1252(QByteArray::fromHex(hex.toLatin1()));
}

// The clipboard's block of a format as text, up to its terminating zero.
QString BlockText(unsigned format) {
  QByteArray bytes = vcl::Clipboard().GetData(format);
  const qsizetype zero = bytes.indexOf('\0');
  if (zero >= 0) bytes.truncate(zero);
  return rtl::FromCp1252(bytes);
}

QByteArray ZeroEnded(QByteArray bytes) {
  bytes.append('\0');
  return bytes;
}

QStringList SplitLines(const QString &block) {
  QString text = block;
  text.replace(kCrLf, QStringLiteral("\n"));
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace

QStringList PastedTextLines(const QStringList &lines) {
  // A quoted value may hold line breaks: join lines until the quotes pair up.
  QStringList joined;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    while (line.count(QLatin1Char('"')) % 2 != 0 && i + 1 < lines.size()) line += kCrLf + lines[++i];
    joined << line;
  }
  for (QString &line : joined) {
    QString clean;
    for (qsizetype i = 0; i < line.size(); ++i) {
      const QChar c = line[i];
      if (c == QLatin1Char('"')) {
        const bool after_tab = i == 0 || line[i - 1] == QLatin1Char('\t');
        const bool before_tab = i + 1 < line.size() && line[i + 1] == QLatin1Char('\t');
        if (after_tab || before_tab || i + 1 == line.size()) continue;
        if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) ++i;
      }
      clean += c;
    }
    line = clean;
  }
  return joined;
}

QStringList SplitClipboardLines(const QString &block) { return SplitLines(block); }

QString HexText(const QString &hex) { return TextOfHex(hex); }

// --- the clipboard ----------------------------------------------------------------------------------------------

std::vector<TField *> TVuDaoDBGrid::DataFieldsOfColumns() const {
  std::vector<TField *> out;
  for (int i = 0; i < ColumnCount(); ++i)
    if (TField *f = Columns(i)->Field(); f != nullptr && f->FieldKind() == vcl::fkData) out.push_back(f);
  return out;
}

std::vector<vcl::TBookmark> TVuDaoDBGrid::RowsToCopy() const {
  if (!selected_rows_.empty()) return selected_rows_;
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty()) return {};
  return {t->GetBookmark()};
}

QString TVuDaoDBGrid::RecordsText(const std::vector<vcl::TBookmark> &rows) const {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr) return QString();
  const std::vector<TField *> fields = DataFieldsOfColumns();
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  QString out;
  for (const vcl::TBookmark &b : rows) {
    t->GotoBookmark(b);
    QStringList values;
    for (TField *f : fields) {
      const vcl::TFieldType type = f->DataType();
      QString v;
      if (IsDateKind(type)) {
        if (!f->IsNull()) {
          const rtl::TDateTime dt = f->AsDateTime();
          if (office_clipboard_format_) {
            const QString date = QStringLiteral("mm\"/\"dd\"/\"yyyy"), time = QStringLiteral("hh\":\"nn\":\"ss");
            v = rtl::FormatDateTime(type == vcl::ftDate   ? date
                                    : type == vcl::ftTime ? time
                                                          : date + QLatin1Char(' ') + time,
                                    dt);
          } else {
            v = rtl::FormatDateTime(type == vcl::ftDate   ? fs.ShortDateFormat
                                    : type == vcl::ftTime ? fs.ShortTimeFormat
                                                          : fs.ShortDateFormat + QLatin1Char(' ') + fs.ShortTimeFormat,
                                    dt);
          }
        }
      } else if (IsBlobKind(type)) {
        v = QStringLiteral("(Blob)");
      } else if (IsTextKind(type)) {
        v = f->AsString();
        if (!office_clipboard_format_) {
          v.replace(QLatin1Char('\r'), QLatin1Char(' '));
          v.remove(QLatin1Char('\n'));
        } else if (v.contains(QLatin1Char('\r')) || v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('"'))) {
          v.replace(QStringLiteral("\""), QStringLiteral("\"\""));
          v = QLatin1Char('"') + v + QLatin1Char('"');
        }
      } else {
        v = f->AsString();
      }
      values << v;
    }
    out += values.join(QLatin1Char('\t')) + kCrLf;
  }
  return out;
}

QString TVuDaoDBGrid::RecordsHex(const std::vector<vcl::TBookmark> &rows) const {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr) return QString();
  const std::vector<TField *> fields = DataFieldsOfColumns();
  QStringList names, types;
  for (TField *f : fields) {
    names << f->FieldName();
    types << QString::number(int(f->DataType()));
  }
  QString out = names.join(QLatin1Char('\t')) + kCrLf + types.join(QLatin1Char('\t')) + kCrLf;
  for (const vcl::TBookmark &b : rows) {
    t->GotoBookmark(b);
    QStringList values;
    for (TField *f : fields) {
      const vcl::TFieldType type = f->DataType();
      if (type == vcl::ftString || type == vcl::ftBlob || type == vcl::ftMemo) {
        values << HexOf(f->AsString());
      } else if (IsDateKind(type)) {
        // An empty date stays empty: written as a time stamp it would come
        // back as a real day.
        if (f->IsNull()) {
          values << QString();
          continue;
        }
        const rtl::TTimeStamp ts = rtl::DateTimeToTimeStamp(f->AsDateTime());
        const int day = type == vcl::ftTime ? 0 : ts.Date;
        const int ms = type == vcl::ftDate ? 0 : ts.Time;
        values << QStringLiteral("%1 %2").arg(day).arg(ms);
      } else {
        values << f->AsString();
      }
    }
    out += values.join(QLatin1Char('\t')) + kCrLf;
  }
  return out;
}

void TVuDaoDBGrid::CopyRecords() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty()) return;
  const std::vector<vcl::TBookmark> rows = RowsToCopy();
  const vcl::TBookmark here = t->GetBookmark();
  QString text, hex;
  {
    QuietGrid quiet(this, t);
    try {
      text = RecordsText(rows);
      hex = RecordsHex(rows);
    } catch (...) {
      GoBack(t, here);
      throw;
    }
    GoBack(t, here);
  }
  vcl::TClipboard *clip = &vcl::Clipboard();
  clip->Open();
  clip->Clear();
  clip->SetData(vcl::CF_TEXT, ZeroEnded(rtl::ToCp1252(text)));
  QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
  utf16.append('\0').append('\0');
  clip->SetData(vcl::CF_UNICODETEXT, utf16);
  clip->SetData(vcl::RegisterClipboardFormat(kHexRecordsetFormat), ZeroEnded(rtl::ToCp1252(hex)));
  clip->Close();
}

bool TVuDaoDBGrid::Confirm(const QString &what, int count) const {
  vcl::TDialogRequest request;
  request.kind = vcl::TDialogKind::Message;
  request.caption = QStringLiteral("Warning");
  request.type = vcl::mtWarning;
  request.text = what + QString::number(count) + QStringLiteral(" records!") + kCrLf +
                 QStringLiteral("There will be no undo for this operation!") + kCrLf + QStringLiteral("Are You sure?");
  for (vcl::TMsgDlgBtn b : {vcl::mbYes, vcl::mbNo, vcl::mbCancel}) {
    request.buttons << vcl::ButtonCaption(b);
    request.results.push_back(vcl::ButtonResult(b));
  }
  request.default_button = 0;
  request.cancel_button = 2;
  const vcl::TModalResult answer = vcl::RunDialog(
      request, [](vcl::TDialogRequest &r) { return vcl::MessageDlg(r.text, vcl::mtWarning, vcl::mbYesNoCancel); });
  return answer == vcl::mrYes;
}

void TVuDaoDBGrid::CutRecords() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty() || ReadOnly() || !t->CanModify()) return;
  const int count = selected_rows_.empty() ? 1 : int(selected_rows_.size());
  if (!Confirm(QStringLiteral("You are about to cut "), count)) return;
  CopyRecords();
  DeleteSelected();  // asked above already
}

void TVuDaoDBGrid::PasteRecords() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || ReadOnly()) return;
  vcl::TClipboard *clip = &vcl::Clipboard();
  const unsigned hex = vcl::RegisterClipboardFormat(kHexRecordsetFormat);
  if (clip->HasFormat(hex)) {
    PasteHex(BlockText(hex));
  } else if (clip->HasFormat(vcl::CF_TEXT) || clip->HasFormat(vcl::CF_UNICODETEXT)) {
    bool header = false;
    for (const char *name : {"Data Records v8", "Data Records v9", "Data Records v10"})
      header = header || clip->HasFormat(vcl::RegisterClipboardFormat(QString::fromLatin1(name)));
    PasteText(clip->AsText(), header);
  }
}

namespace {

// Appends one record per line through `fill`; a line that fails is
// cancelled and counted, the others stay.
int AppendLines(TVuDaoTable *t, const QStringList &lines, const std::function<void(const QString &)> &fill) {
  int failed = 0;
  t->SetBatchMode(true);
  const int total = static_cast<int>(lines.size());
  t->ImportProgress(0, total);
  int done = 0;
  for (const QString &line : lines) {
    try {
      t->Append();
      fill(line);
      t->Post();
    } catch (const rtl::Exception &) {
      ++failed;
      try {
        t->Cancel();
      } catch (const rtl::Exception &) {
      }
    }
    t->ImportProgress(++done, total);
  }
  t->SetBatchMode(false);
  return failed;
}

void ReportFailures(int failed) {
  if (failed > 0)
    vcl::ShowMessage(QString::number(failed) + QStringLiteral(" records was not pasted due to an error!"));
}

}  // namespace

void TVuDaoDBGrid::PasteHex(const QString &block) {
  TVuDaoTable *t = BrowsingTable();
  QStringList lines = SplitLines(block);
  if (t == nullptr || lines.size() <= 2) return;
  const QStringList names = lines.takeFirst().split(QLatin1Char('\t'));
  const QStringList types = lines.takeFirst().split(QLatin1Char('\t'));
  if (!Confirm(QStringLiteral("You are about to paste "), int(lines.size()))) return;
  std::vector<TField *> targets;
  for (int i = 0; i < names.size(); ++i) {
    TField *target = nullptr;
    if (find_fields_on_paste_)
      for (int c = 0; c < ColumnCount() && target == nullptr; ++c)
        if (TField *f = Columns(c)->Field(); f != nullptr && f->FieldName().compare(names[i], Qt::CaseInsensitive) == 0)
          target = f;
    if (target == nullptr && i < ColumnCount()) target = Columns(i)->Field();
    if (target != nullptr && (target->FieldKind() != vcl::fkData || target->ReadOnly() ||
                              std::find(targets.begin(), targets.end(), target) != targets.end()))
      target = nullptr;
    targets.push_back(target);
  }
  const bool enabled = Enabled();
  const int failed = AppendLines(t, lines, [&](const QString &line) {
    const QStringList values = line.split(QLatin1Char('\t'));
    for (int i = 0; i < int(targets.size()) && i < values.size(); ++i) {
      TField *target = targets[size_t(i)];
      if (target == nullptr) continue;
      const int type = types.value(i).toInt();
      QString value = values[i];
      if (type == vcl::ftString || type == vcl::ftBlob || type == vcl::ftMemo) value = TextOfHex(value);
      if (IsDateKind(target->DataType()) && IsDateKind(vcl::TFieldType(type))) {
        const QStringList parts = value.split(QLatin1Char(' '));
        bool ok_day = false, ok_ms = false;
        rtl::TTimeStamp ts;
        if (parts.size() == 2) {
          ts.Date = parts[0].toInt(&ok_day);
          ts.Time = parts[1].toInt(&ok_ms);
        }
        if (!ok_day || !ok_ms) ts = rtl::TTimeStamp{};
        // Day 0 is no day at all: the source had no date, the field stays empty.
        if (ts.Date <= 0 && type != vcl::ftTime) continue;
        if (ts.Time < 0 || ts.Time >= 86400000) continue;
        target->SetAsDateTime(ts.Date <= 0 ? ts.Time / 86400000.0 : rtl::TimeStampToDateTime(ts));
      } else {
        target->SetAsString(value);
      }
    }
  });
  SetEnabled(enabled);
  ReportFailures(failed);
}

void TVuDaoDBGrid::PasteText(const QString &block, bool header) {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr) return;
  QStringList lines = SplitLines(block);
  std::vector<TField *> matched;
  if (header && !lines.isEmpty()) {
    const QStringList names = lines.takeFirst().split(QLatin1Char('\t'));
    for (const QString &name : names) {
      TField *hit = nullptr;
      if (find_fields_on_paste_) {
        for (int c = 0; c < ColumnCount() && hit == nullptr; ++c)
          if (TField *f = Columns(c)->Field();
              f != nullptr && f->DisplayLabel().compare(name, Qt::CaseInsensitive) == 0)
            hit = f;
        for (int c = 0; c < ColumnCount() && hit == nullptr; ++c)
          if (TField *f = Columns(c)->Field(); f != nullptr && f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            hit = f;
      }
      matched.push_back(hit);
    }
  }
  const QStringList joined = PastedTextLines(lines);
  if (joined.isEmpty()) return;
  if (!Confirm(QStringLiteral("You are about to paste "), int(joined.size()))) return;
  auto usable = [](TField *f) { return f != nullptr && f->FieldKind() == vcl::fkData && !f->ReadOnly(); };
  TVuDaoDateTime reader;
  const bool enabled = Enabled();
  const int failed = AppendLines(t, joined, [&](const QString &line) {
    const QStringList values = line.split(QLatin1Char('\t'));
    for (int i = 0; i < values.size(); ++i) {
      TField *target = i < int(matched.size()) ? matched[size_t(i)] : nullptr;
      if (target == nullptr && i < ColumnCount()) target = Columns(i)->Field();
      if (!usable(target)) continue;
      if (IsDateKind(target->DataType())) {
        rtl::TDateTime value = 0;
        for (bool shorting : {false, true}) {
          try {
            reader.SetAccessShorting(shorting);
            reader.SetDateTimeString(values[i]);
            value = reader.DateTime();
            break;
          } catch (const rtl::Exception &) {
          }
        }
        if (value != 0) target->SetAsDateTime(value);
      } else {
        target->SetAsString(values[i]);
      }
    }
  });
  SetEnabled(enabled);
  ReportFailures(failed);
}

}  // namespace dao
