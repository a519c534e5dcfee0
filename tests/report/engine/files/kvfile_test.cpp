// The template stream: a template built in code comes back from the stream
// with the same pages, objects, record sources and variables; old streams
// (no version byte, line-ended string lists, smaller layout scale) still
// read; and a damaged stream or file is refused with the report untouched.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/files/kvfile.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/model/kvstrio.h"
#include "report/engine/objects/kvshape.h"
#include "tests/platform/vcl/db/memdataset.h"

namespace {

using namespace report;

class TemplateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterShapeObject();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      messages_.push_back(request.text);
      return vcl::mrOk;
    });
  }
  void TearDown() override { vcl::SetDialogResponder(previous_); }

  static QByteArray Bytes(TkvReport &report) {
    rtl::TMemoryStream stream;
    report.SaveToStream(stream);
    return stream.Bytes();
  }
  static void Load(TkvReport &report, const QByteArray &bytes) {
    rtl::TMemoryStream stream;
    stream.SetBytes(bytes);
    report.LoadFromStream(stream);
  }

  // Two pages: a list page with bands, a highlighted memo, a shape, a
  // picture without a picture and a sub-report; and a landscape page in
  // two columns that the sub-report shows.
  void Build(TkvReport &report) {
    TkvPage *first = report.Pages().Page(0);
    first->Margins[0] = 40;
    first->HeaderOnFirstPage = 0;
    TkvBandView *band = first->AddBand(btMasterData, 100, 20);
    band->FormatStr = QStringLiteral("Giacenze");
    band->Name = QStringLiteral("DatiGiacenze");
    auto *memo = first->Add<TkvMemoView>(10, 100, 200, 18);
    memo->Name = QStringLiteral("Titolo");
    memo->Memo.Add(QStringLiteral("[Giacenze.\"Titolo\"]"));
    memo->Memo.Add(QString::fromUtf8("Prezzo € [Prezzo]"));
    memo->Font.SetName(QStringLiteral("Courier New"));
    memo->Font.SetSize(12);
    memo->HighlightStyle = vcl::TFontStyles{vcl::fsBold, vcl::fsItalic};
    memo->HighlightCondition = QStringLiteral("[Qta] < 0");
    memo->HighlightOn = -1;
    memo->Format = 0x01022C00;
    memo->FormatStr = QStringLiteral("#,##0.00");
    memo->FillColor = vcl::clYellow;
    memo->Visible = false;
    auto *shape = first->Add<TkvShapeView>(220, 100, 30, 18);
    shape->ShapeType = 2;
    first->Add<TkvPictureView>(260, 100, 40, 40);
    first->Add<TkvSubReportView>(0, 140, 300, 20)->PageIndex = 1;

    TkvPage *second = report.Pages().AddPage();
    second->IsSubReportPage = true;
    second->Orientation = 1;
    second->Columns = 2;
    second->ColumnGap = 12;
    second->ScaleX = 90;
    second->Add<TkvMemoView>(0, 0, 50, 18)->Memo.Add(QStringLiteral("Riga"));

    const int v = report.Values()->AddValue(QStringLiteral("Quantita"));
    report.Values()->Value(v)->Type = 1;
    report.Values()->Value(v)->DataSet = QStringLiteral("Giacenze");
    report.Values()->Value(v)->Field = QStringLiteral("Qta");
    report.Variables().Add(QStringLiteral("Magazzino"));
    report.Variables().Add(QStringLiteral(" Quantita"));
    report.SetDoublePass(true);

    auto *source = new TkvDataset();
    source->SetName(QStringLiteral("Giacenze"));
    source->SetRangeEnd(reCount);
    source->SetRangeEndCount(25);
    report.AddDataset(source);
  }

  std::vector<QString> messages_;

 private:
  TkvEngineStateGuard engine_;
  vcl::TDialogResponder previous_;
};

TEST_F(TemplateFile, TemplateComesBackWithItsPagesObjectsSourcesAndVariables) {
  TkvReport original;
  Build(original);
  const QByteArray stored = Bytes(original);
  ASSERT_EQ(stored.at(0), char(27));

  TkvReport loaded;
  Load(loaded, stored);
  ASSERT_EQ(loaded.Pages().Count(), 2);
  const TkvPage *first = loaded.Pages().Page(0);
  ASSERT_EQ(first->Views.size(), 5u);
  EXPECT_EQ(first->Margins[0], 40);
  EXPECT_EQ(first->HeaderOnFirstPage, 0);

  auto *band = dynamic_cast<TkvBandView *>(first->Views[0].get());
  ASSERT_NE(band, nullptr);
  EXPECT_EQ(band->GetBandType(), btMasterData);
  EXPECT_EQ(band->FormatStr, QStringLiteral("Giacenze"));
  EXPECT_EQ(band->Name, QStringLiteral("DatiGiacenze"));

  auto *memo = dynamic_cast<TkvMemoView *>(first->Views[1].get());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Memo.ToStringList(),
            (QStringList{QStringLiteral("[Giacenze.\"Titolo\"]"), QString::fromUtf8("Prezzo € [Prezzo]")}));
  EXPECT_EQ(memo->Font.Name(), QStringLiteral("Courier New"));
  EXPECT_TRUE(memo->HighlightStyle.Contains(vcl::fsBold));
  EXPECT_TRUE(memo->HighlightStyle.Contains(vcl::fsItalic));
  EXPECT_EQ(memo->HighlightCondition, QStringLiteral("[Qta] < 0"));
  EXPECT_EQ(memo->Format, 0x01022C00);
  EXPECT_FALSE(memo->Visible);
  EXPECT_EQ(memo->Report, &loaded);

  auto *shape = dynamic_cast<TkvShapeView *>(first->Views[2].get());
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->ShapeType, 2);
  EXPECT_NE(dynamic_cast<TkvPictureView *>(first->Views[3].get()), nullptr);
  auto *sub = dynamic_cast<TkvSubReportView *>(first->Views[4].get());
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->PageIndex, 1);

  const TkvPage *second = loaded.Pages().Page(1);
  EXPECT_EQ(second->Orientation, 1);
  EXPECT_EQ(second->Columns, 2);
  EXPECT_EQ(second->ColumnGap, 12);
  EXPECT_EQ(second->ScaleX, 90);
  ASSERT_EQ(second->Views.size(), 1u);

  ASSERT_NE(loaded.Values()->FindValue(QStringLiteral("Quantita")), nullptr);
  EXPECT_EQ(loaded.Values()->FindValue(QStringLiteral("Quantita"))->Field, QStringLiteral("Qta"));
  EXPECT_EQ(loaded.Variables().ToStringList(), (QStringList{QStringLiteral("Magazzino"), QStringLiteral(" Quantita")}));
  EXPECT_TRUE(loaded.DoublePass());
  TkvDataset *source = loaded.FindDataset(QStringLiteral("Giacenze"));
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->RangeEnd(), reCount);
  EXPECT_EQ(source->RangeEndCount(), 25);

  // Nothing the stream holds is lost or changed on the way.
  EXPECT_EQ(Bytes(loaded), stored);
  EXPECT_EQ(kvEngine().Version, kvCurrentVersion);
}

// Writes a pages body as versions before 27 stored it: no record sources
// below 23, page scales only above 24, objects through their own records at
// that version.
QByteArray OldStream(int version, bool version_byte, const std::vector<std::pair<TkvView *, int>> &views,
                     int pages = 1) {
  TkvEngineStateGuard engine;
  kvEngine().Version = version;
  rtl::TMemoryStream s;
  if (version_byte) s.WriteUInt8(std::uint8_t(version));
  if (version > 22) s.WriteInt32(0);
  s.WriteInt16(0);
  s.WriteInt16(0);
  if (version > 22) {
    s.WriteInt16(0);
    s.WriteInt16(0);
  }
  WriteStrList(s, QStringList{}, version);
  for (int page = 0; page < pages; ++page) {
    s.WriteUInt8(255);
    for (int v : {9, 2100, 2970, 10, 10, 10, 10}) s.WriteInt32(v);
    s.WriteUInt8(0);
    for (int i = 0; i < 5; ++i) s.WriteInt16(-1);
    s.WriteInt32(1);
    s.WriteInt32(0);
    if (version > 24) {
      s.WriteInt32(80);
      s.WriteInt32(80);
    }
  }
  for (const auto &[view, page] : views) {
    s.WriteUInt8(std::uint8_t(view->Typ));
    s.WriteUInt8(std::uint8_t(page));
    view->SaveToStream(s);
  }
  return s.Bytes();
}

QByteArray OldStream(int version, bool version_byte, TkvView &view) {
  return OldStream(version, version_byte, {{&view, 0}});
}

// A record source that reads a dataset keeps its filter through the file:
// saved on it reads back on, saved off it reads back off.
TEST_F(TemplateFile, ASourcesFilterComesBackFromTheFile) {
  vcl::TDataModule holder(nullptr);
  holder.SetName(QStringLiteral("Archivi"));
  auto *stock = new testdb::TMemDataSet(&holder);
  stock->SetName(QStringLiteral("Giacenza"));
  QTemporaryDir dir;
  for (const bool on : {true, false}) {
    TkvReport original;
    auto *source = new TkvDBDataSet();
    source->SetName(QStringLiteral("Righe"));
    source->SetDataSet(stock);
    source->SetFiltered(on);
    source->SetFilter(QStringLiteral("[Giacenza] > 0"));
    original.AddDataset(source);
    const QString path = dir.filePath(on ? QStringLiteral("filtro.kvf") : QStringLiteral("tutte.kvf"));
    original.SaveToFile(path);

    TkvReport loaded;
    loaded.LoadFromFile(path);
    auto *back = dynamic_cast<TkvDBDataSet *>(loaded.FindDataset(QStringLiteral("Righe")));
    ASSERT_NE(back, nullptr) << on;
    EXPECT_EQ(back->DataSet(), stock);
    EXPECT_EQ(back->Filtered(), on);
    EXPECT_EQ(back->Filter(), QStringLiteral("[Giacenza] > 0"));
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(TemplateFile, OlderStreamsReadWithTheirOwnLayout) {
  TkvMemoView memo(nullptr);
  memo.x = 1088;
  memo.dx = 544;
  memo.Memo.AssignStrings(QStringList{QStringLiteral("uno"), QString(), QStringLiteral("tre\nquattro")});

  // No version byte: read from the first byte as version 21, with
  // coordinates scaled up and word wrap forced on.
  TkvReport old;
  Load(old, OldStream(21, false, memo));
  ASSERT_EQ(old.Pages().Count(), 1);
  ASSERT_EQ(old.Pages().Page(0)->Views.size(), 1u);
  auto *read = static_cast<TkvMemoView *>(old.Pages().Page(0)->Views[0].get());
  EXPECT_EQ(read->x, 1123);
  EXPECT_EQ(read->dx, 562);
  EXPECT_TRUE(read->Flags & flWordWrap);
  EXPECT_EQ(read->Memo.ToStringList(), memo.Memo.ToStringList());
  EXPECT_EQ(old.Pages().Page(0)->ScaleX, 100);

  // Version 25: page scales and the old string lists, no scaling.
  TkvReport v25;
  Load(v25, OldStream(25, true, memo));
  read = static_cast<TkvMemoView *>(v25.Pages().Page(0)->Views[0].get());
  EXPECT_EQ(read->x, 1088);
  EXPECT_FALSE(read->Flags & flWordWrap);
  EXPECT_EQ(read->Memo.ToStringList(), memo.Memo.ToStringList());
  EXPECT_EQ(v25.Pages().Page(0)->ScaleY, 80);
  EXPECT_EQ(kvEngine().Version, kvCurrentVersion);
}

TEST_F(TemplateFile, ObjectsOfStreamsWithoutNamesGetNamesOfTheirOwnInTheReport) {
  // Objects of each kind on two pages, in an order that mixes the kinds.
  std::vector<std::unique_ptr<TkvView>> made;
  std::vector<std::pair<TkvView *, int>> views;
  auto add = [&](std::unique_ptr<TkvView> view, int page) {
    views.push_back({view.get(), page});
    made.push_back(std::move(view));
  };
  for (int page = 0; page < 2; ++page) {
    add(std::make_unique<TkvBandView>(nullptr), page);
    add(std::make_unique<TkvMemoView>(nullptr), page);
    add(std::make_unique<TkvMemoView>(nullptr), page);
    add(std::make_unique<TkvPictureView>(nullptr), page);
    add(std::make_unique<TkvSubReportView>(nullptr), page);
    add(std::make_unique<TkvPictureView>(nullptr), page);
    add(std::make_unique<TkvBandView>(nullptr), page);
  }
  const QStringList expected = {"Band1", "Memo1", "Memo2", "Picture1", "SubReport1", "Picture2", "Band2",
                                "Band3", "Memo3", "Memo4", "Picture3", "SubReport2", "Picture4", "Band4"};
  auto names = [](TkvReport &report) {
    QStringList out;
    for (int p = 0; p < report.Pages().Count(); ++p)
      for (const auto &view : report.Pages().Page(p)->Views) out << view->Name;
    return out;
  };
  for (int version : {21, 22}) {
    // The report already holds objects of those names: the template read
    // replaces them, so they take nothing away.
    TkvReport report;
    report.Pages().Page(0)->Add<TkvMemoView>(0, 0, 10, 10);
    report.Pages().Page(0)->Add<TkvBandView>(0, 0, 10, 10);
    Load(report, OldStream(version, version == 22, views, 2));
    EXPECT_EQ(names(report), expected) << version;
    TkvReport again;
    Load(again, Bytes(report));
    EXPECT_EQ(names(again), expected) << version;
  }
}

// Two record sources of one name: the report keeps the first and frees the
// other at once instead of losing it.
TEST_F(TemplateFile, SecondSourceOfTheSameNameIsFreedNotKept) {
  TkvReport original;
  for (int rows : {3, 5}) {
    auto *source = new TkvDataset();
    source->SetName(rows == 3 ? QStringLiteral("Uno") : QStringLiteral("Due"));
    source->SetRangeEnd(reCount);
    source->SetRangeEndCount(rows);
    original.AddDataset(source);
  }
  QByteArray stored = Bytes(original);
  const QByteArray second = QByteArray("\x03") + "Due";
  ASSERT_EQ(stored.count(second), 1);
  stored.replace(second, QByteArray("\x03") + "Uno");

  int freed = 0;
  const auto previous = TkvDataset::FreedHook();
  TkvDataset::FreedHook() = [&](TkvDataset *source) {
    ++freed;
    if (previous) previous(source);
  };
  TkvReport loaded;
  Load(loaded, stored);
  EXPECT_EQ(freed, 1);
  ASSERT_EQ(loaded.DatasetCount(), 1);
  // Sources are written in name order: the first in the stream was "Due".
  EXPECT_EQ(loaded.FindDataset(QStringLiteral("Uno"))->RangeEndCount(), 5);
  TkvDataset::FreedHook() = previous;
}

TEST_F(TemplateFile, DamagedStreamIsRefusedAndTheReportKeepsItsTemplate) {
  TkvReport original;
  Build(original);
  const QByteArray stored = Bytes(original);

  // Loading adds the stream's record sources to the report's own, so a
  // report that did read a stream is made afresh.
  std::unique_ptr<TkvReport> target;
  auto fresh = [&] {
    target = std::make_unique<TkvReport>();
    target->Pages().Page(0)->Add<TkvMemoView>(1, 2, 3, 4)->Name = QStringLiteral("Esistente");
  };
  fresh();
  const QByteArray before = Bytes(*target);
  auto refused = [&](const QByteArray &bytes) {
    try {
      Load(*target, bytes);
    } catch (const EkvTemplateError &e) {
      EXPECT_EQ(e.Message(), KvDamagedTemplateText());
      EXPECT_EQ(Bytes(*target), before);
      return true;
    }
    fresh();
    return false;
  };

  // Cut anywhere inside a record, the stream is refused; only a cut right
  // after a complete page or object record may read.
  int complete = 0;
  for (int n = 0; n < stored.size(); ++n)
    if (!refused(stored.left(n))) ++complete;
  EXPECT_LE(complete, 10);

  // Whole records that make no sense are refused the same way.
  QByteArray unknown_addin = stored;
  unknown_addin.replace(QByteArray("TkvShapeView"), QByteArray("TkvShapeXiew"));
  EXPECT_TRUE(refused(unknown_addin));
  QByteArray future = stored;
  future[0] = char(40);
  EXPECT_TRUE(refused(future));
  EXPECT_TRUE(refused(stored + QByteArray(1, char(5))));     // tags 4-9 name no object
  EXPECT_TRUE(refused(stored + QByteArray("\x00\x07", 2)));  // an object on page 8 of 2
  EXPECT_TRUE(messages_.empty());

  // A tag that is not a record ends the template.
  TkvReport ended;
  Load(ended, stored + QByteArray("\x63garbage"));
  EXPECT_EQ(Bytes(ended), stored);
}

TEST_F(TemplateFile, FilesAreReplacedOnlyByCompleteTemplates) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("giacenze.kvf"));
  TkvReport original;
  Build(original);
  original.SaveToFile(path);

  TkvReport loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(Bytes(loaded), Bytes(original));

  // Saving again leaves no file beside the template.
  loaded.SaveToFile(path);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("giacenze.kvf")});

  QFile damaged(dir.filePath(QStringLiteral("rotto.kvf")));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(Bytes(original).left(40));
  damaged.close();
  EXPECT_THROW(loaded.LoadFromFile(damaged.fileName()), EkvTemplateError);
  EXPECT_EQ(Bytes(loaded), Bytes(original));
  EXPECT_THROW(loaded.LoadFromFile(dir.filePath(QStringLiteral("manca.kvf"))), EkvReportError);
  EXPECT_THROW(original.SaveToFile(dir.filePath(QStringLiteral("manca/x.kvf"))), EkvReportError);
}

TEST_F(TemplateFile, GalleryTemplateKeepsDescriptionPictureAndPages) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("lista.kvt"));
  TkvReport original;
  Build(original);
  rtl::TStringList description;
  description.Add(QStringLiteral("Lista giacenze"));
  description.Add(QStringLiteral("per testata"));
  vcl::TBitmap picture(8, 6);
  original.SaveTemplate(path, description, &picture);

  // The header alone: description and picture, the report untouched.
  TkvReport target;
  const QByteArray before = Bytes(target);
  rtl::TStringList lines;
  vcl::TBitmap shown;
  target.LoadTemplate(path, lines, true, &shown);
  EXPECT_EQ(lines.ToStringList(), description.ToStringList());
  EXPECT_EQ(shown.Width(), 8);
  EXPECT_EQ(shown.Height(), 6);
  EXPECT_EQ(Bytes(target), before);

  // The whole template: the pages come, record sources are not the
  // gallery's to bring.
  target.LoadTemplate(path, lines, false, nullptr);
  ASSERT_EQ(target.Pages().Count(), 2);
  EXPECT_EQ(target.Pages().Page(0)->Views.size(), 5u);
  EXPECT_EQ(target.Variables().Count(), 2);
  EXPECT_EQ(target.DatasetCount(), 0);

  // Without a picture the body follows the flag.
  original.SaveTemplate(path, description, nullptr);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  rtl::TMemoryStream header;
  header.SetBytes(bytes);
  ReadStrList(header, kvCurrentVersion);
  const std::int32_t body = header.ReadInt32();
  EXPECT_EQ(header.ReadUInt8(), 0);
  EXPECT_EQ(body, header.Position());

  // A cut body is refused and the report keeps what it had.
  file.close();
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes.left(bytes.size() - 7));
  file.close();
  const QByteArray loaded = Bytes(target);
  EXPECT_THROW(target.LoadTemplate(path, lines, false, nullptr), rtl::EReadError);
  EXPECT_EQ(Bytes(target), loaded);
}

TEST_F(TemplateFile, FinishedReportComesBackPageByPage) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("stampa.kvp"));
  TkvReport prepared;
  TkvPage landscape(nullptr);
  landscape.Orientation = 1;
  landscape.UseMargins = 0;
  for (const TkvPage *paper :
       {static_cast<const TkvPage *>(prepared.Pages().Page(0)), static_cast<const TkvPage *>(&landscape)}) {
    TkvEMFPage *page = prepared.EMFPages().Add(*paper);
    page->Canvas->TextOut(20, 30, QString::fromUtf8("Pagina € %1").arg(prepared.EMFPages().Count()));
  }
  prepared.EMFPages().CloseFrom(0);
  prepared.SavePreparedReport(path);

  TkvReport shown;
  shown.LoadPreparedReport(path);
  ASSERT_EQ(shown.EMFPages().Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const TkvEMFPage *a = prepared.EMFPages().Page(i);
    const TkvEMFPage *b = shown.EMFPages().Page(i);
    EXPECT_EQ(b->PaperSize, a->PaperSize);
    EXPECT_EQ(b->PaperWidth, a->PaperWidth);
    EXPECT_EQ(b->PaperHeight, a->PaperHeight);
    EXPECT_EQ(b->Orientation, a->Orientation);
    EXPECT_EQ(b->UseMargins, a->UseMargins);
    EXPECT_EQ(b->Picture->SaveToBytes(), a->Picture->SaveToBytes());
  }
  EXPECT_EQ(shown.EMFPages().Page(1)->Texts(), QStringList{QString::fromUtf8("Pagina € 2")});

  // A cut file is refused and the pages shown stay.
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  file.close();
  for (qsizetype n : {qsizetype(0), qsizetype(5), bytes.size() / 2, bytes.size() - 1}) {
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes.left(n));
    file.close();
    EXPECT_THROW(shown.LoadPreparedReport(path), rtl::EReadError) << n;
    EXPECT_EQ(shown.EMFPages().Count(), 2);
  }

  // No pages: the printer's name and a count of 0.
  TkvReport empty;
  empty.SavePreparedReport(path);
  shown.LoadPreparedReport(path);
  EXPECT_EQ(shown.EMFPages().Count(), 0);
}

}  // namespace
