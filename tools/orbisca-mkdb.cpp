// orbisca-mkdb PATH: creates the program's empty database. PATH is the file
// to create, or a folder that receives "orbisca4.mdb".
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "tools/lib/orbiscadb.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orbisca-mkdb PATH\n");
    return 2;
  }
  QString path = QString::fromLocal8Bit(argv[1]);
  if (QFileInfo(path).isDir()) path = QDir(path).filePath(QString::fromLatin1(tools::kDatabaseFileName));
  try {
    tools::CreateOrbiscaDatabase(path);
  } catch (const rtl::Exception &e) {
    std::fprintf(stderr, "orbisca-mkdb: %s\n", e.what());
    return 1;
  }
  std::printf("%s\n", QFile::encodeName(path).constData());
  return 0;
}
