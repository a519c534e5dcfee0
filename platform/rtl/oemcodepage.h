// The OEM character set of the program: code page 850 (the DOS
// multilingual Latin-1 set), the one text exports offer as "OEM" and the
// datasets' OEM/ANSI translation uses. Windows-1252 (cp1252.h) stays the
// program's own 8-bit set; this one is only for files meant for DOS
// programs, which read accented letters at other byte values.
#pragma once

#include <QByteArray>
#include <QString>

namespace rtl {

// The code page number, as the export settings show it.
inline constexpr int kOemCodePage = 850;

// Bytes to text: every byte has a character.
QString FromOem(const QByteArray &bytes);
// Text to bytes. A character the code page cannot hold (the euro sign
// among them) becomes one '?'.
QByteArray ToOem(const QString &text);
// The platform's ANSI-to-OEM and OEM-to-ANSI conversions: Windows-1252
// bytes to code page 850 bytes and back.
QByteArray AnsiToOem(const QByteArray &ansi);
QByteArray OemToAnsi(const QByteArray &oem);

}  // namespace rtl
