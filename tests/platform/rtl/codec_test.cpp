// The Windows-1252 codec that every 8-bit file goes through, and the OEM
// code page (850) of files meant for DOS programs.
#include <gtest/gtest.h>

#include "platform/rtl/cp1252.h"
#include "platform/rtl/oemcodepage.h"

namespace rtl {
namespace {

TEST(Cp1252, EuroAndTheOtherHighPunctuationHaveTheirOwnBytes) {
  EXPECT_EQ(ToCp1252(QStringLiteral("€")), QByteArray("\x80"));
  EXPECT_EQ(ToCp1252(QStringLiteral("10 € – “sì” …")), QByteArray("10 \x80 \x96 \x93s\xEC\x94 \x85"));
  EXPECT_EQ(FromCp1252(QByteArray("\x80\x8A\x9F")), QStringLiteral("€ŠŸ"));
}

TEST(Cp1252, EveryByteRoundTrips) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = FromCp1252(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_TRUE(IsCp1252(text));
  EXPECT_EQ(ToCp1252(text), all);
}

TEST(Cp1252, CharactersWithoutAByteBecomeOneQuestionMarkEach) {
  // Cyrillic, a CJK ideograph and a character outside the basic plane
  // (a surrogate pair) each become a single '?'.
  EXPECT_EQ(ToCp1252(QStringLiteral("aЖ中") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("b")),
            QByteArray("a???b"));
  EXPECT_FALSE(IsCp1252(QStringLiteral("Ж")));
  EXPECT_EQ(ToCp1252Char(QChar(0x20AC)), '\x80');
  EXPECT_EQ(ToCp1252Char(QChar(0x0100)), '?');
}

TEST(Oem850, AccentedLettersTakeTheirDosBytesAndEveryByteRoundTrips) {
  EXPECT_EQ(ToOem(QStringLiteral("àèéìòù ÀÈ ç ñ £")), QByteArray("\x85\x8A\x82\x8D\x95\x97 \xB7\xD4 \x87 \xA4 \x9C"));
  // No euro sign in the DOS set; characters outside it become one '?'.
  EXPECT_EQ(ToOem(QStringLiteral("10 € Ж") + QString::fromUcs4(U"\U0001F600")), QByteArray("10 ? ??"));
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  EXPECT_EQ(ToOem(FromOem(all)), all);
  // The platform's ANSI/OEM pair works on bytes of the two sets.
  EXPECT_EQ(AnsiToOem(QByteArray("Citt\xE0")), QByteArray("Citt\x85"));
  EXPECT_EQ(OemToAnsi(QByteArray("Citt\x85")), QByteArray("Citt\xE0"));
}

}  // namespace
}  // namespace rtl
