// The program's own temporary files, and files replaced so that a power
// cut cannot lose them.
//
// Every temporary file the program makes (the compacted copy of the
// database, the cabinet being written, the settings file being saved, the
// cabinet's data blocks) is named "~orbisca-<kind>.<process id>.<six
// characters>.tmp", in the folder of the file it will replace or in the
// program's own temporary folder. The name alone tells the program's files
// from the user's, and the process id tells whether the run that made one
// is over: a run that was killed leaves its files behind, and the next start
// removes them (RemoveStaleWorkFiles), never touching another file.
//
// A file replaced by a rename is written under a temporary name, flushed to
// the disk, renamed over the old one, and then the folder is flushed too
// (DurableRename): after a power cut the name holds the old file or the
// whole new one, never a renamed but empty file.
#pragma once

#include <QString>

namespace rtl {

// "orbisca-<user id>" in the system's temporary folder, made private (owner
// only) when missing.
QString ProgramTempFolder();

// Creates a new empty work file of the given kind ("mdb", "cab", "ini",
// "stc") in `folder` and returns its path; an empty string when it cannot
// be made (errno tells why).
QString CreateWorkFile(const QString &folder, const QString &kind);

// Whether the bare file name is a work file, or one that SQLite keeps
// beside a work file ("-journal", "-wal", "-shm"); `pid` gets the id of the
// process that made it.
bool IsWorkFileName(const QString &name, long long *pid = nullptr);

// Removes from `folder` the work files whose process no longer runs; other
// files stay. Returns how many were removed.
int RemoveStaleWorkFiles(const QString &folder);

// Flushes a file's data, or a folder's entries, to the disk.
bool SyncFile(const QString &path);
bool SyncFolder(const QString &folder);

// The file a write to `path` must replace: `path` itself, or, when it is a
// symbolic link (or a chain of them), the file the link names, as an
// absolute path (it need not exist yet). A shop that keeps its data
// elsewhere and links it into the data folder keeps the link, and the
// linked file is the one brought up to date. A loop of links gives `path`.
QString WriteThroughPath(const QString &path);

// Renames `source` over `target` durably (see above); both must be in the
// same file system. A `target` that is a symbolic link is written through
// (WriteThroughPath): the link stays, the file it names is replaced, so
// `source` must be in that file's file system. On failure `source` is left
// as it was and `error` (when given) holds the system's reason.
bool DurableRename(const QString &source, const QString &target, QString *error = nullptr);

}  // namespace rtl
