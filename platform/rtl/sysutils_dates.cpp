// Dates and times as text: FormatDateTime with the run-time's format letters
// and the parsers that read dates in the order of the locale's short date
// format.
#include <cmath>

#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

QString Pad(int value, int width) { return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); }

bool IsLetter(QChar c, char upper) {
  return c.unicode() == static_cast<ushort>(upper) || c.unicode() == static_cast<ushort>(upper + 32);
}

// Whether an am/pm marker follows in `format` from `from`, which turns the
// hours into a 12-hour clock.
bool AmPmFollows(const QString &format, int from) {
  for (int i = from; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int end = format.indexOf(c, i + 1);
      if (end < 0) return false;
      i = end;
      continue;
    }
    if (IsLetter(c, 'A')) {
      const QString rest = format.mid(i);
      if (rest.startsWith(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
          rest.startsWith(QLatin1String("A/P"), Qt::CaseInsensitive) ||
          rest.startsWith(QLatin1String("AMPM"), Qt::CaseInsensitive))
        return true;
    }
  }
  return false;
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime dt, const TFormatSettings &fs) : dt_(dt), fs_(fs) {
    DecodeDate(dt, year_, month_, day_);
    DecodeTime(dt, hour_, min_, sec_, msec_);
  }

  QString Write(const QString &format, int depth = 0) {
    QString out;
    // Nested formats (c, ddddd, t) may not nest again: a locale whose date
    // format names itself must not recurse without end.
    if (depth > 2) return out;
    const QString fmt = format.isEmpty() && depth == 0 ? QStringLiteral("c") : format;
    QChar last_token;
    const int n = fmt.size();
    int i = 0;
    while (i < n) {
      const QChar c = fmt[i];
      if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        const int end = fmt.indexOf(c, i + 1);
        const int stop = end < 0 ? n : end;
        out += fmt.mid(i + 1, stop - i - 1);
        i = stop + 1;
        continue;
      }
      char token = static_cast<char>(c.toUpper().unicode() < 128 ? c.toUpper().unicode() : 0);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && last_token == QLatin1Char('H')) token = 'N';
        last_token = QLatin1Char(token);
      }
      auto run = [&](QChar letter_upper) {
        int j = i;
        while (j < n && fmt[j].toUpper() == letter_upper) ++j;
        return j - i;
      };
      switch (token) {
        case 'Y': {
          const int cnt = run(QLatin1Char('Y'));
          out += cnt <= 2 ? Pad(year_ % 100, 2) : Pad(year_, 4);
          i += cnt;
          break;
        }
        case 'M': {
          const int cnt = run(QLatin1Char('M'));
          if (cnt <= 2)
            out += Pad(month_, cnt);
          else if (cnt == 3)
            out += fs_.ShortMonthNames[month_ - 1];
          else
            out += fs_.LongMonthNames[month_ - 1];
          i += cnt;
          break;
        }
        case 'D': {
          const int cnt = run(QLatin1Char('D'));
          const int dow = DayOfWeek(dt_) - 1;
          switch (cnt) {
            case 1:
              out += QString::number(day_);
              break;
            case 2:
              out += Pad(day_, 2);
              break;
            case 3:
              out += fs_.ShortDayNames[dow];
              break;
            case 4:
              out += fs_.LongDayNames[dow];
              break;
            case 5:
              out += Write(fs_.ShortDateFormat, depth + 1);
              break;
            default:
              out += Write(fs_.LongDateFormat, depth + 1);
              break;
          }
          i += cnt;
          break;
        }
        case 'E': {
          const int cnt = run(QLatin1Char('E'));
          out += cnt <= 1 ? QString::number(year_) : Pad(year_ % 100, 2);
          i += cnt;
          break;
        }
        case 'G':
          i += run(QLatin1Char('G'));  // no era names in this calendar
          break;
        case 'H': {
          const int cnt = run(QLatin1Char('H'));
          int h = hour_;
          if (AmPmFollows(fmt, i + cnt)) {
            h = hour_ % 12;
            if (h == 0) h = 12;
          }
          out += cnt <= 1 ? QString::number(h) : Pad(h, 2);
          i += cnt;
          break;
        }
        case 'N': {
          // Also "m" right after an hour.
          int cnt = 0;
          while (i + cnt < n &&
                 (fmt[i + cnt].toUpper() == QLatin1Char('N') || fmt[i + cnt].toUpper() == QLatin1Char('M')) &&
                 fmt[i + cnt].toUpper() == fmt[i].toUpper())
            ++cnt;
          out += cnt <= 1 ? QString::number(min_) : Pad(min_, 2);
          i += cnt;
          break;
        }
        case 'S': {
          const int cnt = run(QLatin1Char('S'));
          out += cnt <= 1 ? QString::number(sec_) : Pad(sec_, 2);
          i += cnt;
          break;
        }
        case 'Z': {
          const int cnt = run(QLatin1Char('Z'));
          out += cnt <= 1 ? QString::number(msec_) : Pad(msec_, 3);
          i += cnt;
          break;
        }
        case 'T': {
          const int cnt = run(QLatin1Char('T'));
          out += Write(cnt <= 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1);
          i += cnt;
          break;
        }
        case 'C': {
          i += run(QLatin1Char('C'));
          out += Write(fs_.ShortDateFormat, depth + 1);
          if (hour_ != 0 || min_ != 0 || sec_ != 0 || msec_ != 0)
            out += QLatin1Char(' ') + Write(fs_.LongTimeFormat, depth + 1);
          break;
        }
        case 'A': {
          const QString rest = fmt.mid(i);
          const bool pm = hour_ >= 12;
          if (rest.startsWith(QLatin1String("AM/PM"), Qt::CaseInsensitive)) {
            // The case of the first letter chooses the case of the marker.
            const QString m = pm ? QStringLiteral("pm") : QStringLiteral("am");
            out += rest[0].isLower() ? m : m.toUpper();
            i += 5;
          } else if (rest.startsWith(QLatin1String("A/P"), Qt::CaseInsensitive)) {
            const QChar m = pm ? QLatin1Char('p') : QLatin1Char('a');
            out += rest[0].isLower() ? m : m.toUpper();
            i += 3;
          } else if (rest.startsWith(QLatin1String("AMPM"), Qt::CaseInsensitive)) {
            out += pm ? fs_.TimePMString : fs_.TimeAMString;
            i += 4;
          } else {
            out += c;
            ++i;
          }
          break;
        }
        default:
          if (c == QLatin1Char('/'))
            out += fs_.DateSeparator;
          else if (c == QLatin1Char(':'))
            out += fs_.TimeSeparator;
          else
            out += c;
          ++i;
          break;
      }
    }
    return out;
  }

 private:
  TDateTime dt_;
  const TFormatSettings &fs_;
  int year_ = 0, month_ = 0, day_ = 0;
  int hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
};

}  // namespace

QString FormatDateTime(const QString &format, TDateTime dt, const TFormatSettings &fs) {
  return DateTimeWriter(dt, fs).Write(format);
}

QString FormatDateTime(const QString &format, TDateTime dt) { return FormatDateTime(format, dt, FormatSettings()); }

QString DateToStr(TDateTime dt) { return FormatDateTime(QStringLiteral("ddddd"), dt); }
QString TimeToStr(TDateTime dt) { return FormatDateTime(QStringLiteral("tt"), dt); }
QString DateTimeToStr(TDateTime dt) { return FormatDateTime(QStringLiteral("c"), dt); }

// ---- parsing --------------------------------------------------------------------

namespace {

enum class DateOrder { DMY, MDY, YMD };

DateOrder OrderOf(const QString &short_format) {
  for (QChar c : short_format) {
    const QChar u = c.toUpper();
    if (u == QLatin1Char('D')) return DateOrder::DMY;
    if (u == QLatin1Char('M')) return DateOrder::MDY;
    if (u == QLatin1Char('Y')) return DateOrder::YMD;
  }
  return DateOrder::DMY;
}

class Scanner {
 public:
  Scanner(const QString &s, const TFormatSettings &fs) : s_(s), fs_(fs) {}

  void SkipBlanks() {
    while (pos_ < s_.size() && s_[pos_] == QLatin1Char(' ')) ++pos_;
  }
  bool AtEnd() const { return pos_ >= s_.size(); }
  int Pos() const { return pos_; }
  void SetPos(int p) { pos_ = p; }

  // Digits; `count` receives how many were read (leading zeros included).
  bool Number(int &value, int &count) {
    SkipBlanks();
    value = 0;
    count = 0;
    while (pos_ < s_.size() && s_[pos_].unicode() >= '0' && s_[pos_].unicode() <= '9') {
      if (count >= 9) return false;  // no date or time field is this long
      value = value * 10 + (s_[pos_].unicode() - '0');
      ++pos_;
      ++count;
    }
    return count > 0;
  }

  bool DateSeparator() {
    SkipBlanks();
    if (pos_ < s_.size()) {
      const QChar c = s_[pos_];
      if (c == fs_.DateSeparator || c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
        ++pos_;
        return true;
      }
    }
    return false;
  }

  bool Char(QChar c) {
    SkipBlanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // An am/pm marker: the locale's strings, "AM"/"PM" or "A"/"P".
  int AmPm() {
    SkipBlanks();
    const QString rest = s_.mid(pos_);
    const QString markers[] = {fs_.TimeAMString,     fs_.TimePMString,    QStringLiteral("AM"),
                               QStringLiteral("PM"), QStringLiteral("A"), QStringLiteral("P")};
    for (int k = 0; k < 6; ++k) {
      const QString &m = markers[k];
      if (!m.isEmpty() && rest.startsWith(m, Qt::CaseInsensitive)) {
        pos_ += m.size();
        return (k % 2 == 0) ? 1 : 2;  // 1 am, 2 pm
      }
    }
    return 0;
  }

 private:
  const QString &s_;
  const TFormatSettings &fs_;
  int pos_ = 0;
};

bool ScanDate(Scanner &sc, const TFormatSettings &fs, TDateTime &out) {
  int n[3] = {0, 0, 0}, len[3] = {0, 0, 0};
  if (!sc.Number(n[0], len[0]) || !sc.DateSeparator() || !sc.Number(n[1], len[1])) return false;
  int count = 2;
  const int before_third = sc.Pos();
  if (sc.DateSeparator()) {
    if (sc.Number(n[2], len[2])) {
      count = 3;
    } else {
      sc.SetPos(before_third);
      // A trailing separator ("25/12/") is allowed only at the end.
      sc.DateSeparator();
    }
  }
  int y, m, d, year_len;
  const DateOrder order = OrderOf(fs.ShortDateFormat);
  if (count == 2) {
    y = YearOf(Date());
    year_len = 4;
    if (order == DateOrder::MDY || order == DateOrder::YMD) {
      m = n[0];
      d = n[1];
    } else {
      d = n[0];
      m = n[1];
    }
  } else {
    switch (order) {
      case DateOrder::MDY:
        m = n[0];
        d = n[1];
        y = n[2];
        year_len = len[2];
        break;
      case DateOrder::YMD:
        y = n[0];
        m = n[1];
        d = n[2];
        year_len = len[0];
        break;
      default:
        d = n[0];
        m = n[1];
        y = n[2];
        year_len = len[2];
        break;
    }
  }
  if (year_len <= 2) y = ExpandTwoDigitYear(y, fs.TwoDigitYearCenturyWindow);
  return TryEncodeDate(y, m, d, out);
}

bool ScanTime(Scanner &sc, const TFormatSettings &fs, TDateTime &out) {
  int marker = sc.AmPm();  // a leading marker is allowed
  int h = 0, m = 0, s = 0, ms = 0, len = 0;
  if (!sc.Number(h, len)) return false;
  bool have_minutes = false;
  auto time_sep = [&] { return sc.Char(fs.TimeSeparator) || sc.Char(QLatin1Char(':')); };
  const int after_hour = sc.Pos();
  if (time_sep()) {
    if (!sc.Number(m, len)) return false;
    have_minutes = true;
    const int after_min = sc.Pos();
    if (time_sep()) {
      if (!sc.Number(s, len)) {
        sc.SetPos(after_min);
      } else if (sc.Char(fs.DecimalSeparator) || sc.Char(QLatin1Char('.'))) {
        if (!sc.Number(ms, len)) return false;
        // "12:30:15.5" is half a second.
        while (len < 3) {
          ms *= 10;
          ++len;
        }
        while (len > 3) {
          ms /= 10;
          --len;
        }
      }
    }
  } else {
    sc.SetPos(after_hour);
  }
  if (marker == 0) marker = sc.AmPm();
  if (!have_minutes && marker == 0) return false;
  if (marker != 0) {
    if (h < 1 || h > 12) return false;
    if (marker == 1 && h == 12) h = 0;
    if (marker == 2 && h < 12) h += 12;
  }
  return TryEncodeTime(h, m, s, ms, out);
}

// The whole text must be one date (or time): blanks may follow, nothing else.
template <typename ScanFn>
bool ScanWhole(const QString &s, const TFormatSettings &fs, ScanFn scan, TDateTime &value) {
  Scanner sc(s, fs);
  TDateTime v = 0;
  if (!scan(sc, fs, v)) return false;
  sc.SkipBlanks();
  if (!sc.AtEnd()) return false;
  value = v;
  return true;
}

using TryParse = bool (*)(const QString &, TDateTime &);

TDateTime ParseOrRaise(const QString &s, TryParse parse, const char *what) {
  TDateTime v = 0;
  if (!parse(s, v)) throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(s, QLatin1String(what)));
  return v;
}

TDateTime ParseOrDefault(const QString &s, TryParse parse, TDateTime def) {
  TDateTime v = 0;
  return parse(s, v) ? v : def;
}

}  // namespace

bool TryStrToDate(const QString &s, TDateTime &value, const TFormatSettings &fs) {
  return ScanWhole(s, fs, ScanDate, value);
}

bool TryStrToDate(const QString &s, TDateTime &value) { return TryStrToDate(s, value, FormatSettings()); }

TDateTime StrToDate(const QString &s) { return ParseOrRaise(s, static_cast<TryParse>(TryStrToDate), "date"); }

TDateTime StrToDateDef(const QString &s, TDateTime def) {
  return ParseOrDefault(s, static_cast<TryParse>(TryStrToDate), def);
}

bool TryStrToTime(const QString &s, TDateTime &value, const TFormatSettings &fs) {
  return ScanWhole(s, fs, ScanTime, value);
}

bool TryStrToTime(const QString &s, TDateTime &value) { return TryStrToTime(s, value, FormatSettings()); }

TDateTime StrToTime(const QString &s) { return ParseOrRaise(s, static_cast<TryParse>(TryStrToTime), "time"); }

TDateTime StrToTimeDef(const QString &s, TDateTime def) {
  return ParseOrDefault(s, static_cast<TryParse>(TryStrToTime), def);
}

bool TryStrToDateTime(const QString &s, TDateTime &value, const TFormatSettings &fs) {
  Scanner sc(s, fs);
  TDateTime d = 0, t = 0;
  if (ScanDate(sc, fs, d)) {
    sc.SkipBlanks();
    if (!sc.AtEnd()) {
      if (!ScanTime(sc, fs, t)) return false;
      sc.SkipBlanks();
      if (!sc.AtEnd()) return false;
    }
    value = d < 0 ? d - t : d + t;
    return true;
  }
  // A time alone is a time on day 0.
  return TryStrToTime(s, value, fs);
}

bool TryStrToDateTime(const QString &s, TDateTime &value) { return TryStrToDateTime(s, value, FormatSettings()); }

TDateTime StrToDateTime(const QString &s) {
  return ParseOrRaise(s, static_cast<TryParse>(TryStrToDateTime), "date and time");
}

TDateTime StrToDateTimeDef(const QString &s, TDateTime def) {
  return ParseOrDefault(s, static_cast<TryParse>(TryStrToDateTime), def);
}

}  // namespace rtl
