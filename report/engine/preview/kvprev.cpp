// The preview window (see kvprev.h): its controls, commands, keys, mouse,
// full screen, find with the blinking match, and the preview slot.
#include "report/engine/preview/kvprev.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "platform/os/shell.h"
#include "platform/rtl/formatsettings.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/printers.h"
#include "report/engine/component/kvexport.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/files/kvtemplate.h"
#include "report/engine/print/kvprntr.h"

namespace report {

namespace {

constexpr vcl::TColor kSilver = 0xC0C0C0;
constexpr int kToolPanelHeight = 32;
constexpr int kGlyphSize = 16;
constexpr int kButtonWidth = 78;
constexpr int kButtonHeight = 26;
constexpr int kButtonStep = 80;
constexpr int kCounterWidth = 160;
// Scrolling: a line (arrows, wheel, the bars' arrows) and a page (Page Up
// and Down, the bars' track).
constexpr int kLineStep = 10;
constexpr int kPageStep = 200;
// A found text blinks every 250 ms, nine times.
constexpr int kBlinkInterval = 250;
constexpr int kBlinkTicks = 9;

int ScrollBarExtent() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

// A glyph of the desktop's style for a command.
// Drawn on the button face, whose colour (the bottom-left pixel) the
// buttons leave transparent.
std::unique_ptr<vcl::TBitmap> StandardGlyph(int icon) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  const QPixmap pixmap =
      QApplication::style()->standardIcon(QStyle::StandardPixmap(icon)).pixmap(kGlyphSize, kGlyphSize);
  if (pixmap.isNull()) return bitmap;
  QImage image(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
  image.fill(vcl::ColorToQColor(vcl::ColorToRGB(vcl::clBtnFace)));
  QPainter painter(&image);
  painter.drawPixmap(0, 0, pixmap);
  painter.end();
  bitmap->SetImage(image);
  return bitmap;
}

}  // namespace

// ---- the paint panel ----------------------------------------------------------------

TPaintPanel::TPaintPanel(vcl::TComponent *owner, TStandardPreview *preview)
    : vcl::TCustomPanel(owner), preview_(preview) {
  SetBevelOuter(vcl::bvNone);
  SetColor(kSilver);
  SetCursor(crPreviewHand);
  SetTabStop(true);
}

void TPaintPanel::Paint() {
  vcl::TCanvas *c = Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  QPainter *painter = c->Painter();
  const QRect clip = painter != nullptr && painter->hasClipping() ? painter->clipBoundingRect().toAlignedRect()
                                                                  : QRect(0, 0, Width(), Height());
  preview_->PaintPages(c, clip);
  if (OnPaint) OnPaint(this);
}

void TPaintPanel::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TCustomPanel::MouseDown(button, shift, x, y);
  if (CanFocus() && !Focused()) SetFocus();
  if (button != vcl::mbLeft) return;
  dragging_ = true;
  drag_from_ = ClientToScreen({x, y});
}

void TPaintPanel::MouseMove(vcl::TShiftState shift, int x, int y) {
  vcl::TCustomPanel::MouseMove(shift, x, y);
  if (!dragging_) return;
  const vcl::TPoint now = ClientToScreen({x, y});
  preview_->ScrollBy(drag_from_.X - now.X, drag_from_.Y - now.Y);
  drag_from_ = now;
}

void TPaintPanel::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  vcl::TCustomPanel::MouseUp(button, shift, x, y);
  if (button == vcl::mbLeft) dragging_ = false;
  if (button == vcl::mbRight) {
    const vcl::TPoint at = ClientToScreen({x, y});
    preview_->PopupAt(at.X, at.Y);
  }
}

void TPaintPanel::Resize() {
  vcl::TCustomPanel::Resize();
  preview_->layout_.SetPanelSize({ClientWidth(), ClientHeight()});
  preview_->layout_.Refit();
  preview_->ShowZoomInBox();
  preview_->LayoutChanged();
}

bool TPaintPanel::DoMouseWheel(vcl::TShiftState shift, int delta, const vcl::TPoint &pos) {
  if (vcl::TCustomPanel::DoMouseWheel(shift, delta, pos)) return true;
  preview_->ScrollBy(0, delta > 0 ? -kLineStep : kLineStep);
  return true;
}

void TPaintPanel::WMGetDlgCode(vcl::TMessage &message) {
  // The preview's keys: arrows, Esc and Enter are its own, not the dialog's.
  message.Result = vcl::DLGC_WANTARROWS | vcl::DLGC_WANTALLKEYS;
}

// ---- the window -----------------------------------------------------------------------

TStandardPreview::TStandardPreview(vcl::TComponent *owner) : TkvPreview(owner) {
  SetCaption(QStringLiteral("Anteprima"));
  SetKeyPreview(true);
  SetBounds(0, 0, TkvPreviewLayout::kDefaultPanelWidth, TkvPreviewLayout::kDefaultPanelHeight);
  BuildWindow();
}

TStandardPreview::~TStandardPreview() {
  if (blink_timer_ != nullptr) blink_timer_->SetEnabled(false);
  DestroyComponents();
}

vcl::TSpeedButton *TStandardPreview::AddButton(const QString &caption, const QString &hint, int icon, int left) {
  auto *b = new vcl::TSpeedButton(this);
  b->SetParent(tool_panel_);
  b->SetFlat(true);
  b->SetCaption(caption);
  b->SetHint(hint);
  b->SetShowHint(true);
  if (icon >= 0) b->SetGlyph(StandardGlyph(icon).get());
  b->SetBounds(left, (kToolPanelHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight);
  return b;
}

void TStandardPreview::BuildWindow() {
  const int bar = ScrollBarExtent();
  tool_panel_ = new vcl::TPanel(this);
  tool_panel_->SetParent(this);
  tool_panel_->SetAlign(vcl::alTop);
  tool_panel_->SetHeight(kToolPanelHeight);
  tool_panel_->OnClick = [this](rtl::TObject *) { ApplyZoomText(); };

  zoom_box_ = new vcl::TComboBox(this);
  zoom_box_->SetParent(tool_panel_);
  zoom_box_->SetBounds(6, 5, 100, 22);  // NOLINT(readability-magic-numbers): its place on the tool panel
  for (const QString &item : TkvPreviewLayout::ZoomItems()) zoom_box_->Items()->Add(item);
  zoom_box_->SetHint(QStringLiteral("Ingrandimento"));
  zoom_box_->SetShowHint(true);
  zoom_box_->OnKeyPress = [](rtl::TObject *, QChar &key) {
    // Only what a percentage is written with.
    const QChar sep = rtl::FormatSettings().DecimalSeparator;
    if (key == u'\r') return;
    if (!(key.isDigit() || key == sep || key == u'%' || key < u' ')) key = QChar();
  };
  zoom_box_->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
    if (key == vcl::VK_RETURN) {
      ApplyZoomText();
      key = 0;
    }
  };
  zoom_box_->OnChange = [this](rtl::TObject *) {
    // A choice from the list applies at once.
    if (zoom_box_->Items()->IndexOf(zoom_box_->Text()) >= 0 && !updating_bars_) ApplyZoomText();
  };
  zoom_box_->OnExit = [this](rtl::TObject *) { ApplyZoomText(); };

  int left = 112;  // NOLINT(readability-magic-numbers): after the zoom box
  auto add = [&](const QString &caption, const QString &hint, int icon) {
    vcl::TSpeedButton *b = AddButton(caption, hint, icon, left);
    left += kButtonStep;
    return b;
  };
  open_button_ = add(QStringLiteral("&Apri"), QStringLiteral("Apre un report"), QStyle::SP_DialogOpenButton);
  save_button_ = add(QStringLiteral("Sal&va"), QStringLiteral("Salva il report"), QStyle::SP_DialogSaveButton);
  print_button_ = add(QStringLiteral("&Stampa"), QStringLiteral("Stampa il report"), QStyle::SP_FileIcon);
  find_button_ = add(QStringLiteral("&Trova"), QStringLiteral("Trova del testo"), QStyle::SP_FileDialogContentsView);
  screen_button_ = add(QStringLiteral("Sc&hermo"), QStringLiteral("Visualizza l'anteprima a schermo intero"),
                       QStyle::SP_TitleBarMaxButton);
  close_button_ = add(QStringLiteral("&Chiudi"), QStringLiteral("Chiude il report"), QStyle::SP_DialogCloseButton);
  open_button_->OnClick = [this](rtl::TObject *) { PreviewOpen(); };
  save_button_->OnClick = [this](rtl::TObject *) { PreviewSave(); };
  print_button_->OnClick = [this](rtl::TObject *) { PreviewPrint(); };
  find_button_->OnClick = [this](rtl::TObject *) { PreviewFind(); };
  screen_button_->OnClick = [this](rtl::TObject *) { SetFullScreen(!full_screen_); };
  close_button_->OnClick = [this](rtl::TObject *) { Close(); };

  bottom_panel_ = new vcl::TPanel(this);
  bottom_panel_->SetParent(this);
  bottom_panel_->SetAlign(vcl::alBottom);
  bottom_panel_->SetBevelOuter(vcl::bvNone);
  bottom_panel_->SetHeight(bar);
  counter_ = new vcl::TPanel(this);
  counter_->SetParent(bottom_panel_);
  counter_->SetAlign(vcl::alLeft);
  counter_->SetWidth(kCounterWidth);
  counter_->SetAlignment(vcl::taLeftJustify);
  counter_->SetBevelOuter(vcl::bvLowered);
  counter_->OnClick = [this](rtl::TObject *) { ApplyZoomText(); };
  hbar_ = new vcl::TScrollBar(this);
  hbar_->SetParent(bottom_panel_);
  hbar_->SetAlign(vcl::alClient);
  hbar_->SetSmallChange(kLineStep);
  hbar_->SetLargeChange(kPageStep);
  hbar_->OnChange = [this](rtl::TObject *) {
    if (updating_bars_) return;
    layout_.SetHPos(hbar_->Position());
    paint_panel_->Invalidate();
  };

  right_panel_ = new vcl::TPanel(this);
  right_panel_->SetParent(this);
  right_panel_->SetAlign(vcl::alRight);
  right_panel_->SetBevelOuter(vcl::bvNone);
  right_panel_->SetWidth(bar);
  next_button_ = new vcl::TSpeedButton(this);
  next_button_->SetParent(right_panel_);
  next_button_->SetAlign(vcl::alBottom);
  next_button_->SetHeight(bar);
  next_button_->SetHint(QStringLiteral("Pagina successiva"));
  next_button_->SetShowHint(true);
  next_button_->SetGlyph(StandardGlyph(QStyle::SP_ArrowDown).get());
  next_button_->OnClick = [this](rtl::TObject *) { NextPage(); };
  prev_button_ = new vcl::TSpeedButton(this);
  prev_button_->SetParent(right_panel_);
  prev_button_->SetAlign(vcl::alBottom);
  prev_button_->SetHeight(bar);
  prev_button_->SetHint(QStringLiteral("Pagina precedente"));
  prev_button_->SetShowHint(true);
  prev_button_->SetGlyph(StandardGlyph(QStyle::SP_ArrowUp).get());
  prev_button_->OnClick = [this](rtl::TObject *) { PrevPage(); };
  vbar_ = new vcl::TScrollBar(this);
  vbar_->SetParent(right_panel_);
  vbar_->SetKind(vcl::sbVertical);
  vbar_->SetAlign(vcl::alClient);
  vbar_->SetSmallChange(kLineStep);
  vbar_->SetLargeChange(kPageStep);
  vbar_->OnChange = [this](rtl::TObject *) {
    if (updating_bars_) return;
    layout_.SetVPos(vbar_->Position());
    UpdateCounter();
    paint_panel_->Invalidate();
  };

  paint_panel_ = new TPaintPanel(this, this);
  paint_panel_->SetParent(this);
  paint_panel_->SetAlign(vcl::alClient);
  SetActiveControl(paint_panel_);

  menu_ = new vcl::TPopupMenu(this);
  auto item = [this](const QString &caption, std::function<void()> run, const vcl::TBitmap *glyph = nullptr) {
    auto *i = new vcl::TMenuItem(menu_);
    i->SetCaption(caption);
    if (glyph != nullptr) i->SetBitmap(glyph);
    i->OnClick = [run](rtl::TObject *) { run(); };
    menu_->Items()->Add(i);
    return i;
  };
  item(
      QStringLiteral("&Apri"), [this] { PreviewOpen(); }, open_button_->Glyph());
  item(
      QStringLiteral("Sal&va"), [this] { PreviewSave(); }, save_button_->Glyph());
  item(
      QStringLiteral("&Stampa"), [this] { PreviewPrint(); }, print_button_->Glyph());
  item(
      QStringLiteral("&Trova"), [this] { PreviewFind(); }, find_button_->Glyph());
  item(QStringLiteral("-"), [] {});
  for (const QString &z : TkvPreviewLayout::ZoomItems()) {
    vcl::TMenuItem *zi = item(z, [this, z] {
      zoom_box_->SetText(z);
      ApplyZoomText();
    });
    zi->SetRadioItem(true);
    zi->SetGroupIndex(1);
  }

  blink_timer_ = new vcl::TTimer(this);
  blink_timer_->SetEnabled(false);
  blink_timer_->SetInterval(kBlinkInterval);
  blink_timer_->OnTimer = [this](rtl::TObject *) { BlinkTick(); };
}

TFindForm *TStandardPreview::FindForm() {
  if (find_form_ == nullptr) find_form_ = new TFindForm(this);
  return find_form_;
}

void TStandardPreview::DoShow() {
  TkvPreview::DoShow();
  if (!changing_frame_) Reset();
}

void TStandardPreview::DoHide() {
  StopBlinking();
  // Changing the window's frame hides it for a moment: not a close.
  if (changing_frame_) return;
  TkvPreview::DoHide();
}

void TStandardPreview::Reset() {
  std::vector<QSize> sizes;
  if (Report() != nullptr) {
    const TkvEMFPages &pages = Report()->EMFPages();
    for (int i = 0; i < pages.Count(); ++i) sizes.push_back(TkvPreviewLayout::PageSize100(*pages.Page(i)));
  }
  StopBlinking();
  matches_.clear();
  match_index_ = -1;
  match_ = TkvTextMatch();
  layout_.SetPages(std::move(sizes));
  layout_.SetPanelSize({paint_panel_->ClientWidth(), paint_panel_->ClientHeight()});
  layout_.SetMode(zmPercent);
  layout_.SetZoom(100.0);
  layout_.ShowPage(1);
  ShowZoomInBox();
  LayoutChanged();
}

// ---- layout and scrolling ----------------------------------------------------------------

void TStandardPreview::LayoutChanged() {
  UpdateBars();
  UpdateCounter();
  if (paint_panel_ != nullptr) paint_panel_->Invalidate();
}

void TStandardPreview::UpdateBars() {
  if (vbar_ == nullptr || hbar_ == nullptr) return;
  updating_bars_ = true;
  vbar_->SetParams(layout_.VPos(), 0, layout_.VRange());
  vbar_->SetEnabled(layout_.VRange() > 0);
  hbar_->SetParams(layout_.HPos(), 0, layout_.HRange());
  hbar_->SetEnabled(layout_.HRange() > 0);
  updating_bars_ = false;
}

void TStandardPreview::UpdateCounter() {
  if (counter_ != nullptr && counter_->Caption() != layout_.CounterText()) counter_->SetCaption(layout_.CounterText());
}

void TStandardPreview::ScrollBy(int dx, int dy) {
  layout_.SetHPos(layout_.HPos() + dx);
  layout_.SetVPos(layout_.VPos() + dy);
  LayoutChanged();
}

void TStandardPreview::FirstPage() {
  layout_.ShowPage(1);
  LayoutChanged();
}

void TStandardPreview::LastPage() {
  layout_.ShowPage(layout_.PageCount());
  LayoutChanged();
}

void TStandardPreview::NextPage() {
  layout_.ShowPage(layout_.NextPage());
  LayoutChanged();
}

void TStandardPreview::PrevPage() {
  layout_.ShowPage(layout_.PrevPage());
  LayoutChanged();
}

// ---- zoom ----------------------------------------------------------------------------------

void TStandardPreview::ShowZoomInBox() {
  if (zoom_box_ == nullptr) return;
  const bool saved = updating_bars_;
  updating_bars_ = true;
  const QStringList &items = TkvPreviewLayout::ZoomItems();
  zoom_box_->SetText(layout_.Mode() == zmPercent ? TkvPreviewLayout::ZoomText(layout_.Zoom())
                                                 : items[items.size() - 4 + int(layout_.Mode())]);
  updating_bars_ = saved;
}

void TStandardPreview::ApplyMode(TkvZoomMode mode) {
  layout_.SetMode(mode);
  ShowZoomInBox();
  LayoutChanged();
}

void TStandardPreview::ZoomPageWidth() { ApplyMode(zmPageWidth); }
void TStandardPreview::ZoomOnePage() { ApplyMode(zmOnePage); }
void TStandardPreview::ZoomTwoPages() { ApplyMode(zmTwoPages); }

void TStandardPreview::SetZoom(double zoom) {
  layout_.SetMode(zmPercent);
  layout_.SetZoom(zoom);
  ShowZoomInBox();
  LayoutChanged();
}

void TStandardPreview::ApplyZoomText() {
  TkvZoomMode mode = zmPercent;
  double zoom = layout_.Zoom();
  if (!TkvPreviewLayout::ParseZoomText(zoom_box_->Text(), mode, zoom)) {
    os::MessageBeep();
    ShowZoomInBox();
    return;
  }
  if (mode == zmPercent)
    SetZoom(zoom);
  else
    ApplyMode(mode);
}

// ---- full screen ----------------------------------------------------------------------------

void TStandardPreview::SetFullScreen(bool on) {
  if (on == full_screen_) return;
  changing_frame_ = true;
  struct Done {
    bool &flag;
    ~Done() { flag = false; }
  } done{changing_frame_};
  if (on) {
    saved_state_ = WindowState();
    tool_panel_->SetHeight(0);
    tool_panel_->SetVisible(false);
    right_panel_->SetVisible(false);
    hbar_->SetVisible(false);
    SetBorderStyle(vcl::bsNone);
    SetWindowState(vcl::wsMaximized);
  } else {
    tool_panel_->SetVisible(true);
    tool_panel_->SetHeight(kToolPanelHeight);
    right_panel_->SetVisible(true);
    hbar_->SetVisible(true);
    SetBorderStyle(vcl::bsSizeable);
    SetWindowState(saved_state_);
  }
  full_screen_ = on;
  layout_.SetPanelSize({paint_panel_->ClientWidth(), paint_panel_->ClientHeight()});
  layout_.Refit();
  ShowZoomInBox();
  LayoutChanged();
}

// ---- keys and menu ----------------------------------------------------------------------------

void TStandardPreview::KeyDown(int &key, vcl::TShiftState shift) {
  TkvPreview::KeyDown(key, shift);
  if (key == 0 || zoom_box_->Focused()) return;
  const bool ctrl = shift.Contains(vcl::ssCtrl);
  const int pressed = key;
  key = 0;
  switch (pressed) {
    case vcl::VK_ESCAPE:
      if (full_screen_)
        SetFullScreen(false);
      else
        Close();
      break;
    case vcl::VK_SPACE:
      SetFullScreen(!full_screen_);
      break;
    case vcl::VK_PRIOR:
      if (ctrl)
        PrevPage();
      else
        ScrollBy(0, -kPageStep);
      break;
    case vcl::VK_NEXT:
      if (ctrl)
        NextPage();
      else
        ScrollBy(0, kPageStep);
      break;
    case vcl::VK_HOME:
      FirstPage();
      break;
    case vcl::VK_END:
      LastPage();
      break;
    case vcl::VK_UP:
      ScrollBy(0, -kLineStep);
      break;
    case vcl::VK_DOWN:
      ScrollBy(0, kLineStep);
      break;
    case vcl::VK_LEFT:
      ScrollBy(-kLineStep, 0);
      break;
    case vcl::VK_RIGHT:
      ScrollBy(kLineStep, 0);
      break;
    case vcl::VK_F2:
      PreviewPrint();
      break;
    case vcl::VK_F3:
      PreviewFind();
      break;
    case vcl::VK_F10:
      PreviewOpen();
      break;
    case vcl::VK_F11:
      PreviewSave();
      break;
    case vcl::VK_OEM_PLUS:
      NextPage();
      break;
    case vcl::VK_OEM_MINUS:
      PrevPage();
      break;
    default:
      key = pressed;
      break;
  }
}

void TStandardPreview::KeyPress(QChar &key) {
  TkvPreview::KeyPress(key);
  if (key == u'\r' && !zoom_box_->Focused()) key = QChar();
}

void TStandardPreview::PopupAt(int screen_x, int screen_y) {
  // The item of the current zoom (or mode) is checked.
  const QString current = layout_.Mode() == zmPercent ? TkvPreviewLayout::ZoomText(layout_.Zoom()) : zoom_box_->Text();
  for (int i = 0; i < menu_->Items()->Count(); ++i) {
    vcl::TMenuItem *mi = menu_->Items()->Items(i);
    if (!mi->RadioItem()) continue;
    QString caption = mi->Caption();
    if (caption.endsWith(u'%')) caption = TkvPreviewLayout::ZoomText(caption.chopped(1).toDouble());
    mi->SetChecked(caption == current);
  }
  menu_->Popup(screen_x, screen_y);
}

// ---- painting ------------------------------------------------------------------------------

void TStandardPreview::PaintPages(vcl::TCanvas *canvas, const QRect &clip) {
  QPainter *painter = canvas->Painter();
  if (painter == nullptr) return;
  for (int i = 0; i < layout_.PageCount(); ++i) {
    const QRect r = layout_.PageRect(i);
    const QRect outline(r.left(), r.top(), r.width() + 3, r.height() + 3);
    if (!outline.intersects(clip)) continue;
    const int x = r.left(), y = r.top(), w = r.width(), h = r.height();
    canvas->Pen()->SetColor(vcl::clBlack);
    canvas->Pen()->SetStyle(vcl::psSolid);
    canvas->Brush()->SetColor(vcl::clWhite);
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Rectangle(x, y, x + w + 1, y + h + 1);
    canvas->MoveTo(x + w + 1, y + 3);
    canvas->LineTo(x + w + 1, y + h + 2);
    canvas->MoveTo(x + 3, y + h + 1);
    canvas->LineTo(x + w + 2, y + h + 1);
    painter->save();
    painter->setClipRect(r.intersected(clip), Qt::IntersectClip);
    DrawPage(painter, i, r);
    painter->restore();
  }
  PaintMatch(painter);
}

// ---- commands -------------------------------------------------------------------------------

template <class Work>
void TStandardPreview::KeepingFolder(Work &&work) {
  const QString saved = QDir::currentPath();
  struct Back {
    QString folder;
    ~Back() { QDir::setCurrent(folder); }
  } back{saved};
  work();
}

void TStandardPreview::PreviewOpen() {
  if (Report() == nullptr) return;
  KeepingFolder([this] {
    vcl::TOpenDialog dialog;
    dialog.SetTitle(QStringLiteral("Apre un report."));
    dialog.SetFilter(QStringLiteral("Report files (*.kvp)|*.kvp"));
    if (!dialog.Execute()) return;
    Report()->LoadPreparedReport(dialog.FileName());
    Reset();
  });
}

void TStandardPreview::PreviewSave() {
  if (Report() == nullptr) return;
  KeepingFolder([this] {
    vcl::TSaveDialog dialog;
    dialog.SetTitle(QStringLiteral("Salva il report."));
    QString filter = QStringLiteral("Report file (*.kvp)|*.kvp|Enhanced Meta File - File Grafico (*.emf)|*.emf");
    const std::vector<TkvExportFilterInfo> filters = KvExportFilters();
    for (const TkvExportFilterInfo &f : filters) filter += u'|' + f.FilterDesc + u'|' + f.FilterExt;
    dialog.SetFilter(filter);
    dialog.SetOptions(dialog.Options() + vcl::TOpenOptions{vcl::ofOverwritePrompt});
    if (!dialog.Execute()) return;
    QString name = dialog.FileName();
    const int index = dialog.FilterIndex();
    if (index <= 1) {
      if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".kvp");
      Report()->SavePreparedReport(name);
    } else if (index == 2) {
      if (!name.toUpper().endsWith(QStringLiteral(".EMF"))) name += QStringLiteral(".emf");
      const TkvEMFPage *page = Report()->EMFPages().Page(std::max(0, CurrentPage() - 1));
      if (page == nullptr || page->Picture == nullptr) return;
      KvWriteWholeFile(name, page->Picture->SaveToBytes());
    } else if (index - 3 < int(filters.size())) {
      const TkvExportFilterInfo &f = filters[size_t(index - 3)];
      // The file takes the filter's extension.
      const QString ext = QFileInfo(f.FilterExt).suffix();
      const QFileInfo info(name);
      if (!ext.isEmpty() && ext != QStringLiteral("*"))
        name = info.dir().filePath(info.completeBaseName() + u'.' + ext);
      Report()->ExportTo(f.FilterClass, name, f.FilterDesc);
    }
  });
}

void TStandardPreview::PreviewPrint() {
  TkvReport *report = Report();
  if (report == nullptr || report->EMFPages().Count() == 0) return;
  const int count = report->EMFPages().Count();
  vcl::TPrinter *printer =
      GlobalPrinterSettings()->Printer() != nullptr ? GlobalPrinterSettings()->Printer() : vcl::Printer();
  KeepingFolder([&] {
    vcl::TPrintDialog dialog;
    dialog.SetMinPage(1);
    dialog.SetMaxPage(count);
    dialog.SetFromPage(1);
    dialog.SetToPage(count);
    dialog.SetCopies(1);
    dialog.SetPrinterName(printer->DeviceName());
    // With the file printer the dialog starts on printing into a file.
    if (printer->IsPdfPrinter()) {
      const QString title = report->Title().isEmpty() ? QStringLiteral("report") : report->Title();
      dialog.SetOutputFileName(QDir(QDir::homePath()).filePath(title + QStringLiteral(".pdf")));
    }
    if (!dialog.Execute()) return;
    const int copies = dialog.Copies();
    int from = 1, to = count;
    if (dialog.PrintRange() == vcl::prPageNums && dialog.FromPage() > 0) {
      from = dialog.FromPage();
      to = dialog.ToPage() > 0 ? dialog.ToPage() : count;
    }
    dialog.SetCopies(1);
    // The printer chosen becomes current; a file goes to the file printer.
    TPrinterSettings *settings = GlobalPrinterSettings();
    rtl::TStrings *names = printer->Printers();
    int index = -1;
    if (!dialog.OutputFileName().isEmpty()) {
      index = names->Count() - 1;  // the PDF printer ends the list
    } else if (!dialog.PrinterName().isEmpty()) {
      index = names->IndexOf(dialog.PrinterName());
    }
    if (index >= 0 && index != printer->PrinterIndex()) {
      const int old = settings->PrinterIndex();
      if (!report->SelectPrinter(old, index)) return;
    }
    const QString saved_file = printer->OutputFileName();
    printer->SetOutputFileName(dialog.OutputFileName());
    struct Back {
      vcl::TPrinter *printer;
      QString file;
      ~Back() { printer->SetOutputFileName(file); }
    } back{printer, saved_file};
    report->PrintPreparedReport(from, to, copies, dialog.Collate());
  });
}

// ---- find -----------------------------------------------------------------------------------

bool TStandardPreview::Blinking() const { return blink_timer_ != nullptr && blink_timer_->Enabled(); }

void TStandardPreview::PreviewFind() {
  if (Report() == nullptr) return;
  StopBlinking();
  TkvFindSettings &settings = KvFindSettings();
  bool confirmed = false;
  KeepingFolder([&] { confirmed = FindForm()->Execute(); });
  if (!confirmed) return;
  const TkvFindOptions &o = settings.Options;
  if (o.Origin == foFirstPage || o.Origin == foCurrentPage || matches_.empty())
    matches_ = KvFindMatches(Report()->EMFPages(), o.Text, o.CaseSensitive, o.SubString);
  const int index = KvPickMatch(matches_, o.Origin, CurrentPage() - 1, match_index_);
  if (index < 0) {
    vcl::MessageDlgCaption(QString::fromUtf8("Non è stato trovato nessun elemento che soddisfi la richiesta."),
                           QStringLiteral("Messaggio."), vcl::mtWarning, vcl::TMsgDlgButtons{vcl::mbOK});
    return;
  }
  settings.History.removeAll(o.Text);
  settings.History.prepend(o.Text);
  settings.HasMatch = true;
  ShowMatch(index);
}

void TStandardPreview::ShowMatch(int index) {
  match_index_ = index;
  match_ = matches_[size_t(index)];
  layout_.ShowPage(match_.Page + 1);
  // The match in the middle of the view.
  const QRect page = layout_.PageRect(match_.Page);
  const double sx = layout_.Zoom() / 100.0;
  const QPoint centre(page.left() + int(match_.Bounds.center().x() * sx),
                      page.top() + int(match_.Bounds.center().y() * sx));
  layout_.SetVPos(layout_.VPos() + centre.y() - layout_.PanelSize().height() / 2);
  layout_.SetHPos(layout_.HPos() + centre.x() - layout_.PanelSize().width() / 2);
  LayoutChanged();
  blink_ticks_ = 0;
  blink_timer_->SetEnabled(true);
}

void TStandardPreview::BlinkTick() {
  if (++blink_ticks_ >= kBlinkTicks) {
    StopBlinking();
    return;
  }
  paint_panel_->Invalidate();
}

void TStandardPreview::StopBlinking() {
  if (blink_timer_ == nullptr || !blink_timer_->Enabled()) return;
  blink_timer_->SetEnabled(false);
  blink_ticks_ = 0;
  if (paint_panel_ != nullptr) paint_panel_->Invalidate();
}

// ---- the slot -------------------------------------------------------------------------------

void RegisterStandardPreview() {
  vcl::InitApplication();
  if (vcl::Screen != nullptr) vcl::Screen->SetCursors(crPreviewHand, QCursor(Qt::OpenHandCursor));
  KvPreviewFormClass() = [](vcl::TComponent *owner) -> TkvPreview * { return new TStandardPreview(owner); };
}

}  // namespace report
