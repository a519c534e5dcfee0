// Text conversions shared by the DAO components.
//
// The table keeps every column of a buffered row as text (dates as a day
// number and milliseconds, booleans as "True"/"False", GUIDs as "{guid
// {...}}"), and talks to the engine in Jet criteria and Jet SQL: names in
// brackets, double-quoted strings, numbers with a "." decimal point, dates
// between "#" signs month first. Everything here is a pure function of its
// arguments (and of the locale of the moment where it says so), so the
// table, the find dialogs and the tests share one implementation.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "platform/rtl/variant.h"

namespace dao {

// ---------------------------------------------------------------------------
// Row value texts.

// "<day number> <milliseconds>", day 1 being 1 January of year 1; a time
// of day alone stands on 30 December 1899 (day 693594).
QString TimeStampText(rtl::TDateTime value);
// The same text read back. Anything but two integers separated by one blank
// gives no value (Null).
std::optional<rtl::TDateTime> TimeStampTextToDateTime(const QString &text);
// The two numbers of a time stamp text; false when the text is not one.
bool SplitTimeStampText(const QString &text, int &day, int &msecs);

// "{guid {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}}" from the 16 bytes of a
// GUID in memory order (the first three groups little-endian). The all-zero
// GUID and a byte array of another length give an empty text.
QString GuidText(const QByteArray &bytes);
// The braced 38-character form alone ("{...}"), upper-case.
QString GuidBraced(const QByteArray &bytes);
// Parses a GUID written braced ("{...}", 38 characters), bare (36) or as
// value text ("{guid {...}}"); no value when the text is none of these.
std::optional<QByteArray> GuidBytes(const QString &text);

// A boolean value text as the buffer stores it: "=" prefix dropped;
// "false"/"no"/"off" and an empty remainder 0, "true"/"yes"/"on"/"-1" 1,
// any other integer itself; no value when nothing applies.
std::optional<int> BooleanTextValue(const QString &text);

// ---------------------------------------------------------------------------
// Names, literals and criteria in the engine's dialect.

// A field name for criteria and SQL: with brackets, a dotted name has each
// part bracketed ("[a].[b]"); brackets already present are not doubled.
QString BracketName(const QString &name, bool use_brackets = true);
// A string literal: double quotes, inner double quotes doubled.
QString QuoteString(const QString &text);
// LIKE pattern text: each of ! # * - ? [ ] wrapped in brackets.
QString EscapeLike(const QString &text);
// A number as the engine reads it: "." decimal point, no grouping. Numeric
// variants are written exactly; text in the locale's form has its thousands
// separators removed and its decimal separator turned into ".".
QString NumberText(const rtl::Variant &value);
QString NumberTextFromLocale(const QString &text);
// Date literals, month first: "mm/dd/yyyy", "hh:nn:ss" and both.
QString DateLiteralBody(rtl::TDateTime value);
QString TimeLiteralBody(rtl::TDateTime value);
QString DateTimeLiteralBody(rtl::TDateTime value);
// Clean-up of a typed date text before it is parsed: only digits, "/", the
// locale's date and time separators and single blanks survive. With
// `cut_time`, the text ends where a time part would begin.
QString NormalizeDateText(const QString &text, bool cut_time);
// A key value for a date, time or date-time column as a moment: date
// variants as they are, text cleaned and parsed in the locale's order.
std::optional<rtl::TDateTime> KeyDateTime(const rtl::Variant &value);

// What a key or parameter value is compared as.
enum class ValueKind {
  Text,    // string, memo, byte blob
  Number,  // integers, floats, currency, BCD, auto-increment
  Boolean,
  Date,
  Time,
  DateTime,
  Guid,
  Bytes,  // other byte columns: quoted, quotes not doubled
  Unknown,
};

// Search options of the locate family.
struct SearchOptions {
  bool case_insensitive = false;
  bool partial_key = false;
};

// One criteria term "(<name> <comparison>)" for a locate or find key. The
// value "NULL" (and a Null variant) searches IS NULL. A partial text key is
// a prefix: LIKE "value*". Throws EDatabaseError `failure_text` for a kind
// that cannot be compared or a date that does not parse.
QString LookupTerm(const QString &field, ValueKind kind, const rtl::Variant &value, SearchOptions options,
                   bool use_brackets, const QString &failure_text = QStringLiteral("Unable to build Lookup Key SQL!"));
// Terms joined by " AND ".
QString JoinTerms(const QStringList &terms);

// Key lists: "a;b ; c" -> {"a","b","c"}.
QStringList SplitKeyFields(const QString &fields);
// The key values as a list: an array gives its items, anything else one.
std::vector<rtl::Variant> SplitKeyValues(const rtl::Variant &values);

// The sort text the engine receives for the SortedBy lines: each line but
// the last followed by ", ", the last by " ". Empty for no lines.
QString SortText(const QStringList &lines);

// MasterFields: one line with ";" pairs equal names; otherwise lines
// "detail -> master" (lines without " -> " are ignored).
struct FieldPair {
  QString detail;
  QString master;
};
QList<FieldPair> ParseMasterFields(const QStringList &lines);

// ---------------------------------------------------------------------------
// Parameters of an SQL text.

struct SqlParameter {
  QString name;
  ValueKind kind = ValueKind::Text;
  rtl::Variant value;
};

// Replaces every whole-word ":name" (case ignored, outside quoted literals)
// by the parameter's literal. A Null value gives a valid test: "= :p"
// becomes "IS NULL" and "<> :p" "IS NOT NULL" in conditions; elsewhere
// (assignments, value lists) the literal Null.
QString SubstituteParams(const QString &sql, const std::vector<SqlParameter> &params);
// The literal written for one non-Null parameter value.
QString ParameterLiteral(ValueKind kind, const rtl::Variant &value);

}  // namespace dao
