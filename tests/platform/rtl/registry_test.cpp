// The registry stand-in: keys and typed values in per-root ini files, the
// platform's errors, and the ini-style calls of TRegIniFile.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/rtl/classes.h"
#include "platform/rtl/registry.h"

namespace rtl {
namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { TRegistry::SetBaseFolder(dir_.path()); }
  void TearDown() override { TRegistry::SetBaseFolder(QString()); }
  QTemporaryDir dir_;
};

TEST_F(Registry, KeysAreCreatedOpenedRelativelyAndListed) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(QStringLiteral("Software\\Vovova vaza"), false));
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Vovova vaza\\"), true));
  EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Vovova vaza"));
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("Options"), true));  // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Vovova vaza\\Options"));
  EXPECT_TRUE(reg.CreateKey(QStringLiteral("\\Software\\Vovova vaza\\ToolBas")));
  EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("HKEY_CURRENT_USER.ini"))));

  EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\SOFTWARE")));  // parents exist implicitly
  EXPECT_TRUE(reg.OpenKey(QStringLiteral("\\software\\vovova VAZA"), false));
  TStringList names;
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.ToStringList(), (QStringList{QStringLiteral("Options"), QStringLiteral("ToolBas")}));
  EXPECT_TRUE(reg.HasSubKeys());

  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), 0u);
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.ToStringList(), QStringList{QStringLiteral("Software")});
}

TEST_F(Registry, TypedValuesRoundTripAndWrongTypesRaise) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Test"), true));
  reg.WriteString(QStringLiteral("Testo"), QStringLiteral(" spazi, = [x] ; 100% \r\n中 "));
  reg.WriteString(QString(), QStringLiteral("predefinito"));
  reg.WriteString(QStringLiteral("@"), QStringLiteral("chiocciola"));
  reg.WriteInteger(QStringLiteral("GridSize"), -4);
  reg.WriteBool(QStringLiteral("GridAlign"), true);
  reg.WriteFloat(QStringLiteral("Scala"), 1.25);
  reg.WriteCurrency(QStringLiteral("Prezzo"), 12.3456);
  const unsigned char bin[] = {0, 1, 0xFE};
  reg.WriteBinaryData(QStringLiteral("Dati"), bin, 3);

  TRegistry other;  // another object sees everything at once
  ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("Software\\Test")));
  EXPECT_EQ(other.ReadString(QStringLiteral("testo")), QStringLiteral(" spazi, = [x] ; 100% \r\n中 "));
  EXPECT_EQ(other.ReadString(QString()), QStringLiteral("predefinito"));
  EXPECT_EQ(other.ReadString(QStringLiteral("@")), QStringLiteral("chiocciola"));
  EXPECT_EQ(other.ReadInteger(QStringLiteral("gridsize")), -4);
  EXPECT_TRUE(other.ReadBool(QStringLiteral("GridAlign")));
  EXPECT_EQ(other.ReadFloat(QStringLiteral("Scala")), 1.25);
  EXPECT_DOUBLE_EQ(other.ReadCurrency(QStringLiteral("Prezzo")), 12.3456);
  unsigned char out[8] = {};
  EXPECT_EQ(other.ReadBinaryData(QStringLiteral("Dati"), out, sizeof out), 3);
  EXPECT_EQ(out[2], 0xFE);
  EXPECT_EQ(other.GetDataType(QStringLiteral("GridSize")), rdInteger);
  EXPECT_EQ(other.GetDataSize(QStringLiteral("Dati")), 3);
  EXPECT_EQ(other.GetDataSize(QStringLiteral("manca")), -1);

  EXPECT_EQ(other.ReadString(QStringLiteral("manca")), QString());
  try {
    other.ReadInteger(QStringLiteral("manca"));
    FAIL() << "no exception";
  } catch (const ERegistryException &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Failed to get data for 'manca'"));
  }
  try {
    other.ReadString(QStringLiteral("GridSize"));
    FAIL() << "no exception";
  } catch (const ERegistryException &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Invalid data type for 'GridSize'"));
  }
  EXPECT_THROW(other.ReadInteger(QStringLiteral("Testo")), ERegistryException);
  EXPECT_THROW(other.ReadFloat(QStringLiteral("GridSize")), ERegistryException);
  EXPECT_THROW(other.ReadBinaryData(QStringLiteral("Dati"), out, 2), ERegistryException);

  // Read-only access refuses changes and leaves the file alone.
  EXPECT_THROW(other.WriteInteger(QStringLiteral("GridSize"), 8), ERegistryException);
  EXPECT_FALSE(other.DeleteValue(QStringLiteral("GridSize")));
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("GridSize")), -4);

  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.ToStringList(),
            (QStringList{QStringLiteral("Testo"), QString(), QStringLiteral("@"), QStringLiteral("GridSize"),
                         QStringLiteral("GridAlign"), QStringLiteral("Scala"), QStringLiteral("Prezzo"),
                         QStringLiteral("Dati")}));
  EXPECT_TRUE(reg.DeleteValue(QStringLiteral("SCALA")));
  EXPECT_FALSE(reg.ValueExists(QStringLiteral("Scala")));
}

TEST_F(Registry, DeleteKeyRemovesTheSubtreeAndRootsAreSeparateFiles) {
  TRegistry reg;
  reg.CreateKey(QStringLiteral("A\\B\\C"));
  reg.CreateKey(QStringLiteral("A\\BB"));
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("A\\B\\C"), false));
  reg.WriteInteger(QStringLiteral("v"), 1);
  EXPECT_TRUE(reg.DeleteKey(QStringLiteral("\\A\\B")));
  EXPECT_EQ(reg.CurrentKey(), 0u);  // the open key was inside
  EXPECT_FALSE(reg.KeyExists(QStringLiteral("A\\B\\C")));
  EXPECT_TRUE(reg.KeyExists(QStringLiteral("A\\BB")));  // a sibling with the same prefix stays
  EXPECT_FALSE(reg.DeleteKey(QStringLiteral("A\\B")));

  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reg.KeyExists(QStringLiteral("A")));
  EXPECT_FALSE(reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\Microsoft\\JET\\4.0\\Engines")));
  EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("HKEY_CURRENT_USER.ini"))));
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini"))));
}

TEST_F(Registry, HandEditedAndDamagedFilesReadSafely) {
  QFile f(dir_.filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "[\\SOFTWARE\\ODBC\\ODBC.INI\\Fonte\\]\r\nDBQ=c:\\dati\\orbisca4.mdb\r\nN=dword:xyz\r\nB=hex:zz\r\n\x01\x02["
      "\r\n");
  f.close();
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("SOFTWARE\\ODBC\\ODBC.INI\\Fonte"), false));
  EXPECT_EQ(reg.ReadString(QStringLiteral("DBQ")), QStringLiteral("c:\\dati\\orbisca4.mdb"));
  EXPECT_THROW(reg.ReadInteger(QStringLiteral("N")), ERegistryException);
  EXPECT_EQ(reg.ReadBinary(QStringLiteral("B")), QByteArray());
}

TEST_F(Registry, RegIniFileUsesSubkeysAsSections) {
  {
    TRegIniFile ini(QStringLiteral("Software\\Vovova vaza\\"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 4), 4);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), true));
    ini.WriteInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 8);
    ini.WriteBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), false);
    ini.WriteBool(QStringLiteral("ToolBas"), QStringLiteral("Panel1"), true);
    ini.WriteString(QStringLiteral("TInspector"), QStringLiteral("Left"), QStringLiteral("300"));
  }
  TRegIniFile ini(QStringLiteral("Software\\Vovova vaza"), KEY_READ);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("options"), QStringLiteral("gridsize"), 4), 8);
  EXPECT_FALSE(ini.ReadBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), true));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("TInspector"), QStringLiteral("Left"), 0), 300);
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.ToStringList(),
            (QStringList{QStringLiteral("Options"), QStringLiteral("ToolBas"), QStringLiteral("TInspector")}));
  ini.ReadSectionValues(QStringLiteral("Options"), &list);
  EXPECT_EQ(list.ToStringList(), (QStringList{QStringLiteral("GridSize=8"), QStringLiteral("GridAlign=0")}));

  // A DWORD written through TRegistry reads back through the ini calls.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Vovova vaza\\Options"), false));
  reg.WriteInteger(QStringLiteral("Units"), 2);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("Units"), 1), 2);

  TRegIniFile writer(QStringLiteral("Software\\Vovova vaza"));
  writer.DeleteKey(QStringLiteral("Options"), QStringLiteral("GridSize"));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 4), 4);
  writer.EraseSection(QStringLiteral("ToolBas"));
  ini.ReadSections(&list);
  EXPECT_EQ(list.Count(), 2);

  // Changing the root keeps the object on its own key under the new root.
  writer.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(writer.CurrentPath(), QStringLiteral("Software\\Vovova vaza"));
  writer.WriteInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 2);
  TRegistry lm;
  lm.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(lm.KeyExists(QStringLiteral("Software\\Vovova vaza\\Options")));
}

}  // namespace
}  // namespace rtl
