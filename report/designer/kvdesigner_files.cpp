// The designer window's file commands (new, from the gallery, from the
// wizard, open, reopen, save, save as), asking to save, the preview, and
// the designer's settings in the registry (see kvdesigner.h).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvfileforms.h"
#include "report/designer/kvtoolplace.h"

namespace report {

namespace {

const QString kKvf = QStringLiteral(".kvf");
const QString kKvt = QStringLiteral(".kvt");
const QString kAttention = QStringLiteral("Attenzione");
const QString kError = QStringLiteral("Errore");

// Switches the current folder and puts the caller's back when it goes.
class FolderSwitch {
 public:
  explicit FolderSwitch(const QString &folder) : saved_(QDir::currentPath()) {
    QDir::setCurrent(QDir::fromNativeSeparators(folder));
  }
  ~FolderSwitch() { QDir::setCurrent(saved_); }
  FolderSwitch(const FolderSwitch &) = delete;
  FolderSwitch &operator=(const FolderSwitch &) = delete;

 private:
  QString saved_;
};

void ShowError(const QString &text) {
  vcl::MessageDlgCaption(text, kError, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
}

// The name with its extension replaced by `ext` (added when it has none).
QString WithExtension(const QString &file_name, const QString &ext) { return rtl::ChangeFileExt(file_name, ext); }

}  // namespace

void TKVDesignerForm::UpdateCaption() {
  QString caption = QStringLiteral("Modellatore");
  QString name = report_->FileName();
  if (!name.isEmpty()) {
    if (name.contains(kKvf, Qt::CaseInsensitive)) name = name.left(name.indexOf(QLatin1Char('.')));
    caption += QStringLiteral(" - ") + name;
  }
  SetCaption(caption);
}

// ---- asking and saving --------------------------------------------------------------------------------

bool TKVDesignerForm::AskToSave() {
  if (!report_->DesignerOptions().Contains(doSaveConfirm) || !model_->Modified()) return true;
  const QString name = report_->FileName();
  const QString text = name.isEmpty()
                           ? QStringLiteral("Si desidera salvare i cambiamenti al report corrente?")
                           : QStringLiteral("Si desidera salvare i cambiamenti a ") + name + QStringLiteral(" ?");
  switch (vcl::MessageDlgCaption(text, kAttention, vcl::mtConfirmation, vcl::mbYesNoCancel)) {
    case vcl::mrYes:
      return SaveReport();
    case vcl::mrNo:
      // The template goes back to what was opened: the report keeps
      // nothing of the changes thrown away.
      model_->RestoreOpened();
      return true;
    default:
      return false;
  }
}

bool TKVDesignerForm::SaveReport() {
  if (report_->FileName().isEmpty()) return SaveReportAs();
  // Where the template was loaded from (or last saved to), not wherever
  // the current folder happens to be.
  const QString path = report_->FilePath().isEmpty() ? report_->FileName() : report_->FilePath();
  std::optional<FolderSwitch> folder;
  if (!report_->ReportDir().isEmpty()) folder.emplace(report_->ReportDir());
  return WriteTemplate(path);
}

bool TKVDesignerForm::WriteTemplate(const QString &path) {
  try {
    report_->SaveToFile(path);
  } catch (const rtl::Exception &e) {
    ShowError(e.Message());
    return false;
  }
  TemplateNamed();
  return true;
}

void TKVDesignerForm::AddToReopenList(const QString &file_name) {
  KvReopenList().Add(file_name);
  FillReopenMenu();
}

void TKVDesignerForm::TemplateNamed() {
  AddToReopenList(report_->FilePath());
  UpdateCaption();
  ClearUndo();
}

bool TKVDesignerForm::SaveReportAs() {
  QString name;
  if (!report_->ReportDir().isEmpty()) {
    FolderSwitch folder(report_->ReportDir());
    TSaveForm form(nullptr);
    name = report_->FileName();
    if (!form.Execute(name)) return false;
    const QString existing = KvFindFileIgnoringCase(QString(), name);
    if (QFileInfo(existing).isFile()) {
      if (vcl::MessageDlgCaption(QStringLiteral("Esiste già un report con questo nome.\r\nSi desidera sovrascriverlo?"),
                                 kAttention, vcl::mtConfirmation, vcl::TMsgDlgButtons{vcl::mbYes, vcl::mbNo},
                                 vcl::mbNo) != vcl::mrYes)
        return false;
      name = existing;
    }
    name = QDir(QDir::fromNativeSeparators(report_->ReportDir())).filePath(name);
  } else {
    vcl::TSaveDialog dialog(nullptr);
    dialog.SetFilter(QStringLiteral("Tarvenquill form (*.kvf)|*.kvf|Modello Tarvenquill (*.kvt)|*.kvt"));
    dialog.SetFileName(report_->FilePath().isEmpty() ? report_->FileName() : report_->FilePath());
    dialog.SetFilterIndex(1);
    if (!dialog.Execute() || dialog.FileName().isEmpty()) return false;
    name = dialog.FileName();
    if (dialog.FilterIndex() == 2) {
      // A gallery template: it is written beside the others, and the
      // template's own file is not.
      name = WithExtension(name, kKvt);
      if (!report_->TemplateDir().isEmpty())
        name = QDir(QDir::fromNativeSeparators(report_->TemplateDir())).filePath(QFileInfo(name).fileName());
      TTemplNewForm form(nullptr);
      if (form.ShowModal() != vcl::mrOk) return false;
      rtl::TStringList description;
      description.Assign(form.Memo1->Lines());
      vcl::TBitmap picture;
      if (const vcl::TGraphic *g = form.Image1->Picture()->Graphic(); g != nullptr && !g->Empty())
        picture.SetImage(g->ToImage());
      try {
        report_->SaveTemplate(name, description, picture.Empty() ? nullptr : &picture);
      } catch (const rtl::Exception &e) {
        ShowError(e.Message());
      }
      return false;
    }
    name = WithExtension(name, kKvf);
  }
  return WriteTemplate(name);
}

// ---- new and open ---------------------------------------------------------------------------------------

void TKVDesignerForm::NewReport() {
  if (!AskToSave()) return;
  report_->ClearReport();
  RenumberTabs();
  ShowPage(0);
  UpdateCaption();
  ClearUndo();
}

void TKVDesignerForm::NewFromTemplate() {
  if (!AskToSave()) return;
  TTemplForm form(nullptr, report_->TemplateDir());
  if (form.ShowModal() != vcl::mrOk || form.FileName().isEmpty()) return;
  rtl::TStringList description;
  try {
    report_->LoadTemplate(form.FileName(), description, false, nullptr);
  } catch (const rtl::Exception &e) {
    ShowError(e.Message());
    return;
  }
  // A new report: it belongs to no file until it is saved.
  report_->ForgetFile();
  RenumberTabs();
  ShowPage(0);
  UpdateCaption();
  ClearUndo();
}

void TKVDesignerForm::NewFromWizard() {
  if (!AskToSave()) return;
  TkvEditContext context;
  context.Designer = this;
  context.Report = report_;
  context.Page = model_->Page();
  if (!KvOpenEditor(TkvEditor::Wizard, context)) return;
  report_->ForgetFile();
  RenumberTabs();
  ShowPage(0);
  UpdateCaption();
  // The history starts at the cleared page and the built report is its
  // first change: unsaved, closing asks to keep it.
  Commit();
}

void TKVDesignerForm::Open() {
  if (!AskToSave()) return;
  QString name;
  if (!report_->ReportDir().isEmpty()) {
    FolderSwitch folder(report_->ReportDir());
    TLoadForm form(nullptr);
    if (!form.Execute(name)) return;
    name = QDir(QDir::fromNativeSeparators(report_->ReportDir())).filePath(name);
  } else {
    vcl::TOpenDialog dialog(nullptr);
    dialog.SetFilter(QStringLiteral("Tarvenquill form (*.kvf)|*.kvf"));
    if (!dialog.Execute() || dialog.FileName().isEmpty()) return;
    name = dialog.FileName();
  }
  OpenFile(name);
}

bool TKVDesignerForm::OpenFile(const QString &file_name) {
  // The file as the engine will look for it, found ignoring letter case
  // as on the platform.
  QFileInfo given(TkvReport::WithTemplateExtension(QDir::fromNativeSeparators(file_name)));
  const QString folder = given.path();
  const QString actual = KvFindFileIgnoringCase(folder, given.fileName());
  const QFileInfo info(QDir(folder).filePath(actual));
  if (!info.isFile()) {
    vcl::MessageDlgCaption(
        rtl::Format(
            QStringLiteral("Si è tentato di caricare da disco il report '%s'. \r\nMa il file '%s' è inesistente"),
            {info.fileName(), info.absoluteFilePath()}),
        kAttention, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
    return false;
  }
  // The template is read whole before it replaces the one shown: a
  // damaged file leaves the template and its name as they were.
  try {
    report_->LoadFromFile(info.absoluteFilePath());
  } catch (const rtl::Exception &e) {
    ShowError(e.Message());
    return false;
  }
  RenumberTabs();
  ShowPage(0);
  TemplateNamed();
  return true;
}

void TKVDesignerForm::Reopen(const QString &file_name) {
  if (!AskToSave()) return;
  OpenFile(file_name);
}

void TKVDesignerForm::FillReopenMenu() {
  if (ReopenMenu == nullptr) return;
  ReopenMenu->Clear();
  for (const QString &name : KvReopenList().Names()) {
    auto *item = new vcl::TMenuItem(this);
    QString caption = name;
    item->SetCaption(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->OnClick = [this, name](rtl::TObject *) { Reopen(name); };
    ReopenMenu->Add(item);
  }
  ReopenMenu->SetEnabled(!KvReopenList().Names().isEmpty());
}

// ---- preview -------------------------------------------------------------------------------------------------

void TKVDesignerForm::Preview() {
  Inspector->Commit();
  const int page = model_->PageIndex();
  const bool inspector_shown = Inspector->Visible();
  const bool palette_shown = AlignPalette != nullptr && AlignPalette->Visible();
  // While the engine prepares, the surface shows an empty page and takes
  // no clicks: preparation works on the template's objects.
  active_ = false;
  struct Back {
    TKVDesignerForm *form;
    int page;
    bool inspector, palette;
    ~Back() {
      form->active_ = true;
      rtl::IgnoreFailure("the window shows what it can of the template", [this] {
        form->Inspector->SetVisible(inspector);
        if (form->AlignPalette != nullptr) form->AlignPalette->SetVisible(palette);
        // The template was read back from a snapshot: every object is new,
        // so the selection and the inspector are made again from it.
        form->RenumberTabs();
        form->ShowPage(page);
      });
    }
  } back{this, page, inspector_shown, palette_shown};
  rtl::TMemoryStream stream;
  report_->SaveToStream(stream);
  model_->ClearSelection();
  report_->Pages().Clear();
  report_->Pages().AddPage();
  model_->SetPageIndex(0);
  Surface->Invalidate();
  if (vcl::Application != nullptr) vcl::Application->ProcessMessages();
  stream.SetPosition(0);
  report_->LoadFromStream(stream);
  Inspector->SetVisible(false);
  if (AlignPalette != nullptr) AlignPalette->SetVisible(false);
  report_->ShowReport();
}

// ---- settings ---------------------------------------------------------------------------------------------------

void TKVDesignerForm::LoadSettings() {
  rtl::IgnoreFailure("the designer starts with its defaults", [this] {
    rtl::TRegIniFile reg(kvDesignerRegistryKey);
    SetGridSize(reg.ReadInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), 4));
    SetUnit(reg.ReadInteger(QStringLiteral("Options"), QStringLiteral("Units"), kvUnitMillimetres));
    SetGridAlign(reg.ReadBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), true));
    for (vcl::TPanel *bar : {Panel1, Panel2, Panel3, Panel4})
      bar->SetVisible(reg.ReadBool(QStringLiteral("ToolBas"), bar->Name(), bar->Visible()));
    // The tool windows float over the designer inside the work area, below
    // the designer's title bar and clear of each other's: the inspector at
    // the right edge, the palette left of it with their bottoms level. A
    // place kept from last time stays only when it still fits so.
    const vcl::TRect area = vcl::Screen->WorkArea();
    const vcl::TRect designer = FrameRect();
    const int below_title = designer.Top + FrameWidths().Top;
    // What a tool window must not cover: the designer's title bar, then the
    // tool windows already placed.
    std::vector<vcl::TRect> avoid{{designer.Left, designer.Top, designer.Right, below_title}};
    auto place = [&reg, &area, &avoid](vcl::TForm *form, int left, int top) {
      const QString section = form->Name();
      const vcl::TRect frame = form->FrameWidths();
      const auto outer = [&frame](int l, int t, int w, int h) {
        return vcl::TRect{l, t, l + frame.Left + w + frame.Right, t + frame.Top + h + frame.Bottom};
      };
      const int w = reg.ReadInteger(section, QStringLiteral("Width"), form->Width());
      const int h = reg.ReadInteger(section, QStringLiteral("Height"), form->Height());
      const int kept_left = reg.ReadInteger(section, QStringLiteral("Left"), left);
      const int kept_top = reg.ReadInteger(section, QStringLiteral("Top"), top);
      const vcl::TRect kept = outer(kept_left, kept_top, w, h);
      if (KvToolWindowFits(kept, area, avoid)) {
        form->SetBounds(kept_left, kept_top, w, h);
      } else {
        const vcl::TRect wanted = outer(left, top, form->Width(), form->Height());
        const vcl::TRect moved = KvToolWindowInside(wanted, area, avoid);
        form->SetBounds(moved.Left, moved.Top, form->Width(), form->Height());
      }
      const vcl::TRect now = outer(form->Left(), form->Top(), form->Width(), form->Height());
      avoid.push_back(now);
      form->SetVisible(reg.ReadBool(section, QStringLiteral("Visible"), true));
      return now;
    };
    const vcl::TRect inspector_frame = Inspector->FrameWidths();
    const int inspector_outer_w = inspector_frame.Left + Inspector->Width() + inspector_frame.Right;
    const vcl::TRect inspector = place(Inspector, area.Right - inspector_outer_w - 25,  // NOLINT
                                       std::max(area.Top + 20, below_title));           // NOLINT
    if (AlignPalette != nullptr) {
      const vcl::TRect palette_frame = AlignPalette->FrameWidths();
      const int palette_outer_w = palette_frame.Left + AlignPalette->Width() + palette_frame.Right;
      const int palette_outer_h = palette_frame.Top + AlignPalette->Height() + palette_frame.Bottom;
      place(AlignPalette, inspector.Left - palette_outer_w, inspector.Bottom - palette_outer_h);
    }
  });
  UpdateCommands();
}

void TKVDesignerForm::SaveSettings() {
  rtl::IgnoreFailure("the settings are kept for the next time only when they can be written", [this] {
    rtl::TRegIniFile reg(kvDesignerRegistryKey);
    reg.WriteBool(QStringLiteral("Options"), QStringLiteral("GridAlign"), grid_align_);
    reg.WriteInteger(QStringLiteral("Options"), QStringLiteral("GridSize"), grid_size_);
    reg.WriteInteger(QStringLiteral("Options"), QStringLiteral("Units"), model_->Unit());
    for (vcl::TPanel *bar : {Panel1, Panel2, Panel3, Panel4})
      reg.WriteBool(QStringLiteral("ToolBas"), bar->Name(), bar->Visible());
    auto store = [&reg](vcl::TForm *form) {
      const QString section = form->Name();
      reg.WriteBool(section, QStringLiteral("Visible"), form->Visible());
      reg.WriteInteger(section, QStringLiteral("Left"), form->Left());
      reg.WriteInteger(section, QStringLiteral("Top"), form->Top());
      reg.WriteInteger(section, QStringLiteral("Width"), form->Width());
      reg.WriteInteger(section, QStringLiteral("Height"), form->Height());
    };
    store(Inspector);
    if (AlignPalette != nullptr) store(AlignPalette);
  });
  Inspector->SetVisible(false);
  if (AlignPalette != nullptr) AlignPalette->SetVisible(false);
}

}  // namespace report
