// Ways a database file gets damaged on a real disk (a cut write, a failing
// sector, a stray program), for the tests of what the engine and the
// program do then. Header only: the tests that use it link SQLite through
// the engine.
#pragma once

#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <QtGlobal>
#include <random>

namespace test_support {

inline QByteArray ReadWholeFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteWholeFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Overwrites the root page of a table or index of the file with bytes that
// no b-tree page holds. Returns false when the object is not found. With
// `as_a_writer`, the file's change counter moves too, as when another
// program writes it: connections open on it read the page again.
inline bool SpoilRootPage(const QString &path, const QString &name, bool as_a_writer = false) {
  sqlite3 *db = nullptr;
  int page = 0, page_size = 0;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt *st = nullptr;
    const QByteArray utf8 = name.toUtf8();
    if (sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &st, nullptr) == SQLITE_OK) {
      sqlite3_bind_text(st, 1, utf8.constData(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(st) == SQLITE_ROW) page = sqlite3_column_int(st, 0);
    }
    sqlite3_finalize(st);
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      page_size = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  if (page <= 1 || page_size <= 0) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadWrite) || !f.seek(static_cast<qint64>(page - 1) * page_size)) return false;
  if (f.write(QByteArray(page_size, '\xEE')) != page_size) return false;
  if (as_a_writer) {
    f.seek(24);
    QByteArray counter = f.read(4);
    counter[3] = static_cast<char>(counter[3] + 1);
    f.seek(24);
    f.write(counter);
  }
  return true;
}

// The damages a shop's database met in the field.
enum class Damage { Emptied, TruncatedToHalf, MiddleOverwritten, TextFile, HeaderDamaged, Removed };
inline constexpr Damage kAllDamages[] = {Damage::Emptied,  Damage::TruncatedToHalf, Damage::MiddleOverwritten,
                                         Damage::TextFile, Damage::HeaderDamaged,   Damage::Removed};

inline const char *DamageName(Damage d) {
  switch (d) {
    case Damage::Emptied:
      return "emptied";
    case Damage::TruncatedToHalf:
      return "truncated to half";
    case Damage::MiddleOverwritten:
      return "4 KB overwritten in the middle";
    case Damage::TextFile:
      return "a text file under its name";
    case Damage::HeaderDamaged:
      return "header damaged";
    case Damage::Removed:
      return "removed";
  }
  return "?";
}

inline bool ApplyDamage(Damage d, const QString &path, unsigned seed = 23) {
  QByteArray bytes = ReadWholeFile(path);
  switch (d) {
    case Damage::Emptied:
      return WriteWholeFile(path, {});
    case Damage::TruncatedToHalf:
      return WriteWholeFile(path, bytes.left(bytes.size() / 2));
    case Damage::MiddleOverwritten: {
      std::mt19937 rng(seed);
      const qsizetype at = bytes.size() / 2 - 1000;  // across a page boundary
      for (qsizetype i = at; i < at + 4096 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(rng() & 0xff);
      return WriteWholeFile(path, bytes);
    }
    case Damage::TextFile:
      return WriteWholeFile(path, "Elenco fornitori\r\nMEPE  Milano\r\nDIS   Roma\r\n");
    case Damage::HeaderDamaged:
      // The page size and the format numbers after the magic text.
      for (int i = 16; i < 24 && i < bytes.size(); ++i) bytes[i] = '\x7f';
      return WriteWholeFile(path, bytes);
    case Damage::Removed:
      return QFile::remove(path);
  }
  return false;
}

}  // namespace test_support
