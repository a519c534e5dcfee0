// Report objects: naming, defaults, frames and insets, the factory and the
// add-in registry, the template records, and the drawing of memos, pictures
// and band markers on a bitmap's canvas.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/menus.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvstrio.h"
#include "report/engine/objects/kvshape.h"
#include "report/engine/objects/kvshape_editor.h"
#include "tests/report/engine/kvtest_support.h"

namespace report::testing {
namespace {

using vcl::TColor;

// ---------------------------------------------------------------------------
// Names

TEST_F(ReportObjectTest, NewViewsTakeTheLowestFreeNumberOfTheirClassIgnoringCase) {
  EXPECT_EQ(report_.Add<TkvMemoView>()->Name, "Memo1");
  report_.views.back()->Name = "memo3";
  auto *second = report_.Add<TkvMemoView>();
  EXPECT_EQ(second->Name, "Memo1");
  second->Name = "MEMO1";
  EXPECT_EQ(report_.Add<TkvMemoView>()->Name, "Memo2");
  EXPECT_EQ(report_.Add<TkvPictureView>()->Name, "Picture1");
  EXPECT_EQ(report_.Add<TkvBandView>()->Name, "Band1");
  EXPECT_EQ(report_.Add<TkvSubReportView>()->Name, "SubReport1");
  EXPECT_EQ(report_.Add<TkvShapeView>()->Name, "Shape1");
}

TEST_F(ReportObjectTest, RenamingRefusesBadFormsAndNamesInUseAndKeepsTheOldName) {
  auto *memo = report_.Add<TkvMemoView>();
  report_.Add<TkvMemoView>();  // Memo2
  for (const char *bad : {"1abc", "a-b", "", "à"}) {
    messages_.clear();
    EXPECT_FALSE(SetViewName(memo, QString::fromUtf8(bad))) << bad;
    ASSERT_EQ(messages_.size(), 1u) << bad;
    EXPECT_EQ(messages_[0], "Formato del nome errato.");
    EXPECT_EQ(captions_[0], "Errore");
  }
  messages_.clear();
  EXPECT_FALSE(SetViewName(memo, "mEmO2"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], QString::fromUtf8("Non è possibile assegnare un nome già esistente."));
  EXPECT_EQ(memo->Name, "Memo1");

  messages_.clear();
  EXPECT_TRUE(SetViewName(memo, "_a1"));
  EXPECT_TRUE(SetViewName(memo, "memo1"));  // its own name in another case
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(FindViewByName(report_.Key(), "MEMO1"), memo);
  EXPECT_EQ(FindViewByName(report_.Key(), "MEMO1", memo), nullptr);
}

TEST_F(ReportObjectTest, AssignTakesTheNameOnlyWhenNoOtherViewHasIt) {
  auto *a = report_.Add<TkvMemoView>();
  auto *b = report_.Add<TkvMemoView>();
  a->x = 7;
  a->Adjust = adCenter;
  a->Font.SetSize(14);
  a->Memo.Add("riga");
  b->Assign(a);
  EXPECT_EQ(b->Name, "Memo2");
  EXPECT_EQ(b->x, 7);
  EXPECT_EQ(b->Adjust, adCenter);
  EXPECT_EQ(b->Font.Size(), 14);
  EXPECT_EQ(b->Memo.Text(), a->Memo.Text());

  TkvMemoView loose(nullptr);
  loose.Assign(a);  // a view outside the report
  EXPECT_EQ(loose.Name, "Memo1");
}

// ---------------------------------------------------------------------------
// Defaults, insets, bands

TEST_F(ReportObjectTest, DefaultsOfEachKind) {
  auto *memo = report_.Add<TkvMemoView>();
  EXPECT_EQ(memo->Typ, gtMemo);
  EXPECT_EQ(memo->Format, ',' + 512);
  EXPECT_EQ(memo->FillColor, kvNoColor);
  EXPECT_EQ(memo->FrameWidth, 1);
  EXPECT_EQ(memo->Font.Name(), "Arial");
  EXPECT_EQ(memo->Font.Size(), 10);
  EXPECT_EQ(memo->HighlightFillColor, vcl::clWhite);
  EXPECT_TRUE(memo->HighlightStyle.Contains(vcl::fsBold));
  EXPECT_TRUE(memo->Visible);
  auto *band = report_.Add<TkvBandView>();
  EXPECT_EQ(band->Typ, gtBand);
  EXPECT_EQ(band->Format, 0);
  auto *picture = report_.Add<TkvPictureView>();
  EXPECT_EQ(picture->Flags, flStretched | flPictRatio);
  auto *shape = report_.Add<TkvShapeView>();
  EXPECT_EQ(shape->Flags, flStretched);
  EXPECT_EQ(shape->FillColor, vcl::clWhite);
  EXPECT_TRUE(shape->Transparent);
}

TEST_F(ReportObjectTest, DrawRectangleAndInsetsFollowTheFrame) {
  TkvMemoView memo(nullptr);
  memo.x = 10;
  memo.y = 20;
  memo.dx = 100;
  memo.dy = 50;
  memo.FrameWidth = 3;
  memo.SetAllFrames();
  memo.CalcDrawRect();
  EXPECT_EQ(memo.gx, 3);
  EXPECT_EQ(memo.gy, 1);
  EXPECT_EQ(memo.DRect, vcl::Rect(11, 21, 110, 70));
  memo.ClearAllFrames();
  memo.SetFrameRight(true);
  memo.CalcDrawRect();
  EXPECT_EQ(memo.DRect, vcl::Rect(10, 20, 110, 71));
  EXPECT_EQ(memo.FrameTyp, frRight);
}

TEST_F(ReportObjectTest, AlignmentAccessorsShareTheAdjustWord) {
  TkvMemoView memo(nullptr);
  memo.SetHorzAlignment(adJustify);
  memo.SetVertAlignment(2);
  memo.SetRotated(true);
  EXPECT_EQ(memo.Adjust, adJustify | adVertBottom | adRotated);
  memo.SetVertAlignment(1);
  memo.SetHorzAlignment(adRight);
  EXPECT_EQ(memo.GetVertAlignment(), 1);
  EXPECT_EQ(memo.GetHorzAlignment(), adRight);
  EXPECT_EQ(memo.Adjust, adRight | adVertCenter | adRotated);
}

TEST_F(ReportObjectTest, BandTypesNamesDataBandsAndOptions) {
  EXPECT_EQ(BandTypeName(0), "Titolo report");
  EXPECT_EQ(BandTypeName(2), "Instestazione pagina");
  EXPECT_EQ(BandTypeName(13), "Copertura (Sfondo)");
  EXPECT_EQ(BandTypeName(21), "Nessuna");
  EXPECT_EQ(BandTypeName(22), "");
  TkvBandView band(nullptr);
  int data = 0;
  for (int t = 0; t < kvBandTypeCount; ++t) {
    band.SetBandType(t);
    if (band.IsDataBand()) data |= 1 << t;
  }
  EXPECT_EQ(data, (1 << 5) | (1 << 8) | (1 << 11) | (1 << 19));
  band.SetBandType(0x85);
  EXPECT_EQ(band.GetBandType(), 5);
  EXPECT_TRUE(BandOptionApplies(5, flBandPrintIfEmpty));
  EXPECT_FALSE(BandOptionApplies(11, flBandPrintIfEmpty));
  EXPECT_TRUE(BandOptionApplies(11, flBandFillEmpty));
  EXPECT_FALSE(BandOptionApplies(3, flStretched));
  EXPECT_FALSE(BandOptionApplies(19, flBandBreaked));
}

TEST_F(ReportObjectTest, ClipRegionsCoverTheFrameAndTheBandTab) {
  TkvMemoView memo(nullptr);
  memo.x = 10;
  memo.y = 10;
  memo.dx = 20;
  memo.dy = 20;
  memo.FrameWidth = 4;
  memo.SetAllFrames();
  EXPECT_EQ(memo.GetClipRegion(false).boundingRect(), QRect(8, 8, 24, 24));
  EXPECT_EQ(memo.GetClipRegion(true).boundingRect(), QRect(-2, -2, 44, 44));

  TkvBandView band(nullptr);
  band.x = 0;
  band.y = 100;
  band.dx = 300;
  band.dy = 40;
  const QRegion horizontal = band.GetClipRegion(false);
  EXPECT_TRUE(horizontal.contains(QPoint(129, 82)));
  EXPECT_FALSE(horizontal.contains(QPoint(131, 82)));
  band.SetBandType(btTableData);
  band.x = 50;
  band.y = 0;
  EXPECT_TRUE(band.GetClipRegion(false).contains(QPoint(32, 129)));
}

TEST_F(ReportObjectTest, BandPopupOffersOnlyTheOptionsOfItsTypeAndTogglesEverySelectedBand) {
  auto *a = report_.Add<TkvBandView>();
  auto *b = report_.Add<TkvBandView>();
  auto *footer = report_.Add<TkvBandView>();
  a->SetBandType(btMasterData);
  b->SetBandType(btDetailData);
  footer->SetBandType(btPageFooter);
  a->Selected = b->Selected = footer->Selected = true;
  int modified = 0;
  kvEngine().DesignerModified = [&] { ++modified; };

  vcl::TPopupMenu menu(nullptr);
  a->AddMenuItems(&menu);
  QStringList captions;
  for (int i = 0; i < menu.Items()->Count(); ++i) captions << menu.Items()->Items(i)->Caption();
  EXPECT_EQ(captions, QStringList({"-", "Adattato", "Forza pagina nuova", "Stampa se i dettagli sono vuoti",
                                   "Banda interrotta", "Completa l'elenco"}));
  menu.Items()->Find("Forza pagina nuova")->Click();
  EXPECT_TRUE(a->Flags & flBandNewPage);
  EXPECT_TRUE(b->Flags & flBandNewPage);
  EXPECT_FALSE(footer->Flags & flBandNewPage);  // not an option of a page footer
  EXPECT_EQ(modified, 1);

  vcl::TPopupMenu footer_menu(nullptr);
  footer->AddMenuItems(&footer_menu);
  EXPECT_EQ(footer_menu.Items()->Count(), 1);  // the separator alone
}

// ---------------------------------------------------------------------------
// Factory and registry

TEST_F(ReportObjectTest, FactoryMakesEachKindAndStopsOnAnUnknownAddIn) {
  kvEngine().CurReport = report_.Key();
  EXPECT_EQ(CreateObjectByType(gtMemo)->ClassName(), "TkvMemoView");
  EXPECT_EQ(CreateObjectByType(gtPicture)->ClassName(), "TkvPictureView");
  EXPECT_EQ(CreateObjectByType(gtBand)->ClassName(), "TkvBandView");
  auto sub = CreateObjectByType(gtSubReport);
  EXPECT_EQ(sub->ClassName(), "TkvSubReportView");
  EXPECT_EQ(sub->Report, report_.Key());
  auto shape = CreateObjectByType(gtAddIn, "TkvShapeView");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->ClassName(), "TkvShapeView");
  EXPECT_EQ(shape->Typ, gtAddIn);
  EXPECT_EQ(CreateObjectByType(4), nullptr);
  // The class name is compared exactly.
  EXPECT_THROW(CreateObjectByType(gtAddIn, "tkvshapeview"), rtl::EAbort);
}

TEST_F(ReportObjectTest, UnknownAddInIsReportedAndAbortsSilently) {
  EXPECT_THROW(CreateObjectByType(gtAddIn, "TkvMissingView"), rtl::EAbort);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], QString::fromUtf8("Oggetto non trovato : TkvMissingView.\n\rUn componente avanzato "
                                            "presente nel report, \n\rnon è stato inserito nel programma che "
                                            "ne fa uso."));
  EXPECT_EQ(captions_[0], "Errore");
}

TEST_F(ReportObjectTest, RegistryHoldsAtMost32ClassesAndReplacesARegisteredOne) {
  const TkvAddInObjectInfo *shape = FindAddIn("TkvShapeView");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->Hint, "Inserisci forma geometrica");
  EXPECT_EQ(shape->EditorClassName, "TKvShapeEditor");
  ASSERT_TRUE(shape->Bitmap);
  EXPECT_FALSE(shape->Bitmap->Empty());

  auto make = [](TkvReport *r) -> TkvView * { return new TkvShapeView(r); };
  int added = 0;
  for (int i = 0; AddInCount() < kvMaxAddIns; ++i) {
    ASSERT_TRUE(RegisterObject(TkvAddInObjectInfo{QString("TkvFill%1View").arg(i), make, {}, {}, {}, "x"}));
    ++added;
  }
  EXPECT_FALSE(RegisterObject(TkvAddInObjectInfo{"TkvOneTooManyView", make, {}, {}, {}, "x"}));
  EXPECT_EQ(FindAddIn("TkvOneTooManyView"), nullptr);
  EXPECT_EQ(AddInCount(), kvMaxAddIns);
  // A class registered again replaces its entry even when the table is full.
  EXPECT_TRUE(RegisterShapeObject());
  TkvAddInObjectInfo again = *FindAddIn("TkvShapeView");
  again.Hint = "altro";
  EXPECT_TRUE(RegisterObject(again));
  EXPECT_EQ(FindAddIn("TkvShapeView")->Hint, "altro");
  EXPECT_EQ(AddInCount(), kvMaxAddIns);
  again.Hint = "Inserisci forma geometrica";
  RegisterObject(again);
  EXPECT_THROW(AddIn(kvMaxAddIns), rtl::EListError);
}

// ---------------------------------------------------------------------------
// Template records

TEST_F(ReportObjectTest, ViewRecordsReadBackWhatWasWritten) {
  TkvMemoView memo(nullptr);
  memo.x = 5;
  memo.y = 6;
  memo.dx = 70;
  memo.dy = 80;
  memo.Flags = flWordWrap;
  memo.SetAllFrames();
  memo.FrameColor = vcl::clRed;
  memo.FillColor = vcl::clYellow;
  memo.FormatStr = "#,##0.00";
  memo.Memo.SetText(QString::fromUtf8("Totale € [Qta]\nseconda"));
  memo.Name = "Totale";
  memo.Font.SetName("Courier New");
  memo.Font.SetSize(12);
  memo.Font.SetStyle({vcl::fsBold, vcl::fsUnderline});
  memo.Adjust = adRight | adVertBottom;
  memo.HighlightOn = -1;
  memo.HighlightCondition = "[Qta] > 5";
  memo.HighlightFontColor = vcl::clBlue;

  rtl::TMemoryStream stream;
  memo.SaveToStream(stream);
  stream.SetPosition(0);
  TkvMemoView copy(nullptr);
  copy.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(copy.x, 5);
  EXPECT_EQ(copy.dy, 80);
  EXPECT_EQ(copy.FrameTyp, frAll);
  EXPECT_EQ(copy.FillColor, vcl::clYellow);
  EXPECT_EQ(copy.FormatStr, "#,##0.00");
  EXPECT_EQ(copy.Memo.Text(), memo.Memo.Text());
  EXPECT_EQ(copy.Name, "Totale");
  EXPECT_EQ(copy.Font.Name(), "Courier New");
  EXPECT_EQ(copy.Font.Size(), 12);
  EXPECT_EQ(copy.Font.Style(), memo.Font.Style());
  EXPECT_EQ(copy.Adjust, memo.Adjust);
  EXPECT_EQ(copy.HighlightOn, -1);
  EXPECT_EQ(copy.HighlightCondition, "[Qta] > 5");
  EXPECT_EQ(copy.HighlightFontColor, vcl::clBlue);

  TkvSubReportView sub(nullptr);
  sub.PageIndex = 3;
  rtl::TMemoryStream sub_stream;
  sub.SaveToStream(sub_stream);
  sub_stream.SetPosition(0);
  TkvSubReportView sub_copy(nullptr);
  sub_copy.LoadFromStream(sub_stream);
  EXPECT_EQ(sub_copy.PageIndex, 3);
}

TEST_F(ReportObjectTest, OlderRecordsAreScaledAndOldMemosWrap) {
  TkvMemoView memo(nullptr);
  memo.x = 1088;
  memo.dx = 100;
  kvEngine().Version = 21;
  rtl::TMemoryStream stream;
  memo.SaveToStream(stream);
  stream.SetPosition(0);
  TkvMemoView copy(nullptr);
  copy.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(copy.x, 1123);
  EXPECT_EQ(copy.dx, 103);  // 103.2 rounded
  EXPECT_TRUE(copy.Flags & flWordWrap);
  EXPECT_EQ(copy.Name, "Memo1");  // no name before version 23
}

TEST_F(ReportObjectTest, OldStringListsEndLinesWithCarriageReturns) {
  rtl::TMemoryStream stream;
  stream.WriteBytes(QByteArray("uno\r\rtre\nquattro\0", 17));
  stream.WriteBytes(QByteArray("\r\0", 2));
  stream.SetPosition(0);
  EXPECT_EQ(ReadStrList(stream, 25), QStringList({"uno", "", "tre\nquattro"}));
  EXPECT_EQ(ReadStrList(stream, 25), QStringList({""}));
  rtl::TMemoryStream out;
  WriteStrList(out, {QString(2000, 'a')}, 27);
  out.SetPosition(0);
  EXPECT_EQ(ReadStrList(out, 27).first().size(), kvMaxStoredLine);
}

TEST_F(ReportObjectTest, DamagedRecordsRaiseInsteadOfReadingPastTheEnd) {
  TkvPictureView picture(nullptr);
  picture.Picture.SetGraphic(&RedSquare(10));
  rtl::TMemoryStream stream;
  picture.SaveToStream(stream);
  const QByteArray whole = stream.Bytes();
  for (int cut : {3, 40, int(whole.size()) - 5}) {
    rtl::TMemoryStream damaged;
    damaged.SetBytes(whole.left(cut));
    TkvPictureView reader(nullptr);
    EXPECT_THROW(reader.LoadFromStream(damaged), rtl::Exception) << cut;
  }
  stream.SetPosition(0);
  TkvPictureView copy(nullptr);
  copy.LoadFromStream(stream);
  ASSERT_NE(copy.Picture.Graphic(), nullptr);
  EXPECT_EQ(copy.Picture.Width(), 10);
  EXPECT_EQ(stream.Position(), stream.Size());
}

}  // namespace
}  // namespace report::testing
