// Reading and writing the string lists of the template stream.
//
// Every text of a template (a memo's lines, format texts, font names, the
// printer's name) is stored as a string list whose form depends on the
// stream's version: from version 26 on, a line count and counted lines;
// before that, lines ended by a carriage return and the list by a zero
// byte. The version is the engine's current one (kvglobals.h), set by the
// template reader for the whole read.
#pragma once

#include <QStringList>

namespace rtl {
class TStream;
class TStrings;
}  // namespace rtl

namespace report {

// Longest line the writer stores; longer ones are cut.
inline constexpr int kvMaxStoredLine = 1024;

QStringList ReadStrList(rtl::TStream &stream, int version);
void WriteStrList(rtl::TStream &stream, const QStringList &lines, int version);
// The same for a platform string list, at the engine's current version.
void ReadStrings(rtl::TStream &stream, rtl::TStrings &list);
void WriteStrings(rtl::TStream &stream, const rtl::TStrings &list);
// A list that holds one line: its first line, or "" when it is empty.
QString ReadOneLine(rtl::TStream &stream);
void WriteOneLine(rtl::TStream &stream, const QString &line);

}  // namespace report
