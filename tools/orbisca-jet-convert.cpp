// orbisca-jet-convert ARCHIVIO [NUOVO]: converts a Jet database (the
// archive a shop brings from the old program) into the engine's format
// without starting the program, as opening it for writing would.
//
//   orbisca-jet-convert orbisca4.mdb             converts in place; the
//       original is kept beside it as "orbisca4 (Jet).mdb"
//   orbisca-jet-convert orbisca4.mdb nuovo.mdb   writes the converted copy
//       into nuovo.mdb (which must not exist); the original stays as it is
//
// On a terminal a bar shows the rows copied so far. The summary (tables,
// rows, queries, what could not be carried over) goes to standard output;
// a failure goes to standard error with exit status 1, and leaves the
// original untouched.
//
// The engine runs this same program to read Jet files in a process of their
// own (jet::kReaderFlag); that mode is not for people.
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstring>

#include "platform/jet/jeterror.h"
#include "platform/jet/takeover.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "uso: orbisca-jet-convert ARCHIVIO.mdb [NUOVO.mdb]\n"
               "  converte un archivio Jet nel formato del programma; senza NUOVO lo converte sul posto\n"
               "  e conserva l'originale accanto come \"ARCHIVIO (Jet).mdb\"\n");
}

// A bar on the terminal: "[#########...........]  45%  Orders".
void Bar(qint64 done, qint64 total, const QString &table) {
  constexpr int kWidth = 30;
  const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
  const int filled = percent * kWidth / 100;
  const QByteArray name = table.left(30).toUtf8();
  std::fprintf(stderr, "\r[%s%s] %3d%%  %-30s", QByteArray(filled, '#').constData(),
               QByteArray(kWidth - filled, '.').constData(), percent, name.constData());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1 && std::strcmp(argv[1], jet::kReaderFlag) == 0) return jet::RunJetReader(argc, argv);
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.isEmpty() || args.size() > 2 || args.first() == QLatin1String("--help") ||
      args.first() == QLatin1String("-h")) {
    Usage();
    return args.isEmpty() || args.size() > 2 ? 2 : 0;
  }
  jet::TakeoverOptions options;
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  if (terminal) options.progress = Bar;
  try {
    const jet::TakeoverSummary summary =
        args.size() == 1 ? jet::TakeOverJetFile(args[0], options) : jet::ConvertJetFile(args[0], args[1], options);
    if (terminal) std::fprintf(stderr, "\n");
    std::printf("%s\n", summary.Report().toUtf8().constData());
  } catch (const jet::EJetError &e) {
    if (terminal) std::fprintf(stderr, "\n");
    std::fprintf(stderr, "orbisca-jet-convert: %s\n", e.Description().toUtf8().constData());
    return 1;
  }
  return 0;
}
