// Containers: item records and container streams round trip, damaged data
// leaves a container as it was, container files by kind, image strips, and
// the way components share a list and learn of its changes.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelstrm.h"
#include "platform/vcl/typinfo.h"

using namespace qel;

namespace {

vcl::TBitmap *Solid(vcl::TBitmap *b, int w, int h, TColor color) {
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(color);
  b->Canvas()->FillRect(vcl::Rect(0, 0, w, h));
  return b;
}

QRgb At(const vcl::TBitmap &b, int x, int y) { return b.Image().pixel(x, y) & 0xFFFFFF; }

QByteArray WaveImage() {
  rtl::TMemoryStream s;
  s.WriteBytes("RIFF");
  s.WriteInt32(40);
  s.WriteBytes("WAVEfmt ");
  s.WriteInt32(16);
  for (int i = 0; i < 16; ++i) s.WriteUInt8(1);
  s.WriteBytes("data\0\0\0\0");
  return s.Bytes();
}

// A bitmap list of three described items, one compressed and at 4 bits.
void FillBitmaps(TQELBitmapList &list) {
  for (int i = 0; i < 3; ++i) {
    TQELBitmapListItem *item = list.Items(list.Add());
    Solid(item->Bitmap(), 4 + i, 3, i == 1 ? vcl::clRed : vcl::clLime);
    item->SetDescription(QStringLiteral("voce %1").arg(i));
  }
  list.Items(1)->SetCompressed(true);
  list.Items(1)->SetPixelFormat(spf4bit);
  list.Items(2)->SetIdent(42);
}

}  // namespace

TEST(ContainerStream, EveryKindRoundTrips) {
  TQELBitmapList bitmaps(nullptr);
  FillBitmaps(bitmaps);
  bitmaps.Add();  // an empty item too

  TQELStringList strings(nullptr);
  strings.Items(strings.Add())->Items()->Add(QStringLiteral("Attenzione"));
  strings.Add();
  strings.Items(0)->SetCompressed(true);

  TQELWaveList waves(nullptr);
  rtl::TMemoryStream wav;
  wav.SetBytes(WaveImage());
  waves.Items(waves.Add())->Wave()->LoadFromStream(&wav);
  waves.Items(waves.Add())->SetCompressed(true);

  for (bool with_index : {false, true}) {
    rtl::TMemoryStream s;
    s.WriteInt32(-7);  // something before: positions are absolute
    bitmaps.SaveToStream(&s, with_index);
    strings.SaveToStream(&s, with_index);
    waves.SaveToStream(&s, with_index);
    s.SetPosition(4);
    TQELBitmapList b2(nullptr);
    TQELStringList s2(nullptr);
    TQELWaveList w2(nullptr);
    b2.LoadFromStream(&s, with_index);
    s2.LoadFromStream(&s, with_index);
    w2.LoadFromStream(&s, with_index);
    EXPECT_EQ(s.Remaining(), 0);

    ASSERT_EQ(b2.Count(), 4);
    EXPECT_EQ(b2.Items(1)->Description(), QStringLiteral("voce 1"));
    EXPECT_TRUE(b2.Items(1)->Compressed());
    EXPECT_EQ(b2.Items(1)->PixelFormat(), spf4bit);
    EXPECT_EQ(At(*b2.Items(1)->Bitmap(), 2, 2), 0xFF0000u);
    EXPECT_EQ(b2.Items(2)->Ident(), 42);
    EXPECT_EQ(b2.Items(2)->Bitmap()->Width(), 6);
    EXPECT_TRUE(b2.Items(3)->IsEmpty());
    ASSERT_EQ(s2.Count(), 2);
    EXPECT_EQ(s2.Items(0)->Items()->Strings(0), QStringLiteral("Attenzione"));
    EXPECT_TRUE(s2.Items(1)->IsEmpty());
    ASSERT_EQ(w2.Count(), 2);
    EXPECT_EQ(w2.Items(0)->Wave()->Bytes(), WaveImage());
    EXPECT_TRUE(w2.Items(1)->Wave()->Empty());
  }
}

TEST(ContainerStream, IndexHoldsEachRecordsPosition) {
  TQELBitmapList bitmaps(nullptr);
  FillBitmaps(bitmaps);
  rtl::TMemoryStream s;
  s.WriteBytes("xx");
  bitmaps.SaveToStream(&s, true);
  s.SetPosition(2);
  ASSERT_EQ(s.ReadInt32(), 3);
  std::vector<int> positions;
  for (int i = 0; i < 3; ++i) positions.push_back(s.ReadInt32());
  EXPECT_EQ(positions[0], 2 + 4 + 12);
  TQELBitmapListItem item(nullptr);
  s.SetPosition(positions[2]);
  item.ReadFromStream(&s);
  EXPECT_EQ(item.Ident(), 42);
}

TEST(ContainerStream, DamagedDataLeavesTheContainerAsItWas) {
  TQELBitmapList source(nullptr);
  FillBitmaps(source);
  rtl::TMemoryStream s;
  source.SaveToStream(&s, false);
  const QByteArray good = s.Bytes();

  TQELBitmapList target(nullptr);
  target.Add();
  int changes = 0;
  target.OnChange = [&](rtl::TObject *) { ++changes; };
  for (int cut = 0; cut < good.size(); cut += 5) {
    rtl::TMemoryStream part;
    part.SetBytes(good.left(cut));
    EXPECT_ANY_THROW(target.LoadFromStream(&part, false)) << cut;
    EXPECT_EQ(target.Count(), 1);
  }
  // A count no stream could hold is refused before anything is made.
  rtl::TMemoryStream huge;
  huge.WriteInt32(0x7FFFFFFF);
  huge.SetPosition(0);
  EXPECT_THROW(target.LoadFromStream(&huge, true), EQELDamagedData);
  EXPECT_EQ(changes, 0);

  rtl::TMemoryStream whole;
  whole.SetBytes(good);
  target.LoadFromStream(&whole, false);
  EXPECT_EQ(target.Count(), 3);
  EXPECT_EQ(changes, 1);
}

TEST(ContainerFile, KindsOffsetsAndSingleItems) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("immagini.bml"));
  TQELBitmapList bitmaps(nullptr);
  FillBitmaps(bitmaps);
  bitmaps.SaveToFile(name);

  int count = 0;
  std::vector<std::int32_t> offsets;
  EXPECT_EQ(ReadContainerHeader(name, count, &offsets), ckBitmapList);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(offsets.size(), 3u);
  EXPECT_EQ(offsets[0], 9 + 4 + 12);

  vcl::TBitmap b;
  LoadBitmapFromFile(name, 1, &b);
  EXPECT_EQ(At(b, 0, 0), 0xFF0000u);
  TQELBitmapListItem item(nullptr);
  LoadItemFromFile(name, ckBitmapList, &offsets, &item, 2);
  EXPECT_EQ(item.Ident(), 42);
  EXPECT_THROW(LoadItemFromFile(name, ckBitmapList, nullptr, &item, 3), rtl::EListError);
  try {
    LoadItemFromFile(name, ckWaveList, nullptr, &item, 0);
    FAIL();
  } catch (const rtl::Exception &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file ") + name);
  }

  TQELBitmapList back(nullptr);
  back.LoadFromFile(name);
  EXPECT_EQ(back.Count(), 3);
  TQELStringList wrong(nullptr);
  EXPECT_THROW(wrong.LoadFromFile(name), rtl::EFOpenError);

  // Any other first nine bytes: kind 6.
  rtl::TMemoryStream other;
  other.WriteShortString(QStringLiteral("QELXXX30"));
  other.WriteInt32(0);
  other.SaveToFile(dir.filePath(QStringLiteral("altro")));
  EXPECT_EQ(ReadContainerHeader(dir.filePath(QStringLiteral("altro")), count, &offsets), ckUnknown);

  EXPECT_EQ(ContainerSignature(ckImageList), QStringLiteral("QELIML30"));
  EXPECT_EQ(ContainerSignature(ckRichTextList), QStringLiteral("QELRTL50"));
  EXPECT_EQ(ContainerFileExtension(ckWaveList, true), QStringLiteral(".wav"));
  EXPECT_EQ(ContainerFileExtension(ckGlyphList), QStringLiteral("*"));
}

TEST(ImageStrip, SizesGrowthAndLimits) {
  TQELImageList list(nullptr);
  TQELImageListItem *item = list.Items(list.Add());
  EXPECT_EQ(item->Width(), 16);
  EXPECT_EQ(item->AllocBy(), 4);
  item->SetWidth(0);
  item->SetHeight(-3);
  EXPECT_EQ(item->Width(), 16);
  item->SetWidth(8);
  item->SetHeight(4);

  vcl::TBitmap img;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(item->Add(Solid(&img, 8, 4, TColor(0x10 * (i + 1))), nullptr), i);
  // Grown in steps of four images.
  EXPECT_EQ(item->Strip()->Width(), 8 * 8);
  EXPECT_EQ(list.GetImageCount(0), 5);
  EXPECT_EQ(list.GetImageCount(1), -1);
  EXPECT_TRUE(list.IsValid(0, 4));
  EXPECT_FALSE(list.IsValid(0, 5));
  EXPECT_EQ(list.GetPixel(0, 2, 1, 1), TColor(0x30));
  EXPECT_EQ(list.GetPixel(3, 0, 0, 0), vcl::clWhite);

  EXPECT_THROW(item->Add(Solid(&img, 9, 4, 0), nullptr), vcl::EInvalidGraphicOperation);
  vcl::TBitmap strip;
  try {
    item->SetStrip(Solid(&strip, 20, 4, 0), nullptr);
    FAIL();
  } catch (const vcl::EInvalidGraphicOperation &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Invalid image size"));
  }
  EXPECT_EQ(item->Count(), 5);

  item->Delete(1);
  EXPECT_EQ(item->Count(), 4);
  EXPECT_EQ(item->ImagePixel(1, 0, 0), TColor(0x30));

  TQELImageListItem wide(nullptr);
  wide.SetWidth(16384);
  wide.SetHeight(1);
  vcl::TBitmap cell;
  Solid(&cell, 16384, 1, 0);
  wide.Add(&cell, nullptr);
  wide.Add(&cell, nullptr);
  try {
    wide.Add(&cell, nullptr);
    FAIL();
  } catch (const vcl::EInvalidGraphicOperation &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Too many images"));
  }
}

TEST(ImageStrip, MaskedDrawingAndStorage) {
  TQELImageList list(nullptr);
  TQELImageListItem *item = list.Items(list.Add());
  item->SetMasked(true);
  item->SetWidth(4);
  item->SetHeight(4);
  // A red square on white; white is the transparent colour.
  vcl::TBitmap img;
  Solid(&img, 4, 4, vcl::clWhite);
  img.Canvas()->Brush()->SetColor(vcl::clRed);
  img.Canvas()->FillRect(vcl::Rect(1, 1, 3, 3));
  item->AddMasked(&img, vcl::clWhite);
  item->Add(Solid(&img, 4, 4, vcl::clBlue), nullptr);  // no mask: all shows

  vcl::TBitmap target;
  Solid(&target, 10, 6, vcl::clLime);
  list.Draw(target.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(At(target, 1, 1), 0x00FF00u);  // transparent corner
  EXPECT_EQ(At(target, 2, 2), 0xFF0000u);
  list.Draw(target.Canvas(), 5, 1, 0, 1);
  EXPECT_EQ(At(target, 5, 1), 0x0000FFu);
  EXPECT_EQ(At(target, 0, 0), 0x00FF00u);

  for (bool compressed : {false, true}) {
    item->SetCompressed(compressed);
    rtl::TMemoryStream s;
    item->WriteToStream(&s);
    s.SetPosition(0);
    TQELImageListItem back(nullptr);
    back.ReadFromStream(&s);
    EXPECT_TRUE(back.Masked());
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Strip()->Width(), 8);  // only the images in use
    vcl::TBitmap out;
    Solid(&out, 4, 4, vcl::clLime);
    back.Draw(out.Canvas(), 0, 0, 0);
    EXPECT_EQ(At(out, 0, 0), 0x00FF00u);
    EXPECT_EQ(At(out, 1, 2), 0xFF0000u);
  }

  // A record whose strip does not match its sizes is refused, the item kept.
  rtl::TMemoryStream bad;
  bad.WriteUInt8(ifData);
  bad.WriteInt32(4);
  bad.WriteInt32(4);
  bad.WriteInt32(4);
  bad.WriteUInt8(0);
  bad.WriteInt32(3);
  vcl::TBitmap wrong;
  WriteBitmap(&bad, Solid(&wrong, 5, 4, 0), -1, false);
  bad.SetPosition(0);
  EXPECT_THROW(item->ReadFromStream(&bad), vcl::EInvalidGraphicOperation);
  EXPECT_EQ(item->Count(), 2);
  EXPECT_TRUE(item->Masked());

  // Turning the mask off and on keeps the images, all of each showing
  // (the corners masked before were stored black).
  item->SetMasked(false);
  item->SetMasked(true);
  EXPECT_EQ(item->Count(), 2);
  vcl::TBitmap whole;
  Solid(&whole, 4, 4, vcl::clLime);
  item->Draw(whole.Canvas(), 0, 0, 0);
  EXPECT_EQ(At(whole, 0, 0), 0u);
  EXPECT_EQ(At(whole, 1, 1), 0xFF0000u);
  item->AddMasked(&img, vcl::clWhite);

  TQELImageListItem copy(nullptr);
  copy.Assign(item);
  EXPECT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.ImagePixel(0, 2, 2), vcl::clRed);
}

TEST(ContainerSharing, ComponentsFollowTheirList) {
  auto *list = new TQELBitmapList(nullptr);
  FillBitmaps(*list);
  TQELContainerComponent a(nullptr), b(nullptr);
  int changes_a = 0, changes_b = 0;
  a.OnChange = [&](rtl::TObject *) { ++changes_a; };
  b.OnChange = [&](rtl::TObject *) { ++changes_b; };
  a.SetListIndex(1);  // no list yet: no notice
  EXPECT_EQ(changes_a, 0);
  a.SetImageList(list);
  b.SetImageList(list);
  b.SetListIndex(2);
  EXPECT_EQ(list->LinkCount(), 2);
  changes_a = changes_b = 0;

  // Deleting an item tells both; indexes stay as they were and now name
  // what moved up, or nothing.
  list->Delete(0);
  EXPECT_EQ(changes_a, 1);
  EXPECT_EQ(changes_b, 1);
  EXPECT_EQ(a.ListIndex(), 1);
  EXPECT_EQ(list->GetSize(a.ListIndex(), 0, skWidth), 6);
  EXPECT_FALSE(list->IsValid(b.ListIndex(), 0));
  EXPECT_EQ(list->GetTransparentColor(b.ListIndex(), 0), vcl::clWhite);

  a.SetListIndex(-1);
  EXPECT_EQ(a.ListIndex(), 1);
  b.SetImageList(nullptr);
  EXPECT_EQ(list->LinkCount(), 1);

  delete list;
  EXPECT_EQ(a.ImageList(), nullptr);
}

TEST(ContainerSharing, LibraryWideListsAndDesignCopies) {
  TQELContainer *global = QELContainer();
  EXPECT_EQ(QELContainer(), global);
  TQELContainerComponent user(nullptr);
  EXPECT_TRUE(user.ReadInternalReference(QStringLiteral("QELIML30")));
  EXPECT_EQ(user.ImageList(), global->ImageList());
  EXPECT_EQ(user.InternalReference(), QStringLiteral("QELIML30"));
  EXPECT_FALSE(user.ReadInternalReference(QStringLiteral("QELWVL30")));

  const auto &stored = vcl::FindPropInfo(&user, "ImageList");
  EXPECT_FALSE(vcl::IsStoredProp(&user, stored));
  TQELBitmapList own(nullptr);
  user.SetImageList(&own);
  EXPECT_TRUE(user.InternalReference().isEmpty());
  EXPECT_TRUE(vcl::IsStoredProp(&user, stored));

  // A container on a form being designed mirrors its lists into the
  // library-wide one; at run time it does not.
  TQELContainer placed(nullptr);
  placed.StringList()->Add();
  EXPECT_EQ(global->StringList()->Count(), 0);
  placed.SetDesigning(true);
  placed.StringList()->Items(placed.StringList()->Add())->Items()->Add(QStringLiteral("riga"));
  ASSERT_EQ(global->StringList()->Count(), 2);
  EXPECT_EQ(global->StringList()->Items(1)->Items()->Strings(0), QStringLiteral("riga"));
  user.SetImageList(nullptr);
  DoneQELContainer();
}

TEST(ImageListConnector, OffersStandardListsThroughTheSameOperations) {
  vcl::TImageList standard(4, 3);
  vcl::TBitmap img;
  standard.Add(Solid(&img, 4, 3, vcl::clRed), nullptr);
  standard.Add(Solid(&img, 4, 3, vcl::clBlue), nullptr);

  TQELImageListConnector connector(nullptr);
  connector.AddEntry(QStringLiteral("icone"), &standard);
  connector.AddEntry(QString(), &standard);
  EXPECT_EQ(connector.Count(), 2);
  EXPECT_EQ(connector.Item(0)->Description(), QStringLiteral("icone"));
  EXPECT_EQ(connector.Item(1)->Description(), QStringLiteral("TImageList"));
  EXPECT_EQ(connector.Item(2), nullptr);

  EXPECT_EQ(connector.GetBounds(0, 0), (TRect{0, 0, 4, 3}));
  EXPECT_EQ(connector.GetImageCount(1), 2);
  EXPECT_TRUE(connector.IsValid(0, 1));
  EXPECT_FALSE(connector.IsValid(0, 2));
  EXPECT_EQ(connector.GetPixel(0, 0, 1, 1), vcl::clWhite);
  EXPECT_EQ(connector.GetCanvas(0, 0), nullptr);

  vcl::TBitmap target;
  Solid(&target, 6, 5, vcl::clWhite);
  connector.Draw(target.Canvas(), 1, 1, 0, 1);
  EXPECT_EQ(At(target, 1, 1), 0x0000FFu);
  EXPECT_EQ(At(target, 0, 0), 0xFFFFFFu);
  connector.DrawInRect(target.Canvas(), vcl::Rect(0, 0, 6, 5), 0, 0, vcl::clWhite, imStretch);
  EXPECT_EQ(At(target, 5, 4), 0xFF0000u);

  // Saving writes no entries: they name lists that live elsewhere.
  rtl::TMemoryStream s;
  connector.SaveToStream(&s, false);
  EXPECT_EQ(s.Size(), 4);
  EXPECT_THROW(connector.Delete(0), rtl::EListError);

  connector.ImageListRemoved(&standard);
  EXPECT_EQ(connector.Entry(0)->ImageList(), nullptr);
  EXPECT_FALSE(connector.IsValid(0, 0));
  EXPECT_EQ(connector.GetImageCount(0), 0);
}

TEST(ImageStrip, DrawingStylesUseBackgroundAndBlendColours) {
  TQELImageListItem item(nullptr);
  item.SetMasked(true);
  item.SetWidth(2);
  item.SetHeight(1);
  vcl::TBitmap img;
  Solid(&img, 2, 1, vcl::clRed);
  img.Canvas()->SetPixel(0, 0, vcl::clWhite);
  item.AddMasked(&img, vcl::clWhite);  // pixel 0 transparent, pixel 1 red

  vcl::TBitmap target;
  // Normal style with a background colour: the transparent part shows it.
  item.SetBkColor(vcl::clBlue);
  Solid(&target, 2, 1, vcl::clLime);
  item.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(At(target, 0, 0), 0x0000FFu);
  EXPECT_EQ(At(target, 1, 0), 0xFF0000u);
  // Transparent style ignores it.
  item.SetDrawingStyle(isTransparent);
  Solid(&target, 2, 1, vcl::clLime);
  item.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(At(target, 0, 0), 0x00FF00u);
  // Selected: half the blend colour mixed into everything drawn.
  item.SetDrawingStyle(isSelected);
  item.SetBkColor(vcl::clWhite);
  item.SetBlendColor(vcl::clBlack);
  Solid(&target, 2, 1, vcl::clLime);
  item.Draw(target.Canvas(), 0, 0, 0);
  const QRgb red_half = At(target, 1, 0), white_half = At(target, 0, 0);
  EXPECT_NEAR(int(qRed(red_half)), 128, 1);
  EXPECT_EQ(qGreen(red_half), 0);
  EXPECT_NEAR(int(qGreen(white_half)), 128, 1);
  // Focus: a quarter.
  item.SetDrawingStyle(isFocus);
  item.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_NEAR(int(qRed(At(target, 1, 0))), 191, 1);
  // Out-of-range styles are ignored.
  item.SetDrawingStyle(7);
  EXPECT_EQ(item.DrawingStyle(), isFocus);
}
