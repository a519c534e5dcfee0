// The database file: what lies beside it, what it refuses to open, the
// catalogue, compaction and the integrity check.
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "tests/platform/jet/engine_fixture.h"
#include "tests/support/damage.h"

namespace jet::testing {
namespace {

class Storage : public OrbiscaDb {
 protected:
  QString Write(const QString &name, const QByteArray &bytes) {
    const QString p = dir_.filePath(name);
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
  }
  EJetError OpenError(const QString &p) {
    try {
      engine_.OpenDatabase(p);
    } catch (const EJetError &e) {
      return e;
    }
    return {};
  }
};

TEST_F(Storage, NothingIsLeftBesideTheFileOnceClosed) {
  Stock(QStringLiteral("1"), QStringLiteral("Uno"));
  db_->Close();
  QStringList names = QDir(dir_.path()).entryList(QDir::Files);
  EXPECT_EQ(names, QStringList{QStringLiteral("orbisca4.mdb")});
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset(QStringLiteral("Giacenza")); }), kErrObjectClosed);
}

TEST_F(Storage, CatalogueTablesAreSystemObjects) {
  QStringList user, system;
  for (const auto &td : db_->TableDefs()) {
    if (td->Attributes() & dbSystemObject)
      system << td->Name();
    else
      user << td->Name();
  }
  EXPECT_EQ(user, (QStringList{"Allegati", "Giacenza", "Giornale", "Periodo", "Riviste"}));
  EXPECT_FALSE(system.isEmpty());
  for (const QString &s : system) EXPECT_TRUE(s.startsWith(QLatin1String("MSys")));
  auto sys = db_->OpenRecordset(system.first());
  EXPECT_FALSE(sys->Updatable());
  EXPECT_NE(ErrorOf([&] { db_->Execute(QStringLiteral("DELETE FROM MSysObjects")); }), 0);
}

TEST_F(Storage, DatesAreStoredAsDayCounts) {
  Journal(rtl::EncodeDateTime(2004, 12, 31, 12, 0, 0, 0), QStringLiteral("1"), 1, QStringLiteral("C"));
  auto rs = db_->OpenRecordset(QStringLiteral("SELECT Data * 2 AS Doppio FROM Giornale"), dbOpenSnapshot);
  EXPECT_DOUBLE_EQ(rs->Fields(0).Value().AsDouble(), 2 * (38352 + 0.5));
}

TEST_F(Storage, ForeignAndDamagedFilesAreRefusedClearly) {
  // A Jet file opened for writing is converted; one this short is damaged and stays as it was.
  QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00\x01", 21);
  jet.append(QByteArray(2000, '\x11'));
  const QString old = Write(QStringLiteral("old.mdb"), jet);
  EJetError e = OpenError(old);
  EXPECT_EQ(e.Number(), kErrDamaged);
  EXPECT_TRUE(e.Description().contains(QLatin1String("troncato"))) << e.Description().toStdString();
  QFile kept(old);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), jet);
  // Read-only, it is refused without a conversion.
  try {
    engine_.OpenDatabase(old, false, true);
    ADD_FAILURE() << "a Jet file opened read-only";
  } catch (const EJetError &ro) {
    EXPECT_EQ(ro.Number(), kErrUnrecognisedFormat);
    EXPECT_TRUE(ro.Description().contains(QLatin1String("formato Jet"))) << ro.Description().toStdString();
  }
  QByteArray ace("\x00\x01\x00\x00Standard ACE DB\x00", 20);
  EXPECT_EQ(OpenError(Write(QStringLiteral("new.accdb"), ace + QByteArray(100, 0))).Number(), kErrUnrecognisedFormat);
  EXPECT_EQ(OpenError(Write(QStringLiteral("notes.txt"), "hello")).Number(), kErrUnrecognisedFormat);
  EXPECT_EQ(OpenError(Write(QStringLiteral("empty.mdb"), {})).Number(), kErrUnrecognisedFormat);
  EXPECT_EQ(OpenError(dir_.filePath(QStringLiteral("missing.mdb"))).Number(), kErrFileNotFound);

  // A database whose pages were overwritten.
  db_->Close();
  QFile f(path_);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  QByteArray bytes = f.readAll();
  for (int i = 4096; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(i * 31);
  f.seek(0);
  f.write(bytes);
  f.close();
  int number = ErrorOf([&] {
    engine_.RepairDatabase(path_);
    engine_.OpenDatabase(path_)->OpenRecordset(QStringLiteral("Giacenza"));
  });
  EXPECT_TRUE(number == kErrDamaged || number == kErrUnrecognisedFormat) << number;
}

// The refusals a shop keeper can meet (at start, at the backup, at a
// registration) speak Italian, as the rest of the program, and name the file
// or the table.
TEST_F(Storage, TheRefusalsAUserMeetsAreInItalian) {
  auto text_of = [](const std::function<void()> &f) {
    try {
      f();
    } catch (const EJetError &e) {
      return e.Description();
    }
    return QString();
  };
  const QString text_file = Write(QStringLiteral("appunti.mdb"), "Lista della spesa\n");
  EXPECT_EQ(OpenError(text_file).Description(),
            QStringLiteral("Formato del database non riconosciuto: il file «%1» non è un archivio di questo programma.")
                .arg(text_file));
  EXPECT_EQ(text_of([&] { db_->OpenRecordset(QStringLiteral("Clienti")); }),
            QStringLiteral("Il motore di database non trova la tabella o la query «Clienti». Controllare che esista e "
                           "che il nome sia scritto giusto."));
  EXPECT_TRUE(text_of([&] {
                db_->OpenRecordset(QStringLiteral("SELECT * FROM Clienti"), dbOpenSnapshot);
              }).startsWith(QStringLiteral("Il motore di database non trova la tabella o la query «Clienti»")));
  db_->Close();
  auto read_only = engine_.OpenDatabase(path_, false, true);
  const QString refused = text_of([&] {
    auto rs = read_only->OpenRecordset(QStringLiteral("Giornale"), dbOpenDynaset);
    rs->AddNew();
  });
  EXPECT_EQ(refused, QStringLiteral("Impossibile aggiornare: il database o l'oggetto è di sola lettura."));
  read_only->Close();
  // Pages overwritten: the check's and the compaction's refusals.
  ASSERT_TRUE(test_support::SpoilRootPage(path_, QStringLiteral("Giornale")));
  EXPECT_TRUE(text_of([&] {
                engine_.CheckDatabase(path_, true);
              }).startsWith(QStringLiteral("Il database «%1» è danneggiato e non si può riparare: ").arg(path_)));
  const QString compaction =
      text_of([&] { engine_.CompactDatabase(path_, dir_.filePath(QStringLiteral("copia.mdb"))); });
  EXPECT_TRUE(compaction.startsWith(QStringLiteral("Impossibile compattare «%1»").arg(path_)) ||
              compaction.startsWith(QStringLiteral("Il database «%1» è danneggiato").arg(path_)))
      << compaction.toStdString();
  DBEngine::ForgetDamage(path_);
}

// Opening reads only the catalogue; the check reads every page, and every
// damage the engine meets, in a check or in a statement, is noted for the
// file so that the program never takes it for a sound one.
TEST_F(Storage, TheCheckFindsDamageOpeningDoesNotSeeAndEveryFindingIsNoted) {
  for (int i = 0; i < 300; ++i) Journal(rtl::EncodeDate(2026, 12, 9), QString::number(i), 1, QStringLiteral("C"));
  db_->Close();
  engine_.CheckDatabase(path_, true);
  engine_.CheckDatabase(path_, false);
  EXPECT_FALSE(DBEngine::DamageNoted(path_));

  // An index page spoilt: the quick check reads it, opening does not.
  sqlite3 *raw = nullptr;
  sqlite3_open_v2(QFile::encodeName(path_).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt *st = nullptr;
  sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Giornale'", -1, &st,
                     nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  const QString index = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  sqlite3_close(raw);
  ASSERT_TRUE(test_support::SpoilRootPage(path_, index));
  engine_.OpenDatabase(path_)->Close();
  EXPECT_FALSE(DBEngine::DamageNoted(path_));
  EXPECT_EQ(ErrorOf([&] { engine_.CheckDatabase(path_, true); }), kErrDamaged);
  EXPECT_TRUE(DBEngine::DamageNoted(path_));
  DBEngine::ForgetDamage(path_);
  EXPECT_EQ(ErrorOf([&] { engine_.RepairDatabase(path_); }), kErrDamaged);
  EXPECT_TRUE(DBEngine::DamageNoted(path_));
  DBEngine::ForgetDamage(path_);

  // The journal's own pages spoilt: a statement that reads them notes it too.
  ASSERT_TRUE(test_support::SpoilRootPage(path_, QStringLiteral("Giornale")));
  auto db = engine_.OpenDatabase(path_);
  EXPECT_EQ(ErrorOf([&] {
              auto rs = db->OpenRecordset(QStringLiteral("SELECT Sum(Quantita) FROM Giornale"), dbOpenSnapshot);
              rs->Fields(0).Value();
            }),
            kErrDamaged);
  db->Close();
  EXPECT_TRUE(DBEngine::DamageNoted(path_));
  // A compaction refuses to copy it, and the target is not left behind.
  const QString target = dir_.filePath(QStringLiteral("copia.mdb"));
  EXPECT_EQ(ErrorOf([&] { engine_.CompactDatabase(path_, target); }), kErrDamaged);
  EXPECT_FALSE(QFileInfo::exists(target));
  EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("-journal")));
  DBEngine::ForgetDamage(path_);
  EXPECT_FALSE(DBEngine::DamageNoted(path_));
}

// The exit repairs the database every time: a sound file passes without a
// finding and is left byte for byte as it was, its rows readable.
TEST_F(Storage, RepairAcceptsASoundFile) {
  Stock(QStringLiteral("1"), QStringLiteral("Uno"));
  Stock(QStringLiteral("2"), QStringLiteral("Due"));
  db_->Close();
  const QByteArray before = test_support::ReadWholeFile(path_);
  EXPECT_EQ(ErrorOf([&] { engine_.RepairDatabase(path_); }), 0);
  EXPECT_FALSE(DBEngine::DamageNoted(path_));
  EXPECT_TRUE(test_support::ReadWholeFile(path_) == before);
  auto db = engine_.OpenDatabase(path_);
  auto rs = db->OpenRecordset(QStringLiteral("Giacenza"), dbOpenSnapshot);
  EXPECT_EQ(Count(*rs), 2);
  db->Close();
}

TEST_F(Storage, CompactWritesANewFileAndKeepsTheSource) {
  Stock(QStringLiteral("1"), QStringLiteral("Uno"));
  db_->Close();
  const QString target = dir_.filePath(QStringLiteral("copy.mdb"));
  QFile::copy(path_, target);
  const QByteArray before = [&] {
    QFile f(path_);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  EXPECT_EQ(ErrorOf([&] { engine_.CompactDatabase(path_, target, {}, 0, QStringLiteral(";pwd=x")); }),
            kErrDatabaseExists);
  QFile::remove(target);
  engine_.CompactDatabase(path_, target);
  const QByteArray after = [&] {
    QFile f(path_);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  EXPECT_EQ(before, after);
  auto copy = engine_.OpenDatabase(target);
  EXPECT_EQ(copy->TableDefs().Item(QStringLiteral("Giacenza")).RecordCount(), 1);
  EXPECT_EQ(copy->QueryDefs().Count(), 4);
  copy->Close();
  EXPECT_EQ(ErrorOf([&] {
              engine_.CompactDatabase(dir_.filePath(QStringLiteral("none.mdb")),
                                      dir_.filePath(QStringLiteral("out.mdb")));
            }),
            kErrFileNotFound);
  EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("out.mdb"))));
}

TEST_F(Storage, DefinitionsMadeWithStatementsAndCalls) {
  db_->Execute(QStringLiteral("CREATE TABLE Prova (Codice TEXT(4), Numero LONG)"));
  auto &td = db_->TableDefs().Item(QStringLiteral("prova"));
  EXPECT_EQ(td.Fields().Item(QStringLiteral("Codice")).Size(), 4);
  auto extra = td.CreateField(QStringLiteral("Nota"), dbMemo);
  td.AppendField(extra);
  EXPECT_EQ(db_->TableDefs().Item(QStringLiteral("Prova")).Fields().Count(), 3);
  db_->Execute(QStringLiteral("INSERT INTO Prova (Codice, Numero) VALUES (\"A\", 1)"));
  db_->Execute(QStringLiteral("INSERT INTO Prova (Codice, Numero) VALUES (\"a\", 2)"));
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("CREATE UNIQUE INDEX U ON Prova (Codice)")); }),
            kErrDuplicateKey);
  auto qd = db_->CreateQueryDef(QStringLiteral("Numeri"), QStringLiteral("SELECT Numero FROM Prova"));
  EXPECT_EQ(ErrorOf([&] { db_->CreateQueryDef(QStringLiteral("Numeri"), QStringLiteral("SELECT 1")); }),
            kErrNameExists);
  EXPECT_NE(ErrorOf([&] { qd->SetSQL(QStringLiteral("SELEC Numero")); }), 0);
  EXPECT_EQ(qd->SQL(), QStringLiteral("SELECT Numero FROM Prova"));
  db_->DeleteQueryDef(QStringLiteral("Numeri"));
  EXPECT_EQ(db_->QueryDefs().Count(), 4);
  db_->Execute(QStringLiteral("DROP TABLE Prova"));
  EXPECT_EQ(db_->TableDefs().Find(QStringLiteral("Prova")), nullptr);
}

TEST_F(Storage, RequiredFieldsRefuseNullAndWriteNothing) {
  db_->Execute(QStringLiteral("CREATE TABLE Obbligo (Codice TEXT(4) NOT NULL, Nota TEXT(10))"));
  EXPECT_TRUE(db_->TableDefs().Item(QStringLiteral("Obbligo")).Fields().Item(QStringLiteral("Codice")).Required());
  auto rs = db_->OpenRecordset(QStringLiteral("Obbligo"), dbOpenDynaset);
  rs->AddNew();
  rs->Fields(QStringLiteral("Nota")).SetValue("senza");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), kErrRequiredFieldNull);
  EXPECT_TRUE(engine_.Errors(0).Description().contains(QLatin1String("Codice")));
  rs->CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { db_->Execute(QStringLiteral("INSERT INTO Obbligo (Nota) VALUES (\"y\")"), dbFailOnError); }),
            kErrRequiredFieldNull);
  EXPECT_EQ(db_->TableDefs().Item(QStringLiteral("Obbligo")).RecordCount(), 0);
}

}  // namespace
}  // namespace jet::testing
