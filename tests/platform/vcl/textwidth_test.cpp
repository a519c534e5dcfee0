// Text widths the canvas adds up from kept advances are the ones Qt gives
// each text measured on its own: for the report fonts, for a font with
// ligatures (which is measured by Qt instead), for characters outside the
// plain set, and for every piece word wrapping asks about.
#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>
#include <QRandomGenerator>
#include <cmath>

#include "platform/vcl/graphics.h"

using namespace vcl;

namespace {

QStringList Texts() {
  QStringList texts = {
      QStringLiteral("La rivista arriva in edicola il martedì, con un allegato, e torna al distributore dopo "
                     "trenta giorni se non è stata venduta; la resa si registra con il codice a barre."),
      QStringLiteral("AVVISO: Totale \u20AC 1.234,50 - Yacht \"Tavola\" WAVE, L'Aquila; T.V. office affluent"),
      QStringLiteral(
          "Pagina 12 di 186 \u00ABQuotidiano\u00BB \u2018citazione\u2019 \u201Cdoppie\u201D \u2026 \u2014 \u2013"),
      QStringLiteral(
          "tab\there, soft\u00ADhyphen, combining e\u0301, Greek \u03A9\u03BC\u03B5\u03B3\u03B1, \U0001F600"),
  };
  // Random texts over letters, digits, punctuation and accents.
  const QString alphabet = QStringLiteral(
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-'\"()/"
      "\u20AC\u00E0\u00E8\u00E9\u00EC\u00F2\u00F9!?&%\u00AB\u00BB");
  QRandomGenerator random(7);
  for (int t = 0; t < 6; ++t) {
    QString s;
    for (int i = 0; i < 60; ++i) s += alphabet[random.bounded(int(alphabet.size()))];
    texts << s;
  }
  return texts;
}

}  // namespace

class TextWidths : public ::testing::TestWithParam<TTextMetrics> {};

TEST_P(TextWidths, AreQtsOwnMeasurementOfEachTextAndPiece) {
  TBitmap page(10, 10);
  TCanvas *c = page.Canvas();
  c->SetTextMetrics(GetParam());
  const QStringList texts = Texts();
  // The report fonts, and two whose shaping forms ligatures.
  for (const char *name : {"Arial", "Times New Roman", "Courier New", "DejaVu Sans", "DejaVu Serif"}) {
    for (int height : {-8, -11, -13, -16, 20}) {
      for (int style = 0; style < 4; ++style) {
        c->Font()->SetName(QString::fromLatin1(name));
        c->Font()->SetHeight(height);
        TFontStyles styles;
        if (style & 1) styles.Include(fsBold);
        if (style & 2) styles.Include(fsItalic);
        c->Font()->SetStyle(styles);
        const QFontMetrics qt(c->Font()->ToQFont(GetParam()), c->Device());
        for (const QString &text : texts) {
          SCOPED_TRACE(
              QStringLiteral("%1 %2 %3: %4").arg(QLatin1String(name)).arg(height).arg(style).arg(text).toStdString());
          ASSERT_EQ(c->TextWidth(text), qt.horizontalAdvance(text));
          const TTextRuler ruler(c, text);
          const int n = int(text.size());
          for (int from = 0; from < n; from += 5) {
            for (int to = from; to <= n; to += (to - from < 8 ? 1 : 6)) {
              ASSERT_EQ(ruler.Width(from, to), qt.horizontalAdvance(text.mid(from, to - from))) << from << " " << to;
            }
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ScreenAndDesign, TextWidths, ::testing::Values(TTextMetrics::Screen, TTextMetrics::Design));

// The design metrics are the font's own, unhinted: the same text is as
// wide, to the 64th of a pixel, at every size scaled to it, so a line laid
// out for the screen's 96 pixels per inch keeps its width on a printer.
TEST(TextWidths, DesignMetricsScaleWithTheSize) {
  TBitmap page(10, 10);
  TCanvas *c = page.Canvas();
  c->SetTextMetrics(TTextMetrics::Design);
  c->Font()->SetName(QStringLiteral("Arial"));
  c->Font()->SetStyle({fsBold});
  const QString text = QStringLiteral("Totali per tipo di movimento");
  c->Font()->SetHeight(-11);
  const qreal small = c->TextAdvances().WidthF(text);
  c->Font()->SetHeight(-11 * 8);
  EXPECT_NEAR(c->TextAdvances().WidthF(text), small * 8, 8 * 0.5 / 64 * text.size());
  // The hinted ones are not: each letter's advance is rounded at its size.
  c->SetTextMetrics(TTextMetrics::Screen);
  c->Font()->SetHeight(-11);
  EXPECT_NE(c->TextAdvances().WidthF(text), small);
  // Each letter's advance in a recorded text starts where the text's layout
  // puts the letter: they add up to the width of the text up to there.
  c->SetTextMetrics(TTextMetrics::Design);
  const std::vector<int> each = c->TextAdvances().CharAdvances(text);
  ASSERT_EQ(each.size(), size_t(text.size()));
  int at = 0;
  for (int i = 0; i < int(text.size()); ++i) {
    at += each[size_t(i)];
    const qreal before_next = i + 1 < int(text.size()) ? c->TextAdvances().WidthF(text.left(i + 2)) -
                                                             c->TextAdvances().WidthF(text.mid(i + 1, 1))
                                                       : c->TextAdvances().WidthF(text);
    EXPECT_EQ(at, int(std::lround(before_next))) << i;
  }
  EXPECT_EQ(at, c->TextWidth(text));
}

TEST(TextWidths, FollowTheFontAndTheDevice) {
  TBitmap page(10, 10);
  TCanvas *c = page.Canvas();
  const QString text = QStringLiteral("Elenco giacenze");
  c->Font()->SetName(QStringLiteral("Arial"));
  c->Font()->SetHeight(-11);
  const int small = c->TextWidth(text);
  c->Font()->SetHeight(-22);
  EXPECT_GT(c->TextWidth(text), small);
  c->Font()->SetStyle({fsBold});
  EXPECT_EQ(c->TextWidth(text), QFontMetrics(c->Font()->ToQFont(), c->Device()).horizontalAdvance(text));
  // A colour is no other font; a copy of the font measures the same.
  c->Font()->SetColor(clRed);
  TFont copy;
  copy.Assign(c->Font());
  TBitmap other(10, 10);
  other.Canvas()->SetFont(&copy);
  EXPECT_EQ(other.Canvas()->TextWidth(text), c->TextWidth(text));
  EXPECT_EQ(c->TextWidth(QString()), 0);
  EXPECT_EQ(c->TextExtent(text).cy, QFontMetrics(c->Font()->ToQFont(), c->Device()).height());
}
