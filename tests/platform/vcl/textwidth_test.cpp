// Text widths the canvas adds up from kept advances are the ones Qt gives
// each text measured on its own: for the report fonts, for a font with
// ligatures (which is measured by Qt instead), for characters outside the
// plain set, and for every piece word wrapping asks about.
#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>
#include <QRandomGenerator>

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

TEST(TextWidths, AreQtsOwnMeasurementOfEachTextAndPiece) {
  TBitmap page(10, 10);
  TCanvas *c = page.Canvas();
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
        const QFontMetrics qt(c->Font()->ToQFont(), c->Device());
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
