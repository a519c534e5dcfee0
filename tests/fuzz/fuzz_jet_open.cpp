// Opens arbitrary bytes as a database file and reads everything the engine
// lists in it: any damage must end in an EJetError, never a crash or hang.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "platform/jet/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("fuzz.mdb"));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
  }
  jet::DBEngine engine;
  try {
    engine.RepairDatabase(path);
  } catch (const rtl::Exception &) {
  }
  try {
    auto db = engine.OpenDatabase(path, false, true);
    for (const auto &td : db->TableDefs()) {
      try {
        auto rs = db->OpenRecordset(td->Name(), jet::dbOpenSnapshot);
        for (int n = 0; !rs->Eof() && n < 1000; rs->MoveNext(), ++n)
          for (int c = 0; c < rs->FieldCount(); ++c) rs->Fields(c).Value();
      } catch (const rtl::Exception &) {
      }
    }
    for (const auto &qd : db->QueryDefs()) {
      try {
        auto rs = qd->OpenRecordset(jet::dbOpenSnapshot);
        (void)rs->RecordCount();
      } catch (const rtl::Exception &) {
      }
    }
    db->Close();
  } catch (const rtl::Exception &) {
  }
  return 0;
}
