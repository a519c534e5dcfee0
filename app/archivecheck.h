// The one judgement of the program's database that every step trusting it
// asks first: the start-up before it opens the tables, the "Backup" command
// and the exit before they repair, compact and archive it. "backup4.cab" is
// the shop's last good copy, so it is replaced only by a database proven
// sound now, never by one in which merely no damage was noticed.
//
// Sound means: the file is there and readable, it is a database of this
// program's engine (not a Jet file, not another program's file, not text or
// zeros), the engine's quick check passes, the engine found no damage in it
// during this run, and it holds the program's tables with their columns and
// its stored queries as app/schema declares them.
//
// The judgement only reads: it opens the file read-only and changes nothing.
#pragma once

#include <QString>

namespace app {

struct TArchiveVerdict {
  enum class TKind {
    Sound,
    Missing,     // no file under the name
    Damaged,     // the engine cannot read it whole (also empty, or bytes of no database)
    JetFormat,   // the old program's format, not converted
    Foreign,     // a file of another program, or no file at all (a folder)
    Incomplete,  // the engine's format without the program's tables or queries
    Unreadable,  // the system does not let the file be read
  };
  TKind kind = TKind::Missing;
  QString file;    // the file judged
  QString detail;  // what exactly (Italian): what is missing, why it cannot be read

  bool Sound() const { return kind == TKind::Sound; }
  // One sentence without its full stop, naming the file: "L'archivio dei
  // dati «…» è danneggiato", "… non ha le tabelle del programma (…)".
  QString Why() const;
  // A short name of the kind for the log: "sound", "damaged", "jet"...
  const char *KindName() const;
};

// Judges the file at `file` as described above.
TArchiveVerdict JudgeArchive(const QString &file);

// Whether the file's first bytes are those of a Jet (or later Access) file.
bool LooksLikeJetFile(const QString &file);

}  // namespace app
