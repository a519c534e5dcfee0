// The one Windows-1252 codec of the program. Every 8-bit text the program
// reads or writes (ini files, string lists on disk, templates, finished
// reports, exports, short strings in streams) goes through it, so that the
// euro sign is the byte 0x80 everywhere and no code page depends on the
// process locale.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace rtl {

// The system's ANSI code page, as the export settings show it.
inline constexpr int kAnsiCodePage = 1252;

// Bytes to text. Every byte maps to one character; the five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same value, so any byte string round-trips.
QString FromCp1252(const QByteArray &bytes);
QString FromCp1252(const char *data, qsizetype size);
QChar FromCp1252Char(unsigned char byte);

// Text to bytes. A character the code page cannot hold becomes '?', one
// per character (a surrogate pair is one character).
QByteArray ToCp1252(const QString &text);
// The byte for one character, or '?' when it has none.
char ToCp1252Char(QChar c);
// True when every character of `text` has a byte of its own.
bool IsCp1252(const QString &text);

}  // namespace rtl
