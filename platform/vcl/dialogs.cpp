// Message, input and common dialogs on Qt; see dialogs.h.
#include "platform/vcl/dialogs.h"

#include "platform/vcl/forms.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <optional>

namespace vcl {

namespace {

TDialogResponder &Responder() {
  static TDialogResponder responder;
  return responder;
}

QString &TitleSlot() {
  static QString title;
  return title;
}

QWidget *DialogParent() { return QApplication::activeWindow(); }

constexpr TMsgDlgBtn kButtonOrder[] = {mbYes,    mbNo,  mbOK,      mbCancel,   mbAbort, mbRetry,
                                       mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};

}  // namespace

TDialogResponder SetDialogResponder(TDialogResponder responder) {
  TDialogResponder previous = std::move(Responder());
  Responder() = std::move(responder);
  return previous;
}

TModalResult RunDialog(TDialogRequest &request, const std::function<TModalResult(TDialogRequest &)> &show) {
  if (Responder()) return Responder()(request);
  return show(request);
}

QString ButtonCaption(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return QStringLiteral("&Sì");
    case mbNo:
      return QStringLiteral("&No");
    case mbOK:
      return QStringLiteral("OK");
    case mbCancel:
      return QStringLiteral("Annulla");
    case mbAbort:
      return QStringLiteral("&Interrompi");
    case mbRetry:
      return QStringLiteral("&Riprova");
    case mbIgnore:
      return QStringLiteral("&Ignora");
    case mbAll:
      return QStringLiteral("&Tutti");
    case mbNoToAll:
      return QStringLiteral("N&o a tutti");
    case mbYesToAll:
      return QStringLiteral("Sì a t&utti");
    case mbHelp:
      return QStringLiteral("&Aiuto");
  }
  return QString();
}

TModalResult ButtonResult(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return mrYes;
    case mbNo:
      return mrNo;
    case mbOK:
      return mrOk;
    case mbCancel:
      return mrCancel;
    case mbAbort:
      return mrAbort;
    case mbRetry:
      return mrRetry;
    case mbIgnore:
      return mrIgnore;
    case mbAll:
      return mrAll;
    case mbNoToAll:
      return mrNoToAll;
    case mbYesToAll:
      return mrYesToAll;
    case mbHelp:
      return mrNone;
  }
  return mrNone;
}

QString ApplicationTitle() {
  if (!TitleSlot().isEmpty()) return TitleSlot();
  if (Application != nullptr && !Application->Title().isEmpty()) return Application->Title();
  return QGuiApplication::applicationDisplayName();
}

void SetApplicationTitle(const QString &title) { TitleSlot() = title; }

QString DialogTypeCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return QStringLiteral("Attenzione");
    case mtError:
      return QStringLiteral("Errore");
    case mtInformation:
      return QStringLiteral("Informazione");
    case mtConfirmation:
      return QStringLiteral("Conferma");
    case mtCustom:
      break;
  }
  return ApplicationTitle();
}

namespace {

TModalResult ShowMessageBox(TDialogRequest &r, int x, int y) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (r.type) {
    case mtWarning:
      icon = QMessageBox::Warning;
      break;
    case mtError:
      icon = QMessageBox::Critical;
      break;
    case mtInformation:
      icon = QMessageBox::Information;
      break;
    case mtConfirmation:
      icon = QMessageBox::Question;
      break;
    case mtCustom:
      break;
  }
  QMessageBox box(icon, r.caption, r.text, QMessageBox::NoButton, DialogParent());
  std::vector<QPushButton *> buttons;
  for (int i = 0; i < r.buttons.size(); ++i) {
    buttons.push_back(box.addButton(r.buttons[i], QMessageBox::ActionRole));
  }
  if (r.default_button >= 0) box.setDefaultButton(buttons[size_t(r.default_button)]);
  if (r.cancel_button >= 0) box.setEscapeButton(buttons[size_t(r.cancel_button)]);
  if (x >= 0 && y >= 0) box.move(x, y);
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return r.results[i];
  }
  return r.cancel_button >= 0 ? r.results[size_t(r.cancel_button)] : mrCancel;
}

}  // namespace

namespace {

TModalResult RunMessageBox(const QString &message, const QString &caption, TMsgDlgType type, TMsgDlgButtons buttons,
                           int help_context, int x, int y, std::optional<TMsgDlgBtn> default_button = {}) {
  TDialogRequest r;
  r.kind = TDialogKind::Message;
  r.caption = caption;
  r.text = message;
  r.type = type;
  r.help_context = help_context;
  if (buttons.Empty()) buttons = TMsgDlgButtons{mbOK};
  for (TMsgDlgBtn b : kButtonOrder) {
    if (!buttons.Contains(b)) continue;
    r.buttons << ButtonCaption(b);
    r.results.push_back(ButtonResult(b));
  }
  auto index_of = [&](TMsgDlgBtn b) {
    for (size_t i = 0; i < r.results.size(); ++i)
      if (r.results[i] == ButtonResult(b) && r.buttons[int(i)] == ButtonCaption(b)) return int(i);
    return -1;
  };
  // OK, else Yes, else Retry is the default; Cancel, else No, else OK is the
  // answer to Esc.
  r.default_button = buttons.Contains(mbOK)      ? index_of(mbOK)
                     : buttons.Contains(mbYes)   ? index_of(mbYes)
                     : buttons.Contains(mbRetry) ? index_of(mbRetry)
                                                 : 0;
  if (default_button.has_value() && buttons.Contains(*default_button)) r.default_button = index_of(*default_button);
  r.cancel_button = buttons.Contains(mbCancel) ? index_of(mbCancel)
                    : buttons.Contains(mbNo)   ? index_of(mbNo)
                    : buttons.Contains(mbOK)   ? index_of(mbOK)
                                               : -1;
  return RunDialog(r, [x, y](TDialogRequest &req) { return ShowMessageBox(req, x, y); });
}

}  // namespace

TModalResult MessageDlgPos(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int help_context, int x,
                           int y) {
  return RunMessageBox(message, DialogTypeCaption(type), type, buttons, help_context, x, y);
}

TModalResult MessageDlgCaption(const QString &message, const QString &caption, TMsgDlgType type,
                               TMsgDlgButtons buttons) {
  return RunMessageBox(message, caption, type, buttons, 0, -1, -1);
}

TModalResult MessageDlgCaption(const QString &message, const QString &caption, TMsgDlgType type, TMsgDlgButtons buttons,
                               TMsgDlgBtn default_button) {
  return RunMessageBox(message, caption, type, buttons, 0, -1, -1, default_button);
}

TModalResult MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int help_context) {
  return MessageDlgPos(message, type, buttons, help_context, -1, -1);
}

void ShowMessage(const QString &message) {
  TDialogRequest r;
  r.kind = TDialogKind::Message;
  r.caption = ApplicationTitle();
  r.text = message;
  r.type = mtCustom;
  r.buttons << ButtonCaption(mbOK);
  r.results.push_back(mrOk);
  r.default_button = 0;
  r.cancel_button = 0;
  RunDialog(r, [](TDialogRequest &req) { return ShowMessageBox(req, -1, -1); });
}

bool InputQuery(const QString &caption, const QString &prompt, QString &value) {
  TDialogRequest r;
  r.kind = TDialogKind::Input;
  r.caption = caption;
  r.text = prompt;
  r.value = value;
  r.buttons << ButtonCaption(mbOK) << ButtonCaption(mbCancel);
  r.results = {mrOk, mrCancel};
  r.default_button = 0;
  r.cancel_button = 1;
  const TModalResult result = RunDialog(r, [](TDialogRequest &req) {
    QInputDialog dlg(DialogParent());
    dlg.setWindowTitle(req.caption);
    dlg.setLabelText(req.text);
    dlg.setTextValue(req.value);
    dlg.setOkButtonText(req.buttons[0]);
    dlg.setCancelButtonText(req.buttons[1]);
    if (dlg.exec() != QDialog::Accepted) return mrCancel;
    req.value = dlg.textValue();
    return mrOk;
  });
  if (result != mrOk) return false;
  value = r.value;
  return true;
}

QString InputBox(const QString &caption, const QString &prompt, const QString &default_value) {
  QString value = default_value;
  InputQuery(caption, prompt, value);
  return value;
}

// ---------------------------------------------------------------------------
// File dialogs

TOpenDialog::TOpenDialog(TComponent *owner) : TCommonDialog(owner) {}

QStringList TOpenDialog::QtFilters(const QString &filter) {
  QStringList out;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString masks = parts[i + 1].trimmed();
    masks.replace(QLatin1Char(';'), QLatin1Char(' '));
    masks = masks.simplified();
    // A description that already shows its masks ("Report (*.kvp)") gives them up: Qt shows the
    // masks in brackets after the description, and would otherwise show them twice.
    QString description = parts[i].trimmed();
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
      QString shown = description.mid(open + 1, description.size() - open - 2);
      shown.replace(QLatin1Char(';'), QLatin1Char(' '));
      if (shown.simplified() == masks) description = description.left(open).trimmed();
    }
    out << QStringLiteral("%1 (%2)").arg(description, masks);
  }
  // A lone description without a mask still lists everything.
  if (parts.size() % 2 == 1 && !parts.last().trimmed().isEmpty() && out.isEmpty()) {
    out << QStringLiteral("%1 (*)").arg(parts.last().trimmed());
  }
  return out;
}

bool TOpenDialog::Accept() {
  if (options_.Contains(ofFileMustExist)) {
    for (const QString &f : files_) {
      if (!QFileInfo::exists(f)) {
        MessageDlg(QStringLiteral("%1\nFile non trovato.\nVerificare che il nome del file sia corretto.").arg(f),
                   mtWarning, {mbOK});
        return false;
      }
    }
  }
  return true;
}

bool TSaveDialog::Accept() {
  const QString name = FileName();
  if (Options().Contains(ofOverwritePrompt) && QFileInfo::exists(name)) {
    return MessageDlg(QStringLiteral("%1 esiste già.\nSostituirlo?").arg(name), mtWarning, {mbYes, mbNo}) == mrYes;
  }
  if (Options().Contains(ofCreatePrompt) && !QFileInfo::exists(name)) {
    return MessageDlg(QStringLiteral("%1 non esiste.\nCrearlo?").arg(name), mtConfirmation, {mbYes, mbNo}) == mrYes;
  }
  return true;
}

bool TOpenDialog::Execute() {
  TDialogRequest r;
  r.kind = Kind();
  r.caption = title_.isEmpty()
                  ? (Kind() == TDialogKind::Save ? QStringLiteral("Salva con nome") : QStringLiteral("Apri"))
                  : title_;
  r.value = file_name_;
  r.filter = filter_;
  r.filter_index = filter_index_;
  r.initial_dir = initial_dir_;
  DoShow();
  const TOpenOptions options = options_;
  const TModalResult result = RunDialog(r, [options](TDialogRequest &req) {
    QFileDialog dlg(DialogParent(), req.caption, req.initial_dir);
    const QStringList filters = QtFilters(req.filter);
    if (!filters.isEmpty()) {
      dlg.setNameFilters(filters);
      const int index = std::clamp(req.filter_index, 1, int(filters.size())) - 1;
      dlg.selectNameFilter(filters[index]);
    }
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);  // asked in Accept, in Italian
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    if (req.kind == TDialogKind::Save) {
      dlg.setAcceptMode(QFileDialog::AcceptSave);
      dlg.setFileMode(QFileDialog::AnyFile);
    } else {
      dlg.setAcceptMode(QFileDialog::AcceptOpen);
      dlg.setFileMode(options.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                      : options.Contains(ofFileMustExist)  ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    }
    if (!req.value.isEmpty()) dlg.selectFile(req.value);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return mrCancel;
    req.files = dlg.selectedFiles();
    req.value = req.files.first();
    req.filter_index = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (req.filter_index <= 0) req.filter_index = 1;
    return mrOk;
  });
  bool ok = result == mrOk && !r.value.isEmpty();
  if (ok) {
    QStringList files = r.files.isEmpty() ? QStringList{r.value} : r.files;
    for (QString &f : files) {
      if (!initial_dir_.isEmpty() && QFileInfo(f).isRelative()) f = QDir(initial_dir_).filePath(f);
      if (!default_ext_.isEmpty() && QFileInfo(f).suffix().isEmpty() && !f.endsWith(QLatin1Char('.'))) {
        f += QLatin1Char('.') + (default_ext_.startsWith(QLatin1Char('.')) ? default_ext_.mid(1) : default_ext_);
      }
    }
    const QString previous_name = file_name_;
    const QStringList previous_files = files_;
    file_name_ = files.first();
    files_ = files;
    filter_index_ = r.filter_index;
    const QString ext = QFileInfo(file_name_).suffix();
    QString wanted = default_ext_;
    if (wanted.startsWith(QLatin1Char('.'))) wanted = wanted.mid(1);
    if (!wanted.isEmpty() && ext.compare(wanted, Qt::CaseInsensitive) != 0) {
      options_.Include(ofExtensionDifferent);
    } else {
      options_.Exclude(ofExtensionDifferent);
    }
    ok = Accept();
    if (!ok) {
      file_name_ = previous_name;
      files_ = previous_files;
    }
  }
  DoClose();
  return ok;
}

// ---------------------------------------------------------------------------
// Colour and font dialogs

bool TColorDialog::Execute() {
  TDialogRequest r;
  r.kind = TDialogKind::Color;
  r.caption = QStringLiteral("Colore");
  r.color = color_;
  DoShow();
  QStringList custom = custom_colors_;
  const TModalResult result = RunDialog(r, [&custom](TDialogRequest &req) {
    // Custom colours are "ColorA".."ColorP" = hexadecimal colour values.
    for (const QString &entry : custom) {
      const int eq = entry.indexOf(QLatin1Char('='));
      if (!entry.startsWith(QLatin1String("Color"), Qt::CaseInsensitive) || eq != 6) continue;
      const int index = entry.at(5).toUpper().unicode() - 'A';
      bool ok = false;
      const uint value = entry.mid(eq + 1).toUInt(&ok, 16);
      if (ok && index >= 0 && index < QColorDialog::customCount()) {
        QColorDialog::setCustomColor(index, ColorToQColor(TColor(value)));
      }
    }
    QColorDialog dlg(ColorToQColor(req.color), DialogParent());
    dlg.setWindowTitle(req.caption);
    if (dlg.exec() != QDialog::Accepted) return mrCancel;
    req.color = QColorToColor(dlg.selectedColor());
    custom.clear();
    for (int i = 0; i < QColorDialog::customCount() && i < 16; ++i) {
      const quint32 value = quint32(QColorToColor(QColorDialog::customColor(i)));
      custom << QStringLiteral("Color%1=%2")
                    .arg(QChar('A' + i), QString::number(value, 16).toUpper().rightJustified(6, QLatin1Char('0')));
    }
    return mrOk;
  });
  const bool ok = result == mrOk;
  if (ok) {
    color_ = r.color;
    custom_colors_ = custom;
  }
  DoClose();
  return ok;
}

TFontDialog::TFontDialog(TComponent *owner) : TCommonDialog(owner), font_(std::make_unique<TFont>()) {}
TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
  TFont edited;
  edited.Assign(font_.get());
  TDialogRequest r;
  r.kind = TDialogKind::Font;
  r.caption = QStringLiteral("Carattere");
  r.font = &edited;
  DoShow();
  const int min_size = min_size_, max_size = max_size_;
  const TModalResult result = RunDialog(r, [min_size, max_size](TDialogRequest &req) {
    QFont initial = req.font->ToQFont();
    initial.setPointSize(std::max(req.font->Size(), 1));
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, DialogParent(), req.caption);
    if (!ok) return mrCancel;
    req.font->SetName(chosen.family());
    int size = chosen.pointSize() > 0 ? chosen.pointSize() : req.font->Size();
    if (min_size > 0) size = std::max(size, min_size);
    if (max_size > 0) size = std::min(size, max_size);
    req.font->SetSize(size);
    TFontStyles style;
    if (chosen.bold()) style.Include(fsBold);
    if (chosen.italic()) style.Include(fsItalic);
    if (chosen.underline()) style.Include(fsUnderline);
    if (chosen.strikeOut()) style.Include(fsStrikeOut);
    req.font->SetStyle(style);
    return mrOk;
  });
  const bool ok = result == mrOk;
  if (ok) font_->Assign(&edited);
  DoClose();
  return ok;
}

// ---------------------------------------------------------------------------
// Printing dialogs

TPrintDialog::TPrintDialog(TComponent *owner) : TCommonDialog(owner) {}
TPrintDialog::~TPrintDialog() = default;

QPrinter *TPrintDialog::Printer() const {
  if (printer_ != nullptr) return printer_;
  if (!own_printer_) own_printer_ = std::make_unique<QPrinter>();
  return own_printer_.get();
}

bool TPrintDialog::Execute() {
  TDialogRequest r;
  r.kind = TDialogKind::Print;
  r.caption = QStringLiteral("Stampa");
  r.copies = copies_;
  r.from_page = from_page_;
  r.to_page = to_page_;
  r.collate = collate_;
  r.printer = printer_name_;
  r.value = output_file_;
  DoShow();
  const TModalResult result = RunDialog(r, [this](TDialogRequest &req) {
    QPrinter *printer = Printer();
    printer->setCopyCount(req.copies);
    printer->setCollateCopies(collate_);
    // A file named beforehand (or no printer but the file one) starts the
    // dialog on printing into a PDF file.
    if (!req.value.isEmpty()) {
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(req.value);
    } else if (!req.printer.isEmpty()) {
      printer->setPrinterName(req.printer);
    }
    QPrintDialog dlg(printer, DialogParent());
    dlg.setWindowTitle(req.caption);
    if (max_page_ > 0) dlg.setMinMax(std::max(min_page_, 1), max_page_);
    if (range_ == prPageNums && req.from_page > 0) {
      printer->setFromTo(req.from_page, std::max(req.to_page, req.from_page));
      dlg.setPrintRange(QAbstractPrintDialog::PageRange);
    }
    if (dlg.exec() != QDialog::Accepted) return mrCancel;
    req.copies = printer->copyCount();
    req.from_page = printer->fromPage();
    req.to_page = printer->toPage();
    range_ = dlg.printRange() == QAbstractPrintDialog::PageRange   ? prPageNums
             : dlg.printRange() == QAbstractPrintDialog::Selection ? prSelection
                                                                   : prAllPages;
    req.collate = printer->collateCopies();
    req.value = printer->outputFileName();
    req.printer = printer->printerName();
    return mrOk;
  });
  const bool ok = result == mrOk;
  if (ok) {
    copies_ = std::max(r.copies, 1);
    from_page_ = r.from_page;
    to_page_ = r.to_page;
    collate_ = r.collate;
    output_file_ = r.value;
    printer_name_ = r.printer;
    print_to_file_ = !output_file_.isEmpty();
    if (Responder() && from_page_ > 0) range_ = prPageNums;
  }
  DoClose();
  return ok;
}

TPrinterSetupDialog::TPrinterSetupDialog(TComponent *owner) : TCommonDialog(owner) {}
TPrinterSetupDialog::~TPrinterSetupDialog() = default;

QPrinter *TPrinterSetupDialog::Printer() const {
  if (printer_ != nullptr) return printer_;
  if (!own_printer_) own_printer_ = std::make_unique<QPrinter>();
  return own_printer_.get();
}

bool TPrinterSetupDialog::Execute() {
  TDialogRequest r;
  r.kind = TDialogKind::PrinterSetup;
  r.caption = QStringLiteral("Imposta stampante");
  DoShow();
  const TModalResult result = RunDialog(r, [this](TDialogRequest &req) {
    QPageSetupDialog dlg(Printer(), DialogParent());
    dlg.setWindowTitle(req.caption);
    return dlg.exec() == QDialog::Accepted ? mrOk : mrCancel;
  });
  DoClose();
  return result == mrOk;
}

}  // namespace vcl
