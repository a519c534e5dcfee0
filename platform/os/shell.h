// Handing things to the desktop: opening a document with the program the
// desktop associates with it, a web address in the browser, a mail address
// in the mailer (the platform's ShellExecute "open"), a new message with
// attachments in the mail program, and the warning beep.
//
// Both go through replaceable functions so that tests can see what would be
// opened or heard without starting programs.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace os {

// The platform's sound ids for MessageBeep.
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_ICONHAND = 0x00000010;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
inline constexpr unsigned MB_ICONASTERISK = 0x00000040;

// What the target names once resolved: a URL for the desktop, or a program
// to start with its arguments.
struct ShellTarget {
  QUrl url;         // documents, folders, web and mail addresses
  QString program;  // executables
  QStringList arguments;
  QString directory;  // working directory of a started program
};

// Opens `file` (a path, relative to `directory` when not absolute, or a URL
// such as "http://..." or "mailto:...") with `operation` "open" or empty.
// Executables are started with `parameters` (split like a command line).
// Returns true when the desktop accepted the request; false for a missing
// file, an unknown operation or a refusal.
bool ShellExecute(const QString &operation, const QString &file, const QString &parameters = QString(),
                  const QString &directory = QString());
// ShellExecute("open", target).
bool ShellOpen(const QString &target);

// Opens a new message in the desktop's mail program with `subject` and
// the files attached, through `xdg-email` (found on the PATH). The program
// runs on its own; the files must stay until it has read them, so callers
// put them in HandOverFolder(). Returns false when `xdg-email` is missing;
// `done`, when given, is called from the event loop once `xdg-email` has
// answered: true when the mail program took the message, false when there
// is none (or it refused).
using MailDone = std::function<void(bool taken)>;
bool SendMail(const QString &subject, const QStringList &attachments, MailDone done = {});
// A new folder of the program's own for files handed to other programs:
// it and everything in it are removed when the program ends, not before.
QString HandOverFolder();

// Resolves what ShellExecute would open; false when there is nothing to
// open (missing file, empty name).
bool ResolveShellTarget(const QString &file, const QString &parameters, const QString &directory, ShellTarget &target);

// Replaces what opens a resolved target (tests); an empty function restores
// the desktop's. Returns the previous one.
using ShellOpener = std::function<bool(const ShellTarget &target)>;
ShellOpener SetShellOpener(ShellOpener opener);

void MessageBeep(unsigned type = MB_OK);
void Beep();
// Replaces what makes the sound; an empty function restores the default
// (the display's bell, or the terminal's without a display). Returns the
// previous one.
using Beeper = std::function<void(unsigned type)>;
Beeper SetBeeper(Beeper beeper);

}  // namespace os
