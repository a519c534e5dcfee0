// Profile files: files written on Windows read back, edits land in place,
// every write is on disk at once, and damaged files do no harm.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/rtl/classes.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"

namespace rtl {
namespace {

class IniFile : public ::testing::Test {
 protected:
  QString Write(const QByteArray &bytes, const QString &name = QStringLiteral("orbiscacfg.ini")) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QByteArray Read(const QString &path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  QTemporaryDir dir_;
};

const QByteArray kWindowsFile =
    "; impostazioni\r\n"
    "[ORBISCA]\r\n"
    "Pos_Totali.Text = Sinistra \r\n"
    "AZZERA.Text=\"  con spazi  \"\r\n"
    "Citazione='x'\r\n"
    "Mezza=\"x'\r\n"
    "\r\n"
    "[Altro]\r\n"
    "Chiave=1\r\n";

TEST_F(IniFile, WindowsFileReadsBackIgnoringCase) {
  const QString path = Write(kWindowsFile);
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Orbisca"), QStringLiteral("pos_totali.text"), QString()),
            QStringLiteral("Sinistra"));
  // One pair of matching quotes goes; what they kept stays.
  EXPECT_EQ(ini.ReadString(QStringLiteral("orbisca"), QStringLiteral("Azzera.Text"), QString()),
            QStringLiteral("  con spazi  "));
  EXPECT_EQ(ini.ReadString(QStringLiteral("orbisca"), QStringLiteral("Citazione"), QString()), QStringLiteral("x"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("orbisca"), QStringLiteral("Mezza"), QString()), QStringLiteral("\"x'"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("orbisca"), QStringLiteral("manca"), QStringLiteral("def")),
            QStringLiteral("def"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Manca"), QStringLiteral("Chiave"), QStringLiteral("def")),
            QStringLiteral("def"));
  EXPECT_TRUE(ini.SectionExists(QStringLiteral("ALTRO")));
  EXPECT_TRUE(ini.ValueExists(QStringLiteral("altro"), QStringLiteral("CHIAVE")));
  EXPECT_FALSE(ini.ValueExists(QStringLiteral("altro"), QStringLiteral("; impostazioni")));

  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("ORBISCA"), QStringLiteral("Altro")}));
  ini.ReadSection(QStringLiteral("orbisca"), &list);
  EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("Pos_Totali.Text"), QStringLiteral("AZZERA.Text"),
                                              QStringLiteral("Citazione"), QStringLiteral("Mezza")}));
  ini.ReadSectionValues(QStringLiteral("orbisca"), &list);
  EXPECT_EQ(list[0], QStringLiteral("Pos_Totali.Text=Sinistra"));
  EXPECT_EQ(list[1], QStringLiteral("AZZERA.Text=  con spazi  "));
}

TEST_F(IniFile, UpdatesInPlaceAppendsNewKeysToTheirSectionAndNewSectionsAtTheEnd) {
  const QString path = Write(kWindowsFile);
  TIniFile ini(path);
  ini.WriteString(QStringLiteral("orbisca"), QStringLiteral("POS_TOTALI.TEXT"), QStringLiteral("Destra"));
  ini.WriteInteger(QStringLiteral("ORBISCA"), QStringLiteral("Nuova"), 7);
  ini.WriteBool(QStringLiteral("Terza"), QStringLiteral("Attiva"), true);
  EXPECT_EQ(Read(path),
            "; impostazioni\r\n"
            "[ORBISCA]\r\n"
            "Pos_Totali.Text=Destra\r\n"
            "AZZERA.Text=\"  con spazi  \"\r\n"
            "Citazione='x'\r\n"
            "Mezza=\"x'\r\n"
            "Nuova=7\r\n"
            "\r\n"
            "[Altro]\r\n"
            "Chiave=1\r\n"
            "\r\n"
            "[Terza]\r\n"
            "Attiva=1\r\n");
  // Another object sees each write at once.
  TIniFile other(path);
  EXPECT_EQ(other.ReadInteger(QStringLiteral("orbisca"), QStringLiteral("nuova"), 0), 7);
  EXPECT_TRUE(other.ReadBool(QStringLiteral("terza"), QStringLiteral("attiva"), false));
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(IniFile, DeleteKeyAndEraseSectionKeepTheRest) {
  const QString path = Write("[A]\nx=1\n; nota\ny=2\n[B]\nz=3\n[a]\nw=4\n");
  TIniFile ini(path);
  ini.DeleteKey(QStringLiteral("a"), QStringLiteral("X"));
  EXPECT_EQ(Read(path), "[A]\r\n; nota\r\ny=2\r\n[B]\r\nz=3\r\n[a]\r\nw=4\r\n");
  // Every copy of a section goes, or the next would take its place.
  ini.EraseSection(QStringLiteral("A"));
  EXPECT_EQ(Read(path), "[B]\r\nz=3\r\n");
  EXPECT_FALSE(ini.SectionExists(QStringLiteral("a")));
  ini.EraseSection(QStringLiteral("nessuna"));
  ini.DeleteKey(QStringLiteral("B"), QStringLiteral("nessuna"));
  EXPECT_EQ(Read(path), "[B]\r\nz=3\r\n");
}

TEST_F(IniFile, TypedValues) {
  FormatSettingsGuard italian(ItalianFormatSettings());
  const QString path = Write("[T]\nhex=0x1F\ndollar=$10\nbad=12abc\nvero=True\nfloat=12,5\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("hex"), -1), 31);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("dollar"), -1), 16);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("T"), QStringLiteral("bad"), -1), -1);
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("T"), QStringLiteral("vero"), false));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("T"), QStringLiteral("bad"), true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("T"), QStringLiteral("float"), 0), 12.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat(QStringLiteral("T"), QStringLiteral("bad"), 3), 3);

  ini.WriteFloat(QStringLiteral("T"), QStringLiteral("f2"), 0.25);
  EXPECT_EQ(ini.ReadString(QStringLiteral("T"), QStringLiteral("f2"), QString()), QStringLiteral("0,25"));
  const TDateTime day = 36585;  // 29/02/2000
  ini.WriteDate(QStringLiteral("T"), QStringLiteral("d"), day);
  EXPECT_EQ(ini.ReadString(QStringLiteral("T"), QStringLiteral("d"), QString()), QStringLiteral("29/02/2000"));
  EXPECT_EQ(ini.ReadDate(QStringLiteral("T"), QStringLiteral("d"), 0), day);
  ini.WriteDateTime(QStringLiteral("T"), QStringLiteral("dt"), day + 0.5);
  EXPECT_DOUBLE_EQ(ini.ReadDateTime(QStringLiteral("T"), QStringLiteral("dt"), 0), day + 0.5);
  ini.WriteTime(QStringLiteral("T"), QStringLiteral("t"), 0.75);
  EXPECT_DOUBLE_EQ(ini.ReadTime(QStringLiteral("T"), QStringLiteral("t"), 0), 0.75);
  EXPECT_EQ(ini.ReadDate(QStringLiteral("T"), QStringLiteral("bad"), 5), 5);

  TMemoryStream bytes;
  bytes.WriteBytes(QByteArray("\x00\xFF\x10", 3));
  bytes.SetPosition(0);
  ini.WriteBinaryStream(QStringLiteral("T"), QStringLiteral("bin"), &bytes);
  EXPECT_EQ(ini.ReadString(QStringLiteral("T"), QStringLiteral("bin"), QString()), QStringLiteral("00FF10"));
  TMemoryStream back;
  EXPECT_EQ(ini.ReadBinaryStream(QStringLiteral("T"), QStringLiteral("bin"), &back), 3);
  EXPECT_EQ(back.Bytes(), bytes.Bytes());
  EXPECT_EQ(ini.ReadBinaryStream(QStringLiteral("T"), QStringLiteral("bad"), &back), 0);
}

TEST_F(IniFile, TextIsWindows1252UnlessTheFileSaysOtherwise) {
  const QString path = Write("[S]\nk=Citt\xE0 \x80\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("k"), QString()), QStringLiteral("Città €"));
  ini.WriteString(QStringLiteral("s"), QStringLiteral("k2"), QStringLiteral("più"));
  EXPECT_EQ(Read(path), "[S]\r\nk=Citt\xE0 \x80\r\nk2=pi\xF9\r\n");

  // Edited in a UTF-8 editor, or saved as Unicode: read and kept so.
  const QString utf8 = Write("[S]\nk=Citt\xC3\xA0\n", QStringLiteral("u8.ini"));
  TIniFile u8(utf8);
  EXPECT_EQ(u8.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("Città"));
  u8.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("€"));
  EXPECT_EQ(Read(utf8), "[S]\r\nk=\xE2\x82\xAC\r\n");
  const QString utf16 = Write(QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xAC\x20", 18), QStringLiteral("u16.ini"));
  TIniFile u16(utf16);
  EXPECT_EQ(u16.ReadString(QStringLiteral("s"), QStringLiteral("k"), QString()), QStringLiteral("€"));
}

TEST_F(IniFile, KeysAndValuesThatWouldCorruptTheFileAreRefused) {
  const QString path = Write("[S]\r\nk=1\r\n");
  TIniFile ini(path);
  EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("a\r\n[X]")),
               EIniFileException);
  EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("1")), EIniFileException);
  EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QString(), QStringLiteral("1")), EIniFileException);
  EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("k"), QStringLiteral("1")), EIniFileException);
  EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral(";k"), QStringLiteral("1")), EIniFileException);
  EXPECT_EQ(Read(path), "[S]\r\nk=1\r\n");
}

TEST_F(IniFile, BareNamesLiveInTheProfileFolderAndMatchIgnoringCase) {
  TIniFile::SetProfileFolder(dir_.filePath(QStringLiteral("profile")));
  {
    TIniFile ini(QStringLiteral("ORBISCA.INI"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("profile/ORBISCA.INI"))));
  }
  TIniFile lower(QStringLiteral("orbisca.ini"));
  EXPECT_EQ(lower.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("v"));
  TIniFile::SetProfileFolder(QString());
}

TEST_F(IniFile, UnwritableFileRaisesAndKeepsItsContent) {
  EXPECT_THROW(TIniFile(dir_.filePath(QStringLiteral("no/dir/x.ini")))
                   .WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")),
               EIniFileException);
  // A name that cannot be read as a file: reads give defaults, writes raise.
  const QString folder = dir_.filePath(QStringLiteral("cartella.ini"));
  QDir().mkpath(folder);
  TIniFile odd(folder);
  EXPECT_EQ(odd.ReadString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("def")), QStringLiteral("def"));
  EXPECT_THROW(odd.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")), EIniFileException);
  EXPECT_TRUE(QFileInfo(folder).isDir());

  const QString path = Write("[S]\r\nk=1\r\n");
  QFile::setPermissions(path, QFileDevice::WriteOwner);  // not readable
  if (QFile(path).open(QIODevice::ReadOnly)) GTEST_SKIP() << "running with rights to read anything";
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("def")), QStringLiteral("def"));
  EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("j"), QStringLiteral("2")), EIniFileException);
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(Read(path), "[S]\r\nk=1\r\n");
}

TEST_F(IniFile, MemIniFileWritesOnlyOnUpdate) {
  const QString path = Write(kWindowsFile);
  TMemIniFile mem(path);
  mem.WriteString(QStringLiteral("altro"), QStringLiteral("chiave"), QStringLiteral("2"));
  EXPECT_TRUE(mem.Modified());
  EXPECT_EQ(Read(path), kWindowsFile);
  mem.UpdateFile();
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("ALTRO"), QStringLiteral("CHIAVE"), 0), 2);
  EXPECT_EQ(Read(path).left(15), QByteArray("; impostazioni\r"));
}

TEST_F(IniFile, BinaryGarbageGivesAnEmptyOrHarmlessResult) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>((i * 7919) % 251));
  static const char kTail[] = "\n[\n=\n[]\n=x\n[S\n k \0= v\n";
  garbage.append(kTail, sizeof kTail - 1);
  const QString path = Write(garbage);
  TIniFile ini(path);
  TStringList sections, values;
  ini.ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) ini.ReadSectionValues(sections[i], &values);
  EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("nessuna"), QStringLiteral("d")), QStringLiteral("d"));
  ini.WriteString(QStringLiteral("S"), QStringLiteral("nuova"), QStringLiteral("1"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("NUOVA"), QString()), QStringLiteral("1"));
}

}  // namespace
}  // namespace rtl
