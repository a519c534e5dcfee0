// Data-aware field controls and the navigator (see dbctrls.h).
#include "platform/vcl/dbctrls/dbctrls.h"

#include <QLineEdit>
#include <algorithm>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

namespace {

// Links a control's field link to a new data source, watching it go.
void LinkSource(TComponent *control, TFieldDataLink *link, TDataSource *source) {
  if (TDataSource *old = link->DataSource()) old->RemoveFreeNotification(control);
  link->SetDataSource(source);
  if (source != nullptr) source->FreeNotification(control);
}

}  // namespace

// --- TDBEdit ------------------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent *owner) : TCustomMaskEdit(owner), link_(std::make_unique<TFieldDataLink>()) {
  link_->SetControl(this);
  link_->OnDataChange = [this](rtl::TObject *) { DataChange(); };
  link_->OnActiveChange = [this](rtl::TObject *) { DataChange(); };
  link_->OnEditingChange = [this](rtl::TObject *) { SetReadOnly(!link_->CanModify()); };
  link_->OnUpdateData = [this](rtl::TObject *) { UpdateData(); };
  link_->OnFocusControl = [this](rtl::TObject *) {
    if (CanFocus()) SetFocus();
  };
}

TDBEdit::~TDBEdit() {
  link_->OnDataChange = nullptr;
  link_->OnActiveChange = nullptr;
  link_->SetDataSource(nullptr);
}

void TDBEdit::SetDataSource(TDataSource *source) { LinkSource(this, link_.get(), source); }

void TDBEdit::SetDataField(const QString &name) {
  link_->SetFieldName(name);
  DataChange();
}

void TDBEdit::Notification(TComponent *component, TOperation operation) {
  TCustomMaskEdit::Notification(component, operation);
  if (operation == opRemove && link_ != nullptr && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TDBEdit::ShowFieldText() {
  TField *f = link_->Field();
  showing_ = true;
  if (f == nullptr) {
    SetText(QString());
  } else {
    if (f->EditMask() != EditMask()) SetEditMask(f->EditMask());
    SetText(Focused() && link_->CanModify() ? f->Text() : f->DisplayText());
  }
  SetModified(false);
  showing_ = false;
}

void TDBEdit::DataChange() {
  TField *f = link_->Field();
  if (f != nullptr && f->Size() > 0 && f->DataType() == ftString) SetMaxLength(f->Size());
  SetReadOnly(!link_->CanModify());
  ShowFieldText();
}

void TDBEdit::UpdateData() {
  ValidateEdit();
  if (TField *f = link_->Field()) f->SetText(Text());
}

void TDBEdit::Change() {
  if (!showing_) link_->Modified();
  TCustomMaskEdit::Change();
}

void TDBEdit::KeyDown(int &key, TShiftState shift) {
  TCustomMaskEdit::KeyDown(key, shift);
  if ((key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift))) && !link_->Edit()) key = 0;
}

void TDBEdit::KeyPress(QChar &key) {
  if (key.unicode() == 27 && link_->IsModified()) {
    link_->Reset();
    SelectAll();
    key = QChar();
    return;
  }
  // Typing puts the record in edit mode; when it cannot, nothing is typed.
  if ((key.unicode() >= 32 || key.unicode() == 8 || key.unicode() == 22 || key.unicode() == 24) &&
      link_->Field() != nullptr && !link_->Edit()) {
    key = QChar();
    return;
  }
  TCustomMaskEdit::KeyPress(key);
}

void TDBEdit::DoEnter() {
  TCustomMaskEdit::DoEnter();
  if (!link_->IsModified()) {
    ShowFieldText();
    if (AutoSelect()) SelectAll();
  }
}

void TDBEdit::DoExit() {
  try {
    link_->UpdateRecord();
  } catch (const rtl::Exception &e) {
    // The value is refused: the focus stays where it can be mended.
    SelectAll();
    SetFocus();
    ReportException(this, e);
    return;
  }
  TCustomMaskEdit::DoExit();
  if (!link_->IsModified()) ShowFieldText();
}

// --- TDBText ------------------------------------------------------------------------------------

TDBText::TDBText(TComponent *owner) : TCustomLabel(owner), link_(std::make_unique<TFieldDataLink>()) {
  SetAutoSize(false);
  SetShowAccelChar(false);
  link_->SetControl(this);
  link_->OnDataChange = [this](rtl::TObject *) { DataChange(); };
  link_->OnActiveChange = [this](rtl::TObject *) { DataChange(); };
}

TDBText::~TDBText() {
  link_->OnDataChange = nullptr;
  link_->OnActiveChange = nullptr;
  link_->SetDataSource(nullptr);
}

void TDBText::SetDataSource(TDataSource *source) { LinkSource(this, link_.get(), source); }

void TDBText::SetDataField(const QString &name) {
  link_->SetFieldName(name);
  DataChange();
}

void TDBText::Notification(TComponent *component, TOperation operation) {
  TCustomLabel::Notification(component, operation);
  if (operation == opRemove && link_ != nullptr && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TDBText::DataChange() {
  TField *f = link_->Field();
  SetCaption(f != nullptr ? f->DisplayText() : QString());
}

// --- TDBCheckBox ----------------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(TComponent *owner) : TCheckBox(owner), link_(std::make_unique<TFieldDataLink>()) {
  link_->SetControl(this);
  link_->OnDataChange = [this](rtl::TObject *) { DataChange(); };
  link_->OnActiveChange = [this](rtl::TObject *) { DataChange(); };
  link_->OnUpdateData = [this](rtl::TObject *) { UpdateData(); };
}

TDBCheckBox::~TDBCheckBox() {
  link_->OnDataChange = nullptr;
  link_->OnActiveChange = nullptr;
  link_->SetDataSource(nullptr);
}

void TDBCheckBox::SetDataSource(TDataSource *source) { LinkSource(this, link_.get(), source); }

void TDBCheckBox::SetDataField(const QString &name) {
  link_->SetFieldName(name);
  DataChange();
}

void TDBCheckBox::Notification(TComponent *component, TOperation operation) {
  TCheckBox::Notification(component, operation);
  if (operation == opRemove && link_ != nullptr && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

namespace {
bool MatchesOneOf(const QString &text, const QString &values) {
  for (const QString &v : values.split(u';'))
    if (v.compare(text, Qt::CaseInsensitive) == 0) return true;
  return false;
}
}  // namespace

void TDBCheckBox::DataChange() {
  TField *f = link_->Field();
  TCheckBoxState state = cbUnchecked;
  if (f != nullptr && !f->IsNull()) {
    if (f->DataType() == ftBoolean)
      state = f->AsBoolean() ? cbChecked : cbUnchecked;
    else if (MatchesOneOf(f->Text(), value_checked_))
      state = cbChecked;
    else if (!MatchesOneOf(f->Text(), value_unchecked_))
      state = AllowGrayed() ? cbGrayed : cbUnchecked;
  } else if (f != nullptr && AllowGrayed()) {
    state = cbGrayed;
  }
  showing_ = true;
  SetState(state);
  showing_ = false;
}

void TDBCheckBox::UpdateData() {
  TField *f = link_->Field();
  if (f == nullptr) return;
  if (State() == cbGrayed) {
    f->Clear();
  } else if (f->DataType() == ftBoolean) {
    f->SetAsBoolean(Checked());
  } else {
    f->SetText((Checked() ? value_checked_ : value_unchecked_).section(u';', 0, 0));
  }
}

void TDBCheckBox::Toggle() {
  // The box changes only when the record can take the change.
  if (!showing_ && !link_->Edit()) {
    DataChange();
    return;
  }
  TCheckBox::Toggle();
  if (!showing_) {
    link_->Modified();
    link_->UpdateRecord();
  }
}

// --- TDBNavigator ---------------------------------------------------------------------------------

class TDBNavigator::NavLink : public TDataLink {
 public:
  explicit NavLink(TDBNavigator *nav) : nav_(nav) {}

 protected:
  void ActiveChanged() override { nav_->UpdateButtons(); }
  void DataSetChanged() override { nav_->UpdateButtons(); }
  void EditingChanged() override { nav_->UpdateButtons(); }

 private:
  TDBNavigator *nav_;
};

TDBNavigator::TDBNavigator(TComponent *owner) : TCustomPanel(owner), link_(std::make_unique<NavLink>(this)) {
  SetBevelOuter(bvNone);
  SetBounds(0, 0, 240, 25);
  static const char *const kCaptions[] = {"|<", "<", ">", ">|", "+", "-", "^", "\xe2\x9c\x93", "x", "\xe2\x86\xbb"};
  // The user's language, as the program's own texts.
  static const char *const kHints[] = {
      "Primo record",    "Record precedente", "Record successivo",  "Ultimo record",     "Inserisci record",
      "Cancella record", "Modifica record",   "Registra modifiche", "Annulla modifiche", "Aggiorna dati"};
  for (int i = 0; i <= nbRefresh; ++i) {
    auto *b = new TSpeedButton(nullptr);
    b->SetParent(this);
    b->SetCaption(QString::fromUtf8(kCaptions[i]));
    b->SetHint(QString::fromUtf8(kHints[i]));
    const auto which = static_cast<TNavigateBtn>(i);
    b->OnClick = [this, which](rtl::TObject *) { BtnClick(which); };
    buttons_.push_back(b);
  }
  ArrangeButtons();
  UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
  link_->SetDataSource(nullptr);
  for (TSpeedButton *b : buttons_) delete b;
  buttons_.clear();
}

TDataSource *TDBNavigator::DataSource() const { return link_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource *source) {
  if (TDataSource *old = link_->DataSource()) old->RemoveFreeNotification(this);
  link_->SetDataSource(source);
  if (source != nullptr) source->FreeNotification(this);
  UpdateButtons();
}

void TDBNavigator::Notification(TComponent *component, TOperation operation) {
  TCustomPanel::Notification(component, operation);
  if (operation == opRemove && link_ != nullptr && component == link_->DataSource()) {
    link_->SetDataSource(nullptr);
    UpdateButtons();
  }
}

void TDBNavigator::SetVisibleButtons(TButtonSet buttons) {
  visible_ = buttons;
  for (int i = 0; i <= nbRefresh; ++i)
    buttons_[static_cast<size_t>(i)]->SetVisible(buttons.Contains(static_cast<TNavigateBtn>(i)));
  ArrangeButtons();
}

TSpeedButton *TDBNavigator::Button(TNavigateBtn button) const { return buttons_[static_cast<size_t>(button)]; }

void TDBNavigator::WMSize(TMessage &m) {
  TCustomPanel::WMSize(m);
  ArrangeButtons();
}

void TDBNavigator::ArrangeButtons() {
  int count = 0;
  for (TSpeedButton *b : buttons_)
    if (b->Visible()) ++count;
  if (count == 0) return;
  const int w = Width() / count;
  int x = 0;
  for (TSpeedButton *b : buttons_) {
    if (!b->Visible()) continue;
    b->SetBounds(x, 0, w, Height());
    x += w;
  }
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const {
  TDataSet *ds = link_->Active() ? link_->DataSet() : nullptr;
  if (ds == nullptr || !Enabled()) return false;
  const bool editing = ds->State() == dsEdit || ds->State() == dsInsert;
  const bool can_modify = ds->CanModify();
  switch (button) {
    case nbFirst:
    case nbPrior:
      return !ds->Bof();
    case nbNext:
    case nbLast:
      return !ds->Eof();
    case nbInsert:
      return can_modify && !editing;
    case nbDelete:
      return can_modify && !editing && !ds->IsEmpty();
    case nbEdit:
      return can_modify && !editing && !ds->IsEmpty();
    case nbPost:
    case nbCancel:
      return editing;
    case nbRefresh:
      return !editing;
  }
  return false;
}

void TDBNavigator::UpdateButtons() {
  for (int i = 0; i <= nbRefresh && i < static_cast<int>(buttons_.size()); ++i)
    buttons_[static_cast<size_t>(i)]->SetEnabled(ButtonEnabled(static_cast<TNavigateBtn>(i)));
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
  if (!ButtonEnabled(button)) return;
  TDataSet *ds = link_->DataSet();
  if (BeforeAction) BeforeAction(this, button);
  switch (button) {
    case nbFirst:
      ds->First();
      break;
    case nbPrior:
      ds->Prior();
      break;
    case nbNext:
      ds->Next();
      break;
    case nbLast:
      ds->Last();
      break;
    case nbInsert:
      ds->Insert();
      break;
    case nbEdit:
      ds->Edit();
      break;
    case nbPost:
      ds->Post();
      break;
    case nbCancel:
      ds->Cancel();
      break;
    case nbRefresh:
      ds->Refresh();
      break;
    case nbDelete:
      if (confirm_delete_ &&
          MessageDlg(QString::fromUtf8(kDeleteRecordQuestion), mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) != mrOk)
        return;
      ds->Delete();
      break;
  }
  UpdateButtons();
  if (OnClick) OnClick(this, button);
}

ORBISCA_PUBLISHED(TDBEdit, TCustomMaskEdit) {
  p.Property("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource);
  p.Property("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField);
}

ORBISCA_PUBLISHED(TDBText, TControl) {
  p.Property("DataSource", &TDBText::DataSource, &TDBText::SetDataSource);
  p.Property("DataField", &TDBText::DataField, &TDBText::SetDataField);
}

ORBISCA_PUBLISHED(TDBCheckBox, TCheckBox) {
  p.Property("DataSource", &TDBCheckBox::DataSource, &TDBCheckBox::SetDataSource);
  p.Property("DataField", &TDBCheckBox::DataField, &TDBCheckBox::SetDataField);
  p.Property("ValueChecked", &TDBCheckBox::ValueChecked, &TDBCheckBox::SetValueChecked);
  p.Property("ValueUnchecked", &TDBCheckBox::ValueUnchecked, &TDBCheckBox::SetValueUnchecked);
}

ORBISCA_PUBLISHED(TDBNavigator, TWinControl) {
  p.Property("DataSource", &TDBNavigator::DataSource, &TDBNavigator::SetDataSource);
  p.Property("ConfirmDelete", &TDBNavigator::ConfirmDelete, &TDBNavigator::SetConfirmDelete).Default(true);
}

namespace {
[[maybe_unused]] const bool kDbControlsRegistered = [] {
  RegisterClass<TDBEdit>();
  RegisterClass<TDBText>();
  RegisterClass<TDBCheckBox>();
  RegisterClass<TDBNavigator>();
  return true;
}();
}  // namespace

}  // namespace vcl
