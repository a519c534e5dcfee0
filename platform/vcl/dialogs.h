// Dialogs: the plain message dialog (ShowMessage, MessageDlg) with its
// Italian captions and button texts, the input box, and the common dialogs
// (open, save, colour, font, print, printer setup) as components.
//
// Every dialog goes through one point: when a responder is set, it is
// handed a description of the dialog (kind, caption, text, buttons, the
// values the user could change) and answers in place of the user, and no
// window is shown. Tests set one so they never block; with none set, the
// dialogs are real Qt windows, modal to the active window.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/component.h"
#include "platform/vcl/consts.h"
#include "platform/vcl/graphics.h"

class QPrinter;

namespace vcl {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TEnumSet<TMsgDlgBtn>;

inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

enum class TDialogKind { Message, Input, Open, Save, Color, Font, Print, PrinterSetup };

// What a dialog shows and what the user may change. A responder reads the
// first part, may change the values of the second, and returns the modal
// result (mrOk / mrCancel for the common dialogs and the input box; the
// result of the button it "presses" for messages).
struct TDialogRequest {
  TDialogKind kind = TDialogKind::Message;
  QString caption;
  QString text;  // message, or the input box's prompt
  TMsgDlgType type = mtCustom;
  QStringList buttons;                // texts, in the order shown
  std::vector<TModalResult> results;  // the result of each button
  int default_button = -1;            // index into buttons
  int cancel_button = -1;
  int help_context = 0;

  QString value;         // input text; file name of the file dialogs
  QStringList files;     // file dialogs: every selected file
  QString filter;        // file dialogs, as given ("Testo|*.txt|...")
  int filter_index = 1;  // 1-based
  QString initial_dir;
  TColor color = clBlack;
  TFont *font = nullptr;  // font dialog: a copy the responder may change
  int copies = 1;         // print dialog
  int from_page = 0;
  int to_page = 0;
  bool collate = false;
  QString printer;  // print dialog: the printer chosen; `value` is the file
                    // printed into instead ("" for the printer itself)
};

using TDialogResponder = std::function<TModalResult(TDialogRequest &request)>;

// Installs the responder (an empty function shows real dialogs again) and
// returns the one it replaces.
TDialogResponder SetDialogResponder(TDialogResponder responder);
// Runs one dialog request: through the responder when set, else the
// window given by `show`.
TModalResult RunDialog(TDialogRequest &request, const std::function<TModalResult(TDialogRequest &)> &show);

// The text of each button ("&Sì", "Annulla"...) and its result.
QString ButtonCaption(TMsgDlgBtn button);
TModalResult ButtonResult(TMsgDlgBtn button);
// The caption of each dialog type ("Attenzione", "Errore", "Informazione",
// "Conferma"; the application title for mtCustom).
QString DialogTypeCaption(TMsgDlgType type);
// The title the program gives its windows: the one set here, else the
// application object's Title, else Qt's application name.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// The message with an OK button, captioned with the application title.
void ShowMessage(const QString &message);
TModalResult MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int help_context = 0);
// The same with a caption of the caller's instead of the type's.
TModalResult MessageDlgCaption(const QString &message, const QString &caption, TMsgDlgType type,
                               TMsgDlgButtons buttons);
// The same with Enter pressing `default_button` (No for a question whose
// safe answer is no).
TModalResult MessageDlgCaption(const QString &message, const QString &caption, TMsgDlgType type, TMsgDlgButtons buttons,
                               TMsgDlgBtn default_button);
// x, y < 0 centre the dialog on the screen.
TModalResult MessageDlgPos(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int help_context, int x,
                           int y);
// The text typed, or `default_value` when cancelled.
QString InputBox(const QString &caption, const QString &prompt, const QString &default_value);
// True and the text in `value` when confirmed; `value` unchanged otherwise.
bool InputQuery(const QString &caption, const QString &prompt, QString &value);

// ---------------------------------------------------------------------------
// Common dialogs

class TCommonDialog : public TComponent {
  ORBISCA_CLASS(TCommonDialog, TComponent)
 public:
  explicit TCommonDialog(TComponent *owner = nullptr) : TComponent(owner) {}
  // Shows the dialog; true when the user confirmed it.
  virtual bool Execute() = 0;
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int context) { help_context_ = context; }

  std::function<void(TObject *sender)> OnShow;
  std::function<void(TObject *sender)> OnClose;

 protected:
  void DoShow() {
    if (OnShow) OnShow(this);
  }
  void DoClose() {
    if (OnClose) OnClose(this);
  }

 private:
  int help_context_ = 0;
};

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing
};
using TOpenOptions = TEnumSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
  ORBISCA_CLASS(TOpenDialog, TCommonDialog)
 public:
  explicit TOpenDialog(TComponent *owner = nullptr);

  QString FileName() const { return file_name_; }
  void SetFileName(const QString &name) { file_name_ = name; }
  // Every file chosen (one unless ofAllowMultiSelect).
  const QStringList &Files() const { return files_; }
  // "description|mask;mask|description|mask".
  QString Filter() const { return filter_; }
  void SetFilter(const QString &filter) { filter_ = filter; }
  int FilterIndex() const { return filter_index_; }
  void SetFilterIndex(int index) { filter_index_ = index; }
  QString InitialDir() const { return initial_dir_; }
  void SetInitialDir(const QString &dir) { initial_dir_ = dir; }
  // Added (with its dot) to a chosen name that has no extension.
  QString DefaultExt() const { return default_ext_; }
  void SetDefaultExt(const QString &ext) { default_ext_ = ext; }
  QString Title() const { return title_; }
  void SetTitle(const QString &title) { title_ = title; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions options) { options_ = options; }

  bool Execute() override;

  // The filter as Qt's file dialog takes it ("Testo (*.txt);;Tutti (*.*)").
  static QStringList QtFilters(const QString &filter);

 protected:
  virtual TDialogKind Kind() const { return TDialogKind::Open; }
  // Checks the chosen name; false keeps the dialog's result from counting.
  virtual bool Accept();

 private:
  QString file_name_;
  QStringList files_;
  QString filter_;
  int filter_index_ = 1;
  QString initial_dir_;
  QString default_ext_;
  QString title_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
  ORBISCA_CLASS(TSaveDialog, TOpenDialog)
 public:
  explicit TSaveDialog(TComponent *owner = nullptr) : TOpenDialog(owner) {}

 protected:
  TDialogKind Kind() const override { return TDialogKind::Save; }
  // With ofOverwritePrompt, an existing file is replaced only when the user
  // says so.
  bool Accept() override;
};

class TColorDialog : public TCommonDialog {
  ORBISCA_CLASS(TColorDialog, TCommonDialog)
 public:
  explicit TColorDialog(TComponent *owner = nullptr) : TCommonDialog(owner) {}
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  // "ColorA=808022" ... "ColorP=..." as the platform stores them.
  const QStringList &CustomColors() const { return custom_colors_; }
  void SetCustomColors(const QStringList &colors) { custom_colors_ = colors; }
  bool Execute() override;

 private:
  TColor color_ = clBlack;
  QStringList custom_colors_;
};

class TFontDialog : public TCommonDialog {
  ORBISCA_CLASS(TFontDialog, TCommonDialog)
 public:
  explicit TFontDialog(TComponent *owner = nullptr);
  ~TFontDialog() override;
  TFont *Font() const { return font_.get(); }
  void SetFont(const TFont *font) { font_->Assign(font); }
  int MinFontSize() const { return min_size_; }
  void SetMinFontSize(int size) { min_size_ = size; }
  int MaxFontSize() const { return max_size_; }
  void SetMaxFontSize(int size) { max_size_ = size; }
  bool Execute() override;

 private:
  std::unique_ptr<TFont> font_;
  int min_size_ = 0;
  int max_size_ = 0;
};

enum TPrintRange { prAllPages, prSelection, prPageNums };

class TPrintDialog : public TCommonDialog {
  ORBISCA_CLASS(TPrintDialog, TCommonDialog)
 public:
  explicit TPrintDialog(TComponent *owner = nullptr);
  ~TPrintDialog() override;
  int Copies() const { return copies_; }
  void SetCopies(int copies) { copies_ = copies < 1 ? 1 : copies; }
  int FromPage() const { return from_page_; }
  void SetFromPage(int page) { from_page_ = page; }
  int ToPage() const { return to_page_; }
  void SetToPage(int page) { to_page_ = page; }
  int MinPage() const { return min_page_; }
  void SetMinPage(int page) { min_page_ = page; }
  int MaxPage() const { return max_page_; }
  void SetMaxPage(int page) { max_page_ = page; }
  TPrintRange PrintRange() const { return range_; }
  void SetPrintRange(TPrintRange range) { range_ = range; }
  bool Collate() const { return collate_; }
  void SetCollate(bool value) { collate_ = value; }
  bool PrintToFile() const { return print_to_file_; }
  void SetPrintToFile(bool value) { print_to_file_ = value; }
  // The printer chosen (its name as the printer list has it), and the file
  // the print goes into when the user chose to print to a file.
  QString PrinterName() const { return printer_name_; }
  void SetPrinterName(const QString &name) { printer_name_ = name; }
  QString OutputFileName() const { return output_file_; }
  void SetOutputFileName(const QString &file) { output_file_ = file; }
  // The printer the dialog sets up (not owned); without one the dialog
  // uses a printer of its own.
  QPrinter *Printer() const;
  void SetPrinter(QPrinter *printer) { printer_ = printer; }
  bool Execute() override;

 private:
  int copies_ = 1;
  int from_page_ = 0;
  int to_page_ = 0;
  int min_page_ = 0;
  int max_page_ = 0;
  TPrintRange range_ = prAllPages;
  bool collate_ = false;
  bool print_to_file_ = false;
  QString printer_name_;
  QString output_file_;
  QPrinter *printer_ = nullptr;
  mutable std::unique_ptr<QPrinter> own_printer_;
};

class TPrinterSetupDialog : public TCommonDialog {
  ORBISCA_CLASS(TPrinterSetupDialog, TCommonDialog)
 public:
  explicit TPrinterSetupDialog(TComponent *owner = nullptr);
  ~TPrinterSetupDialog() override;
  QPrinter *Printer() const;
  void SetPrinter(QPrinter *printer) { printer_ = printer; }
  bool Execute() override;

 private:
  QPrinter *printer_ = nullptr;
  mutable std::unique_ptr<QPrinter> own_printer_;
};

}  // namespace vcl
