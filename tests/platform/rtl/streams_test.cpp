// Streams: the little-endian primitives every binary format is written
// with, the memory and file streams, and what damaged data does.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "platform/rtl/streams.h"

namespace rtl {
namespace {

TEST(Streams, EveryPrimitiveRoundTripsLittleEndian) {
  TMemoryStream s;
  s.WriteInt8(-2);
  s.WriteUInt8(250);
  s.WriteInt16(-12345);
  s.WriteUInt16(0xBEEF);
  s.WriteInt32(std::numeric_limits<std::int32_t>::min());
  s.WriteUInt32(0xDEADBEEF);
  s.WriteInt64(-1234567890123456789LL);
  s.WriteUInt64(0xFEDCBA9876543210ULL);
  s.WriteSingle(1.5f);
  s.WriteDouble(-0.1);
  s.WriteDouble(std::numeric_limits<double>::infinity());
  s.WriteBool(true);
  s.WriteBool(false);
  s.WriteShortString(QStringLiteral("Prezzo €"));
  s.WriteCountedString(QStringLiteral("àèìòù"));
  s.WriteCountedString(QString());

  // Fixed layout: a reader on another machine sees the same bytes.
  const QByteArray &b = s.Bytes();
  EXPECT_EQ(b.mid(0, 6), QByteArray("\xFE\xFA\xC7\xCF\xEF\xBE", 6));
  EXPECT_EQ(b.mid(6, 4), QByteArray("\x00\x00\x00\x80", 4));
  const qsizetype shortstr = 1 + 1 + 2 + 2 + 4 + 4 + 8 + 8 + 4 + 8 + 8 + 2;
  EXPECT_EQ(b.mid(shortstr, 9), QByteArray("\x08Prezzo \x80"));

  s.SetPosition(0);
  EXPECT_EQ(s.ReadInt8(), -2);
  EXPECT_EQ(s.ReadUInt8(), 250);
  EXPECT_EQ(s.ReadInt16(), -12345);
  EXPECT_EQ(s.ReadUInt16(), 0xBEEF);
  EXPECT_EQ(s.ReadInt32(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(s.ReadUInt32(), 0xDEADBEEFu);
  EXPECT_EQ(s.ReadInt64(), -1234567890123456789LL);
  EXPECT_EQ(s.ReadUInt64(), 0xFEDCBA9876543210ULL);
  EXPECT_EQ(s.ReadSingle(), 1.5f);
  EXPECT_EQ(s.ReadDouble(), -0.1);
  EXPECT_TRUE(std::isinf(s.ReadDouble()));
  EXPECT_TRUE(s.ReadBool());
  EXPECT_FALSE(s.ReadBool());
  EXPECT_EQ(s.ReadShortString(), QStringLiteral("Prezzo €"));
  EXPECT_EQ(s.ReadCountedString(), QStringLiteral("àèìòù"));
  EXPECT_EQ(s.ReadCountedString(), QString());
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(Streams, ShortStringsAreCutTo255Bytes) {
  TMemoryStream s;
  s.WriteShortString(QString(300, QLatin1Char('x')));
  EXPECT_EQ(s.Size(), 256);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadShortString().size(), 255);
}

TEST(Streams, DamagedDataRaisesReadErrorWithoutAllocating) {
  TMemoryStream s;
  s.WriteInt32(0x7FFFFFFF);  // a counted string claiming 2 GB
  s.WriteBytes("abc");
  s.SetPosition(0);
  EXPECT_THROW(s.ReadCountedString(), EReadError);

  s.Clear();
  s.WriteInt32(-5);
  s.SetPosition(0);
  EXPECT_THROW(s.ReadCountedString(), EReadError);

  s.Clear();
  s.WriteUInt8(10);  // short string of 10 with 3 bytes behind it
  s.WriteBytes("abc");
  s.SetPosition(0);
  try {
    s.ReadShortString();
    FAIL() << "no exception";
  } catch (const EReadError &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Stream read error"));
  }

  s.SetBytes(QByteArray("\x01\x02", 2));
  EXPECT_THROW(s.ReadInt32(), EReadError);
  s.SetPosition(100);
  EXPECT_THROW(s.ReadUInt8(), EReadError);
  EXPECT_THROW(s.ReadBytes(-1), EReadError);
}

TEST(Streams, MemoryStreamGrowsSeeksAndFillsGapsWithZeros) {
  TMemoryStream s;
  EXPECT_EQ(s.Seek(4, soBeginning), 4);
  s.WriteUInt8(7);
  EXPECT_EQ(s.Bytes(), QByteArray("\0\0\0\0\x07", 5));
  EXPECT_EQ(s.Seek(-2, soEnd), 3);
  EXPECT_EQ(s.Seek(1, soCurrent), 4);
  char c = 0;
  EXPECT_EQ(s.Read(&c, 10), 1);
  EXPECT_EQ(c, 7);
  EXPECT_EQ(s.Read(&c, 1), 0);
  s.SetSize(2);
  EXPECT_EQ(s.Size(), 2);
  s.SetPosition(-1);
  EXPECT_EQ(s.Read(&c, 1), 0);
  EXPECT_EQ(s.Write(&c, 1), 0);

  // A wild position (as damaged data can give) fails instead of allocating.
  s.SetPosition(3LL << 30);
  EXPECT_THROW(s.WriteUInt8(1), EWriteError);
  EXPECT_THROW(s.SetSize(3LL << 30), EOutOfMemory);
  EXPECT_EQ(s.Size(), 2);

  // Offsets that would overflow stop at the ends and read or write nothing.
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  constexpr qint64 kMin = std::numeric_limits<qint64>::min();
  s.SetPosition(kMax - 1);
  EXPECT_EQ(s.Seek(kMax, soCurrent), kMax);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_THROW(s.ReadUInt8(), EReadError);
  EXPECT_THROW(s.WriteUInt8(1), EWriteError);
  s.SetPosition(kMin + 1);
  EXPECT_EQ(s.Seek(kMin, soCurrent), kMin);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_THROW(s.ReadBytes(1), EReadError);
  EXPECT_EQ(s.Seek(kMax, soEnd), kMax);
  EXPECT_EQ(s.Size(), 2);
}

TEST(Streams, CopyFromCopiesAllOrACountAndRefusesMoreThanThereIs) {
  TMemoryStream src, dst;
  src.WriteBytes("0123456789");
  src.SetPosition(7);
  EXPECT_EQ(dst.CopyFrom(&src, 0), 10);  // 0: the whole source from its start
  EXPECT_EQ(dst.Bytes(), QByteArray("0123456789"));
  src.SetPosition(2);
  dst.Clear();
  EXPECT_EQ(dst.CopyFrom(&src, 3), 3);
  EXPECT_EQ(dst.Bytes(), QByteArray("234"));
  EXPECT_THROW(dst.CopyFrom(&src, 100), EReadError);
  EXPECT_EQ(dst.Size(), 3);  // nothing half-copied
}

TEST(Streams, FileStreamModesAndTheirErrors) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("data.bin"));

  try {
    TFileStream missing(path, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError &e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)))
        << e.Message().toStdString();
  }
  EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("no/such/dir.bin")), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(dir.path(), fmOpenRead), EFOpenError);

  {
    TFileStream f(path, fmCreate);
    f.WriteInt32(42);
    f.WriteCountedString(QStringLiteral("€ 1,50"));
  }
  {
    // fmOpenWrite keeps the content and writes over it from the start.
    TFileStream f(path, fmOpenWrite | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 14);
    f.WriteInt32(43);
    EXPECT_THROW(f.ReadInt32(), EReadError);
  }
  {
    TFileStream f(path, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(f.ReadInt32(), 43);
    EXPECT_EQ(f.ReadCountedString(), QStringLiteral("€ 1,50"));
    EXPECT_THROW(f.WriteInt32(1), EWriteError);
  }
  {
    TFileStream f(path, fmOpenReadWrite);
    f.SetSize(4);
    f.Seek(0, soEnd);
    f.WriteUInt8(9);
  }
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(m.Bytes(), QByteArray("\x2B\0\0\0\x09", 5));
  m.SaveToFile(dir.filePath(QStringLiteral("copy.bin")));
  QFile copy(dir.filePath(QStringLiteral("copy.bin")));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), m.Bytes());
}

TEST(Streams, StringStreamHoldsWindows1252Text) {
  TStringStream s(QStringLiteral("Totale €"));
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.ReadString(3), QStringLiteral("Tot"));
  EXPECT_EQ(s.ReadString(100), QStringLiteral("ale €"));
  s.WriteString(QStringLiteral("!"));
  EXPECT_EQ(s.DataString(), QStringLiteral("Totale €!"));
}

}  // namespace
}  // namespace rtl
