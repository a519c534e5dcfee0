// The designer's file forms (see kvfileforms.h).
#include "report/designer/kvfileforms.h"

#include <QDir>
#include <QFileInfo>

#include "platform/rtl/classes.h"
#include "platform/rtl/ignorefailure.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

const QString kKvf = QStringLiteral(".kvf");
const QString kKvt = QStringLiteral(".kvt");

template <class Control>
Control *Place(vcl::TWinControl *parent, vcl::TComponent *owner, const char *name, int left, int top, int width,
               int height) {
  auto *control = new Control(owner);
  control->SetName(QString::fromLatin1(name));
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

vcl::TButton *AddButton(vcl::TForm *form, const char *name, const char *caption, vcl::TModalResult result, int left,
                        int top) {
  // NOLINTNEXTLINE(readability-magic-numbers)
  auto *button = Place<vcl::TButton>(form, form, name, left, top, 80, 25);
  button->SetCaption(QString::fromUtf8(caption));
  button->SetModalResult(result);
  if (result == vcl::mrOk) button->SetDefault(true);
  if (result == vcl::mrCancel) button->SetCancel(true);
  return button;
}

}  // namespace

QStringList KvFilesWithExtension(const QString &folder, const QString &ext) {
  const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
  QStringList out;
  for (const QFileInfo &info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
    if (info.fileName().endsWith(ext, Qt::CaseInsensitive) && info.fileName().size() > ext.size())
      out << info.fileName();
  }
  return out;
}

QString KvListedName(const QString &file_name) {
  const int dot = file_name.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? file_name.left(dot) : file_name;
}

QString KvFindFileIgnoringCase(const QString &folder, const QString &name) {
  const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
  if (dir.exists(name)) return name;
  for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
  }
  return name;
}

QString KvSaveFormShown(const QString &file_name) {
  return file_name.endsWith(kKvf, Qt::CaseInsensitive) ? file_name.left(file_name.size() - kKvf.size()) : file_name;
}

QString KvSaveFormResult(const QString &typed) {
  return typed.endsWith(kKvf, Qt::CaseInsensitive) ? typed : typed + kKvf;
}

// NOLINTBEGIN(readability-magic-numbers)

// ---- TTemplForm --------------------------------------------------------------------------

TTemplForm::TTemplForm(vcl::TComponent *owner, const QString &template_dir) : vcl::TForm(owner) {
  SetName(QStringLiteral("TemplForm"));
  SetCaption(QStringLiteral("Nuovo report"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 440, 300);
  folder_ = template_dir.isEmpty() ? QString() : QDir::fromNativeSeparators(template_dir) + QStringLiteral("/");
  ListView1 = Place<vcl::TListBox>(this, this, "ListView1", 8, 8, 200, 240);
  ListView1->OnClick = [this](rtl::TObject *) { ItemChosen(ListView1->ItemIndex()); };
  ListView1->OnDblClick = [this](rtl::TObject *) {
    if (Button1->Enabled()) SetModalResult(vcl::mrOk);
  };
  GroupBox1 = Place<vcl::TGroupBox>(this, this, "GroupBox1", 216, 4, 212, 244);
  GroupBox1->SetCaption(QStringLiteral("Descrizione"));
  Image1 = Place<vcl::TImage>(GroupBox1, this, "Image1", 8, 18, 64, 64);
  Image1->SetCenter(true);
  Memo1 = Place<vcl::TMemo>(GroupBox1, this, "Memo1", 8, 90, 196, 146);
  Memo1->SetReadOnly(true);
  Button1 = AddButton(this, "Button1", "&OK", vcl::mrOk, 260, 258);
  Button1->SetEnabled(false);
  Button2 = AddButton(this, "Button2", "&Annulla", vcl::mrCancel, 348, 258);
}

void TTemplForm::Fill() {
  files_ = KvFilesWithExtension(folder_, kKvt);
  ListView1->Items()->Clear();
  for (const QString &f : files_) ListView1->Items()->Add(KvListedName(f));
  Memo1->Lines()->Clear();
  Image1->Picture()->SetGraphic(nullptr);
  Button1->SetEnabled(false);
}

void TTemplForm::DoShow() {
  vcl::TForm::DoShow();
  Fill();
}

void TTemplForm::ItemChosen(int index) {
  const bool chosen = index >= 0 && index < files_.size();
  Button1->SetEnabled(chosen);
  if (!chosen) return;
  ListView1->SetItemIndex(index);
  rtl::TStringList description;
  vcl::TBitmap picture;
  TkvReport reader(nullptr);
  // A damaged gallery file shows no description; choosing it then tells why.
  rtl::IgnoreFailure("the header is only shown",
                     [&] { reader.LoadTemplate(folder_ + files_[index], description, true, &picture); });
  Memo1->Lines()->Assign(&description);
  Image1->Picture()->Assign(&picture);
}

void TTemplForm::DoClose(vcl::TCloseAction &action) {
  vcl::TForm::DoClose(action);
  const int index = ListView1->ItemIndex();
  if (ModalResult() == vcl::mrOk && index >= 0 && index < files_.size()) file_name_ = folder_ + files_[index];
}

// ---- TTemplNewForm -------------------------------------------------------------------------

TTemplNewForm::TTemplNewForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("TemplNewForm"));
  SetCaption(QStringLiteral("Nuovo report da modello"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 400, 250);
  Label1 = Place<vcl::TLabel>(this, this, "Label1", 8, 8, 100, 16);
  Label1->SetCaption(QStringLiteral("Commento"));
  Memo1 = Place<vcl::TMemo>(this, this, "Memo1", 8, 26, 240, 170);
  Label1->SetFocusControl(Memo1);
  GroupBox2 = Place<vcl::TGroupBox>(this, this, "GroupBox2", 258, 20, 130, 130);
  GroupBox2->SetCaption(QStringLiteral("Icona"));
  Image1 = Place<vcl::TImage>(GroupBox2, this, "Image1", 10, 18, 64, 64);
  Image1->SetCenter(true);
  Button1 = Place<vcl::TButton>(GroupBox2, this, "Button1", 10, 92, 80, 25);
  Button1->SetCaption(QStringLiteral("File..."));
  Button1->OnClick = [this](rtl::TObject *) { LoadPicture(); };
  Button2 = AddButton(this, "Button2", "&OK", vcl::mrOk, 220, 210);
  Button2->SetDefault(false);  // Enter makes new lines in the description
  Button3 = AddButton(this, "Button3", "&Annulla", vcl::mrCancel, 308, 210);
  OpenDialog1 = new vcl::TOpenDialog(this);
  OpenDialog1->SetFilter(QStringLiteral("File bitmap (*.bmp)|*.bmp"));
}

void TTemplNewForm::DoShow() {
  vcl::TForm::DoShow();
  Memo1->Lines()->Clear();
  Image1->Picture()->SetGraphic(nullptr);
  if (Memo1->CanFocus()) Memo1->SetFocus();
}

void TTemplNewForm::LoadPicture() {
  if (!OpenDialog1->Execute()) return;
  try {
    Image1->Picture()->LoadFromFile(OpenDialog1->FileName());
  } catch (const rtl::Exception &e) {
    vcl::MessageDlg(e.Message(), vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
  }
}

// ---- TLoadForm -------------------------------------------------------------------------------

TLoadForm::TLoadForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("LoadForm"));
  SetCaption(QStringLiteral("Caricamento Report"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 300, 320);
  Label1 = Place<vcl::TLabel>(this, this, "Label1", 8, 8, 200, 16);
  Label1->SetCaption(QStringLiteral("Elenco report disponibili"));
  ListView1 = Place<vcl::TListBox>(this, this, "ListView1", 8, 26, 276, 220);
  ListView1->OnClick = [this](rtl::TObject *) { ItemChosen(ListView1->ItemIndex()); };
  ListView1->OnDblClick = [this](rtl::TObject *) {
    if (OK->Enabled()) SetModalResult(vcl::mrOk);
  };
  OK = AddButton(this, "OK", "&OK", vcl::mrOk, 116, 256);
  Cancel = AddButton(this, "Cancel", "&Annulla", vcl::mrCancel, 204, 256);
}

void TLoadForm::Fill() {
  files_ = KvFilesWithExtension(QString(), kKvf);
  ListView1->Items()->Clear();
  for (const QString &f : files_) ListView1->Items()->Add(f.left(f.size() - kKvf.size()));
  OK->SetEnabled(false);
}

void TLoadForm::ItemChosen(int index) {
  OK->SetEnabled(index >= 0 && index < files_.size());
  if (index >= 0 && index < files_.size()) ListView1->SetItemIndex(index);
}

bool TLoadForm::Execute(QString &file_name) {
  Fill();
  if (ShowModal() != vcl::mrOk) return false;
  const int index = ListView1->ItemIndex();
  if (index < 0 || index >= files_.size()) return false;
  // The file as it is on disk: a name listed is a name that opens.
  file_name = files_[index];
  return true;
}

// ---- TSaveForm -------------------------------------------------------------------------------

TSaveForm::TSaveForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("SaveForm"));
  SetCaption(QStringLiteral("Salvataggio Report"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 300, 130);
  Label1 = Place<vcl::TLabel>(this, this, "Label1", 8, 8, 270, 16);
  Label1->SetCaption(QStringLiteral("Inserire il nome da dare al report"));
  Edit = Place<vcl::TEdit>(this, this, "Edit", 8, 28, 276, 22);
  Label1->SetFocusControl(Edit);
  OK = AddButton(this, "OK", "&OK", vcl::mrOk, 116, 64);
  Cancel = AddButton(this, "Cancel", "&Annulla", vcl::mrCancel, 204, 64);
  Edit->OnChange = [this](rtl::TObject *) { OK->SetEnabled(!Edit->Text().isEmpty()); };
}

bool TSaveForm::Execute(QString &file_name) {
  Edit->SetText(KvSaveFormShown(file_name));
  OK->SetEnabled(!Edit->Text().isEmpty());
  if (ShowModal() != vcl::mrOk || Edit->Text().isEmpty()) return false;
  file_name = KvSaveFormResult(Edit->Text());
  return true;
}

// NOLINTEND(readability-magic-numbers)

}  // namespace report
