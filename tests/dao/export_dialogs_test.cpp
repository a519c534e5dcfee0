// The save-as dialog (format options, the file it asks for, the columns
// left out, the schema section) and the column chooser (moves, live view,
// cancel) over a table and a list of columns standing in for a grid; and
// the save-as dialog as a user reaches it, from the grid's Ctrl+S, with
// the written workbook read back by xlrd.
#include <QJsonArray>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "dao/vudaoexpdlg.h"
#include "dao/vudaogrid.h"
#include "dao/vudaoroll.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "tests/dao/dao_fixture.h"
#include "tests/dao/oracles.h"
#include "tests/support/retry.h"

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

  // Nothing checked: the user is told, and nothing is written.
  for (int i = 0; i < dlg.ColumnTitles().size(); ++i) dlg.SetColumnChecked(i, false);
  QStringList told;
  previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    told << r.text;
    r.value = dir_.filePath(QStringLiteral("nulla.txt"));
    return vcl::mrOk;
  });
  EXPECT_FALSE(dlg.ExportNow());
  vcl::SetDialogResponder(previous);
  EXPECT_EQ(told, QStringList{kNoColumnChecked});
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("nulla.txt"))));
  dlg.Fill(titles, nullptr);

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

// The grid's Ctrl+S over the titles table, on a shown form: `inside` runs
// while the save-as dialog is up (it presses the buttons it wants).
class SaveAsFromGrid : public DaoDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    titles_ = Table(QStringLiteral("Riviste"));
    source_.SetDataSet(titles_);
    form_.SetBounds(0, 0, 640, 300);
    grid_ = new TVuDaoDBGrid(&form_);
    grid_->SetParent(&form_);
    grid_->SetBounds(0, 0, 620, 280);
    grid_->SetDataSource(&source_);
    titles_->Open();
    form_.Show();
  }
  void TearDown() override {
    grid_->SetDataSource(nullptr);
    DaoDb::TearDown();
  }

  static TSAS *ShownDialog() {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i)
      if (auto *d = dynamic_cast<TSAS *>(vcl::Screen->Forms(i)); d != nullptr && d->Visible()) return d;
    return nullptr;
  }
  static vcl::TButton *Button(TSAS *d, const QString &caption) {
    for (int i = 0; i < d->ComponentCount(); ++i)
      if (auto *b = dynamic_cast<vcl::TButton *>(d->Components(i)); b != nullptr && b->Caption() == caption) return b;
    return nullptr;
  }
  void PressCtrlS(const std::function<void(TSAS *)> &inside) {
    bool ran = false;
    test_support::RetryFromEventLoop([inside, &ran] {
      TSAS *d = ShownDialog();
      if (d == nullptr) return false;
      ran = true;
      inside(d);
      if (d->Visible()) Button(d, QStringLiteral("Chiudi"))->Click();
      return true;
    });
    grid_->SetFocus();
    QTest::keyClick(grid_->Handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(ran);
  }

  TVuDaoTable *titles_ = nullptr;
  vcl::TDataSource source_;
  vcl::TForm form_{nullptr};
  TVuDaoDBGrid *grid_ = nullptr;
};

TEST_F(SaveAsFromGrid, EsportaWithTheDefaultChecksWritesEveryColumnAndRowRolledUpAndOut) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  const int fields = titles_->FieldCount();
  ASSERT_EQ(fields, 6);
  for (bool rolled_out : {false, true}) {
    SCOPED_TRACE(rolled_out);
    const QString file = dir_.filePath(rolled_out ? QStringLiteral("aperto.xls") : QStringLiteral("chiuso.xls"));
    auto previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
      if (r.kind != vcl::TDialogKind::Save) return vcl::mrCancel;
      r.value = file;
      return vcl::mrOk;
    });
    PressCtrlS([&](TSAS *d) {
      EXPECT_EQ(d->Caption(), QStringLiteral("Esporta i dati su un file esterno:"));
      EXPECT_EQ(d->Columns()->CheckedCount(), fields);
      EXPECT_EQ(d->CodePage()->Items()->CommaText(), QStringLiteral("ANSI,OEM,1252,850"));
      if (rolled_out) {
        d->SidePanel()->Grips()[0]->OnDblClick(d->SidePanel()->Grips()[0]);
        EXPECT_FALSE(d->SidePanel()->Rolled());
        EXPECT_TRUE(d->Columns()->Visible());
        // The user's list widget shows a check box on every line.
        auto *list = qobject_cast<QListWidget *>(d->Columns()->Handle());
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(list->isVisible());
        ASSERT_EQ(list->count(), fields);
        for (int i = 0; i < fields; ++i) {
          EXPECT_TRUE(list->item(i)->flags().testFlag(Qt::ItemIsUserCheckable));
          EXPECT_EQ(list->item(i)->checkState(), Qt::Checked);
        }
      } else {
        EXPECT_TRUE(d->SidePanel()->Rolled());
      }
      vcl::TButton *close = Button(d, QStringLiteral("Chiudi"));
      ASSERT_NE(close, nullptr);
      EXPECT_GE(close->Left(), 0);
      EXPECT_LE(close->Left() + close->Width(), d->SidePanel()->Left());
      EXPECT_LE(close->Left() + close->Width(), d->ClientWidth());
      EXPECT_EQ(close->Handle()->visibleRegion().boundingRect().width(), close->Width());
      QTest::mouseClick(Button(d, QStringLiteral("&Esporta"))->Handle(), Qt::LeftButton);
      EXPECT_EQ(d->ModalResult(), vcl::mrOk);
    });
    vcl::SetDialogResponder(previous);

    // Format 0 by default: a workbook of the first version, every column and row.
    const QJsonObject book = ReadWorkbook(file);
    const QJsonArray rows = book[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int c = 0; c < fields; ++c)
      EXPECT_EQ(rows[0].toArray()[c].toArray()[1].toString(), titles_->Fields()[c]->FieldName());
    titles_->First();
    for (int r = 1; r <= 2; ++r, titles_->Next())
      for (int c = 0; c < fields; ++c) {
        const QJsonArray cell = rows[r].toArray().size() > c ? rows[r].toArray()[c].toArray() : QJsonArray();
        vcl::TField *f = titles_->Fields()[c];
        if (f->IsNull())
          EXPECT_TRUE(cell.isEmpty() || cell[1].isNull()) << c;
        else if (f->DataType() == vcl::ftFloat)
          EXPECT_EQ(cell[1].toDouble(), f->AsFloat()) << c;
        else
          EXPECT_EQ(cell[1].toString(), f->AsString()) << c;
      }
    EXPECT_TRUE(titles_->FieldByName(QStringLiteral("Nome"))->Visible());
    EXPECT_EQ(titles_->State(), vcl::dsBrowse);
  }
}

TEST_F(SaveAsFromGrid, EsportaWithoutReplacingAddsASheetToTheWorkbookChosen) {
  if (!HavePython("xlrd")) GTEST_SKIP() << "python3-xlrd is not installed";
  const QString file = dir_.filePath(QStringLiteral("libro.xls"));
  auto previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    if (r.kind != vcl::TDialogKind::Save) return vcl::mrCancel;
    r.value = file;
    return vcl::mrOk;
  });
  for (const auto &[sheet, replace] :
       {std::pair{QStringLiteral("Prima"), true}, std::pair{QStringLiteral("Seconda"), false}}) {
    PressCtrlS([&, sheet = sheet, replace = replace](TSAS *d) {
      d->Formats()->SetItemIndex(3);  // the workbook of version 8
      d->SelectFormat(3);
      d->SheetName()->SetText(sheet);
      d->Overwrite()->SetChecked(replace);
      QTest::mouseClick(Button(d, QStringLiteral("&Esporta"))->Handle(), Qt::LeftButton);
      EXPECT_EQ(d->ModalResult(), vcl::mrOk);
    });
  }
  vcl::SetDialogResponder(previous);
  const QJsonObject second = ReadWorkbook(file, 1);
  EXPECT_EQ(second[QStringLiteral("sheets")].toArray(),
            (QJsonArray{QStringLiteral("Prima"), QStringLiteral("Seconda")}));
  EXPECT_EQ(second[QStringLiteral("rows")].toArray().size(), 3);
}

}  // namespace
}  // namespace dao::testing
