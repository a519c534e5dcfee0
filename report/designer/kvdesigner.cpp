// The designer window: creation, the engine's operations, pages, the
// selection, keys and the commands (see kvdesigner.h).
#include "report/designer/kvdesigner.h"

#include <QApplication>
#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvfontbox.h"

namespace report {

namespace {

using C = TkvCommand;

constexpr int kScrollStep = 10;
const QString kPagePrefix = QStringLiteral("Pagina ");
constexpr int kPageScroll = 200;
constexpr int kFirstPaletteTag = -1;
// NOLINTBEGIN(readability-magic-numbers)
constexpr int kGridSizes[] = {4, 8, 19};
// NOLINTEND(readability-magic-numbers)

bool IsTextControl(const vcl::TWinControl *control) {
  return dynamic_cast<const vcl::TCustomEdit *>(control) != nullptr ||
         dynamic_cast<const vcl::TComboBox *>(control) != nullptr;
}

}  // namespace

TKVDesignerForm::TKVDesignerForm(TkvReport *report)
    : TkvReportDesigner(nullptr), report_(report), model_(std::make_unique<TkvDesignerModel>(report)) {
  SetName(QStringLiteral("KVDesignerForm"));
  SetCaption(QStringLiteral("Modellatore"));
  SetKeyPreview(true);
  SetShowHint(true);
  const int w = std::min(1024, vcl::Screen->Width()), h = std::min(740, vcl::Screen->Height());
  SetBounds(0, 0, w, h);
  SetPosition(vcl::poScreenCenter);
  model_->OnNotice = [](const QString &text) { vcl::MessageDlg(text, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK}); };
  model_->OnRestored = [this] {
    RenumberTabs();
    ShowPage(model_->PageIndex());
  };

  BuildMenus();
  BuildToolBars();
  BuildPalette();
  BuildBody();
  GlyphsToMenus();
  for (C c : {C::FillColor, C::FontColor, C::FrameColor}) colors_[c] = kvNoColor;

  Inspector = new TInspForm(this);
  Inspector->SetPopupParent(this);
  Inspector->OnValueChanged = [this](int row, QString &value) { InspectorValueChanged(row, value); };
  Inspector->OnObjectChosen = [this](const QString &name) {
    if (TkvView *v = model_->FindObject(name)) {
      model_->SelectOnly(v);
      SelectionFollows();
      Surface->Invalidate();
    }
  };
  Inspector->CurrentObject = [this] { return model_->SingleSelected(); };
  Inspector->OnFunctionKey = [this](int key, vcl::TShiftState shift) { FormKeyDown(key, shift); };
  if (KvMemoEditorClass()) {
    MemoEditor = KvMemoEditorClass()(this);
    if (MemoEditor != nullptr) MemoEditor->SetPopupParent(this);
  }
  if (KvAlignmentPaletteClass()) {
    AlignPalette = KvAlignmentPaletteClass()(this);
    if (AlignPalette != nullptr) AlignPalette->SetPopupParent(this);
  }
  const QStringList rows = TkvDesignerModel::RowNames();
  for (int i = 0; i < rows.size(); ++i) {
    auto prop = std::make_unique<TProp>();
    if (i == TkvDesignerModel::rowText) {
      prop->Kind = kvPropEditorForm;
      prop->Editor = MemoEditor;
    }
    Inspector->AddRow(rows[i], std::move(prop));
  }

  // The commands that are not a plain call of the model.
  handlers_ = {
      {C::NewReport, [this] { NewReport(); }},
      {C::NewFromTemplate, [this] { NewFromTemplate(); }},
      {C::NewFromWizard, [this] { NewFromWizard(); }},
      {C::Open, [this] { Open(); }},
      {C::Save, [this] { SaveReport(); }},
      {C::SaveAs, [this] { SaveReportAs(); }},
      {C::Preview, [this] { Preview(); }},
      {C::Exit, [this] { Close(); }},
      {C::Undo,
       [this] {
         model_->Undo();
         SelectionFollows();
       }},
      {C::Redo,
       [this] {
         model_->Redo();
         SelectionFollows();
       }},
      {C::Copy,
       [this] {
         model_->Copy();
         UpdateCommands();
       }},
      {C::Cut,
       [this] {
         for (TkvView *v : model_->Selected()) Inspector->RemoveObjectName(v->Name);
         model_->Cut();
         Commit();
         SelectionFollows();
       }},
      {C::Paste,
       [this] {
         const int top = Surface->Top() < 0 ? -Surface->Top() : 0;
         if (!model_->Paste(top)) return;
         for (TkvView *v : model_->Selected()) Inspector->AddObjectName(v->Name);
         Commit();
         SelectionFollows();
       }},
      {C::Delete,
       [this] {
         for (TkvView *v : model_->Selected()) Inspector->RemoveObjectName(v->Name);
         model_->DeleteSelected();
         Commit();
         SelectionFollows();
       }},
      {C::SelectAll,
       [this] {
         model_->SelectAll();
         SelectionFollows();
       }},
      {C::Edit, [this] { EditSelected(); }},
      {C::AddPage, [this] { AddPage(); }},
      {C::RemovePage, [this] { RemovePage(); }},
      {C::BringToFront,
       [this] {
         model_->BringToFront();
         Commit();
       }},
      {C::SendToBack,
       [this] {
         model_->SendToBack();
         Commit();
       }},
      {C::GridAlign, [this] { SetGridAlign(!grid_align_); }},
      {C::Grid4, [this] { SetGridSize(kGridSizes[0]); }},
      {C::Grid8, [this] { SetGridSize(kGridSizes[1]); }},
      {C::Grid19, [this] { SetGridSize(kGridSizes[2]); }},
      {C::OutlineFrame,
       [this] {
         invert_outlines_ = false;
         UpdateCommands();
       }},
      {C::OutlineInvert,
       [this] {
         invert_outlines_ = true;
         UpdateCommands();
       }},
      {C::ToolbarStandard, [this] { ToggleToolBar(Panel1, C::ToolbarStandard); }},
      {C::ToolbarText, [this] { ToggleToolBar(Panel2, C::ToolbarText); }},
      {C::ToolbarRect, [this] { ToggleToolBar(Panel3, C::ToolbarRect); }},
      {C::ToolbarObjects, [this] { ToggleToolBar(Panel4, C::ToolbarObjects); }},
      {C::Inspector, [this] { ToggleInspector(); }},
      {C::AlignPalette, [this] { ToggleAlignPalette(); }},
      {C::UnitPixels, [this] { SetUnit(kvUnitPixels); }},
      {C::UnitMillimetres, [this] { SetUnit(kvUnitMillimetres); }},
      {C::UnitInches, [this] { SetUnit(kvUnitInches); }},
      {C::Highlight, [this] { EditHighlight(); }},
  };
  for (C c : {C::FrameTop, C::FrameLeft,  C::FrameBottom, C::FrameRight, C::FrameWidth, C::FontName,    C::FontSize,
              C::Bold,     C::Italic,     C::Underline,   C::AlignLeft,  C::AlignRight, C::AlignCenter, C::Justify,
              C::Rotate,   C::VertCenter, C::VertTop,     C::VertBottom, C::FrameAll,   C::FrameNone})
    handlers_[c] = [this, c] { ApplyFormat(c); };
  for (C c : {C::FillColor, C::FontColor, C::FrameColor}) handlers_[c] = [this, c] { ChooseColor(c); };
  for (C c : {C::Variables, C::ReportOptions, C::PageOptions, C::PageList}) {
    handlers_[c] = [this, c] {
      TkvEditContext context;
      context.Designer = this;
      context.Report = report_;
      context.Page = model_->Page();
      if (c == C::PageList)
        for (int i = 0; i < model_->PageCount(); ++i) context.Lines << kPagePrefix + QString::number(i + 1);
      if (!KvOpenEditor(static_cast<TkvEditor>(KvCommandInfo(c).Editor), context)) return;
      if (c == C::PageList) {
        // Each entry names the page it came from after "Pagina ".
        std::vector<int> order;
        for (const QString &line : context.Lines) order.push_back(line.mid(kPagePrefix.size()).toInt() - 1);
        model_->ReorderPages(order);
        RenumberTabs();
      }
      ShowPage(model_->PageIndex());
      Commit();
    };
  }

  FormatFromSelection();
  OnCloseQuery = [this](rtl::TObject *, bool &can_close) {
    Inspector->Commit();
    can_close = AskToSave();
  };
  OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) { FormKeyDown(key, shift); };

  // The engine's pop-up items redraw one object through this slot.
  kvEngine().DesignerRedraw = [this](TkvView *) {
    if (Surface != nullptr) Surface->Invalidate();
  };
  RenumberTabs();
  FillReopenMenu();
  UpdateCaption();
  UpdateCommands();
}

TKVDesignerForm::~TKVDesignerForm() {
  kvEngine().DesignerRedraw = nullptr;
  // The window's parts go before the model they show.
  DestroyComponents();
}

// ---- the engine's operations ------------------------------------------------------------

void TKVDesignerForm::ClearUndo() {
  model_->ClearUndo();
  UpdateCommands();
}

void TKVDesignerForm::AfterChange() {
  Surface->Invalidate();
  Commit();
}

void TKVDesignerForm::Commit() {
  model_->CommitChange();
  Surface->Invalidate();
  UpdateStatus();
  UpdateCommands();
}

void TKVDesignerForm::Changed() { Commit(); }

// ---- show and hide ---------------------------------------------------------------------------

void TKVDesignerForm::DoShow() {
  updating_controls_ = true;
  const QStringList families = KvFontFamilies();
  KvFillFontBox(FontName, families);
  updating_controls_ = false;
  // New memos take Arial when it is installed, else the first font.
  for (const char *candidate : {"Arial", "Arial Cyr"}) {
    if (families.contains(QString::fromLatin1(candidate), Qt::CaseInsensitive)) {
      last_font_name_ = QString::fromLatin1(candidate);
      break;
    }
  }
  if (last_font_name_.isEmpty() && !families.isEmpty()) last_font_name_ = families.front();
  model_->NewMemoFontName = last_font_name_;
  model_->NewMemoFontSize = last_font_size_;
  // The window never grows past the work area, maximised or dragged.
  const vcl::TRect area = vcl::Screen->WorkArea(), frame = FrameWidths();
  if (!area.IsEmpty())
    Handle()->setMaximumSize(area.Width() - frame.Left - frame.Right, area.Height() - frame.Top - frame.Bottom);
  LoadSettings();
  SetTool(kFirstPaletteTag);
  for (C c : {C::FillColor, C::FontColor, C::FrameColor}) colors_[c] = kvNoColor;
  // The history is this window's: the template as it is now is snapshot 0.
  model_->ClearUndo();
  UpdateCaption();
  RenumberTabs();
  ShowPage(0);
  TkvReportDesigner::DoShow();
  // The keys go to the page first.
  if (Surface->CanFocus()) SetActiveControl(Surface);
}

void TKVDesignerForm::Activate() {
  TkvReportDesigner::Activate();
  // The floating forms stay above the designer while it is the active
  // window, also where no window manager keeps tool windows on top.
  Inspector->BringAbove();
  if (AlignPalette != nullptr) AlignPalette->BringAbove();
}

void TKVDesignerForm::DoHide() {
  Inspector->Commit();
  SaveSettings();
  TkvReportDesigner::DoHide();
}

void TKVDesignerForm::Resize() {
  TkvReportDesigner::Resize();
  PlaceSurface();
}

// ---- pages --------------------------------------------------------------------------------------

void TKVDesignerForm::RenumberTabs() {
  if (PageTabs == nullptr) return;
  while (PageTabs->PageCount() > model_->PageCount()) delete PageTabs->Pages(PageTabs->PageCount() - 1);
  while (PageTabs->PageCount() < model_->PageCount()) {
    auto *sheet = new vcl::TTabSheet(this);
    sheet->SetPageControl(PageTabs);
  }
  for (int i = 0; i < PageTabs->PageCount(); ++i) PageTabs->Pages(i)->SetCaption(kPagePrefix + QString::number(i + 1));
}

QStringList TKVDesignerForm::TabCaptions() const { return PageTabs->TabCaptions(); }

void TKVDesignerForm::ShowPage(int index) {
  model_->SetPageIndex(index);
  if (PageTabs->ActivePageIndex() != model_->PageIndex()) PageTabs->SetActivePageIndex(model_->PageIndex());
  PlaceSurface();
  Inspector->ClearObjectNames();
  for (TkvView *v : model_->Views()) Inspector->AddObjectName(v->Name);
  TopRuler->SetUnit(model_->Unit());
  LeftRuler->SetUnit(model_->Unit());
  SelectionFollows();
}

void TKVDesignerForm::AddPage() {
  if (!model_->AddPage()) return;
  RenumberTabs();
  ShowPage(model_->PageIndex());
  Commit();
}

void TKVDesignerForm::RemovePage() {
  if (vcl::MessageDlgCaption(QStringLiteral("Rimuovere questa pagina?"), QStringLiteral("Conferma"),
                             vcl::mtConfirmation, vcl::TMsgDlgButtons{vcl::mbYes, vcl::mbNo}) != vcl::mrYes)
    return;
  model_->RemovePage();
  RenumberTabs();
  ShowPage(model_->PageIndex());
  Commit();
}

// ---- selection ---------------------------------------------------------------------------------

void TKVDesignerForm::SelectionFollows() {
  FormatFromSelection();
  FillInspector();
  UpdateStatus();
  UpdateCommands();
  Surface->Invalidate();
}

void TKVDesignerForm::Moving() {
  FillInspector();
  UpdateStatus();
}

void TKVDesignerForm::Inserted(TkvView *view) {
  Inspector->AddObjectName(view->Name);
  if (view->Typ == gtSubReport) RenumberTabs();
  SelectionFollows();
  Commit();
}

void TKVDesignerForm::GroupScale(int percent_x, int percent_y) {
  group_percent_x_ = percent_x;
  group_percent_y_ = percent_y;
  UpdateStatus();
}

void TKVDesignerForm::SetTool(int tag, bool keep) {
  tool_tag_ = tag;
  keep_tool_ = keep && tag >= 0;
  for (vcl::TSpeedButton *b : PaletteButtons) {
    if (b->Tag() == tag) b->SetDown(true);
  }
}

int TKVDesignerForm::ChooseBandType() {
  TkvEditContext context;
  context.Designer = this;
  context.Report = report_;
  context.Page = model_->Page();
  return KvOpenEditor(TkvEditor::BandType, context) ? context.Value : -1;
}

void TKVDesignerForm::SetGridSize(int size) {
  grid_size_ = size == 8 || size == 19 ? size : 4;  // NOLINT(readability-magic-numbers)
  UpdateCommands();
}

void TKVDesignerForm::SetGridAlign(bool on) {
  grid_align_ = on;
  UpdateCommands();
}

void TKVDesignerForm::SetUnit(int unit) {
  model_->SetUnit(unit);
  TopRuler->SetUnit(model_->Unit());
  LeftRuler->SetUnit(model_->Unit());
  Surface->Invalidate();
  FillInspector();
  UpdateStatus();
  UpdateCommands();
}

QString TKVDesignerForm::StatusText(int panel) const {
  return panel >= 0 && panel < StatusBar1->PanelCount() ? StatusBar1->Panels(panel)->Text() : QString();
}

void TKVDesignerForm::UpdateStatus() {
  static const char *const kUnitNames[] = {"Punti", "Millimetri", "Pollici"};
  StatusBar1->Panels(0)->SetText(QString::fromUtf8(kUnitNames[model_->Unit()]));
  QString position, size, scale;
  if (group_percent_x_ != 0 || group_percent_y_ != 0) {
    scale = QStringLiteral("% %1,%2").arg(group_percent_x_).arg(group_percent_y_);
  } else if (const TkvView *v = model_->SingleSelected()) {
    auto two = [this](int px) { return rtl::FormatFloat(QStringLiteral("0.##"), px * KvUnitFactor(model_->Unit())); };
    position = two(v->x) + QStringLiteral(" / ") + two(v->y);
    size = two(std::abs(v->dx)) + QStringLiteral(" / ") + two(std::abs(v->dy));
    if (const auto *picture = dynamic_cast<const TkvPictureView *>(v)) {
      const vcl::TGraphic *g = picture->DesignedGraphic();
      if (g != nullptr && !g->Empty() && g->Width() > 0 && g->Height() > 0)
        scale = QStringLiteral("% %1,%2")
                    .arg(v->dx * 100 / g->Width())    // NOLINT(readability-magic-numbers)
                    .arg(v->dy * 100 / g->Height());  // NOLINT(readability-magic-numbers)
    }
  }
  StatusBar1->Panels(1)->SetText(position);
  StatusBar1->Panels(2)->SetText(size);
  StatusBar1->Panels(3)->SetText(scale);
}

// ---- keys -----------------------------------------------------------------------------------------

void TKVDesignerForm::FormKeyDown(int &key, vcl::TShiftState shift) {
  const vcl::TWinControl *focused = ActiveControl();
  const bool typing = focused != nullptr && focused->Focused() && IsTextControl(focused);
  const bool ctrl = shift.Contains(vcl::ssCtrl), alt = shift.Contains(vcl::ssAlt), sh = shift.Contains(vcl::ssShift);
  const int selected = model_->SelectedCount();
  auto done = [&key] { key = 0; };

  if (key == vcl::VK_RETURN && focused == FontSize && FontSize->Focused()) {
    Run(C::FontSize);
    return done();
  }
  if (key == vcl::VK_RETURN && focused == FrameWidthEdit && FrameWidthEdit->Focused()) {
    Run(C::FrameWidth);
    return done();
  }
  if ((key == vcl::VK_F9 || key == vcl::VK_F11) && !ctrl && !alt) {
    // Also from the inspector, which hands its function keys here.
    Run(key == vcl::VK_F9 ? C::Preview : C::Inspector);
    return done();
  }
  if (typing) return;
  if (ctrl && !alt) {
    const C edit = key == 'X'   ? C::Cut
                   : key == 'C' ? C::Copy
                   : key == 'V' ? C::Paste
                   : key == 'A' ? C::SelectAll
                                : C::Exit;
    if (edit != C::Exit) {
      Run(edit);
      return done();
    }
  }
  if (key == vcl::VK_DELETE && selected > 0) {
    Run(sh ? C::Cut : C::Delete);
    return done();
  }
  if (key == vcl::VK_INSERT && ctrl) {
    Run(C::Copy);
    return done();
  }
  if (key == vcl::VK_INSERT && sh) {
    Run(C::Paste);
    return done();
  }
  if (key == vcl::VK_RETURN && model_->SingleSelected() != nullptr) {
    if (ctrl) {
      TkvView *v = model_->SingleSelected();
      if (MemoEditor != nullptr) {
        MemoEditor->SetView(v);
        if (MemoEditor->ShowEditor() == vcl::mrOk) Commit();
      }
    } else {
      EditSelected();
    }
    return done();
  }
  if (key == vcl::VK_PRIOR || key == vcl::VK_NEXT) {
    ScrollBox1->SetVertPosition(ScrollBox1->VertPosition() + (key == vcl::VK_NEXT ? kPageScroll : -kPageScroll));
    return done();
  }
  const bool arrow = key == vcl::VK_LEFT || key == vcl::VK_RIGHT || key == vcl::VK_UP || key == vcl::VK_DOWN;
  if (arrow) {
    const int dx = key == vcl::VK_LEFT ? -1 : key == vcl::VK_RIGHT ? 1 : 0;
    const int dy = key == vcl::VK_UP ? -1 : key == vcl::VK_DOWN ? 1 : 0;
    if (selected == 0) {
      ScrollBox1->SetHorzPosition(ScrollBox1->HorzPosition() + dx * kScrollStep);
      ScrollBox1->SetVertPosition(ScrollBox1->VertPosition() + dy * kScrollStep);
    } else if (ctrl) {
      model_->MoveSelected(dx, dy);
      FillInspector();
      Commit();
    } else if (sh) {
      model_->ResizeSelected(dx, dy);
      FillInspector();
      Commit();
    } else if (selected == 1) {
      const TkvDirection direction = dx < 0   ? TkvDirection::Left
                                     : dx > 0 ? TkvDirection::Right
                                     : dy < 0 ? TkvDirection::Up
                                              : TkvDirection::Down;
      if (TkvView *next = model_->Nearest(direction)) {
        model_->SelectOnly(next);
        SelectionFollows();
      }
    }
    return done();
  }
  // A letter goes to the inspector's edit box.
  const bool letter = key >= 'A' && key <= 'Z';
  if (letter && !ctrl && !alt && Inspector->Visible() && Inspector->SelectedRow() >= 0) {
    Inspector->Edit1->SetText(QString(QChar(sh ? key : key + ('a' - 'A'))));
    Inspector->Edit1->SetModified(true);
    Inspector->Edit1->SetSelStart(1);
    Inspector->Edit1->SetFocus();
    return done();
  }
}

// ---- commands ---------------------------------------------------------------------------------------

void TKVDesignerForm::Run(TkvCommand command) {
  if (!CommandEnabled(command)) return;
  const auto it = handlers_.find(command);
  if (it != handlers_.end()) it->second();
}

bool TKVDesignerForm::CommandEnabled(TkvCommand command) const {
  TkvDesignerStatus status;
  status.SelectionWord = model_->SelectionWord();
  status.CanUndo = model_->CanUndo();
  status.CanRedo = model_->CanRedo();
  status.Modified = model_->Modified();
  status.PageCount = model_->PageCount();
  status.ReopenCount = static_cast<int>(KvReopenList().Names().size());
  if (!KvCommandEnabled(command, status)) return false;
  switch (command) {
    case C::Edit:
      return CanEdit(model_->SingleSelected());
    case C::AlignPalette:
      return AlignPalette != nullptr;
    default:
      return true;
  }
}

vcl::TMenuItem *TKVDesignerForm::MenuItem(TkvCommand command) const {
  const auto it = controls_.find(command);
  return it != controls_.end() ? it->second.menu : nullptr;
}

vcl::TMenuItem *TKVDesignerForm::PopupItem(TkvCommand command) const {
  const auto it = controls_.find(command);
  return it != controls_.end() ? it->second.popup : nullptr;
}

vcl::TSpeedButton *TKVDesignerForm::Button(TkvCommand command) const {
  const auto it = controls_.find(command);
  return it != controls_.end() ? it->second.button : nullptr;
}

void TKVDesignerForm::UpdateCommands() {
  for (auto &[command, c] : controls_) {
    const bool enabled = CommandEnabled(command);
    if (c.menu != nullptr) c.menu->SetEnabled(enabled);
    if (c.popup != nullptr) c.popup->SetEnabled(enabled);
    if (c.button != nullptr) c.button->SetEnabled(enabled);
    if (c.control != nullptr) c.control->SetEnabled(enabled);
  }
  // Ticks and buttons that show a state.
  auto check = [this](C command, bool on) {
    if (vcl::TMenuItem *item = MenuItem(command)) item->SetChecked(on);
  };
  check(C::GridAlign, grid_align_);
  if (vcl::TSpeedButton *b = Button(C::GridAlign)) b->SetDown(grid_align_);
  check(C::Grid4, grid_size_ == kGridSizes[0]);
  check(C::Grid8, grid_size_ == kGridSizes[1]);
  check(C::Grid19, grid_size_ == kGridSizes[2]);
  check(C::OutlineFrame, !invert_outlines_);
  check(C::OutlineInvert, invert_outlines_);
  check(C::ToolbarStandard, Panel1->Visible());
  check(C::ToolbarText, Panel2->Visible());
  check(C::ToolbarRect, Panel3->Visible());
  check(C::ToolbarObjects, Panel4->Visible());
  check(C::Inspector, Inspector->Visible());
  check(C::AlignPalette, AlignPalette != nullptr && AlignPalette->Visible());
  check(C::UnitPixels, model_->Unit() == kvUnitPixels);
  check(C::UnitMillimetres, model_->Unit() == kvUnitMillimetres);
  check(C::UnitInches, model_->Unit() == kvUnitInches);
  if (ReopenMenu != nullptr) ReopenMenu->SetEnabled(!KvReopenList().Names().isEmpty());
}

void TKVDesignerForm::ToggleToolBar(vcl::TPanel *bar, TkvCommand) {
  bar->SetVisible(!bar->Visible());
  UpdateCommands();
}

void TKVDesignerForm::ToggleInspector() {
  Inspector->SetVisible(!Inspector->Visible());
  UpdateCommands();
}

void TKVDesignerForm::ToggleAlignPalette() {
  if (AlignPalette == nullptr) return;
  AlignPalette->SetVisible(!AlignPalette->Visible());
  UpdateCommands();
}

// ---- registration -----------------------------------------------------------------------------------

bool KvRegisterDesigner() {
  static const bool done = [] {
    KvDesignerFormClass() = [](TkvReport *report) -> std::unique_ptr<TkvReportDesigner> {
      return std::make_unique<TKVDesignerForm>(report);
    };
    KvInstallDesignerEditors();
    return true;
  }();
  return done;
}

namespace {
const bool kRegistered = KvRegisterDesigner();
}  // namespace

TkvDesigner::TkvDesigner(vcl::TComponent *owner) : vcl::TComponent(owner) { KvRegisterDesigner(); }

}  // namespace report
