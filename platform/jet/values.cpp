// Value conversions of the engine's fields (text in the locale of the
// moment, Yes/No, width checks), default values, field properties and the
// record of the last error.
#include <QFileInfo>
#include <QLocale>
#include <QUuid>
#include <cmath>
#include <optional>

#include "platform/jet/store.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"

namespace jet {

namespace detail {

namespace {
std::optional<EJetError> &LastErrorSlot() {
  static std::optional<EJetError> last;
  return last;
}

[[noreturn]] void ConversionError() { Raise(kErrConversion, QStringLiteral("Data type conversion error.")); }

[[noreturn]] void TooSmall() {
  Raise(kErrFieldTooSmall, QStringLiteral("The field is too small to accept the amount of data you attempted to "
                                          "add. Try inserting or pasting less data."));
}

bool ParseBool(const QString &text, bool &out) {
  const QString t = text.trimmed().toLower();
  if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on") ||
      t == QStringLiteral("sì") || t == QLatin1String("si") || t == QLatin1String("vero")) {
    out = true;
    return true;
  }
  if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off") ||
      t == QLatin1String("falso")) {
    out = false;
    return true;
  }
  double d = 0;
  if (rtl::TryStrToFloat(t, d)) {
    out = d != 0;
    return true;
  }
  return false;
}

double TextToNumber(const QString &text) {
  double d = 0;
  if (!rtl::TryStrToFloat(text.trimmed(), d)) ConversionError();
  return d;
}

rtl::Variant IntegerOf(double d, int type) {
  if (!std::isfinite(d)) ConversionError();
  const double lo = type == dbByte ? 0 : type == dbInteger ? -32768.0 : -2147483648.0;
  const double hi = type == dbByte ? 255 : type == dbInteger ? 32767.0 : 2147483647.0;
  const double r = std::nearbyint(d);  // halves to even, as the engine rounds
  if (r < lo || r > hi) ConversionError();
  return rtl::Variant(static_cast<int>(r));
}
}  // namespace

namespace {
std::uint64_t refresh_epoch = 0;
}
std::uint64_t RefreshEpoch() { return refresh_epoch; }
void BumpRefreshEpoch() { ++refresh_epoch; }

void RecordError(const EJetError &e) { LastErrorSlot() = e; }

namespace {
// The files found damaged in this run, by absolute path. Made once and never
// freed, so no destructor runs at exit.
QStringList &DamagedFiles() {
  static auto *files = new QStringList;
  return *files;
}

QString DamageKey(const QString &path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
}  // namespace

void NoteDamage(const QString &path) {
  if (path.isEmpty()) return;
  const QString key = DamageKey(path);
  if (!DamagedFiles().contains(key)) DamagedFiles().append(key);
}

bool DamageNoted(const QString &path) { return DamagedFiles().contains(DamageKey(path)); }

void ForgetDamage(const QString &path) { DamagedFiles().removeAll(DamageKey(path)); }

const EJetError *LastError() { return LastErrorSlot() ? &*LastErrorSlot() : nullptr; }

void Raise(int number, const QString &text, const QString &source) {
  EJetError e(number, text, source);
  RecordError(e);
  throw e;
}

rtl::Variant ConvertForField(const rtl::Variant &value, const FieldInfo &field) {
  const int type = field.type;
  if (value.IsEmptyOrNull()) return type == dbBoolean ? rtl::Variant(false) : rtl::Variant::Null();
  if (value.IsArray()) ConversionError();
  const bool is_text = value.Type() == rtl::VarType::String;
  const QString text = is_text ? value.AsString() : QString();
  if (is_text && text.trimmed().isEmpty() && type != dbText && type != dbMemo)
    return type == dbBoolean ? rtl::Variant(false) : rtl::Variant::Null();
  try {
    switch (type) {
      case dbText:
      case dbMemo: {
        QString s;
        if (value.Type() == rtl::VarType::Boolean)
          s = value.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
        else if (value.Type() == rtl::VarType::Bytes)
          s = QString::fromUtf8(value.AsBytes());
        else
          s = value.AsString();
        if (type == dbText && field.size > 0 && s.size() > field.size) TooSmall();
        return rtl::Variant(s);
      }
      case dbBoolean: {
        if (is_text) {
          bool b = false;
          if (!ParseBool(text, b)) ConversionError();
          return rtl::Variant(b);
        }
        if (value.Type() == rtl::VarType::Bytes) ConversionError();
        return rtl::Variant(value.AsDouble() != 0);
      }
      case dbByte:
      case dbInteger:
      case dbLong:
        if (is_text) {
          std::int64_t i = 0;
          if (rtl::TryStrToInt64(text.trimmed(), i)) return IntegerOf(static_cast<double>(i), type);
          return IntegerOf(TextToNumber(text), type);
        }
        if (value.Type() == rtl::VarType::Bytes) ConversionError();
        if (value.Type() == rtl::VarType::Boolean) return rtl::Variant(value.AsBoolean() ? -1 : 0);
        return IntegerOf(value.AsDouble(), type);
      case dbCurrency:
      case dbSingle:
      case dbDouble: {
        double d = 0;
        if (is_text)
          d = TextToNumber(text);
        else if (value.Type() == rtl::VarType::Bytes)
          ConversionError();
        else if (value.Type() == rtl::VarType::Boolean)
          d = value.AsBoolean() ? -1 : 0;
        else
          d = value.AsDouble();
        if (!std::isfinite(d)) ConversionError();
        if (type == dbCurrency) return rtl::Variant::FromCurrency(d);
        if (type == dbSingle) return rtl::Variant(static_cast<double>(static_cast<float>(d)));
        return rtl::Variant(d);
      }
      case dbDate: {
        if (is_text) {
          rtl::TDateTime dt = 0;
          const QString t = text.trimmed();
          if (rtl::TryStrToDateTime(t, dt) || rtl::TryStrToDate(t, dt) || rtl::TryStrToTime(t, dt))
            return rtl::Variant::FromDate(dt);
          ConversionError();
        }
        if (value.Type() == rtl::VarType::Bytes || value.Type() == rtl::VarType::Boolean) ConversionError();
        return rtl::Variant::FromDate(value.AsDouble());
      }
      default: {
        QByteArray bytes;
        if (type == dbGUID && is_text) {
          // "{guid {...}}" as the data components write it, or the bare braced form.
          QString t = text.trimmed();
          if (t.startsWith(QLatin1String("{guid "), Qt::CaseInsensitive) && t.endsWith(QLatin1Char('}')))
            t = t.mid(6, t.size() - 7).trimmed();
          const QUuid id(t);
          if (id.isNull() && t.count(QLatin1Char('0')) != 32) ConversionError();
          bytes = id.toRfc4122();
        } else {
          bytes = value.Type() == rtl::VarType::Bytes ? value.AsBytes() : value.AsString().toUtf8();
        }
        if (type == dbGUID && bytes.size() != 16) ConversionError();
        if (type == dbBinary && field.size > 0 && bytes.size() > field.size) TooSmall();
        return rtl::Variant(bytes);
      }
    }
  } catch (const EJetError &) {
    throw;
  } catch (const rtl::Exception &) {
    ConversionError();
  }
}

rtl::Variant EvaluateDefault(Store &store, const FieldInfo &field) {
  const QString text = field.default_value.trimmed();
  if (text.isEmpty() || text.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
    return field.type == dbBoolean ? rtl::Variant(false) : rtl::Variant::Null();
  try {
    // Literals are read in the engine's own syntax ("." decimals), not the locale.
    bool ok = false;
    const double number = QLocale::c().toDouble(text, &ok);
    if (ok) return ConvertForField(rtl::Variant(number), field);
    if (text.size() >= 2 && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\'')) &&
        text.back() == text.front()) {
      QString inner = text.mid(1, text.size() - 2);
      inner.replace(QString(2, text.front()), QString(text.front()));
      return ConvertForField(rtl::Variant(inner), field);
    }
    bool b = false;
    const QString lower = text.toLower();
    if (lower == QLatin1String("true") || lower == QLatin1String("yes")) b = true;
    if (lower == QLatin1String("true") || lower == QLatin1String("yes") || lower == QLatin1String("false") ||
        lower == QLatin1String("no"))
      return ConvertForField(rtl::Variant(b ? -1 : 0), field);
    const QString sql = TranslateCriteria(text, {});
    Stmt st = store.Prepare(QStringLiteral("SELECT ") + sql);
    if (!st.Step()) return rtl::Variant::Null();
    return ConvertForField(st.Value(0, field.type == dbDate ? dbDate : 0), field);
  } catch (const rtl::Exception &) {
    // A default the engine cannot evaluate leaves the field empty rather
    // than blocking every new row.
    return field.type == dbBoolean ? rtl::Variant(false) : rtl::Variant::Null();
  }
}

}  // namespace detail

int FieldInfo::DefaultSize(int type) {
  switch (type) {
    case dbBoolean:
    case dbByte:
      return 1;
    case dbInteger:
      return 2;
    case dbLong:
    case dbSingle:
      return 4;
    case dbCurrency:
    case dbDouble:
    case dbDate:
      return 8;
    case dbGUID:
      return 16;
    case dbText:
      return 255;
    default:
      return 0;
  }
}

Field::Field(const QString &name, int type, int size) {
  info_.name = name;
  info_.type = type;
  info_.size = type == dbText ? (size > 0 ? size : 255) : (size > 0 ? size : FieldInfo::DefaultSize(type));
}

bool Field::HasProperty(const QString &name) const { return info_.properties.count(name.toLower()) > 0; }

QString Field::Property(const QString &name) const {
  auto it = info_.properties.find(name.toLower());
  if (it == info_.properties.end()) detail::Raise(kErrPropertyNotFound, QStringLiteral("Property not found."));
  return it->second;
}

void Field::SetProperty(const QString &name, const QString &value) { info_.properties[name.toLower()] = value; }

}  // namespace jet
