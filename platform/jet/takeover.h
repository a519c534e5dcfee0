// Taking over a Jet database: a shop that moves to this program brings the
// archive the platform's engine wrote (a Jet 3 or Jet 4 file). Opening such a
// file for writing converts it into the engine's own format: every user
// table with its columns, keys and indexes, every row, and the stored
// queries' SQL are written into a new file beside the original; the new file
// is checked (integrity, the row count of every table against the Jet file's
// own); the original is kept, byte for byte, under a name that says what it
// is ("orbisca4 (Jet).mdb"); and the new file takes the original's name in
// one atomic rename. Any failure leaves the original under its own name and
// nothing else in the folder, and says why.
//
// The Jet file is read by a separate process (the converter, the program
// tools/orbisca-jet-convert run with kReaderFlag): the reader library is not
// hardened against damaged files, so a file that makes it crash, loop or eat
// memory costs the converter process and never the program. The converter
// writes into an unnamed file of the target folder that only gets a name once
// it has been checked, so a conversion killed half-way leaves nothing behind.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/jet/jeterror.h"

namespace jet {

// A conversion that failed. The text (Italian) says why and that the
// original was not changed.
class ETakeoverError : public EJetError {
 public:
  using EJetError::EJetError;
  const char *ClassName() const override { return "ETakeoverError"; }
  bool InheritsFrom(const char *class_name) const override;
};

struct TakeoverTable {
  QString name;
  qint64 rows = 0;
};

// A stored query the engine's translator cannot run: kept with its text.
struct TakeoverQuery {
  QString name;
  QString sql;
  QString reason;
};

struct TakeoverSummary {
  QString file;      // the converted archive
  QString original;  // where the Jet file is kept; empty when it was not moved
  QString format;    // "Jet 3" or "Jet 4"
  std::vector<TakeoverTable> tables;
  QStringList queries;  // every stored query, in the Jet file's order
  std::vector<TakeoverQuery> untranslated;
  QStringList notes;  // what was not carried over exactly
  qint64 jet_bytes = 0;
  qint64 new_bytes = 0;

  qint64 TotalRows() const;
  // The notice the user reads once, in Italian.
  QString Notice() const;
  // Everything, for the converter's output: tables, rows, queries, notes.
  QString Report() const;
};

struct TakeoverOptions {
  // Rows copied so far, of all tables; called from the caller's thread.
  std::function<void(qint64 done, qint64 total, const QString &table)> progress;
  // A reader that reports nothing for this long is stopped.
  static constexpr int kStallSeconds = 60;
  int stall_seconds = kStallSeconds;
};

// Converts the Jet file at `path` in place, as described above. Raises
// ETakeoverError with an Italian text ending in the assurance that the original
// was not changed: 3049 for a damaged file, 3343 for a format not taken
// over, 3260 when another program holds the file, 3000 otherwise.
TakeoverSummary TakeOverJetFile(const QString &path, const TakeoverOptions &options = {});

// Writes the converted copy of the Jet file into `target`, which must not
// exist; the Jet file stays where it is.
TakeoverSummary ConvertJetFile(const QString &jet_path, const QString &target, const TakeoverOptions &options = {});

// The name the original is kept under, in its own folder:
// "orbisca4 (Jet).mdb", then "orbisca4 (Jet 2).mdb"...
QString KeptJetName(const QString &path, int attempt);

// What opening a file for writing does with a Jet file: the progress of the
// conversion goes here (the program shows it while it opens its archives).
void SetTakeoverProgress(std::function<void(qint64 done, qint64 total, const QString &table)> progress);
const TakeoverOptions &OpeningTakeoverOptions();

// The converter process. The converter program calls RunJetReader when its
// first argument is kReaderFlag; nothing else should.
inline constexpr const char kReaderFlag[] = "--lettore-jet";
int RunJetReader(int argc, char **argv);

}  // namespace jet
