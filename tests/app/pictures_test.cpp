// The program's pictures as the windows show them: the splash picture under
// its texts, the program icon of the information window, and the bin of the
// till's reset button.
#include "app/pictures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSet>
#include <QWidget>

#include "app/infoform.h"
#include "app/menuform.h"
#include "app/splashform.h"

namespace app::testing {
namespace {

// The pixels of `image` inside `r` that are close to `colour`.
int Near(const QImage &image, const QRect &r, const QColor &colour, int tolerance = 40) {
  int n = 0;
  for (int y = std::max(0, r.top()); y <= std::min(image.height() - 1, r.bottom()); ++y)
    for (int x = std::max(0, r.left()); x <= std::min(image.width() - 1, r.right()); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue()) <=
           tolerance;
    }
  return n;
}

int Colours(const QImage &image) {
  QSet<QRgb> seen;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) seen.insert(image.pixel(x, y));
  return static_cast<int>(seen.size());
}

QRect RectOf(const vcl::TControl *c) { return QRect(c->Left(), c->Top(), c->Width(), c->Height()); }

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override { vcl::InitApplication(); }
};

TEST_F(Pictures, TheSplashShowsItsPictureWithTheTextsOverIt) {
  TSplashForm splash(nullptr);
  splash.Show();
  QApplication::processEvents();
  const QImage shot = splash.Handle()->grab().toImage();
  ASSERT_EQ(shot.size(), QSize(splash.ClientWidth(), splash.ClientHeight()));
  // A picture, not a coloured panel: the awning's red and white at the
  // top, the night-blue ground in the middle.
  EXPECT_GT(Colours(shot), 100);
  const QRect awning(0, 0, shot.width(), 12);
  EXPECT_GT(Near(shot, awning, QColor(200, 16, 46)), awning.width() * 4);
  EXPECT_GT(Near(shot, awning, QColor(244, 244, 240)), awning.width() * 4);
  EXPECT_GT(Near(shot, QRect(shot.width() / 2 - 40, 96, 80, 20), QColor(20, 50, 100), 90), 1000);
  // The texts are drawn over it, white, each where its label is.
  EXPECT_EQ(splash.Label1->Caption(), QStringLiteral("Programma Gestione Orbisca"));
  EXPECT_EQ(splash.Label2->Caption(), QStringLiteral("versione 04.03"));
  EXPECT_EQ(splash.Label3->Caption(), QStringLiteral("Caricamento in corso ... attendere"));
  for (const vcl::TLabel *label : {splash.Label1, splash.Label2, splash.Label3}) {
    const QRect r = RectOf(label).translated(splash.Panel1->Left(), splash.Panel1->Top());
    EXPECT_GT(Near(shot, r, Qt::white, 60), 30) << label->Caption().toStdString();
  }
  splash.Hide();
}

TEST_F(Pictures, TheInformationWindowShowsTheProgramIcon) {
  TfrmInfo info(nullptr);
  info.Show();
  QApplication::processEvents();
  const QImage shot = info.Handle()->grab().toImage();
  const QRect icon = RectOf(info.ProgramIcon);
  ASSERT_TRUE(info.ProgramIcon->Visible());
  EXPECT_EQ(icon.size(), QSize(48, 48));
  // Its two covers, red and blue, beside the texts and clear of them.
  EXPECT_GT(Near(shot, icon, QColor(200, 16, 46)), 200);
  EXPECT_GT(Near(shot, icon, QColor(40, 96, 176)), 50);
  EXPECT_FALSE(icon.intersects(RectOf(info.ProductName)));
  EXPECT_FALSE(icon.intersects(RectOf(info.Version)));
  EXPECT_EQ(info.Version->Caption(), QStringLiteral("Programma Gestione Orbisca - 04.03"));
  // The icon has no ground of its own: around the covers, the window's.
  EXPECT_EQ(Near(shot, QRect(icon.left(), icon.top(), 2, 2), info.Handle()->palette().color(QPalette::Window), 12), 4);
  info.Hide();
}

TEST_F(Pictures, TheTillsResetButtonIsABin) {
  TMenuForm form(nullptr);
  vcl::TBitBtn *bin = form.bt_cleartotale;
  EXPECT_TRUE(bin->Caption().isEmpty());
  EXPECT_EQ(bin->Hint(), QStringLiteral("Azzera il totale"));
  ASSERT_FALSE(bin->Glyph()->Empty());
  QWidget *w = bin->Handle();
  w->resize(bin->Width(), bin->Height());
  const QImage face = w->grab().toImage();
  // The bin's blue-grey body in the middle of the face, with its darker
  // outline.
  const QRect middle(face.width() / 2 - 8, face.height() / 2 - 8, 16, 16);
  EXPECT_GT(Near(face, middle, QColor(110, 132, 156), 30), 15);
  EXPECT_GT(Near(face, middle, QColor(46, 58, 72), 30), 10);
}

}  // namespace
}  // namespace app::testing
