// ODBC data sources through the system's driver manager (unixODBC). The
// engine opens a source as a database of its own kind: an in-memory store
// whose catalogue describes the source's tables, each of them a SQLite
// virtual table that reads and writes the source's rows through ODBC. So
// recordsets, criteria, sorting and editing work on a source's tables as on
// the engine's own, and every change goes straight to the source.
//
// A table is updatable when the source names its primary key (or a unique
// index): the key finds a row again. Tables without one are read-only, as
// the engine treats them. Also here: the lists the connection component
// shows, read from the driver manager's configuration (the drivers, the
// system and user data sources and the file each source names).
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace jet {

namespace detail {
class Store;
}

// True for a connect string that names an ODBC source ("ODBC;DSN=...").
bool IsOdbcConnect(const QString &connect);
// Connects to the source (the connect string without its "ODBC;" part goes
// to the driver manager) and builds the store over its tables. Failures
// raise 3151 with the driver manager's words.
std::shared_ptr<detail::Store> OpenOdbcStore(const QString &connect, bool read_only);

// The installed drivers, the system and the user data sources, by name.
QStringList OdbcDrivers();
QStringList OdbcDataSources(bool user);
// The file a source works on (its "DBQ" entry, else its "Database"
// entry); empty when it names none.
QString OdbcDataSourceFile(const QString &source);

// The installable formats the engine writes (the export targets), as the
// configuration names them.
QStringList InstallableFormats();

}  // namespace jet
