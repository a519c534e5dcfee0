// Text, number, date and file helpers of the run-time, with the platform's
// semantics: numbers and dates are formatted and parsed in the locale of
// the moment (FormatSettings()), strings are 1-based where the platform's
// are (Pos, Copy), and a text that is not a number or a date raises
// EConvertError with the platform's message. Format() takes its arguments
// as Variants: Format("%s: %d", {name, count}).
#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>

#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/variant.h"

namespace rtl {

// ---- strings ---------------------------------------------------------------

// Trim removes blanks and control characters (<= ' ') from both ends.
QString Trim(const QString &s);
QString TrimLeft(const QString &s);
QString TrimRight(const QString &s);
// UpperCase/LowerCase change only 'a'..'z' / 'A'..'Z'; the Ansi forms every
// letter (accented ones included).
QString UpperCase(const QString &s);
QString LowerCase(const QString &s);
QString AnsiUpperCase(const QString &s);
QString AnsiLowerCase(const QString &s);
// <0, 0, >0. CompareText ignores the case of ASCII letters; the Ansi forms
// compare by the locale's letters (case-insensitive for the Text forms).
int CompareStr(const QString &a, const QString &b);
int CompareText(const QString &a, const QString &b);
int AnsiCompareStr(const QString &a, const QString &b);
int AnsiCompareText(const QString &a, const QString &b);
bool SameText(const QString &a, const QString &b);
bool AnsiSameText(const QString &a, const QString &b);
// 'it''s' style quoting with single quotes / any quote character.
QString QuotedStr(const QString &s);
QString AnsiQuotedStr(const QString &s, QChar quote);
// Removes the surrounding quotes and undoubles inner ones; a text that does
// not start with `quote` is returned unchanged.
QString AnsiDequotedStr(const QString &s, QChar quote);
// Reads a quoted text starting at `pos` (0-based, moved past it).
QString AnsiExtractQuotedStr(const QString &s, int &pos, QChar quote);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
QString StringReplace(const QString &s, const QString &old_pattern, const QString &new_pattern,
                      TReplaceFlags flags = 0);
// 1-based position of `sub` in `s`; 0 when absent.
int Pos(const QString &sub, const QString &s);
int PosEx(const QString &sub, const QString &s, int offset = 1);
// 1-based, clamped: Copy("abc", 2, 10) == "bc", Copy("abc", 0, 2) == "ab".
QString Copy(const QString &s, int index, int count);
// Removes `count` characters from 1-based `index`, in place.
void Delete(QString &s, int index, int count);
// Inserts `sub` before 1-based `index` (clamped), in place.
void Insert(const QString &sub, QString &s, int index);
QString StringOfChar(QChar c, int count);
QString DupeString(const QString &s, int count);
QString AdjustLineBreaks(const QString &s);  // any line break to CR LF
bool IsValidIdent(const QString &s);
bool StartsText(const QString &sub, const QString &s);
bool EndsText(const QString &sub, const QString &s);

// ---- integers ---------------------------------------------------------------

QString IntToStr(std::int64_t value);
QString IntToHex(std::int64_t value, int digits);
// Decimal, with an optional sign and blanks around; "$" or "0x" gives hex.
// Failure raises EConvertError "'x' is not a valid integer value".
bool TryStrToInt(const QString &s, int &value);
int StrToInt(const QString &s);
int StrToIntDef(const QString &s, int def);
bool TryStrToInt64(const QString &s, std::int64_t &value);
std::int64_t StrToInt64(const QString &s);
std::int64_t StrToInt64Def(const QString &s, std::int64_t def);
// "True"/"False" (any case), or a number (non-zero is true). Failure raises
// EConvertError "'x' is not a valid boolean value".
bool TryStrToBool(const QString &s, bool &value);
bool StrToBool(const QString &s);
bool StrToBoolDef(const QString &s, bool def);
// "True"/"False" when use_bool_strs, else "-1"/"0".
QString BoolToStr(bool value, bool use_bool_strs = false);

// ---- floating point ----------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The shortest exact text, 15 significant digits, "E" for large and small
// magnitudes: FloatToStr(1234.5) == "1234,5" with the Italian settings.
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings &fs);
// Formats in a style:
//   ffGeneral: shortest of fixed and exponent in `precision` digits; digits
//              is the minimum exponent digits.
//   ffExponent: d.ddddE+xxxx with `precision` digits, `digits` exponent digits.
//   ffFixed / ffNumber: `digits` decimals (ffNumber groups thousands);
//              exponent notation when the value needs more than `precision`
//              digits in its integer part.
//   ffCurrency: as ffNumber with the currency string and the locale's
//              positive/negative currency format.
// NaN and infinities give "NAN", "INF", "-INF".
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings &fs);
// Money values as text: CurrToStr is the general format (no currency
// string: 12.5 -> "12,5"); CurrToStrF formats with precision 19, so
// CurrToStrF(v, ffCurrency, 2) gives "1.234,50 €".
QString CurrToStr(double value);
QString CurrToStrF(double value, TFloatFormat format, int digits);
// Formats with a format text:
//   "0" a digit always shown, "#" a digit shown when significant, "." the
//   decimal separator (the first one), "," anywhere before it turns on
//   thousands grouping, "E+"/"E-"/"e+"/"e-" followed by up to four "0" an
//   exponent, '...' and "..." literal text, any other character as it is.
//   Up to three sections split by ";": positive, negative, zero; an empty
//   negative section uses the positive one (with a minus), an empty zero
//   section the positive one. The value is rounded half away from zero to
//   the decimals shown, before the section is chosen: -0.005 with "0.00"
//   gives "-0,01". An empty format gives FloatToStr.
QString FormatFloat(const QString &format, double value);
QString FormatFloat(const QString &format, double value, const TFormatSettings &fs);
QString FormatCurr(const QString &format, double value);

// Decimal text in the locale: the locale's decimal separator, optional
// sign, optional exponent, blanks around; no thousands separators.
// Failure raises EConvertError "'x' is not a valid floating point value".
bool TryStrToFloat(const QString &s, double &value);
bool TryStrToFloat(const QString &s, double &value, const TFormatSettings &fs);
double StrToFloat(const QString &s);
double StrToFloat(const QString &s, const TFormatSettings &fs);
double StrToFloatDef(const QString &s, double def);
bool TryStrToCurr(const QString &s, double &value);
double StrToCurr(const QString &s);

// ---- dates and times ------------------------------------------------------------

// Format letters (case-insensitive):
//   c        short date, then the long time when the time is not 0
//   d dd     day, dd two digits; ddd dddd short/long day name;
//   ddddd    short date; dddddd long date
//   e ee     year of the era (as y / yy)
//   g gg     era name (empty)
//   m mm     month, or minutes right after h/hh; mmm mmmm month names
//   yy yyyy  year in two / four digits
//   h hh     hour (12-hour when an am/pm specifier follows)
//   n nn     minutes; s ss seconds; z zzz milliseconds
//   t tt     short / long time
//   am/pm a/p  the 12-hour marker in the given case; ampm the locale's
//   /        date separator; :  time separator
//   '...' "..." literal text; any other character as it is
// An empty format behaves as "c".
QString FormatDateTime(const QString &format, TDateTime dt);
QString FormatDateTime(const QString &format, TDateTime dt, const TFormatSettings &fs);
QString DateToStr(TDateTime dt);
QString TimeToStr(TDateTime dt);
QString DateTimeToStr(TDateTime dt);  // the time only when not 0

// Dates in the order of the locale's ShortDateFormat, separated by the date
// separator ("/", "-" and "." accepted too): day, month and year; a missing
// year is the current one; two-digit years follow TwoDigitYearCenturyWindow.
// Times: hours[:minutes[:seconds[.ms]]] with an optional AM/PM marker.
// Failure raises EConvertError "'x' is not a valid date" (time, date and
// time).
bool TryStrToDate(const QString &s, TDateTime &value);
bool TryStrToDate(const QString &s, TDateTime &value, const TFormatSettings &fs);
TDateTime StrToDate(const QString &s);
TDateTime StrToDateDef(const QString &s, TDateTime def);
bool TryStrToTime(const QString &s, TDateTime &value);
bool TryStrToTime(const QString &s, TDateTime &value, const TFormatSettings &fs);
TDateTime StrToTime(const QString &s);
TDateTime StrToTimeDef(const QString &s, TDateTime def);
bool TryStrToDateTime(const QString &s, TDateTime &value);
bool TryStrToDateTime(const QString &s, TDateTime &value, const TFormatSettings &fs);
TDateTime StrToDateTime(const QString &s);
TDateTime StrToDateTimeDef(const QString &s, TDateTime def);

// ---- Format ---------------------------------------------------------------------

// "%" [index ":"] ["-"] [width] ["." precision] type, with width and
// precision given as numbers or "*" (taken from the arguments):
//   d u    integers (u: unsigned 32-bit view); precision = minimum digits
//   x      hexadecimal upper case
//   e f g n m   floating point (n with thousands separators, m money);
//          f/n/m default to 2 decimals (m: CurrencyDecimals)
//   s      text (a String argument; precision truncates)
//   p      pointer-sized hex (an integer argument)
//   %%     a percent sign
// An argument of the wrong kind, a missing argument or a malformed
// specifier raises EConvertError "Format 'x' invalid or incompatible with
// argument".
QString Format(const QString &format, std::initializer_list<Variant> args);
QString Format(const QString &format, const std::vector<Variant> &args);
QString Format(const QString &format, const std::vector<Variant> &args, const TFormatSettings &fs);

// ---- files --------------------------------------------------------------------

// Paths use "/" on this system; "\\" is also taken as a delimiter when
// splitting, because stored settings may hold Windows paths.
QString IncludeTrailingPathDelimiter(const QString &path);
QString ExcludeTrailingPathDelimiter(const QString &path);
QString IncludeTrailingBackslash(const QString &path);
QString ExtractFilePath(const QString &file_name);  // with the delimiter
QString ExtractFileDir(const QString &file_name);   // without it
QString ExtractFileName(const QString &file_name);
QString ExtractFileExt(const QString &file_name);  // ".ext" or ""
QString ChangeFileExt(const QString &file_name, const QString &ext);
QString ExpandFileName(const QString &file_name);
bool FileExists(const QString &file_name);
bool DirectoryExists(const QString &dir);
bool ForceDirectories(const QString &dir);
bool CreateDir(const QString &dir);
bool RemoveDir(const QString &dir);
bool DeleteFile(const QString &file_name);
bool RenameFile(const QString &old_name, const QString &new_name);
bool CopyFile(const QString &from, const QString &to, bool fail_if_exists);
std::int64_t FileSize(const QString &file_name);  // -1 when missing
// File time as a TDateTime (local time); -1 when missing.
TDateTime FileAge(const QString &file_name);
QString GetCurrentDir();
bool SetCurrentDir(const QString &dir);

}  // namespace rtl
