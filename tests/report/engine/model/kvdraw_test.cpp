// Drawing of report objects on a bitmap: memo frames, fills, alignment,
// word wrap, justification, turned text, expansion, highlight and split
// bands; pictures stretched, centred and in proportion, pictures from data
// blobs; band markers; and the shape object's figures.
#include <gtest/gtest.h>

#include <QTimer>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/stdctrls.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvservices.h"
#include "report/engine/objects/kvshape.h"
#include "report/engine/objects/kvshape_editor.h"
#include "tests/report/engine/kvtest_support.h"

namespace report::testing {
namespace {

class MemoDrawTest : public ReportObjectTest {
 protected:
  TkvMemoView *NewMemo(int x, int y, int dx, int dy, const QString &text) {
    auto *memo = report_.Add<TkvMemoView>();
    memo->x = x;
    memo->y = y;
    memo->dx = dx;
    memo->dy = dy;
    SetMemoText(memo, text);
    return memo;
  }
};

TEST_F(MemoDrawTest, PrintedFrameAndFillCoverTheRectangleAndNoMore) {
  Page page(120, 80);
  auto *memo = NewMemo(10, 10, 50, 30, "");
  memo->SetAllFrames();
  memo->FrameColor = vcl::clBlue;
  memo->FillColor = vcl::clYellow;
  Printing(true);
  memo->Draw(page.Canvas());
  EXPECT_EQ(page.At(10, 10), vcl::clBlue);
  EXPECT_EQ(page.At(60, 40), vcl::clBlue);
  EXPECT_EQ(page.At(61, 41), vcl::clWhite);
  EXPECT_EQ(page.At(30, 25), vcl::clYellow);
  EXPECT_EQ(page.Box(vcl::Rect(0, 0, 120, 80)), vcl::Rect(10, 10, 61, 41));
}

TEST_F(MemoDrawTest, SingleFrameLinesAndDesignCornerMarks) {
  Page page(120, 80);
  auto *memo = NewMemo(10, 10, 50, 30, "");
  memo->SetFrameBottom(true);
  Printing(true);
  memo->Draw(page.Canvas());
  EXPECT_EQ(page.Box(vcl::Rect(0, 0, 120, 80)), vcl::Rect(10, 40, 60, 41));

  Page design(120, 80);
  memo->ClearAllFrames();
  Printing(false);
  memo->Draw(design.Canvas());
  // Four black corner marks of 4 pixels; nothing in between.
  EXPECT_EQ(design.At(10, 10), vcl::clBlack);
  EXPECT_EQ(design.At(13, 10), vcl::clBlack);
  EXPECT_EQ(design.At(10, 13), vcl::clBlack);
  EXPECT_EQ(design.At(20, 10), vcl::clWhite);
  EXPECT_EQ(design.At(60, 40), vcl::clBlack);
  EXPECT_EQ(design.At(57, 40), vcl::clBlack);
  EXPECT_EQ(design.At(35, 40), vcl::clWhite);
}

TEST_F(MemoDrawTest, NothingIsPrintedForAnInvisibleObjectOrWhileCalculating) {
  Page page(120, 80);
  auto *memo = NewMemo(10, 10, 80, 30, "Testo");
  memo->SetAllFrames();
  memo->Visible = false;
  Printing(true);
  memo->Draw(page.Canvas());
  EXPECT_EQ(page.Inked(vcl::Rect(0, 0, 120, 80)), 0);

  memo->Visible = true;
  {
    TkvEngineStateGuard layout;
    kvEngine().Calculating = true;
    memo->Draw(page.Canvas());
    EXPECT_EQ(page.Inked(vcl::Rect(0, 0, 120, 80)), 0);
    EXPECT_GT(memo->TextHeight(), 0) << "laid out all the same";
  }

  // At design time an invisible object is crossed out in red.
  memo->Visible = false;
  Printing(false);
  memo->Draw(page.Canvas());
  EXPECT_EQ(page.Box(vcl::Rect(0, 0, 120, 80), vcl::clRed), vcl::Rect(9, 9, 91, 41));
}

TEST_F(MemoDrawTest, HorizontalAlignmentPlacesTheText) {
  const QString text = "Edicola";
  auto left_of = [&](int adjust) {
    Page page(200, 40);
    auto *memo = NewMemo(0, 0, 199, 30, text);
    memo->Adjust = adjust;
    Printing(true);
    memo->Draw(page.Canvas());
    return page.Box(vcl::Rect(0, 0, 200, 40));
  };
  const vcl::TRect left = left_of(adLeft);
  const vcl::TRect right = left_of(adRight);
  const vcl::TRect centre = left_of(adCenter);
  ASSERT_FALSE(left.IsEmpty());
  EXPECT_LE(left.Left, 6);
  EXPECT_GE(right.Right, 190);
  EXPECT_NEAR((centre.Left + centre.Right) / 2, 100, 3);
  EXPECT_EQ(left.Width(), right.Width());
}

TEST_F(MemoDrawTest, JustifiedLinesFillTheWidthAndOneWordStaysLeft) {
  Page page(300, 60);
  auto *memo = NewMemo(0, 0, 299, 50, "uno due tre\nsolo");
  memo->Adjust = adJustify;
  Printing(true);
  memo->Draw(page.Canvas());
  const int lh = memo->LineHeight();
  const vcl::TRect first = page.Box(vcl::Rect(0, 0, 300, lh + 1));
  EXPECT_LE(first.Left, 6);
  EXPECT_GE(first.Right, 285);
  const vcl::TRect second = page.Box(vcl::Rect(0, lh + 1, 300, 2 * lh + 1));
  EXPECT_LE(second.Left, 6);
  EXPECT_LT(second.Right, 60);
}

TEST_F(MemoDrawTest, WordWrapBreaksAfterBlanksCommasAndNeverLoopsOnANarrowMemo) {
  Page page(400, 200);
  auto *memo = NewMemo(0, 0, 60, 150, "alpha,beta");
  memo->Flags |= flWordWrap;
  Printing(true);
  memo->Draw(page.Canvas());
  EXPECT_EQ(memo->DisplayLines.ToStringList(), QStringList({"alpha,", "beta"}));

  auto *words = NewMemo(0, 0, 100, 150, "la bella estate del sessanta");
  words->Flags |= flWordWrap;
  words->Draw(page.Canvas());
  const QStringList lines = words->DisplayLines.ToStringList();
  EXPECT_GT(lines.size(), 1);
  EXPECT_EQ(lines.join(QString()), "la bella estate del sessanta");
  words->Canvas->SetFont(&words->Font);
  for (const QString &line : lines)
    EXPECT_LT(words->Canvas->TextWidth(line.trimmed()), 100 - 2 * words->gx) << line.toStdString();

  auto *narrow = NewMemo(0, 0, 4, 150, "abc");
  narrow->Flags |= flWordWrap;
  narrow->Draw(page.Canvas());
  EXPECT_EQ(narrow->DisplayLines.ToStringList(), QStringList({"a", "b", "c"}));
}

TEST_F(MemoDrawTest, LinesThatDoNotFitAreLeftForTheContinuation) {
  Page page(200, 100);
  auto *memo = NewMemo(0, 0, 150, 40, "uno\ndue\ntre\nquattro\ncinque");
  Printing(true);
  memo->Draw(page.Canvas());
  const int lh = memo->LineHeight();
  const int fitting = (40 + 1 - 1 - memo->gy) / lh;
  EXPECT_EQ(memo->FirstLine, fitting);
  EXPECT_EQ(page.Inked(vcl::Rect(0, 41, 200, 100)), 0);

  // The continuation of a split band goes on from there.
  Page rest(200, 100);
  memo->DrawMode = TkvCustomMemoView::dmDrawContinuation;
  memo->Draw(rest.Canvas());
  EXPECT_EQ(memo->FirstLine, std::min(5, 2 * fitting));
  EXPECT_GT(rest.Inked(vcl::Rect(0, 0, 200, 40)), 0);
}

TEST_F(MemoDrawTest, VerticalAlignmentAndTurnedText) {
  Page top(100, 100), bottom(100, 100);
  auto *memo = NewMemo(0, 0, 99, 99, "Riga");
  Printing(true);
  memo->Draw(top.Canvas());
  memo->SetVertAlignment(2);
  memo->Draw(bottom.Canvas());
  EXPECT_LT(top.Box(vcl::Rect(0, 0, 100, 100)).Bottom, 30);
  EXPECT_GT(bottom.Box(vcl::Rect(0, 0, 100, 100)).Top, 70);

  Page turned(100, 100);
  auto *up = NewMemo(0, 0, 99, 99, "Verticale");
  up->SetRotated(true);
  up->Draw(turned.Canvas());
  const vcl::TRect box = turned.Box(vcl::Rect(0, 0, 100, 100));
  ASSERT_FALSE(box.IsEmpty());
  EXPECT_GT(box.Height(), box.Width()) << "the text runs upwards";
  EXPECT_LT(box.Right, 30);
  EXPECT_GT(box.Bottom, 80);

  // Turned lines that are clipped stay inside the object and still turn.
  Page clipped(100, 100);
  auto *narrow = NewMemo(10, 10, 60, 40, "Verticale piuttosto lunga");
  narrow->SetRotated(true);
  narrow->Flags |= flWordWrap;
  narrow->Draw(clipped.Canvas());
  const vcl::TRect inside = clipped.Box(vcl::Rect(0, 0, 100, 100));
  ASSERT_FALSE(inside.IsEmpty());
  EXPECT_GE(inside.Left, 10);
  EXPECT_GE(inside.Top, 10);
  EXPECT_LE(inside.Bottom, 51);
  EXPECT_LE(inside.Right, 71);
  EXPECT_GT(narrow->DisplayLines.Count(), 1);
}

TEST_F(MemoDrawTest, BracketsAreExpandedOnceWhilePrintingOnly) {
  QStringList asked;
  kvEngine().ExpandBracket = [&](const QString &inner) {
    asked << inner;
    if (inner == "Qta") return QStringLiteral("[Qta]");
    return QStringLiteral("<") + inner + QStringLiteral(">");
  };
  auto *memo = NewMemo(0, 0, 100, 40, "a [Qta] b [x[y]z] [aperta");
  Page page(120, 50);
  Printing(false);
  memo->Draw(page.Canvas());
  EXPECT_EQ(memo->DisplayLines.Strings(0), "a [Qta] b [x[y]z] [aperta");
  EXPECT_TRUE(asked.isEmpty());
  Printing(true);
  memo->Draw(page.Canvas());
  EXPECT_EQ(memo->DisplayLines.Strings(0), "a [Qta] b <x[y]z> [aperta");
  EXPECT_EQ(asked, QStringList({"Qta", "x[y]z"}));
}

TEST_F(MemoDrawTest, ValuesWithLineBreaksBecomeLinesAndStretchedMemosGrowInStretchedBands) {
  kvEngine().ExpandBracket = [](const QString &) { return QStringLiteral("uno\r\ndue\r\ntre"); };
  auto *memo = NewMemo(0, 0, 100, 10, "[Note]");
  memo->Flags |= flStretched;
  kvEngine().BandStretched = true;
  Printing(true);
  Page page(120, 100);
  memo->Draw(page.Canvas());
  EXPECT_EQ(memo->DisplayLines.ToStringList(), QStringList({"uno", "due", "tre"}));
  EXPECT_EQ(memo->dy, 3 * memo->LineHeight() + 2 * memo->gy);

  memo->dy = 10;
  memo->DrawMode = TkvCustomMemoView::dmMeasure;
  kvEngine().LowestBottom = 0;
  memo->Draw(page.Canvas());
  EXPECT_EQ(kvEngine().LowestBottom, memo->TextHeight() + 2);

  // Measuring works without a canvas too.
  kvEngine().LowestBottom = 0;
  memo->Draw(nullptr);
  EXPECT_EQ(kvEngine().LowestBottom, 3 * memo->LineHeight() + 2 * memo->gy + 2);
}

TEST_F(MemoDrawTest, HighlightChangesFillForOneDrawAndReportsBadConditions) {
  auto *memo = NewMemo(0, 0, 60, 30, "");
  memo->HighlightOn = -1;
  memo->HighlightCondition = "[Qta] > 5";
  memo->HighlightFillColor = vcl::clAqua;
  memo->FillColor = vcl::clYellow;
  int value = 1;
  kvEngine().Evaluate = [&](const QString &) -> rtl::Variant {
    if (value < 0) throw rtl::Exception(QStringLiteral("rotta"));
    return rtl::Variant(value);
  };
  Printing(true);
  Page lit(80, 40);
  memo->Draw(lit.Canvas());
  EXPECT_EQ(lit.At(30, 15), vcl::clAqua);
  EXPECT_EQ(memo->FillColor, vcl::clYellow);
  EXPECT_EQ(memo->HighlightOn, -1);

  value = 0;
  Page plain(80, 40);
  memo->Draw(plain.Canvas());
  EXPECT_EQ(plain.At(30, 15), vcl::clYellow);

  value = -1;
  Page broken(80, 40);
  memo->Draw(broken.Canvas());
  EXPECT_EQ(broken.At(30, 15), vcl::clYellow);
  EXPECT_EQ(kvEngine().ErrorText, "Espressione per il calcolo dell'evidenziatura errata");
}

TEST_F(MemoDrawTest, AutoWidthTakesTheWidestLine) {
  auto *memo = NewMemo(0, 0, 5, 40, "corto\nuna riga lunga");
  memo->Flags |= flAutoWidth;
  Printing(true);
  Page page(300, 50);
  memo->Draw(page.Canvas());
  memo->Canvas->SetFont(&memo->Font);
  EXPECT_EQ(memo->dx, 2 * memo->gx + memo->Canvas->TextWidth("una riga lunga"));
}

TEST_F(MemoDrawTest, EmptyStretchedMemoGrowsWithItsBand) {
  auto *memo = NewMemo(0, 0, 40, 20, "");
  memo->Flags |= flStretched;
  memo->FillColor = vcl::clYellow;
  kvEngine().BandStretched = true;
  kvEngine().BandOldHeight = 20;
  kvEngine().BandNewHeight = 40;
  Printing(true);
  Page page(60, 60);
  memo->Draw(page.Canvas());
  EXPECT_EQ(page.Box(vcl::Rect(0, 0, 60, 60), vcl::clYellow), vcl::Rect(0, 0, 40, 40));
  EXPECT_EQ(memo->dy, 20) << "the designed height comes back";
}

TEST_F(MemoDrawTest, PopupTogglesReachEverySelectedMemoAndTheFormatEditorCopiesToThem) {
  auto *a = NewMemo(0, 0, 10, 10, "");
  auto *b = NewMemo(0, 0, 10, 10, "");
  auto *unselected = NewMemo(0, 0, 10, 10, "");
  a->Selected = b->Selected = true;
  b->Flags |= flWordWrap;
  std::vector<TkvView *> redrawn;
  int modified = 0;
  kvEngine().DesignerRedraw = [&](TkvView *v) { redrawn.push_back(v); };
  kvEngine().DesignerModified = [&] { ++modified; };
  KvEditorServices().EditFormat = [](std::int32_t &format, QString &text) {
    format = 0x01000000;
    text = "0.000";
    return true;
  };

  vcl::TPopupMenu menu(nullptr);
  a->AddMenuItems(&menu);
  QStringList captions;
  for (int i = 0; i < menu.Items()->Count(); ++i) captions << menu.Items()->Items(i)->Caption();
  EXPECT_EQ(captions, QStringList({"Formatta variabile...", "-", "Adattato", "A capo", "Largezza automatica"}));
  EXPECT_FALSE(menu.Items()->Find("A capo")->Checked());

  menu.Items()->Find("A capo")->Click();
  EXPECT_TRUE(a->Flags & flWordWrap);
  EXPECT_TRUE(b->Flags & flWordWrap);
  EXPECT_FALSE(unselected->Flags & flWordWrap);
  EXPECT_EQ(redrawn, std::vector<TkvView *>({a}));  // b did not change

  menu.Items()->Find("Formatta variabile...")->Click();
  EXPECT_EQ(b->Format, 0x01000000);
  EXPECT_EQ(b->FormatStr, "0.000");
  EXPECT_NE(unselected->FormatStr, "0.000");
  EXPECT_EQ(modified, 2);

  // A cancelled editor changes nothing.
  KvEditorServices().EditFormat = [](std::int32_t &format, QString &) {
    format = 7;
    return false;
  };
  menu.Items()->Find("Formatta variabile...")->Click();
  EXPECT_EQ(a->Format, 0x01000000);
}

TEST_F(MemoDrawTest, MemoRecordedOnAPageMetafilePlaysBackTheSame) {
  auto *memo = NewMemo(10, 10, 60, 30, "Edicola centrale");
  memo->SetAllFrames();
  memo->FrameColor = vcl::clBlue;
  memo->Flags |= flWordWrap;
  Printing(true);
  vcl::TMetafile page_file;
  page_file.SetWidth(100);
  page_file.SetHeight(100);
  {
    vcl::TMetafileCanvas recorder(&page_file);
    memo->Draw(&recorder);
    memo->Draw(&recorder);  // a second object on the same page still shows
  }
  Page direct(100, 100);
  direct.Canvas()->SetTextMetrics(vcl::TTextMetrics::Design);  // the recording canvas's
  memo->Draw(direct.Canvas());
  Page played(100, 100);
  played.Canvas()->Draw(0, 0, &page_file);
  EXPECT_EQ(played.At(10, 10), vcl::clBlue);
  EXPECT_EQ(played.At(70, 40), vcl::clBlue);
  const vcl::TRect text = played.Box(vcl::Rect(12, 12, 68, 38));
  EXPECT_EQ(text, direct.Box(vcl::Rect(12, 12, 68, 38)));
  EXPECT_FALSE(text.IsEmpty());
}

// ---------------------------------------------------------------------------
// Pictures

class PictureDrawTest : public ReportObjectTest {};

TEST_F(PictureDrawTest, ProportionalPictureKeepsItsShapeAndCentres) {
  auto *picture = report_.Add<TkvPictureView>();
  picture->x = 0;
  picture->y = 0;
  picture->dx = 200;
  picture->dy = 100;
  picture->Picture.SetGraphic(&RedSquare(100));
  Printing(true);
  Page left(220, 120);
  picture->Draw(left.Canvas());
  EXPECT_EQ(left.Box(vcl::Rect(0, 0, 220, 120), vcl::clRed), vcl::Rect(0, 0, 100, 100));

  picture->Flags |= flPictCenter;
  Page centred(220, 120);
  picture->Draw(centred.Canvas());
  EXPECT_EQ(centred.Box(vcl::Rect(0, 0, 220, 120), vcl::clRed), vcl::Rect(50, 0, 150, 100));

  picture->Flags = flStretched;
  Page stretched(220, 120);
  picture->Draw(stretched.Canvas());
  EXPECT_EQ(stretched.Box(vcl::Rect(0, 0, 220, 120), vcl::clRed), vcl::Rect(0, 0, 201, 101));
}

TEST_F(PictureDrawTest, NaturalSizePictureIsClippedToTheObject) {
  auto *picture = report_.Add<TkvPictureView>();
  picture->x = 10;
  picture->y = 10;
  picture->dx = 30;
  picture->dy = 20;
  picture->Flags = 0;
  picture->Picture.SetGraphic(&RedSquare(100));
  Printing(true);
  Page page(150, 150);
  picture->Draw(page.Canvas());
  EXPECT_EQ(page.Box(vcl::Rect(0, 0, 150, 150), vcl::clRed), vcl::Rect(10, 10, 41, 31));
}

TEST_F(PictureDrawTest, EmptyPictureShowsAPlaceholderAtDesignTimeOnly) {
  auto *picture = report_.Add<TkvPictureView>();
  picture->x = 0;
  picture->y = 0;
  picture->dx = 100;
  picture->dy = 40;
  Printing(false);
  Page design(120, 50);
  picture->Draw(design.Canvas());
  EXPECT_GT(design.Inked(vcl::Rect(2, 2, 90, 20)), 20);
  Printing(true);
  Page printed(120, 50);
  picture->Draw(printed.Canvas());
  EXPECT_EQ(printed.Inked(vcl::Rect(0, 0, 120, 50)), 0);
}

TEST_F(PictureDrawTest, BlobsAreRecognisedByTheirFirstBytes) {
  TkvPictureView picture(nullptr);
  const QByteArray bmp = RedSquare(4).SaveToBytes();
  picture.LoadFromBlob(QByteArray(8, '\0') + bmp);
  ASSERT_NE(dynamic_cast<vcl::TBitmap *>(picture.FieldPicture.get()), nullptr);
  EXPECT_EQ(picture.FieldPicture->Width(), 4);
  EXPECT_EQ(picture.LoadedFromField, 1);

  vcl::TJPEGImage jpeg;
  jpeg.SetImage(RedSquare(8).Image());
  picture.LoadFromBlob(jpeg.SaveToBytes());
  EXPECT_NE(dynamic_cast<vcl::TJPEGImage *>(picture.FieldPicture.get()), nullptr);

  try {
    picture.LoadFromBlob("GIF89a.......");
    FAIL() << "an unknown picture was taken";
  } catch (const rtl::Exception &e) {
    EXPECT_EQ(e.Message(), "Formato immagine sconosciuto.");
  }
  EXPECT_THROW(picture.LoadFromBlob(QByteArray("BM\x01\x02", 4)), rtl::Exception);
}

TEST_F(PictureDrawTest, MetafileBlobIsReadAndDrawnStretched) {
  vcl::TMetafile metafile;
  metafile.SetWidth(10);
  metafile.SetHeight(10);
  {
    vcl::TMetafileCanvas recorder(&metafile);
    recorder.Brush()->SetColor(vcl::clRed);
    recorder.FillRect(vcl::Rect(0, 0, 10, 10));
  }
  auto *picture = report_.Add<TkvPictureView>();
  picture->dx = 40;
  picture->dy = 40;
  picture->Flags = flStretched;
  picture->LoadFromBlob(metafile.SaveToBytes());
  ASSERT_NE(dynamic_cast<vcl::TMetafile *>(picture->FieldPicture.get()), nullptr);
  Printing(true);
  kvEngine().BindField = [](TkvView *view) {
    static_cast<TkvPictureView *>(view)->LoadedFromField = 1;
    return true;
  };
  Page page(50, 50);
  picture->Draw(page.Canvas());
  EXPECT_EQ(page.At(20, 20), vcl::clRed);
  EXPECT_EQ(page.At(45, 45), vcl::clWhite);

  // Stored in a template, a metafile comes back as the designed picture.
  picture->StreamGraphic = std::move(picture->FieldPicture);
  rtl::TMemoryStream stream;
  picture->SaveToStream(stream);
  stream.SetPosition(0);
  TkvPictureView copy(nullptr);
  copy.LoadFromStream(stream);
  ASSERT_NE(dynamic_cast<const vcl::TMetafile *>(copy.DesignedGraphic()), nullptr);
  TkvPictureView assigned(nullptr);
  assigned.Assign(&copy);
  ASSERT_NE(dynamic_cast<const vcl::TMetafile *>(assigned.DesignedGraphic()), nullptr);
  kvEngine().BindField = nullptr;
  Page again(50, 50);
  assigned.dx = 40;
  assigned.dy = 40;
  assigned.Draw(again.Canvas());
  EXPECT_EQ(again.At(20, 20), vcl::clRed);
}

TEST_F(PictureDrawTest, FieldPictureIsPrintedInsteadOfTheDesignedOne) {
  auto *picture = report_.Add<TkvPictureView>();
  picture->dx = 20;
  picture->dy = 20;
  picture->Flags = flStretched;
  kvEngine().BindField = [](TkvView *view) {
    vcl::TBitmap blue(5, 5);
    blue.Canvas()->Brush()->SetColor(vcl::clBlue);
    blue.Canvas()->FillRect(vcl::Rect(0, 0, 5, 5));
    static_cast<TkvPictureView *>(view)->LoadFromBlob(blue.SaveToBytes());
    return true;
  };
  picture->Picture.SetGraphic(&RedSquare(5));
  Printing(true);
  Page page(30, 30);
  picture->Draw(page.Canvas());
  EXPECT_EQ(page.At(10, 10), vcl::clBlue);
}

// ---------------------------------------------------------------------------
// Band markers and sub-reports

TEST_F(ReportObjectTest, BandMarkerSpansThePageAndShowsItsTab) {
  kvEngine().PageSize = [](const TkvView *, int &w, int &h) {
    w = 300;
    h = 400;
  };
  auto *band = report_.Add<TkvBandView>();
  band->x = 40;
  band->y = 50;
  band->dx = 10;
  band->dy = 30;
  band->SetBandType(btMasterData);
  Page page(320, 420);
  band->Draw(page.Canvas());
  EXPECT_EQ(band->x, 0);
  EXPECT_EQ(band->dx, 300);
  EXPECT_EQ(page.At(300, 60), vcl::clBlack);
  EXPECT_EQ(page.At(129, 40), vcl::clBlack);
  EXPECT_EQ(page.At(128, 40), vcl::ColorToRGB(vcl::clBtnShadow));
  EXPECT_GT(page.Inked(vcl::Rect(0, 32, 128, 50), vcl::ColorToRGB(vcl::clBtnFace)), 20);

  // Nothing of a band marker reaches a printed page.
  Printing(true);
  Page printed(320, 420);
  band->Draw(printed.Canvas());
  EXPECT_EQ(printed.Inked(vcl::Rect(0, 0, 320, 420)), 0);
}

TEST_F(ReportObjectTest, SubReportPlaceholderNamesItsPage) {
  auto *sub = report_.Add<TkvSubReportView>();
  sub->x = 10;
  sub->y = 10;
  sub->dx = 180;
  sub->dy = 30;
  sub->PageIndex = 1;
  Page page(220, 60);
  sub->Draw(page.Canvas());
  EXPECT_EQ(page.At(10, 10), vcl::clBlack);
  EXPECT_EQ(page.At(190, 40), vcl::clBlack);
  EXPECT_GT(page.Inked(vcl::Rect(12, 12, 180, 30)), 20);
}

// ---------------------------------------------------------------------------
// Shapes

// The shape editor among the open forms, or nullptr.
TKvShapeEditor *OpenEditor() {
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    if (auto *editor = dynamic_cast<TKvShapeEditor *>(vcl::Screen->Forms(i))) return editor;
  }
  return nullptr;
}

class ShapeDrawTest : public ReportObjectTest {
 protected:
  TkvShapeView *NewShape(int type) {
    auto *shape = report_.Add<TkvShapeView>();
    shape->x = 10;
    shape->y = 10;
    shape->dx = 100;
    shape->dy = 40;
    shape->ShapeType = std::uint8_t(type);
    return shape;
  }
  static void Grey(Page &page) {
    page.Canvas()->Brush()->SetColor(vcl::clSilver);
    page.Canvas()->FillRect(vcl::Rect(0, 0, 130, 60));
  }
};

TEST_F(ShapeDrawTest, TransparentShapeWithoutFillPrintsOnlyItsOutline) {
  auto *shape = NewShape(skRectangle);
  shape->FillColor = kvNoColor;
  Printing(true);
  Page page(130, 60);
  Grey(page);
  shape->Draw(page.Canvas());
  EXPECT_EQ(page.At(10, 10), vcl::clBlack);
  EXPECT_EQ(page.At(109, 49), vcl::clBlack);
  EXPECT_EQ(page.At(60, 30), vcl::clSilver);
  EXPECT_EQ(page.At(110, 50), vcl::clSilver);
}

TEST_F(ShapeDrawTest, OpaqueShapePrintsOverWhiteEvenWithoutFill) {
  auto *shape = NewShape(skEllipse);
  shape->FillColor = kvNoColor;
  shape->Transparent = false;
  Printing(true);
  Page page(130, 60);
  Grey(page);
  shape->Draw(page.Canvas());
  EXPECT_EQ(page.At(11, 11), vcl::clWhite);  // outside the ellipse, inside the object
  EXPECT_EQ(page.At(110, 50), vcl::clWhite);
  EXPECT_EQ(page.At(60, 30), vcl::clWhite);
  EXPECT_EQ(page.At(60, 10), vcl::clBlack);  // the ellipse's top
}

TEST_F(ShapeDrawTest, FiguresFollowTheirKind) {
  Printing(true);
  auto *filled = NewShape(skRoundRect);
  filled->FillColor = vcl::clLime;
  filled->FrameColor = vcl::clBlue;
  Page round(130, 60);
  filled->Draw(round.Canvas());
  EXPECT_EQ(round.At(60, 30), vcl::clLime);
  EXPECT_EQ(round.At(60, 10), vcl::clBlue);
  EXPECT_EQ(round.At(10, 10), vcl::clWhite) << "a corner of diameter 10 is cut";
  EXPECT_EQ(round.At(10, 30), vcl::clBlue);

  Page down(130, 60), up(130, 60);
  NewShape(skDiagonalDown)->Draw(down.Canvas());
  NewShape(skDiagonalUp)->Draw(up.Canvas());
  EXPECT_EQ(down.At(10, 10), vcl::clBlack);
  EXPECT_EQ(down.At(10, 49), vcl::clWhite);
  EXPECT_EQ(up.At(10, 50), vcl::clBlack);
  EXPECT_EQ(up.At(10, 10), vcl::clWhite);
}

TEST_F(ShapeDrawTest, ShapeRecordKeepsKindAndTransparency) {
  auto *shape = NewShape(skDiagonalUp);
  shape->Transparent = false;
  rtl::TMemoryStream stream;
  shape->SaveToStream(stream);
  const QByteArray bytes = stream.Bytes();
  EXPECT_EQ(bytes.right(2), QByteArray("\x04\x00", 2));
  stream.SetPosition(0);
  TkvShapeView copy(nullptr);
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.ShapeType, skDiagonalUp);
  EXPECT_FALSE(copy.Transparent);
  TkvShapeView assigned(nullptr);
  assigned.Assign(shape);
  EXPECT_EQ(assigned.ShapeType, skDiagonalUp);
  EXPECT_FALSE(assigned.Transparent);
}

TEST_F(ShapeDrawTest, EditorShowsAndWritesBackKindAndTransparency) {
  auto *shape = NewShape(skRectangle);
  QTimer::singleShot(0, [] {
    auto *editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Caption(), "Tipo di forma");
    EXPECT_EQ(editor->Kinds()->ItemIndex(), skRectangle);
    EXPECT_EQ(editor->Kinds()->Items()->Strings(2), "Rettangolo arrotondato");
    EXPECT_TRUE(editor->TransparentBox()->Checked());
    editor->Kinds()->SetItemIndex(skDiagonalDown);
    editor->TransparentBox()->SetChecked(false);
    editor->OkButton()->Click();
  });
  ASSERT_TRUE(FindAddIn("TkvShapeView")->Editor(shape));
  EXPECT_EQ(shape->ShapeType, skDiagonalDown);
  EXPECT_FALSE(shape->Transparent);

  QTimer::singleShot(0, [] {
    auto *editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->Kinds()->SetItemIndex(skEllipse);
    editor->CancelButton()->Click();
  });
  EXPECT_FALSE(EditShape(shape));
  EXPECT_EQ(shape->ShapeType, skDiagonalDown);
}

}  // namespace
}  // namespace report::testing
