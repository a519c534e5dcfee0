// The small modal forms the designer's file commands pick names with: the
// gallery of ".kvt" templates for a new report ("Nuovo report"), the
// description and picture of a template saved to the gallery ("Nuovo
// report da modello"), and, for a report kept in its own folder
// (ReportDir), the list of its ".kvf" templates ("Caricamento Report") and
// the name to save under ("Salvataggio Report").
//
// What each form decides (which files it lists, what name it answers) is
// in the functions below, so it is tested without a window.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/vcl/buttons.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TkvReport;

// The files of a folder ("" the current one) whose extension is `ext`
// (".kvt", ".kvf") in any letter case, directories left out, sorted.
QStringList KvFilesWithExtension(const QString &folder, const QString &ext);
// A file's name without its extension, as the lists show it.
QString KvListedName(const QString &file_name);
// The file of `folder` named `name`, letter case aside: the name itself
// when it exists, else the first file whose name differs only in case,
// else `name` unchanged.
QString KvFindFileIgnoringCase(const QString &folder, const QString &name);
// The save form: what its edit box shows for a name, and the name it
// answers for what was typed (".kvf" added unless it ends so).
QString KvSaveFormShown(const QString &file_name);
QString KvSaveFormResult(const QString &typed);

class TTemplForm : public vcl::TForm {
  ORBISCA_CLASS(TTemplForm, vcl::TForm)

 public:
  TTemplForm(vcl::TComponent *owner, const QString &template_dir);
  // The chosen template's file name (folder + name + ".kvt"), set on OK.
  QString FileName() const { return file_name_; }
  QString Folder() const { return folder_; }
  // Lists the folder's templates again (done when the form is shown).
  void Fill();
  // The user picked item `index` of the list (-1: none).
  void ItemChosen(int index);

  vcl::TListBox *ListView1 = nullptr;
  vcl::TGroupBox *GroupBox1 = nullptr;
  vcl::TImage *Image1 = nullptr;
  vcl::TMemo *Memo1 = nullptr;
  vcl::TButton *Button1 = nullptr;
  vcl::TButton *Button2 = nullptr;

 protected:
  void DoShow() override;
  void DoClose(vcl::TCloseAction &action) override;

 private:
  QString folder_;
  QStringList files_;
  QString file_name_;
};

class TTemplNewForm : public vcl::TForm {
  ORBISCA_CLASS(TTemplNewForm, vcl::TForm)

 public:
  explicit TTemplNewForm(vcl::TComponent *owner);

  vcl::TLabel *Label1 = nullptr;
  vcl::TMemo *Memo1 = nullptr;
  vcl::TGroupBox *GroupBox2 = nullptr;
  vcl::TImage *Image1 = nullptr;
  vcl::TButton *Button1 = nullptr;
  vcl::TButton *Button2 = nullptr;
  vcl::TButton *Button3 = nullptr;
  vcl::TOpenDialog *OpenDialog1 = nullptr;

 protected:
  void DoShow() override;

 private:
  void LoadPicture();
};

class TLoadForm : public vcl::TForm {
  ORBISCA_CLASS(TLoadForm, vcl::TForm)

 public:
  explicit TLoadForm(vcl::TComponent *owner);
  // Shows the templates of the current folder; true and the chosen file
  // (its own name, letter case as on disk) when closed with OK.
  bool Execute(QString &file_name);
  void Fill();
  void ItemChosen(int index);

  vcl::TLabel *Label1 = nullptr;
  vcl::TListBox *ListView1 = nullptr;
  vcl::TButton *OK = nullptr;
  vcl::TButton *Cancel = nullptr;

 private:
  QStringList files_;
};

class TSaveForm : public vcl::TForm {
  ORBISCA_CLASS(TSaveForm, vcl::TForm)

 public:
  explicit TSaveForm(vcl::TComponent *owner);
  // Shows `file_name` for editing; true and the name to save under when
  // closed with OK.
  bool Execute(QString &file_name);

  vcl::TLabel *Label1 = nullptr;
  vcl::TEdit *Edit = nullptr;
  vcl::TButton *OK = nullptr;
  vcl::TButton *Cancel = nullptr;
};

}  // namespace report
