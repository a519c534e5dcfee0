// The DAO grid over the program's stock table: its menu, keys, selection,
// check boxes, word-wrapped titles and row sizing, and the record
// clipboard, copied and pasted back.
#include <QUrlQuery>

#include "dao/vudaogrid.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <QWidget>
#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/typinfo.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

// The grid's protected key handling, reached as the user's keys reach it.
class KeyGrid : public TVuDaoDBGrid {
 public:
  using TVuDaoDBGrid::TVuDaoDBGrid;
  void Press(int key, vcl::TShiftState shift = {}) { KeyDown(key, shift); }
  void DoubleClick() { DblClick(); }
  void Click(int x, int y) {
    MouseDown(vcl::mbLeft, {}, x, y);
    MouseUp(vcl::mbLeft, {}, x, y);
  }
  void Drag(int x, int y, int to_y) {
    MouseDown(vcl::mbLeft, {}, x, y);
    MouseMove({vcl::ssLeft}, x, (y + to_y) / 2);
    MouseMove({vcl::ssLeft}, x, to_y);
    MouseUp(vcl::mbLeft, {}, x, to_y);
  }
  using TVuDaoDBGrid::TitleHeight;
};

// The stock table in barcode order behind a data source, for a grid.
class StockDb : public DaoDb {
 protected:
  void BindStock() {
    stock_ = Table(QStringLiteral("Giacenza"));
    stock_->SetSortedBy({"[Barcode18] ASC"});
    source_.SetDataSet(stock_);
  }

  TVuDaoTable *stock_ = nullptr;
  vcl::TDataSource source_;
};

class Grid : public StockDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    BindStock();
    grid_ = std::make_unique<KeyGrid>(nullptr);
    grid_->SetDataSource(&source_);
    stock_->Open();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) {
      asked_ << r.text;
      return answer_;
    });
  }
  void TearDown() override {
    vcl::SetDialogResponder(previous_);
    grid_.reset();
    DaoDb::TearDown();
  }
  QString Field(const QString &name) { return stock_->FieldByName(name)->AsString(); }
  void GoTo(const QString &code) { ASSERT_TRUE(stock_->Locate(QStringLiteral("Barcode18"), code, {})); }
  static QString Block(const QString &format) {
    QByteArray bytes = vcl::Clipboard().GetData(vcl::RegisterClipboardFormat(format));
    EXPECT_TRUE(bytes.endsWith('\0'));
    bytes.chop(1);
    return QString::fromLatin1(bytes);
  }
  static void PutHex(const QString &text) {
    vcl::Clipboard().Open();
    vcl::Clipboard().Clear();
    QByteArray bytes = text.toLatin1();
    bytes.append('\0');
    vcl::Clipboard().SetData(vcl::RegisterClipboardFormat(kHexRecordsetFormat), bytes);
    vcl::Clipboard().Close();
  }

  std::unique_ptr<KeyGrid> grid_;
  vcl::TDialogResponder previous_;
  QStringList asked_;
  vcl::TModalResult answer_ = vcl::mrYes;
};

TEST_F(Grid, MenuTitlesNameAndHideTheItems) {
  vcl::TPopupMenu *menu = grid_->OptionsMenu();
  EXPECT_EQ(menu->Name(), QStringLiteral("OptionsMenu"));
  EXPECT_EQ(menu->Items()->Count(), 25);
  EXPECT_EQ(menu->Items()->Items(22)->Caption(), QStringLiteral("Copy\tCtrl+C"));

  QStringList titles = TVuDaoDBGrid::DefaultMenuTitles();
  titles[1] = QStringLiteral("!Sort");
  grid_->SetMenuTitles(titles);
  EXPECT_EQ(menu->Items()->Items(1)->Caption(), QStringLiteral("Sort"));
  EXPECT_FALSE(menu->Items()->Items(1)->Visible());

  // A list of the wrong length gives the default titles back.
  grid_->SetMenuTitles({QStringLiteral("Uno")});
  EXPECT_EQ(grid_->MenuTitles(), TVuDaoDBGrid::DefaultMenuTitles());
  EXPECT_TRUE(menu->Items()->Items(1)->Visible());
}

TEST_F(Grid, MenuStatesFollowTheRecordset) {
  grid_->PrepareMenu();
  auto enabled = [&](int i) { return grid_->OptionsMenu()->Items()->Items(i)->Enabled(); };
  // A dynaset: no index commands, but sorting and filtering.
  EXPECT_FALSE(enabled(TVuDaoDBGrid::miSelectIndex));
  EXPECT_FALSE(enabled(TVuDaoDBGrid::miSeek));
  EXPECT_TRUE(enabled(TVuDaoDBGrid::miSort));
  EXPECT_TRUE(enabled(TVuDaoDBGrid::miCopy));

  // A disabled item's key does nothing until the next pop-up enables it.
  grid_->SetReadOnly(true);
  grid_->PrepareMenu();
  EXPECT_FALSE(enabled(TVuDaoDBGrid::miCopy));
  vcl::Clipboard().SetAsText(QStringLiteral("prima"));
  grid_->Press('C', {vcl::ssCtrl});
  EXPECT_EQ(vcl::Clipboard().AsText(), QStringLiteral("prima"));
}

TEST_F(Grid, TheCornerCellPopsTheMenuUpUnlessItIsOff) {
  int shown = 0;
  auto old = vcl::TPopupMenu::ShowSlot;
  vcl::TPopupMenu::ShowSlot = [&](vcl::TPopupMenu *menu, int, int) {
    ++shown;
    return menu->Items()->Items(TVuDaoDBGrid::miSelectAll);
  };
  grid_->Click(2, 2);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(grid_->SelectedRows().size(), 5u);
  grid_->SetShowGridMenu(false);
  grid_->Click(2, 2);
  vcl::TPopupMenu::ShowSlot = old;
  EXPECT_EQ(shown, 1);
}

TEST_F(Grid, CopyPutsTheCurrentRecordInThreeFormats) {
  grid_->SetShowGridMenu(false);
  GoTo(QStringLiteral("977112233445501234"));
  grid_->Press('C', {vcl::ssCtrl});  // the keys work without the menu

  const QStringList hex = Block(kHexRecordsetFormat).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(hex.size(), 3);
  const QStringList names = hex[0].split('\t');
  const QStringList types = hex[1].split('\t');
  const QStringList values = hex[2].split('\t');
  const int testata = int(names.indexOf(QStringLiteral("Testata")));
  ASSERT_GE(testata, 0);
  EXPECT_EQ(types[testata], QStringLiteral("1"));
  EXPECT_EQ(values[testata], QStringLiteral("436F727269657265"));  // "Corriere"
  // A date the record does not have stays empty rather than a day.
  EXPECT_EQ(values[names.indexOf(QStringLiteral("Ucarico"))], QString());

  const QString text = vcl::Clipboard().AsText();
  EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
  EXPECT_EQ(text.count(QStringLiteral("\r\n")), 1);
  EXPECT_EQ(text.split('\t')[testata], QStringLiteral("Corriere"));
  EXPECT_TRUE(vcl::Clipboard().HasFormat(vcl::CF_UNICODETEXT));
  // Copying leaves the grid on its record.
  EXPECT_EQ(Field(QStringLiteral("Barcode18")), QStringLiteral("977112233445501234"));
}

TEST_F(Grid, OfficeTextQuotesAndDatesAreFixed) {
  GoTo(QStringLiteral("9771234567890"));
  stock_->Edit();
  stock_->FieldByName(QStringLiteral("Descrizione"))->SetAsString(QStringLiteral("il \"nuovo\"\r\nnumero"));
  stock_->FieldByName(QStringLiteral("Ucarico"))->SetAsDateTime(rtl::EncodeDate(2005, 3, 7));
  stock_->Post();
  const int descr = int(stock_->FieldByName(QStringLiteral("Descrizione"))->Index());
  const int date = int(stock_->FieldByName(QStringLiteral("Ucarico"))->Index());
  const std::vector<vcl::TBookmark> rows{stock_->GetBookmark()};

  QStringList plain = grid_->RecordsText(rows).split('\t');
  EXPECT_EQ(plain[descr], QStringLiteral("il \"nuovo\" numero"));
  grid_->SetOfficeClipboardFormat(true);
  const QStringList office = grid_->RecordsText(rows).split('\t');
  EXPECT_EQ(office[descr], QStringLiteral("\"il \"\"nuovo\"\"\r\nnumero\""));
  EXPECT_EQ(office[date], QStringLiteral("03/07/2005"));
}

TEST_F(Grid, HexRecordsPasteBackAfterDeletion) {
  GoTo(QStringLiteral("977112233445501234"));
  grid_->CopyRecords();
  stock_->Delete();
  ASSERT_FALSE(stock_->Locate(QStringLiteral("Barcode18"), QStringLiteral("977112233445501234"), {}));

  grid_->PasteRecords();
  ASSERT_EQ(asked_.size(), 1);
  EXPECT_EQ(asked_[0], QStringLiteral("You are about to paste 1 records!\r\nThere will be no undo for this "
                                      "operation!\r\nAre You sure?"));
  GoTo(QStringLiteral("977112233445501234"));
  EXPECT_EQ(Field(QStringLiteral("Testata")), QStringLiteral("Corriere"));
  EXPECT_EQ(Field(QStringLiteral("Descrizione")), QStringLiteral("n. 1"));
  EXPECT_DOUBLE_EQ(stock_->FieldByName(QStringLiteral("Giacenza"))->AsFloat(), 10);
  EXPECT_TRUE(stock_->FieldByName(QStringLiteral("Ucarico"))->IsNull());

  // The same record again clashes with its key: counted and told once.
  grid_->PasteRecords();
  EXPECT_EQ(asked_.last(), QStringLiteral("1 records was not pasted due to an error!"));
  EXPECT_EQ(Column(stock_, QStringLiteral("Barcode18")).size(), 5);
}

TEST_F(Grid, HexPasteMatchesNamesDecodesDatesAndAsksFirst) {
  const int before = int(Column(stock_, QStringLiteral("Barcode18")).size());
  // Only the two header lines: nothing to paste, nothing asked.
  PutHex(QStringLiteral("Barcode18\tTestata\r\n1\t1\r\n"));
  grid_->PasteRecords();
  EXPECT_TRUE(asked_.isEmpty());

  // "No" pastes nothing.
  PutHex(QStringLiteral("Barcode18\tTestata\r\n1\t1\r\n313131\t5A\r\n"));
  answer_ = vcl::mrNo;
  grid_->PasteRecords();
  EXPECT_EQ(Column(stock_, QStringLiteral("Barcode18")).size(), before);

  // By name: the second "Testata" column finds its field taken and is
  // dropped; a date comes as day number and milliseconds; an odd hex value
  // is empty.
  answer_ = vcl::mrYes;
  grid_->SetFindFieldsOnPaste(true);
  const rtl::TTimeStamp day = rtl::DateTimeToTimeStamp(rtl::EncodeDate(2006, 1, 2));
  PutHex(QStringLiteral("testata\tBarcode18\tTestata\tUcarico\tDescrizione\r\n1\t1\t1\t9\t1\r\n"
                        "4162\t313233\t5858\t%1 0\t414\r\n")
             .arg(day.Date));
  grid_->PasteRecords();
  GoTo(QStringLiteral("123"));
  EXPECT_EQ(Field(QStringLiteral("Testata")), QStringLiteral("Ab"));
  EXPECT_EQ(stock_->FieldByName(QStringLiteral("Ucarico"))->AsDateTime(), rtl::EncodeDate(2006, 1, 2));
  EXPECT_TRUE(stock_->FieldByName(QStringLiteral("Descrizione"))->IsNull());
}

TEST_F(Grid, PlainTextPastesByPositionAndReadsDates) {
  rtl::FormatSettingsGuard guard(rtl::ItalianFormatSettings());
  vcl::TField *code = stock_->FieldByName(QStringLiteral("Barcode18"));
  vcl::TField *title = stock_->FieldByName(QStringLiteral("Testata"));
  ASSERT_EQ(code->Index(), 0);
  // Values go to the grid's columns in order: make them code, title, date.
  QStringList cells(grid_->ColumnCount(), QString());
  const int date = int(stock_->FieldByName(QStringLiteral("Ucarico"))->Index());
  cells[0] = QStringLiteral("555");
  cells[title->Index()] = QStringLiteral("\"Due\r\nrighe\"");
  cells[date] = QStringLiteral("15/03/2005");
  vcl::Clipboard().SetAsText(cells.join('\t') + QStringLiteral("\r\n"));
  grid_->PasteRecords();
  EXPECT_EQ(asked_.size(), 1);
  GoTo(QStringLiteral("555"));
  EXPECT_EQ(Field(QStringLiteral("Testata")), QStringLiteral("Due\r\nrighe"));
  EXPECT_EQ(stock_->FieldByName(QStringLiteral("Ucarico"))->AsDateTime(), rtl::EncodeDate(2005, 3, 15));
}

TEST_F(Grid, SelectionCopiesInOrderAndCutDeletesIt) {
  grid_->SelectAll();
  EXPECT_TRUE(grid_->MultiSelect());
  EXPECT_EQ(grid_->SelectedRows().size(), 5u);
  grid_->DeselectAll();
  EXPECT_TRUE(grid_->SelectedRows().empty());
  EXPECT_FALSE(grid_->MultiSelect());  // Select All had switched it on

  grid_->SetMultiSelect(true);
  GoTo(QStringLiteral("9771234567891"));
  grid_->SetRowSelected(stock_->GetBookmark(), true);
  GoTo(QStringLiteral("8001234567890"));
  grid_->SetRowSelected(stock_->GetBookmark(), true);
  answer_ = vcl::mrCancel;
  grid_->CutRecords();
  EXPECT_TRUE(asked_[0].startsWith(QStringLiteral("You are about to cut 2 records!")));
  EXPECT_EQ(Column(stock_, QStringLiteral("Barcode18")).size(), 5);

  answer_ = vcl::mrYes;
  grid_->CutRecords();
  const QStringList hex = Block(kHexRecordsetFormat).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(hex.size(), 4);
  // In the order selected: "9771234567891" first.
  EXPECT_TRUE(hex[2].startsWith(QStringLiteral("39373731323334353637383931\t")));
  EXPECT_EQ(Column(stock_, QStringLiteral("Barcode18")),
            QStringList({"977112233445501234", "9771234567890", "977556677889900000"}));
}

TEST_F(Grid, ForwardOnlyRecordsetsHaveNoSelection) {
  TVuDaoTable *forward = Table(QStringLiteral("Giacenza"), 8);
  vcl::TDataSource source;
  source.SetDataSet(forward);
  TVuDaoDBGrid grid(nullptr);
  grid.SetDataSource(&source);
  forward->Open();
  grid.SelectAll();
  EXPECT_TRUE(grid.SelectedRows().empty());
  EXPECT_FALSE(grid.MultiSelect());
}

TEST_F(Grid, SpaceAndDoubleClickToggleACheckBox) {
  GoTo(QStringLiteral("9771234567890"));
  vcl::TField *cd = stock_->FieldByName(QStringLiteral("CD"));
  const bool before = cd->AsBoolean();
  int column = -1;
  for (int i = 0; i < grid_->ColumnCount(); ++i)
    if (grid_->Columns(i)->Field() == cd) column = i;
  ASSERT_GE(column, 0);
  grid_->SetSelectedIndex(column);
  grid_->Press(vcl::VK_SPACE);
  EXPECT_EQ(cd->AsBoolean(), !before);
  EXPECT_EQ(
      EngineValue(QStringLiteral("SELECT CD FROM Giacenza WHERE Barcode18 = \"9771234567890\""), QStringLiteral("CD"))
          .AsBoolean(),
      !before);
  grid_->DoubleClick();
  EXPECT_EQ(cd->AsBoolean(), before);
  // A click on the box toggles it; the double click it starts does not
  // toggle it back; a click beside the box only selects.
  const vcl::TRect cell = grid_->CellRect(grid_->CurrentRow(), column);
  const int cx = (cell.Left + cell.Right) / 2, cy = (cell.Top + cell.Bottom) / 2;
  grid_->Click(cx, cy);
  EXPECT_EQ(cd->AsBoolean(), !before);
  grid_->DoubleClick();
  EXPECT_EQ(cd->AsBoolean(), !before);
  grid_->Click(cell.Left + 1, cy);
  EXPECT_EQ(cd->AsBoolean(), !before);
  grid_->Press(vcl::VK_SPACE);
  EXPECT_EQ(cd->AsBoolean(), before);

  // Without check boxes, or on another column, nothing changes.
  grid_->SetShowCheckBoxes(false);
  grid_->Press(vcl::VK_SPACE);
  EXPECT_EQ(cd->AsBoolean(), before);
}

TEST_F(Grid, WrappedTitlesMakeTheTitleRowTallEnough) {
  const int rows = grid_->DefaultRowHeight();
  grid_->Columns(1)->SetTitle(QStringLiteral("Descrizione dell'articolo in vendita"));
  grid_->Columns(1)->SetWidth(70);
  EXPECT_EQ(grid_->TitleHeight(), rows);
  grid_->SetExOptions({exoWrapTitles});
  const QFontMetrics metrics(grid_->Font()->ToQFont());
  const int wrapped = metrics.boundingRect(QRect(0, 0, 68, 0), Qt::TextWordWrap, grid_->Columns(1)->Title()).height();
  EXPECT_GT(wrapped, metrics.height());  // it takes more than one line
  EXPECT_EQ(grid_->TitleHeight(), wrapped + 4);
  EXPECT_EQ(grid_->CellRect(-1, 1).Height(), wrapped + 4);
  EXPECT_EQ(grid_->CellRect(0, 1).Top, wrapped + 4);  // the rows start below it
  // Painting draws it word-wrapped; the title row goes back without the option.
  grid_->Handle()->grab();
  grid_->SetExOptions({});
  EXPECT_EQ(grid_->TitleHeight(), rows);
}

TEST_F(Grid, RowSizingTakesTheDraggedHeightForEveryRow) {
  const int rows = grid_->DefaultRowHeight();
  const int line = grid_->TitleHeight() + rows - 1;  // the first row's bottom line
  // Without the option the indicator's lines are not handles.
  grid_->Drag(5, line, line + 12);
  EXPECT_EQ(grid_->DefaultRowHeight(), rows);

  grid_->SetExOptions({exoRowSizing});
  grid_->Drag(5, line, line + 12);
  EXPECT_EQ(grid_->DefaultRowHeight(), rows + 12);
  EXPECT_EQ(grid_->CellRect(1, 0).Top, grid_->TitleHeight() + rows + 12);
  // The height stays through other changes of the options.
  grid_->SetExOptions({exoRowSizing, exoWrapTitles});
  EXPECT_EQ(grid_->DefaultRowHeight(), rows + 12);
  // Only the line is a handle: a press in the row selects it as before.
  const QString before = Field(QStringLiteral("Barcode18"));
  grid_->Click(20, grid_->CellRect(1, 1).Top + 5);
  EXPECT_NE(Field(QStringLiteral("Barcode18")), before);
  EXPECT_EQ(grid_->DefaultRowHeight(), rows + 12);
  // Off, the rows go back to the height of the font's "I" and 4 pixels.
  grid_->SetExOptions({});
  EXPECT_EQ(grid_->DefaultRowHeight(), QFontMetrics(grid_->Font()->ToQFont()).height() + 4);
}

TEST_F(Grid, AutoSizeWidensAndGivesWidthsBack) {
  const int title = int(stock_->FieldByName(QStringLiteral("Testata"))->Index());
  grid_->Columns(title)->SetWidth(5);
  GoTo(QStringLiteral("9771234567891"));
  grid_->SetAutoSizeColumns(true);
  EXPECT_GT(grid_->Columns(title)->Width(), 20);
  EXPECT_EQ(Field(QStringLiteral("Barcode18")), QStringLiteral("9771234567891"));
  grid_->SetAutoSizeColumns(false);
  EXPECT_EQ(grid_->Columns(title)->Width(), 5);
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST(GridPasteText, QuotedValuesLoseTheirQuotesAndKeepTheirBreaks) {
  const QStringList lines =
      SplitClipboardLines(QStringLiteral("\"a \"\"b\"\"\"\tx\r\n\"due\r\nrighe\"\t\"c\"\r\n\"aperta\r\n"));
  EXPECT_EQ(PastedTextLines(lines), QStringList({"a \"b\"\tx", "due\r\nrighe\tc", "aperta"}));
  EXPECT_EQ(HexText(QStringLiteral("4162")), QStringLiteral("Ab"));
  EXPECT_EQ(HexText(QStringLiteral("416")), QString());
  EXPECT_EQ(HexText(QStringLiteral("4G")), QString());
}

}  // namespace
}  // namespace dao::testing

namespace dao::testing {
namespace {

TEST_F(DaoDb, GridTitlesMarkTheKeyColumnsOfATableIndex) {
  TVuDaoTable *stock = Table(QStringLiteral("Giacenza"), 1);
  stock->SetIndexName(QStringLiteral("PrimaryKey"));
  vcl::TDataSource source;
  source.SetDataSet(stock);
  TVuDaoDBGrid grid(nullptr);
  grid.SetDataSource(&source);
  stock->Open();
  int key = -1, other = -1;
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    if (grid.Columns(i)->FieldName() == QStringLiteral("Barcode18")) key = i;
    if (grid.Columns(i)->FieldName() == QStringLiteral("Testata")) other = i;
  }
  EXPECT_EQ(grid.SortMark(key), 1);
  EXPECT_EQ(grid.SortMark(other), 0);
  // Index commands instead of sort and filter.
  grid.PrepareMenu();
  EXPECT_TRUE(grid.OptionsMenu()->Items()->Items(TVuDaoDBGrid::miSelectIndex)->Enabled());
  EXPECT_FALSE(grid.OptionsMenu()->Items()->Items(TVuDaoDBGrid::miSort)->Enabled());
}

// The grid on a shown form, clicked with the mouse and read from its
// grabbed pixels.
class ShownGrid : public StockDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    BindStock();
    form_.SetBounds(0, 0, 500, 300);
    grid_ = new TVuDaoDBGrid(&form_);
    grid_->SetParent(&form_);
    grid_->SetBounds(0, 0, 480, 280);
    grid_->SetDataSource(&source_);
    stock_->Open();
    form_.Show();
  }
  void TearDown() override {
    grid_->SetDataSource(nullptr);
    DaoDb::TearDown();
  }
  QImage Shot() { return grid_->Handle()->grab().toImage(); }
  // The dark pixels inside `r` (the glyph's or a check mark's), as a box.
  static QRect Dark(const QImage &image, const QRect &r) {
    QRect box;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (qGray(image.pixel(x, y)) < 90) box |= QRect(x, y, 1, 1);
    return box;
  }
  static int Gray(const QImage &image, int x, int y) { return qGray(image.pixel(x, y)); }

  vcl::TForm form_{nullptr};
  TVuDaoDBGrid *grid_ = nullptr;
};

TEST_F(ShownGrid, TheCornerShowsTheMenuGlyphRaisedAndSunkenWhilePressed) {
  int shown = 0;
  auto old = vcl::TPopupMenu::ShowSlot;
  vcl::TPopupMenu::ShowSlot = [&](vcl::TPopupMenu *, int, int) {
    ++shown;
    return nullptr;
  };
  const int w = 11, h = grid_->CellRect(-1, 0).Bottom;
  const QRect inside(2, 2, w - 4, h - 4);
  const QImage raised = Shot();
  const QRect glyph = Dark(raised, inside);
  ASSERT_FALSE(glyph.isEmpty());
  EXPECT_EQ(glyph.width(), TVuDaoDBGrid::kMenuGlyphWidth);
  EXPECT_NEAR(glyph.center().x(), w / 2, 1);
  EXPECT_GT(Gray(raised, 0, 0), Gray(raised, w - 1, h - 1));  // light top left, shadow bottom right

  QTest::mousePress(grid_->Handle(), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_TRUE(grid_->CornerPressed());
  const QImage sunken = Shot();
  EXPECT_EQ(Dark(sunken, inside.adjusted(0, 0, 1, 1)), glyph.translated(1, 1));
  EXPECT_LT(Gray(sunken, 0, 0), Gray(sunken, w - 1, h - 1));
  EXPECT_EQ(shown, 0);
  QTest::mouseRelease(grid_->Handle(), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(grid_->CornerPressed());
  EXPECT_EQ(Shot().copy(0, 0, w, h), raised.copy(0, 0, w, h));

  // Without the menu the corner is a plain cell.
  grid_->SetShowGridMenu(false);
  EXPECT_TRUE(Dark(Shot(), inside).isEmpty());
  vcl::TPopupMenu::ShowSlot = old;
}

TEST_F(ShownGrid, SelectCheckBoxesGiveEveryRowABoxThatAClickToggles) {
  grid_->SetMultiSelect(true);
  grid_->SetExOptions({exoSelectCheckBoxes});
  const int side = TVuDaoDBGrid::kCheckBoxSize;
  EXPECT_EQ(grid_->CellRect(0, 0).Left, 2 * side);
  const QRect row2 =
      QRect(0, grid_->CellRect(2, 0).Top, 2 * side, grid_->CellRect(2, 0).Bottom - grid_->CellRect(2, 0).Top);
  const QRect row0 = QRect(0, grid_->CellRect(0, 0).Top, 2 * side, row2.height());
  auto mark = [&](const QImage &shot, const QRect &row) {
    // The tick inside the box (the box's own frame left out).
    const QRect box(row.center().x() - side / 2 + 2, row.center().y() - side / 2 + 2, side - 4, side - 4);
    return !Dark(shot, box).isEmpty();
  };
  QImage shot = Shot();
  EXPECT_FALSE(mark(shot, row0));
  EXPECT_FALSE(mark(shot, row2));

  QTest::mouseClick(grid_->Handle(), Qt::LeftButton, {}, row2.center());
  ASSERT_EQ(grid_->SelectedRows().size(), 1u);
  EXPECT_EQ(grid_->SelectedRows()[0], grid_->RowBookmark(2));
  EXPECT_EQ(stock_->FieldByName(QStringLiteral("Barcode18"))->AsString(), QStringLiteral("9771234567890"));
  shot = Shot();
  EXPECT_TRUE(mark(shot, row2));
  EXPECT_FALSE(mark(shot, row0));
  // A second click on another row adds it (as with Ctrl held); one on the
  // same row takes it out again.
  QTest::mouseClick(grid_->Handle(), Qt::LeftButton, {}, row0.center());
  EXPECT_EQ(grid_->SelectedRows().size(), 2u);
  QTest::mouseClick(grid_->Handle(), Qt::LeftButton, {}, row2.center());
  ASSERT_EQ(grid_->SelectedRows().size(), 1u);
  EXPECT_EQ(grid_->SelectedRows()[0], grid_->RowBookmark(0));
  EXPECT_FALSE(mark(Shot(), row2));

  // Without the option the indicator is narrow again.
  grid_->SetExOptions({});
  EXPECT_EQ(grid_->CellRect(0, 0).Left, 11);
}

TEST_F(ShownGrid, ExOptionsAndMenuTitlesArePublished) {
  const vcl::TPropInfo *options = vcl::GetPropInfo(grid_, QStringLiteral("ExOptions"));
  ASSERT_NE(options, nullptr);
  vcl::SetSetProp(grid_, QStringLiteral("ExOptions"), QStringLiteral("[exoWrapTitles,exoSelectCheckBoxes]"));
  EXPECT_EQ(grid_->ExOptions(), (ExOptionsSet{exoWrapTitles, exoSelectCheckBoxes}));
  auto *titles = dynamic_cast<rtl::TStrings *>(vcl::GetObjectProp(grid_, QStringLiteral("MenuTitles")));
  ASSERT_NE(titles, nullptr);
  EXPECT_EQ(titles->Count(), TVuDaoDBGrid::kMenuItemCount);
  titles->Put(1, QStringLiteral("Ordina"));
  EXPECT_EQ(grid_->OptionsMenu()->Items()->Items(1)->Caption(), QStringLiteral("Ordina"));
}

// A stock of more records than the grid shows.
class LoadAllGrid : public ShownGrid {
 protected:
  static constexpr int kRecords = 40;
  void SetUp() override {
    ShownGrid::SetUp();
    stock_->Close();
    auto rs = database_->DaoDatabase()->OpenRecordset(QStringLiteral("Giacenza"), jet::dbOpenTable);
    for (int i = 0; i < kRecords - 5; ++i) {
      rs->AddNew();
      rs->Fields(QStringLiteral("Barcode18")).SetValue(Code(i + 5));
      rs->Fields(QStringLiteral("Testata")).SetValue(QStringLiteral("Titolo %1").arg(i + 5));
      rs->Fields(QStringLiteral("Giacenza")).SetValue(1.0);
      rs->Update();
    }
    rs->Close();
  }
  // The code of the n-th record in the grid's order, from the sixth on.
  static QString Code(int n) { return QStringLiteral("99000000000%1").arg(n, 2, 10, QLatin1Char('0')); }
  int CodeColumn() const {
    for (int i = 0; i < grid_->ColumnCount(); ++i)
      if (grid_->Columns(i)->FieldName() == QStringLiteral("Barcode18")) return i;
    return -1;
  }
  QString Shown(int row) const { return grid_->CellText(row, CodeColumn()); }
  QString Current() const { return stock_->FieldByName(QStringLiteral("Barcode18"))->AsString(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(grid_->Handle(), key, mods); }
  // The current record's row is shown: between the first shown row and the last.
  void ExpectCurrentShown() const {
    EXPECT_GE(grid_->CurrentRow(), grid_->TopRow());
    EXPECT_LT(grid_->CurrentRow(), grid_->TopRow() + grid_->VisibleRowCount());
    EXPECT_EQ(Shown(grid_->CurrentRow()), Current());
  }
  // Whether the arrow of the current record is drawn in `row`'s indicator.
  bool Arrow(int row) {
    const vcl::TRect r = grid_->CellRect(row, 0);
    return !Dark(Shot(), QRect(1, r.Top + 1, grid_->CellRect(row, 0).Left - 2, r.Bottom - r.Top - 2)).isEmpty();
  }
};

TEST_F(LoadAllGrid, EveryRecordIsLoadedAtOpenAndTheShownRowsScrollWithinThem) {
  grid_->SetExOptions({exoLoadAllRecords});
  stock_->Open();
  const int visible = grid_->VisibleRowCount();
  ASSERT_LT(visible, kRecords);
  EXPECT_EQ(grid_->RowCount(), kRecords);
  EXPECT_EQ(grid_->DataLink()->RecordCount(), kRecords);
  stock_->SetUseRecordCount(false);  // counted again, without a move to the end
  EXPECT_EQ(stock_->RecordCount(), kRecords);
  EXPECT_EQ(stock_->RecNo(), 1);
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(Shown(kRecords - 1), Code(kRecords - 1));
  EXPECT_TRUE(Arrow(0));

  // Down to the last shown row, and one more: the shown rows move by one.
  grid_->SetFocus();
  for (int i = 0; i < visible - 1; ++i) Key(Qt::Key_Down);
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(grid_->CurrentRow(), visible - 1);
  Key(Qt::Key_Down);
  EXPECT_EQ(grid_->TopRow(), 1);
  EXPECT_EQ(Shown(grid_->TopRow()), QStringLiteral("977112233445501234"));
  EXPECT_EQ(stock_->RecNo(), visible + 1);
  ExpectCurrentShown();
  EXPECT_TRUE(Arrow(grid_->CurrentRow()));
  EXPECT_FALSE(Arrow(grid_->TopRow()));
  EXPECT_EQ(grid_->RowCount(), kRecords);

  Key(Qt::Key_PageDown);
  EXPECT_EQ(grid_->CurrentRow(), 2 * visible);
  EXPECT_EQ(grid_->TopRow(), visible + 1);
  ExpectCurrentShown();
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Current(), Code(kRecords - 1));
  EXPECT_EQ(grid_->CurrentRow(), kRecords - 1);
  EXPECT_EQ(grid_->TopRow(), kRecords - visible);
  EXPECT_EQ(Shown(grid_->TopRow()), Code(kRecords - visible));
  ExpectCurrentShown();
  EXPECT_TRUE(Arrow(kRecords - 1));
  stock_->GotoBookmark(grid_->RowBookmark(grid_->TopRow()));
  EXPECT_EQ(Current(), Code(kRecords - visible));
  EXPECT_EQ(grid_->TopRow(), kRecords - visible);
  Key(Qt::Key_End, Qt::ControlModifier);

  // A click on a shown row makes its record current; nothing scrolls.
  const int top = grid_->TopRow();
  const vcl::TRect cell = grid_->CellRect(top + 2, CodeColumn());
  QTest::mouseClick(grid_->Handle(), Qt::LeftButton, {}, QPoint(cell.Left + 3, cell.Top + 3));
  EXPECT_EQ(Current(), Code(top + 2));
  EXPECT_EQ(grid_->CurrentRow(), top + 2);
  EXPECT_EQ(grid_->TopRow(), top);
  EXPECT_TRUE(Arrow(top + 2));
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  EXPECT_EQ(grid_->TopRow(), top - 1);
  ExpectCurrentShown();
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(grid_->CurrentRow(), 0);
}

TEST_F(LoadAllGrid, SwitchedOnOverAnOpenTableAndOffAgain) {
  stock_->Open();
  const int visible = grid_->VisibleRowCount();
  EXPECT_EQ(grid_->RowCount(), visible);
  stock_->MoveBy(20);
  const QString at = Current();
  grid_->SetExOptions({exoLoadAllRecords});
  EXPECT_EQ(grid_->RowCount(), kRecords);
  EXPECT_EQ(Current(), at);
  EXPECT_EQ(grid_->CurrentRow(), 20);
  ExpectCurrentShown();

  // New and deleted records are followed.
  stock_->Append();
  stock_->FieldByName(QStringLiteral("Barcode18"))->SetAsString(Code(kRecords));
  stock_->Post();
  EXPECT_EQ(grid_->RowCount(), kRecords + 1);
  ExpectCurrentShown();
  stock_->Delete();
  EXPECT_EQ(grid_->RowCount(), kRecords);
  ExpectCurrentShown();

  // Off again: the link holds the shown rows only, the same records.
  stock_->First();
  stock_->MoveBy(20);
  Key(Qt::Key_Up);
  const int shown_from = grid_->TopRow();
  const QString first_shown = Shown(shown_from);
  const int current_at = grid_->CurrentRow() - shown_from;
  ASSERT_GT(shown_from, 0);
  grid_->SetExOptions({});
  EXPECT_EQ(grid_->RowCount(), visible);
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(Shown(0), first_shown);
  EXPECT_EQ(grid_->CurrentRow(), current_at);
  ExpectCurrentShown();
  Key(Qt::Key_Down);
  EXPECT_EQ(grid_->CurrentRow(), current_at + 1);

  // Switched on while the table is closed, the option waits for the next open.
  stock_->Close();
  grid_->SetExOptions({exoLoadAllRecords});
  EXPECT_EQ(grid_->RowCount(), 0);
  stock_->Open();
  EXPECT_EQ(grid_->RowCount(), kRecords);
  stock_->Close();
  grid_->SetExOptions({});
  stock_->Open();
  EXPECT_EQ(grid_->RowCount(), visible);
}

}  // namespace
}  // namespace dao::testing
