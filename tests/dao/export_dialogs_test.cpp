// The save-as dialog (format options, the file it asks for, the columns
// left out, the schema section) and the column chooser (moves, live view,
// cancel) over a table and a list of columns standing in for a grid.
#include "dao/vudaoexpdlg.h"
#include "dao/vudaoroll.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/dialogs.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

// Columns of a grid: titles and visibility.
struct FakeGrid {
  QStringList titles;
  std::vector<bool> shown;
  TGridColumns Columns() {
    TGridColumns c;
    c.Count = [this] { return static_cast<int>(titles.size()); };
    c.Title = [this](int i) { return titles[i]; };
    c.Visible = [this](int i) { return bool(shown[static_cast<size_t>(i)]); };
    c.SetVisible = [this](int i, bool v) { shown[static_cast<size_t>(i)] = v; };
    return c;
  }
};

TEST(DaoColumnChooser, MovesKeepOneVisibleColumnAndCancelPutsBack) {
  FakeGrid grid{{"A", "B", "C"}, {true, true, false}};
  const TGridColumns columns = grid.Columns();
  TCVC dlg;
  dlg.Fill(columns);
  EXPECT_EQ(dlg.VisibleTitles(), QStringList({"A", "B"}));
  EXPECT_EQ(dlg.AvailableTitles(), QStringList({"C"}));
  dlg.AddSelected();  // C, shown at once with live view
  EXPECT_TRUE(grid.shown[2]);
  dlg.VisibleList()->SetItemIndex(0);
  dlg.RemoveSelected();
  dlg.RemoveSelected();
  EXPECT_EQ(dlg.VisibleTitles(), QStringList({"C"}));
  dlg.RemoveSelected();  // the last visible column stays
  EXPECT_EQ(dlg.VisibleTitles(), QStringList({"C"}));
  EXPECT_EQ(grid.shown, std::vector<bool>({false, false, true}));
  dlg.Restore();
  EXPECT_EQ(grid.shown, std::vector<bool>({true, true, false}));

  // Without live view nothing moves until OK.
  FakeGrid twins{{"X", "Z", "Y"}, {false, false, true}};
  const TGridColumns twin_columns = twins.Columns();
  dlg.OnShow = [&](rtl::TObject *) {
    dlg.SetLiveView(false);
    dlg.AvailableList()->SetItemIndex(1);
    dlg.AddSelected();
    EXPECT_EQ(twins.shown, std::vector<bool>({false, false, true}));
    dlg.SetModalResult(vcl::mrOk);
  };
  EXPECT_TRUE(dlg.Execute(twin_columns));
  EXPECT_EQ(twins.shown, std::vector<bool>({false, true, true}));
  // Columns are found by title, the last of a title first.
  FakeGrid same{{"X", "X"}, {true, true}};
  EXPECT_EQ(same.Columns().Find(QStringLiteral("X")), 1);
}

TEST(DaoExportSchema, FixedLengthAddsTheWidthWhereNoneIsGiven) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("lista.txt"));
  rtl::TIniFile schema(dir.filePath(QStringLiteral("schema.ini")));
  schema.WriteString(QStringLiteral("lista.txt"), QStringLiteral("Col1"), QStringLiteral("Name Text"));
  schema.WriteString(QStringLiteral("lista.txt"), QStringLiteral("Col2"), QStringLiteral("Code Text width 13"));
  WriteExportSchema(file, false, QStringLiteral("Fixed Length"), false, QStringLiteral("ANSI"), QStringLiteral("40"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("Col1"), {}),
            QStringLiteral("Name Text Width 40"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("Col2"), {}),
            QStringLiteral("Code Text width 13"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("Format"), {}),
            QStringLiteral("FixedLength"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("ColNameHeader"), {}),
            QStringLiteral("False"));
  WriteExportSchema(file, true, QStringLiteral("Semicolon Delimited"), true, QStringLiteral("1252"),
                    QStringLiteral("40"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("Format"), {}), QStringLiteral("HTML"));
  EXPECT_EQ(schema.ReadString(QStringLiteral("lista.txt"), QStringLiteral("CharacterSet"), {}), QStringLiteral("1252"));
}

using DaoSaveAs = DaoDb;

TEST_F(DaoSaveAs, ExportsTheCheckedColumnsAndPutsVisibilityBack) {
  TVuDaoTable *titles = Table(QStringLiteral("Riviste"));
  titles->Open();
  titles->FieldByName(QStringLiteral("Periodo"))->SetVisible(false);
  TSAS dlg;
  dlg.Fill(titles, nullptr);
  EXPECT_EQ(dlg.Formats()->Items()->Get(7), QStringLiteral("Paradox 7.X"));
  EXPECT_TRUE(dlg.SheetName()->Enabled());
  EXPECT_FALSE(dlg.TextFormat()->Enabled());
  dlg.SelectFormat(12);
  EXPECT_TRUE(dlg.TextFormat()->Enabled());
  EXPECT_FALSE(dlg.SheetName()->Enabled());
  EXPECT_FALSE(dlg.ColumnChecked(dlg.ColumnTitles().indexOf(QStringLiteral("Periodo"))));
  EXPECT_TRUE(dlg.SidePanel()->Rolled());
  EXPECT_TRUE(dlg.ColumnsEnabled());

  // Only Barcode and Nome are exported; the file the user picks is written.
  for (int i = 0; i < dlg.ColumnTitles().size(); ++i)
    dlg.SetColumnChecked(
        i, dlg.ColumnTitles()[i] == QStringLiteral("Barcode") || dlg.ColumnTitles()[i] == QStringLiteral("Nome"));
  dlg.Formats()->SetItemIndex(12);
  dlg.SelectFormat(12);
  dlg.TextFormat()->SetItemIndex(0);
  const QString file = dir_.filePath(QStringLiteral("titoli.txt"));
  QString asked_filter;
  auto previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    asked_filter = r.filter;
    r.value = file;
    return vcl::mrOk;
  });
  EXPECT_TRUE(dlg.ExportNow());
  EXPECT_EQ(asked_filter, QStringLiteral("Text files(*.txt)|*.txt|All files (*.*)|*.*"));
  QFile out(file);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(out.readLine(), QByteArray("\"Barcode\";\"Nome\"\r\n"));
  out.close();

  // Through a grid whose titles differ from the field names (a key mark),
  // the columns give their fields.
  FakeGrid grid{{"Barcode ^", "Nome"}, {true, true}};
  TGridColumns columns = grid.Columns();
  columns.Field = [titles](int i) { return titles->Fields()[i]; };
  dlg.Fill(titles, &columns);
  dlg.SetColumnChecked(1, false);
  dlg.Formats()->SetItemIndex(12);
  dlg.SelectFormat(12);
  EXPECT_TRUE(dlg.ExportNow());
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_EQ(out.readLine().left(11), QByteArray("\"Barcode\";\""));
  out.close();
  EXPECT_TRUE(titles->FieldByName(QStringLiteral("Nome"))->Visible());
  dlg.Fill(titles, nullptr);
  vcl::SetDialogResponder(previous);
  EXPECT_TRUE(titles->FieldByName(QStringLiteral("Fornitore"))->Visible());
  EXPECT_FALSE(titles->FieldByName(QStringLiteral("Periodo"))->Visible());

  // An Excel export without a sheet name does nothing and keeps the dialog open.
  dlg.Formats()->SetItemIndex(0);
  dlg.SheetName()->SetText(QString());
  previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    r.value = dir_.filePath(QStringLiteral("x.xls"));
    return vcl::mrOk;
  });
  dlg.SetModalResult(vcl::mrNone);
  EXPECT_FALSE(dlg.ExportNow());
  vcl::SetDialogResponder(previous);
  EXPECT_EQ(dlg.ModalResult(), vcl::mrNone);
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("x.xls"))));
}

}  // namespace
}  // namespace dao::testing
