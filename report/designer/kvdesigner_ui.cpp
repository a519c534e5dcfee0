// The designer window's controls: menus, tool bars with their glyphs, the
// object palette, the page tabs, rulers, scroll box and status bar (see
// kvdesigner.h).
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "report/designer/kvdesigner.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kButton = 23;
constexpr int kButtonHeight = 22;
constexpr int kGap = 6;
constexpr int kBarHeight = 28;
constexpr int kRulerThickness = 20;
constexpr int kBelowAll = 10000;
const QColor kKey(0xFF, 0x00, 0xFF);  // the glyphs' transparent colour (their bottom-left pixel)

using C = TkvCommand;

// A 16 x 16 glyph for a command, drawn here rather than shipped, on the
// buttons' transparent colour (or a menu's background).
QImage Glyph(TkvCommand command, const QColor &background = kKey) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(background);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  auto text = [&p](const QString &s, int weight = QFont::Bold, bool italic = false, bool underline = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    f.setWeight(QFont::Weight(weight));
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, s);
  };
  auto page = [&p](const QColor &fill) {
    p.setPen(Qt::black);
    p.setBrush(fill);
    p.drawRect(3, 1, 9, 13);
  };
  auto lines = [&p](int left, const std::vector<int> &widths) {
    p.setPen(Qt::black);
    int y = 3;
    for (int w : widths) {
      p.drawLine(left, y, left + w, y);
      y += 3;
    }
  };
  auto frame = [&p](bool top, bool left, bool bottom, bool right) {
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(2, 2, 11, 11);
    p.setPen(QPen(Qt::black, 2));
    if (top) p.drawLine(2, 2, 13, 2);
    if (left) p.drawLine(2, 2, 2, 13);
    if (bottom) p.drawLine(2, 13, 13, 13);
    if (right) p.drawLine(13, 2, 13, 13);
  };
  switch (command) {
    case C::NewReport:
      page(Qt::white);
      break;
    case C::Open:
      p.setPen(Qt::black);
      p.setBrush(QColor(0xFF, 0xD8, 0x40));
      p.drawRect(1, 4, 13, 9);
      p.drawRect(1, 2, 5, 2);
      break;
    case C::Save:
      p.setPen(Qt::black);
      p.setBrush(QColor(0x20, 0x40, 0xA0));
      p.drawRect(1, 1, 13, 13);
      p.setBrush(Qt::white);
      p.drawRect(4, 1, 7, 5);
      break;
    case C::Preview:
      page(Qt::white);
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(6, 6, 6, 6);
      p.drawLine(11, 11, 14, 14);
      break;
    case C::Exit:
      p.setPen(QPen(QColor(0xC0, 0, 0), 2));
      p.drawLine(3, 3, 12, 12);
      p.drawLine(12, 3, 3, 12);
      break;
    case C::Undo:
      text(QStringLiteral("\u21B6"));
      break;
    case C::Redo:
      text(QStringLiteral("\u21B7"));
      break;
    case C::Cut:
      text(QStringLiteral("\u2702"), QFont::Normal);
      break;
    case C::Copy:
      page(Qt::white);
      p.drawRect(1, 3, 9, 11);
      break;
    case C::Paste:
      p.setPen(Qt::black);
      p.setBrush(QColor(0xC0, 0x90, 0x50));
      p.drawRect(2, 2, 10, 12);
      p.setBrush(Qt::white);
      p.drawRect(6, 6, 8, 9);
      break;
    case C::SelectAll:
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.drawRect(1, 1, 13, 13);
      p.setBrush(Qt::black);
      p.drawRect(4, 4, 7, 7);
      break;
    case C::AddPage:
      page(Qt::white);
      text(QStringLiteral("+"));
      break;
    case C::RemovePage:
      page(Qt::white);
      text(QStringLiteral("\u2212"));
      break;
    case C::PageOptions:
      page(QColor(0xE0, 0xE0, 0xFF));
      break;
    case C::PageList:
      page(Qt::white);
      p.drawRect(1, 3, 9, 11);
      lines(3, {5, 5, 5});
      break;
    case C::BringToFront:
    case C::SendToBack: {
      const bool front = command == C::BringToFront;
      p.setPen(Qt::black);
      p.setBrush(front ? QColor(0xA0, 0xA0, 0xA0) : QColor(0x20, 0x60, 0xC0));
      p.drawRect(1, 1, 9, 9);
      p.setBrush(front ? QColor(0x20, 0x60, 0xC0) : QColor(0xA0, 0xA0, 0xA0));
      p.drawRect(5, 5, 9, 9);
      break;
    }
    case C::GridAlign:
      p.setPen(Qt::black);
      for (int i = 1; i < 16; i += 4)
        for (int j = 1; j < 16; j += 4) p.drawPoint(i, j);
      break;
    case C::Bold:
      text(QStringLiteral("G"));
      break;
    case C::Italic:
      text(QStringLiteral("C"), QFont::Bold, true);
      break;
    case C::Underline:
      text(QStringLiteral("S"), QFont::Bold, false, true);
      break;
    case C::AlignLeft:
      lines(2, {11, 7, 11, 7});
      break;
    case C::AlignRight:
      p.setPen(Qt::black);
      for (int i = 0; i < 4; ++i) p.drawLine(i % 2 == 0 ? 2 : 6, 3 + 3 * i, 13, 3 + 3 * i);
      break;
    case C::AlignCenter:
      p.setPen(Qt::black);
      for (int i = 0; i < 4; ++i) p.drawLine(i % 2 == 0 ? 2 : 4, 3 + 3 * i, i % 2 == 0 ? 13 : 11, 3 + 3 * i);
      break;
    case C::Justify:
      lines(2, {11, 11, 11, 11});
      break;
    case C::Rotate:
      p.translate(8, 8);
      p.rotate(-90);
      p.translate(-8, -8);
      text(QStringLiteral("A"));
      break;
    case C::VertTop:
      lines(3, {9});
      p.drawRect(4, 6, 7, 2);
      break;
    case C::VertCenter:
      p.setPen(Qt::black);
      p.drawRect(4, 6, 7, 2);
      break;
    case C::VertBottom:
      p.setPen(Qt::black);
      p.drawRect(4, 9, 7, 2);
      p.drawLine(3, 13, 12, 13);
      break;
    case C::FontColor:
      text(QStringLiteral("A"));
      break;
    case C::Highlight:
      p.fillRect(1, 1, 14, 13, QColor(0xFF, 0xFF, 0x60));
      text(QStringLiteral("ab"), QFont::Normal);
      break;
    case C::FrameTop:
      frame(true, false, false, false);
      break;
    case C::FrameLeft:
      frame(false, true, false, false);
      break;
    case C::FrameBottom:
      frame(false, false, true, false);
      break;
    case C::FrameRight:
      frame(false, false, false, true);
      break;
    case C::FrameAll:
      frame(true, true, true, true);
      break;
    case C::FrameNone:
      frame(false, false, false, false);
      break;
    case C::FillColor:
      p.setPen(Qt::black);
      p.setBrush(Qt::white);
      p.drawRect(2, 2, 11, 11);
      break;
    case C::FrameColor:
      p.setPen(QPen(Qt::black, 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(3, 3, 9, 9);
      break;
    default:
      break;
  }
  p.end();
  // The bottom-left pixel names the transparent colour.
  image.setPixelColor(0, 15, background);
  return image;
}

// The glyphs of the palette's own objects.
QImage PaletteGlyph(int tag) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(kKey);
  QPainter p(&image);
  p.setPen(Qt::black);
  switch (tag) {
    case -1: {  // the arrow of the select tool
      QPainterPath arrow;
      arrow.moveTo(4, 1);
      arrow.lineTo(4, 13);
      arrow.lineTo(7, 10);
      arrow.lineTo(10, 14);
      arrow.lineTo(12, 13);
      arrow.lineTo(9, 9);
      arrow.lineTo(13, 9);
      arrow.closeSubpath();
      p.setBrush(Qt::white);
      p.drawPath(arrow);
      break;
    }
    case gtMemo: {
      QFont f(QStringLiteral("DejaVu Serif"));
      f.setPixelSize(13);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    case gtPicture:
      p.setBrush(QColor(0x80, 0xC0, 0xFF));
      p.drawRect(1, 2, 13, 11);
      p.setBrush(QColor(0x30, 0x90, 0x30));
      p.drawPolygon(QPolygon({QPoint(2, 12), QPoint(6, 6), QPoint(9, 10), QPoint(11, 8), QPoint(13, 12)}));
      break;
    case gtBand:
      p.setBrush(QColor(0xC0, 0xC0, 0xC0));
      p.drawRect(1, 5, 13, 6);
      p.drawRect(1, 2, 6, 3);
      break;
    case gtSubReport:
      p.setBrush(Qt::white);
      p.drawRect(1, 1, 13, 13);
      p.drawRect(4, 6, 8, 6);
      break;
    default:
      break;
  }
  p.end();
  image.setPixelColor(0, 15, kKey);
  return image;
}

bool IsFunctionKey(vcl::TShortCut shortcut) {
  const int key = shortcut & 0xFF;
  return key >= vcl::VK_F1 && key <= vcl::VK_F12;
}

vcl::TPanel *MakeBar(TKVDesignerForm *form, const char *name, vcl::TAlign align) {
  auto *bar = new vcl::TPanel(form);
  bar->SetName(QString::fromLatin1(name));
  bar->SetParent(form);
  bar->SetCaption(QString());
  bar->SetBevelOuter(vcl::bvRaised);
  // Below (or right of) the bars already there: aligned bars stack by place.
  bar->SetBounds(kBelowAll, kBelowAll, kButton, kBarHeight);
  bar->SetAlign(align);
  if (align == vcl::alLeft)
    bar->SetWidth(kButton + 6);
  else
    bar->SetHeight(kBarHeight);
  bar->SetShowHint(true);
  return bar;
}

// A status panel of position or size: its picture (a cross on a point for
// the position, a frame with a stretching arrow for the size), then its
// text.
void DrawStatusPanel(vcl::TCanvas *c, const vcl::TRect &rect, const QString &text, bool position) {
  // NOLINTBEGIN(readability-magic-numbers)
  const int x = rect.Left + 3, y = rect.Top + (rect.Height() - 12) / 2;
  c->Brush()->SetColor(vcl::clBtnFace);
  c->Brush()->SetStyle(vcl::bsSolid);
  c->FillRect(rect);
  c->Pen()->SetColor(vcl::clNavy);
  c->Pen()->SetWidth(1);
  const auto line = [c](int x1, int y1, int x2, int y2) {
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  if (position) {
    line(x + 6, y, x + 6, y + 13);
    line(x, y + 6, x + 13, y + 6);
    c->Brush()->SetColor(vcl::clRed);
    c->Pen()->SetColor(vcl::clRed);
    c->Rectangle(x + 5, y + 5, x + 8, y + 8);
  } else {
    c->Brush()->SetStyle(vcl::bsClear);
    c->Rectangle(x, y, x + 13, y + 13);
    c->Pen()->SetColor(vcl::clRed);
    line(x + 3, y + 3, x + 10, y + 10);
    line(x + 10, y + 10, x + 6, y + 10);
    line(x + 10, y + 10, x + 10, y + 6);
    line(x + 3, y + 3, x + 7, y + 3);
    line(x + 3, y + 3, x + 3, y + 7);
  }
  c->Brush()->SetStyle(vcl::bsClear);
  vcl::TRect r{x + 18, rect.Top, rect.Right - 2, rect.Bottom};
  vcl::DrawText(c, text, r, vcl::DT_SINGLELINE | vcl::DT_VCENTER | vcl::DT_NOPREFIX);
  c->Brush()->SetStyle(vcl::bsSolid);
  // NOLINTEND(readability-magic-numbers)
}

}  // namespace

vcl::TMenuItem *TKVDesignerForm::AddMenuItem(vcl::TMenuItem *parent, TkvCommand command) {
  const TkvCommandInfo &info = KvCommandInfo(command);
  auto *item = new vcl::TMenuItem(this);
  item->SetCaption(QString::fromUtf8(info.MenuCaption));
  // A menu's shortcuts come before the focused control; the editing keys
  // (Ctrl+C in the font size box, Del in the frame width) are the window's
  // own (FormKeyDown), which leaves them to a box being typed in.
  if (IsFunctionKey(info.ShortCut)) item->SetShortCut(info.ShortCut);
  item->OnClick = [this, command](rtl::TObject *) { Run(command); };
  parent->Add(item);
  controls_[command].menu = item;
  return item;
}

vcl::TSpeedButton *TKVDesignerForm::AddToolButton(vcl::TPanel *bar, TkvCommand command, int &left) {
  const TkvCommandInfo &info = KvCommandInfo(command);
  auto *button = new vcl::TSpeedButton(this);
  button->SetParent(bar);
  button->SetFlat(true);
  button->SetBounds(left, 3, kButton, kButtonHeight);
  button->SetHint(QString::fromUtf8(info.Hint));
  vcl::TBitmap glyph;
  glyph.SetImage(Glyph(command));
  button->SetGlyph(&glyph);
  button->OnClick = [this, command](rtl::TObject *) { Run(command); };
  controls_[command].button = button;
  left += kButton;
  return button;
}

void TKVDesignerForm::BuildMenus() {
  MainMenu1 = new vcl::TMainMenu(this);
  MainMenu1->SetName(QStringLiteral("MainMenu1"));
  vcl::TMenuItem *root = MainMenu1->Items();
  auto top = [this, root](const char *caption) {
    auto *item = new vcl::TMenuItem(this);
    item->SetCaption(QString::fromUtf8(caption));
    root->Add(item);
    return item;
  };
  auto sub = [this](vcl::TMenuItem *parent, const char *caption) {
    auto *item = new vcl::TMenuItem(this);
    item->SetCaption(QString::fromUtf8(caption));
    parent->Add(item);
    return item;
  };
  auto line = [&sub](vcl::TMenuItem *parent) { sub(parent, "-"); };

  vcl::TMenuItem *file = top("&File");
  for (C c : {C::NewReport, C::NewFromTemplate, C::NewFromWizard}) AddMenuItem(file, c);
  line(file);
  for (C c : {C::Open, C::Save, C::SaveAs}) AddMenuItem(file, c);
  line(file);
  for (C c : {C::Variables, C::ReportOptions, C::PageOptions}) AddMenuItem(file, c);
  line(file);
  AddMenuItem(file, C::Preview);
  line(file);
  ReopenMenu = AddMenuItem(file, C::Reopen);
  ReopenMenu->OnClick = nullptr;
  line(file);
  AddMenuItem(file, C::Exit);

  vcl::TMenuItem *edit = top("&Modifica");
  AddMenuItem(edit, C::Undo);
  AddMenuItem(edit, C::Redo);
  line(edit);
  for (C c : {C::Cut, C::Copy, C::Paste, C::Delete, C::SelectAll}) AddMenuItem(edit, c);
  line(edit);
  AddMenuItem(edit, C::AddPage);
  AddMenuItem(edit, C::RemovePage);
  line(edit);
  AddMenuItem(edit, C::BringToFront);
  AddMenuItem(edit, C::SendToBack);
  line(edit);
  AddMenuItem(edit, C::Edit);

  vcl::TMenuItem *tools = top("&Strumenti");
  vcl::TMenuItem *grid = sub(tools, "Griglia");
  AddMenuItem(grid, C::GridAlign);
  line(grid);
  for (C c : {C::Grid4, C::Grid8, C::Grid19}) {
    vcl::TMenuItem *item = AddMenuItem(grid, c);
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
  }
  vcl::TMenuItem *selection = sub(tools, "Selezione");
  for (C c : {C::OutlineFrame, C::OutlineInvert}) {
    vcl::TMenuItem *item = AddMenuItem(selection, c);
    item->SetRadioItem(true);
    item->SetGroupIndex(2);
  }
  vcl::TMenuItem *bars = sub(tools, "Barra degli strumenti");
  for (C c : {C::ToolbarStandard, C::ToolbarText, C::ToolbarRect, C::ToolbarObjects, C::Inspector, C::AlignPalette})
    AddMenuItem(bars, c);
  vcl::TMenuItem *units = sub(tools, "Unità di misura");
  for (C c : {C::UnitPixels, C::UnitMillimetres, C::UnitInches}) {
    vcl::TMenuItem *item = AddMenuItem(units, c);
    item->SetRadioItem(true);
    item->SetGroupIndex(3);
  }

  MainMenu1->Attach();

  PopupMenu1 = new vcl::TPopupMenu(this);
  PopupMenu1->SetName(QStringLiteral("PopupMenu1"));
  for (C c : {C::Cut, C::Copy, C::Paste, C::Delete, C::SelectAll, C::Exit, C::Edit}) {
    auto *item = new vcl::TMenuItem(this);
    if (c == C::Exit) {
      item->SetCaption(QStringLiteral("-"));
    } else {
      const TkvCommandInfo &info = KvCommandInfo(c);
      item->SetCaption(QString::fromUtf8(info.PopupCaption));
      item->OnClick = [this, c](rtl::TObject *) { Run(c); };
      controls_[c].popup = item;
    }
    PopupMenu1->Items()->Add(item);
  }
  PopupMenu1->OnPopup = [this](rtl::TObject *) { PreparePopup(); };
}

void TKVDesignerForm::BuildToolBars() {
  Panel1 = MakeBar(this, "Panel1", vcl::alTop);
  int left = 4;
  auto gap = [&left] { left += kGap; };
  for (C c : {C::NewReport, C::Open, C::Save, C::Preview}) AddToolButton(Panel1, c, left);
  gap();
  for (C c : {C::Cut, C::Copy, C::Paste}) AddToolButton(Panel1, c, left);
  gap();
  for (C c : {C::Undo, C::Redo}) AddToolButton(Panel1, c, left);
  gap();
  AddToolButton(Panel1, C::SelectAll, left);
  gap();
  for (C c : {C::AddPage, C::RemovePage, C::PageOptions, C::PageList}) AddToolButton(Panel1, c, left);
  gap();
  for (C c : {C::BringToFront, C::SendToBack}) AddToolButton(Panel1, c, left);
  gap();
  vcl::TSpeedButton *grid = AddToolButton(Panel1, C::GridAlign, left);
  grid->SetGroupIndex(11);
  grid->SetAllowAllUp(true);
  gap();
  AddToolButton(Panel1, C::Exit, left);

  Panel2 = MakeBar(this, "Panel2", vcl::alTop);
  FontName = new vcl::TComboBox(this);
  FontName->SetName(QStringLiteral("FontName"));
  FontName->SetParent(Panel2);
  FontName->SetStyle(vcl::csDropDownList);
  FontName->SetBounds(4, 3, 160, kButtonHeight);
  FontName->SetHint(QString::fromUtf8(KvCommandInfo(C::FontName).Hint));
  FontName->OnChange = [this](rtl::TObject *) {
    if (!updating_controls_) Run(C::FontName);
  };
  controls_[C::FontName].control = FontName;
  FontSize = new vcl::TComboBox(this);
  FontSize->SetName(QStringLiteral("FontSize"));
  FontSize->SetParent(Panel2);
  FontSize->SetBounds(168, 3, 50, kButtonHeight);
  FontSize->SetHint(QString::fromUtf8(KvCommandInfo(C::FontSize).Hint));
  for (int size : {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
    FontSize->Items()->Add(QString::number(size));
  FontSize->OnChange = [this](rtl::TObject *) {
    // A size chosen from the list applies at once; a typed one on Enter.
    if (!updating_controls_ && FontSize->ItemIndex() >= 0 && FontSize->DroppedDown() == false &&
        FontSize->Items()->IndexOf(FontSize->Text()) >= 0 && !FontSize->Focused())
      Run(C::FontSize);
  };
  FontSize->OnKeyPress = [](rtl::TObject *, QChar &key) {
    if (!key.isDigit() && key.unicode() >= 32) key = QChar();
  };
  controls_[C::FontSize].control = FontSize;
  left = 224;
  struct Toggle {
    C command;
    int group;
  };
  for (Toggle t : {Toggle{C::Bold, 5}, Toggle{C::Italic, 6}, Toggle{C::Underline, 7}}) {
    vcl::TSpeedButton *b = AddToolButton(Panel2, t.command, left);
    b->SetGroupIndex(t.group);
    b->SetAllowAllUp(true);
  }
  gap();
  for (C c : {C::AlignLeft, C::AlignCenter, C::AlignRight, C::Justify})
    AddToolButton(Panel2, c, left)->SetGroupIndex(9);
  gap();
  vcl::TSpeedButton *rotate = AddToolButton(Panel2, C::Rotate, left);
  rotate->SetGroupIndex(8);
  rotate->SetAllowAllUp(true);
  gap();
  for (C c : {C::VertTop, C::VertCenter, C::VertBottom}) AddToolButton(Panel2, c, left)->SetGroupIndex(10);
  gap();
  AddToolButton(Panel2, C::FontColor, left);
  AddToolButton(Panel2, C::Highlight, left);

  Panel3 = MakeBar(this, "Panel3", vcl::alTop);
  left = 4;
  int group = 1;
  for (C c : {C::FrameTop, C::FrameLeft, C::FrameBottom, C::FrameRight}) {
    vcl::TSpeedButton *b = AddToolButton(Panel3, c, left);
    b->SetGroupIndex(group++);
    b->SetAllowAllUp(true);
  }
  for (C c : {C::FrameAll, C::FrameNone}) AddToolButton(Panel3, c, left);
  gap();
  for (C c : {C::FillColor, C::FrameColor}) AddToolButton(Panel3, c, left);
  gap();
  FrameWidthEdit = new vcl::TEdit(this);
  FrameWidthEdit->SetName(QStringLiteral("FrameWidthEdit"));
  FrameWidthEdit->SetParent(Panel3);
  FrameWidthEdit->SetBounds(left, 3, 36, kButtonHeight);
  FrameWidthEdit->SetHint(QString::fromUtf8(KvCommandInfo(C::FrameWidth).Hint));
  FrameWidthEdit->SetText(QStringLiteral("1"));
  FrameWidthEdit->OnKeyPress = [](rtl::TObject *, QChar &key) {
    if (!key.isDigit() && key.unicode() >= 32) key = QChar();
  };
  controls_[C::FrameWidth].control = FrameWidthEdit;
  left += 38;
  for (int step : {1, -1}) {
    auto *arrow = new vcl::TSpeedButton(this);
    arrow->SetParent(Panel3);
    arrow->SetFlat(true);
    arrow->SetBounds(left, step > 0 ? 3 : 14, 14, 11);
    arrow->SetCaption(step > 0 ? QStringLiteral("\u25B4") : QStringLiteral("\u25BE"));
    arrow->OnClick = [this, step](rtl::TObject *) {
      if (!FrameWidthEdit->Enabled()) return;
      const int width = std::clamp(FrameWidthEdit->Text().toInt() + step, 0, 100);
      FrameWidthEdit->SetText(QString::number(width));
      Run(C::FrameWidth);
    };
  }
}

void TKVDesignerForm::GlyphsToMenus() {
  // A menu item shows its tool button's glyph.
  const QColor background = QApplication::palette().color(QPalette::Base);
  for (auto &[command, c] : controls_) {
    if (c.menu == nullptr || c.button == nullptr) continue;
    vcl::TBitmap glyph;
    glyph.SetImage(Glyph(command, background));
    c.menu->SetBitmap(&glyph);
  }
}

void TKVDesignerForm::BuildPalette() {
  Panel4 = MakeBar(this, "Panel4", vcl::alLeft);
  struct Entry {
    int tag;
    const char *hint;
  };
  const Entry entries[] = {{-1, "Selezione"},
                           {gtMemo, "Inserisci testo"},
                           {gtPicture, "Inserisci immagine"},
                           {gtBand, "Inserisci banda"},
                           {gtSubReport, "Inserisci sottoreport"}};
  int top = 4;
  for (const Entry &e : entries) {
    auto *button = new vcl::TSpeedButton(this);
    button->SetParent(Panel4);
    button->SetFlat(true);
    button->SetBounds(3, top, kButton, kButtonHeight);
    button->SetGroupIndex(20);
    button->SetHint(QString::fromUtf8(e.hint));
    vcl::TBitmap glyph;
    glyph.SetImage(PaletteGlyph(e.tag));
    button->SetGlyph(&glyph);
    button->SetTag(e.tag);
    const int tag = e.tag;
    button->OnClick = [this, tag](rtl::TObject *) {
      SetTool(tag, QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    };
    PaletteButtons.push_back(button);
    top += kButtonHeight;
  }
  SelectButton = PaletteButtons.front();
  SelectButton->SetDown(true);
}

void TKVDesignerForm::AddPaletteButton(const vcl::TBitmap *bitmap, const QString &hint, int tag) {
  auto *button = new vcl::TSpeedButton(this);
  button->SetParent(Panel4);
  button->SetFlat(true);
  const int count = static_cast<int>(PaletteButtons.size()) + 1;
  button->SetBounds(SelectButton->Left(), SelectButton->Top() + 10 + (count - 1) * SelectButton->Height(),
                    SelectButton->Width(), SelectButton->Height());
  button->SetGroupIndex(SelectButton->GroupIndex());
  if (bitmap != nullptr) button->SetGlyph(bitmap);
  button->SetHint(hint);
  button->SetTag(tag);
  button->OnClick = [this, tag](rtl::TObject *) {
    SetTool(tag, QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
  };
  PaletteButtons.push_back(button);
}

void TKVDesignerForm::BuildBody() {
  PageTabs = new vcl::TPageControl(this);
  PageTabs->SetName(QStringLiteral("PageTabs"));
  PageTabs->SetParent(this);
  PageTabs->SetTop(kBelowAll);
  PageTabs->SetAlign(vcl::alTop);
  PageTabs->SetHeight(PageTabs->TabHeight() + 2);
  PageTabs->OnChange = [this](rtl::TObject *) { ShowPage(PageTabs->ActivePageIndex()); };

  StatusBar1 = new vcl::TStatusBar(this);
  StatusBar1->SetName(QStringLiteral("StatusBar1"));
  StatusBar1->SetParent(this);
  StatusBar1->SetAlign(vcl::alBottom);
  StatusBar1->SetHeight(20);
  StatusBar1->AddPanel()->SetWidth(90);
  // Position and size, each after its picture.
  for (int i = 0; i < 2; ++i) {
    vcl::TStatusPanel *panel = StatusBar1->AddPanel();
    panel->SetWidth(180);
    panel->SetStyle(vcl::psOwnerDraw);
  }
  StatusBar1->AddPanel();
  StatusBar1->OnDrawPanel = [](vcl::TStatusBar *bar, vcl::TStatusPanel *panel, const vcl::TRect &rect) {
    DrawStatusPanel(bar->Canvas(), rect, panel->Text(), panel == bar->Panels(1));
  };

  body_ = new vcl::TPanel(this);
  body_->SetParent(this);
  body_->SetCaption(QString());
  body_->SetBevelOuter(vcl::bvNone);
  body_->SetAlign(vcl::alClient);
  left_strip_ = new vcl::TPanel(this);
  left_strip_->SetParent(body_);
  left_strip_->SetCaption(QString());
  left_strip_->SetBevelOuter(vcl::bvNone);
  left_strip_->SetAlign(vcl::alLeft);
  left_strip_->SetWidth(kRulerThickness);
  auto *right = new vcl::TPanel(this);
  right->SetParent(body_);
  right->SetCaption(QString());
  right->SetBevelOuter(vcl::bvNone);
  right->SetAlign(vcl::alClient);
  top_strip_ = new vcl::TPanel(this);
  top_strip_->SetParent(right);
  top_strip_->SetCaption(QString());
  top_strip_->SetBevelOuter(vcl::bvNone);
  top_strip_->SetAlign(vcl::alTop);
  top_strip_->SetHeight(kRulerThickness);
  ScrollBox1 = new vcl::TScrollBox(this);
  ScrollBox1->SetName(QStringLiteral("ScrollBox1"));
  ScrollBox1->SetParent(right);
  ScrollBox1->SetAlign(vcl::alClient);
  ScrollBox1->SetColor(vcl::clAppWorkSpace);
  ScrollBox1->SetParentColor(false);

  TopRuler = new TCanvasPanel(this, false);
  TopRuler->SetName(QStringLiteral("TopRuler"));
  TopRuler->SetParent(top_strip_);
  LeftRuler = new TCanvasPanel(this, true);
  LeftRuler->SetName(QStringLiteral("LeftRuler"));
  LeftRuler->SetParent(left_strip_);

  Surface = new TPreview(this, *model_, *this);
  Surface->SetParent(ScrollBox1);
  Surface->SetPopupMenu(nullptr);
  Surface->OnPlaced = [this](rtl::TObject *) { PlaceRulers(); };
  mark_right_ = new vcl::TPanel(this);
  mark_bottom_ = new vcl::TPanel(this);
  for (vcl::TPanel *mark : {mark_right_, mark_bottom_}) {
    mark->SetParent(ScrollBox1);
    mark->SetCaption(QString());
    mark->SetBevelOuter(vcl::bvNone);
    mark->SetBounds(0, 0, 1, 1);
    mark->SetColor(vcl::clAppWorkSpace);
  }
}

void TKVDesignerForm::PlaceSurface() {
  if (Surface == nullptr) return;
  const TkvPage *page = model_->Page();
  const int w = page->WidthPixels(), h = page->HeightPixels();
  ScrollBox1->SetHorzPosition(0);
  ScrollBox1->SetVertPosition(0);
  const int room = ScrollBox1->ClientWidth();
  const int left = w < room ? (room - w) / 2 : 10;
  Surface->SetBounds(left, 10, w, h);
  mark_right_->SetBounds(left + w + 10, 10, 1, 1);
  mark_bottom_->SetBounds(left, 10 + h + 10, 1, 1);
  ScrollBox1->UpdateScrollRange();
  PlaceRulers();
}

void TKVDesignerForm::PlaceRulers() {
  if (TopRuler == nullptr || Surface == nullptr) return;
  const TkvPage *page = model_->Page();
  TopRuler->SetBounds(Surface->Left(), 0, Surface->Width(), kRulerThickness);
  LeftRuler->SetBounds(0, top_strip_->Height() + Surface->Top(), kRulerThickness, Surface->Height());
  const bool margins = page->UseMargins != 0;
  TopRuler->SetMargins(margins ? page->Margins[0] : 0, margins ? page->Margins[2] : 0);
  LeftRuler->SetMargins(margins ? page->Margins[1] : 0, margins ? page->Margins[3] : 0);
}

// NOLINTEND(readability-magic-numbers)

}  // namespace report
