// The lookup controls and the record search they share; see mwlookup.h.
#include "controls/extended/mwlookup.h"

#include <QWidget>
#include <algorithm>

#include "controls/extended/timers.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"

namespace ext {

using namespace vcl;

namespace {
// One time stamp for every lookup control: typing into one and then another
// within two seconds goes on with the same search.
long long g_last_search_key = -100000;
constexpr int kMaxSearch = 32;
}  // namespace

// --- TLocateObject --------------------------------------------------------------------------------

bool TLocateObject::MatchesCurrent() const {
  const QString text = field_->AsString();
  const Qt::CaseSensitivity cs = case_sensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive;
  if (exact_) return text.compare(value_, cs) == 0;
  return text.left(value_.length()).compare(value_, cs) == 0;
}

bool TLocateObject::UseLocate() const {
  return field_ != nullptr && (field_->FieldKind() == fkData || field_->FieldKind() == fkInternalCalc);
}

bool TLocateObject::LocateFilter() {
  TLocateOptions options = 0;
  if (!case_sensitive_) options |= loCaseInsensitive;
  if (!exact_) options |= loPartialKey;
  return dataset_->Locate(field_->FieldName(), rtl::Variant(value_), options);
}

bool TLocateObject::LocateFull() {
  dataset_->First();
  while (!dataset_->Eof()) {
    if (MatchesCurrent()) return true;
    dataset_->Next();
  }
  return false;
}

bool TLocateObject::Locate(const QString &field_name, const QString &value, bool exact, bool case_sensitive) {
  if (dataset_ == nullptr || !dataset_->Active()) return false;
  dataset_->CheckBrowseMode();
  field_ = dataset_->FindField(field_name);
  if (field_ == nullptr) return false;
  value_ = value;
  exact_ = exact;
  case_sensitive_ = case_sensitive || field_->DataType() != ftString;
  try {
    CheckFieldType(field_);
  } catch (const rtl::Exception &) {
    return false;
  }
  const TBookmark bookmark = dataset_->GetBookmark();
  dataset_->DisableControls();
  bool found = false;
  try {
    found = !dataset_->Eof() && !dataset_->Bof() ? MatchesCurrent() : (dataset_->RecordCount() > 0 && MatchesCurrent());
    if (!found) {
      if (UseKey())
        found = LocateKey();
      else if (UseLocate())
        found = LocateFilter();
      else
        found = LocateFull();
    }
  } catch (const rtl::Exception &) {
    found = false;
  }
  if (!found) {
    try {
      if (dataset_->Active() && !bookmark.isEmpty() && dataset_->BookmarkValid(bookmark))
        dataset_->GotoBookmark(bookmark);
    } catch (const rtl::Exception &) {
    }
  }
  dataset_->EnableControls();
  return found;
}

// --- the lookup source's link -------------------------------------------------------------------

class TLookupSourceLink : public TDataLink {
 public:
  explicit TLookupSourceLink(TMwLookupControl *control) : control_(control) {}
  bool IsDataLink() const override { return false; }

 protected:
  void ActiveChanged() override { control_->LookupActiveChanged(); }
  void LayoutChanged() override { control_->LookupLayoutChanged(); }
  void DataSetChanged() override { control_->LookupDataChanged(); }
  void DataSetScrolled(int) override { control_->LookupDataChanged(); }
  void RecordChanged(TField *) override { control_->LookupDataChanged(); }

 private:
  TMwLookupControl *control_;
};

// --- TMwLookupControl -----------------------------------------------------------------------------

TMwLookupControl::TMwLookupControl(TComponent *owner)
    : TCustomControl(owner),
      lookup_link_(std::make_unique<TLookupSourceLink>(this)),
      data_link_(std::make_unique<TFieldDataLink>()) {
  data_link_->SetControl(this);
  data_link_->OnDataChange = [this](rtl::TObject *) { MasterDataChanged(); };
  data_link_->OnActiveChange = [this](rtl::TObject *) { MasterDataChanged(); };
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
}

TMwLookupControl::~TMwLookupControl() {
  data_link_.reset();
  lookup_link_.reset();
}

void TMwLookupControl::SetDataSource(TDataSource *source) {
  if (source != nullptr && LookupSource() != nullptr && source->DataSet() != nullptr &&
      source->DataSet() == LookupSource()->DataSet())
    DatabaseError(QStringLiteral("Circular datalinks are not allowed"));
  data_link_->SetDataSource(source);
  MasterDataChanged();
}

void TMwLookupControl::MasterDataChanged() {
  if (DataSource() == nullptr) return;
  TField *f = MasterField();
  const QString v = f != nullptr && !f->IsNull() ? f->AsString() : empty_value_;
  const bool changed = v != value_;
  value_ = v;
  ValueChanged();
  if (changed && OnChange) OnChange(this);
}

TDataSource *TMwLookupControl::LookupSource() const { return lookup_link_->DataSource(); }

void TMwLookupControl::SetLookupSource(TDataSource *source) {
  lookup_link_->SetDataSource(source);
  LookupActiveChanged();
}

void TMwLookupControl::SetLookupField(const QString &value) {
  lookup_field_ = value;
  LookupActiveChanged();
}

void TMwLookupControl::SetLookupDisplay(const QString &value) {
  lookup_display_ = value;
  LookupActiveChanged();
}

void TMwLookupControl::SetLookupDisplayIndex(int value) {
  lookup_display_index_ = value;
  LookupActiveChanged();
}

void TMwLookupControl::SetEmptyValue(const QString &value) {
  if (value_ == empty_value_) value_ = value;
  empty_value_ = value;
  ValueChanged();
}

void TMwLookupControl::SetDisplayEmpty(const QString &value) {
  display_empty_ = value;
  Invalidate();
}

int TMwLookupControl::ItemHeight() const {
  TCanvas c;
  QImage img(1, 1, QImage::Format_RGB32);
  c.SetImage(&img);
  c.Font()->Assign(Font());
  return std::max(c.TextHeight("Xy"), item_height_);
}

void TMwLookupControl::SetItemHeight(int value) {
  item_height_ = value;
  Invalidate();
}

bool TMwLookupControl::CanModify() const {
  if (!list_active_ || read_only_) return false;
  if (DataSource() == nullptr) return true;
  return MasterField() != nullptr && data_link_->CanModify();
}

rtl::Variant TMwLookupControl::SelectedKeyVariant() const {
  if (value_ == empty_value_) return rtl::Variant::Null();
  return rtl::Variant(value_);
}

QString TMwLookupControl::FieldText(TField *field) const {
  if (field == nullptr) return QString();
  return field->DisplayText();
}

void TMwLookupControl::LookupActiveChanged() {
  key_field_ = nullptr;
  display_field_ = nullptr;
  list_fields_.clear();
  TDataSet *ds = lookup_link_->DataSet();
  list_active_ = false;
  if (ds != nullptr && ds->Active() && lookup_link_->Active()) {
    key_field_ = ds->FindField(lookup_field_);
    for (const QString &name : lookup_display_.split(QLatin1Char(';'), Qt::SkipEmptyParts))
      if (TField *f = ds->FindField(name.trimmed())) list_fields_.push_back(f);
    if (!list_fields_.empty()) {
      int i = lookup_display_index_;
      if (i < 0 || i >= int(list_fields_.size())) i = 0;
      display_field_ = list_fields_[size_t(i)];
    }
    list_active_ = key_field_ != nullptr && display_field_ != nullptr;
  }
  locate_.SetDataSet(list_active_ ? ds : nullptr);
  ValueChanged();
}

bool TMwLookupControl::Locate(TField *field, const QString &value, bool exact) {
  if (field == nullptr || value == empty_value_) return false;
  locate_.IndexSwitch = index_switch_;
  try {
    return locate_.Locate(field->FieldName(), value, exact, !ignore_case_);
  } catch (const rtl::Exception &) {
    return false;
  }
}

bool TMwLookupControl::LocateKey() {
  if (value_ == empty_value_) return false;
  const bool found = Locate(key_field_, value_, true);
  if (found) display_value_ = FieldText(display_field_);
  return found;
}

bool TMwLookupControl::LocateDisplay() {
  const bool found = Locate(display_field_, display_value_, true);
  if (found) value_ = FieldText(key_field_);
  return found;
}

void TMwLookupControl::ValueChanged() {
  if (!list_active_) {
    display_value_.clear();
    Invalidate();
    return;
  }
  if (!LocateKey()) {
    value_ = empty_value_;
    display_value_.clear();
  }
  Invalidate();
}

void TMwLookupControl::SetValueInternal(const QString &value) {
  const bool changed = value != value_;
  value_ = value;
  // Run the search even for an unchanged key: the shared lookup dataset
  // must end on this key's record whatever another control did meanwhile.
  ValueChanged();
  if (changed && OnChange) OnChange(this);
}

void TMwLookupControl::SetSelectedKey(const QString &value) {
  if (CanModify() && DataSource() != nullptr && data_link_->Edit()) {
    // The record-change notice brings the value back here.
    MasterField()->SetAsString(value);
    if (value == value_) ValueChanged();
    return;
  }
  SetValueInternal(value);
}

void TMwLookupControl::SelectKeyValue(const QString &key) {
  if (DataSource() != nullptr) {
    if (CanModify() && data_link_->Edit()) MasterField()->SetAsString(key);
    if (key == value_) ValueChanged();
  } else {
    SetValueInternal(key);
  }
  Invalidate();
  Click();
}

void TMwLookupControl::ClearValue() {
  if (DataSource() != nullptr) {
    if (!CanModify()) return;
    if (data_link_->Edit()) {
      if (empty_value_.isEmpty())
        MasterField()->Clear();
      else
        MasterField()->SetAsString(empty_value_);
    }
  }
  SetValueInternal(empty_value_);
  display_value_.clear();
  Invalidate();
  Click();
}

void TMwLookupControl::ProcessSearchKey(QChar key) {
  if (display_field_ == nullptr) return;
  const ushort k = key.unicode();
  if (k == 9 || k == 27) {
    search_text_.clear();
    return;
  }
  if (!(k == 8 || (k >= 32 && k <= 255)) || !CanModify()) return;
  if (!IsPopupList() && TickCount() - g_last_search_key > 2000) search_text_.clear();
  g_last_search_key = TickCount();
  QString candidate;
  if (k == 8) {
    candidate = search_text_.left(std::max(0, int(search_text_.length()) - 1));
  } else {
    // A full buffer refuses the character and leaves the selection alone.
    if (search_text_.length() >= kMaxSearch) return;
    candidate = search_text_ + key;
  }
  TDataSet *ds = lookup_link_->DataSet();
  if (candidate.isEmpty()) {
    ds->First();
    search_text_.clear();
    SelectKeyValue(FieldText(key_field_));
    return;
  }
  if (Locate(display_field_, candidate, false)) {
    search_text_ = FieldText(display_field_).left(candidate.length());
    SelectKeyValue(FieldText(key_field_));
  }
}

void TMwLookupControl::KeyPress(QChar &key) {
  TCustomControl::KeyPress(key);
  if (!key.isNull()) ProcessSearchKey(key);
}

void TMwLookupControl::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

// --- TMwDBLookupList ------------------------------------------------------------------------------

TMwDBLookupList::TMwDBLookupList(TComponent *owner) : TMwLookupControl(owner) {
  SetBounds(0, 0, 121, 0);
  SetRowCount(7);
}

int TMwDBLookupList::RowCount() const { return std::max(1, (Height() - border_size_) / ItemHeight()); }

void TMwDBLookupList::SetRowCount(int rows) {
  rows = std::clamp(rows, 1, 50);
  SetHeight(rows * ItemHeight() + border_size_);
  lookup_link_->SetBufferCount(std::max(1, EmptyRowShown() ? rows - 1 : rows));
}

void TMwDBLookupList::LookupActiveChanged() {
  lookup_link_->SetBufferCount(std::max(1, EmptyRowShown() ? RowCount() - 1 : RowCount()));
  TMwLookupControl::LookupActiveChanged();
}

void TMwDBLookupList::SelectFirst() {
  TDataSet *ds = lookup_link_->DataSet();
  if (!CanModify()) return;
  ds->First();
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::SelectLast() {
  TDataSet *ds = lookup_link_->DataSet();
  if (!CanModify()) return;
  ds->Last();
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::MoveSelection(int distance) {
  if (!CanModify()) return;
  search_text_.clear();
  TDataSet *ds = lookup_link_->DataSet();
  if (value_ == EmptyValue()) {
    if (distance > 0) SelectFirst();
    return;
  }
  // Start from the record that holds the value; when none does, only
  // re-locate it.
  if (FieldText(key_field_) != value_) {
    LocateKey();
    return;
  }
  const bool at_first = ds->Bof() || (distance < 0 && ds->MoveBy(-1) == 0);
  if (distance < 0 && !at_first) ds->MoveBy(1);
  if (distance < 0 && at_first && EmptyRowShown()) {
    ClearValue();
    return;
  }
  ds->MoveBy(distance);
  SelectKeyValue(FieldText(key_field_));
}

void TMwDBLookupList::KeyDown(int &key, TShiftState shift) {
  TMwLookupControl::KeyDown(key, shift);
  if (!CanModify()) return;
  const int page = std::max(1, RowCount() - 1 - (EmptyRowShown() ? 1 : 0));
  switch (key) {
    case VK_UP: case VK_LEFT: MoveSelection(-1); break;
    case VK_DOWN: case VK_RIGHT: MoveSelection(1); break;
    case VK_PRIOR: MoveSelection(-page); break;
    case VK_NEXT: MoveSelection(page); break;
    case VK_HOME: search_text_.clear(); SelectFirst(); break;
    case VK_END: search_text_.clear(); SelectLast(); break;
    default: return;
  }
  key = 0;
}

void TMwDBLookupList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TMwLookupControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  search_text_.clear();
  if (!IsPopupList() && CanFocus()) SetFocus();
  if (!CanModify()) return;
  int row = (y - border_size_ / 2) / ItemHeight();
  if (EmptyRowShown()) {
    if (row == 0) {
      ClearValue();
      return;
    }
    --row;
  }
  if (row < lookup_link_->RecordCount()) {
    const int saved = lookup_link_->ActiveRecord();
    lookup_link_->SetActiveRecord(row);
    const QString key = FieldText(key_field_);
    lookup_link_->SetActiveRecord(saved);
    Locate(key_field_, key, true);
    SelectKeyValue(key);
  }
}

void TMwDBLookupList::Paint() {
  TCanvas *c = Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int ih = ItemHeight();
  int y = border_size_ / 2;
  const int w = ClientWidth();
  auto row_text = [&](const QString &text, bool selected, TColor back) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(selected ? clHighlight : back);
    c->FillRect(Rect(1, y, w - 1, y + ih));
    c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
    c->Brush()->SetStyle(bsClear);
    c->TextOut(3, y, text);
    if (selected && (Focused() || IsPopupList())) c->DrawFocusRect(Rect(1, y, w - 1, y + ih));
    y += ih;
  };
  if (EmptyRowShown()) row_text(DisplayEmpty(), value_ == EmptyValue(), EmptyItemColor());
  if (list_active_) {
    const int saved = lookup_link_->ActiveRecord();
    for (int i = 0; i < lookup_link_->RecordCount(); ++i) {
      lookup_link_->SetActiveRecord(i);
      QStringList parts;
      for (TField *f : list_fields_) parts << FieldText(f);
      const QString text = ListStyle() == lsDelimited ? parts.join(QString(FieldsDelimiter()) + ' ')
                                                      : parts.join(QStringLiteral("  "));
      row_text(text, FieldText(key_field_) == value_ && value_ != EmptyValue(), Color());
    }
    lookup_link_->SetActiveRecord(saved);
  }
  c->Brush()->SetColor(clWindowFrame);
  if (border_style_ == bsSingle) c->FrameRect(ClientRect());
  TMwLookupControl::Paint();
}

// --- TMwPopupDataList ------------------------------------------------------------------------------

TMwPopupDataList::TMwPopupDataList(TComponent *owner) : TMwDBLookupList(owner) {
  SetVisible(false);
  SetTabStop(false);
}

QWidget *TMwPopupDataList::CreateWidget(QWidget *) {
  auto *w = new TControlWidget<QWidget>(this, nullptr,
                                        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setFocusPolicy(Qt::NoFocus);
  return w;
}

void TMwPopupDataList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TMwDBLookupList::MouseUp(button, shift, x, y);
  if (button == mbLeft && OnCloseUp)
    OnCloseUp(x >= 0 && y >= 0 && x < Width() && y < Height());
}

// --- TMwDBLookupCombo --------------------------------------------------------------------------------

TMwDBLookupCombo::TMwDBLookupCombo(TComponent *owner) : TMwLookupControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetEscapeClear(true);
  SetIgnoreCase(true);
  data_list_ = new TMwPopupDataList(this);
  data_list_->OnCloseUp = [this](bool accept) { CloseUp(accept); };
}

TMwDBLookupCombo::~TMwDBLookupCombo() = default;

QString TMwDBLookupCombo::ShownText() const {
  if (list_visible_) {
    if (!data_list_->SearchText().isEmpty()) return data_list_->SearchText();
    return data_list_->DisplayValue();
  }
  if (value_ == EmptyValue()) return DisplayEmpty();
  if (display_all_fields_) {
    QStringList parts;
    for (TField *f : list_fields_) parts << FieldText(f);
    return parts.join(QString(FieldsDelimiter()) + ' ');
  }
  return display_value_;
}

void TMwDBLookupCombo::DropDown() {
  if (list_visible_ || !CanModify()) return;
  if (OnDropDown) OnDropDown(this);
  data_list_->SetColor(Color());
  data_list_->Font()->Assign(Font());
  data_list_->SetReadOnly(!CanModify());
  data_list_->SetEmptyValue(EmptyValue());
  data_list_->SetDisplayEmpty(DisplayEmpty());
  data_list_->SetEmptyItemColor(EmptyItemColor());
  data_list_->SetListStyle(ListStyle());
  data_list_->SetFieldsDelimiter(FieldsDelimiter());
  data_list_->SetIgnoreCase(IgnoreCase());
  data_list_->SetIndexSwitch(IndexSwitch());
  data_list_->OnGetImage = OnGetImage;
  data_list_->SetLookupField(LookupField());
  data_list_->SetLookupDisplay(LookupDisplay());
  data_list_->SetLookupDisplayIndex(LookupDisplayIndex());
  data_list_->SetLookupSource(LookupSource());
  data_list_->SetRowCount(drop_down_count_);
  data_list_->SetSelectedKey(value_);
  int w = Width();
  if (drop_down_width_ > 0) w = drop_down_width_;
  const TRect screen = ScreenRect();
  const TPoint p = ClientToScreen({0, 0});
  int y = p.Y + Height();
  if (y + data_list_->Height() > screen.Bottom) y = p.Y - data_list_->Height();
  int x = p.X;
  if (drop_down_align_ == daRight) x = p.X + Width() - w;
  if (drop_down_align_ == daCenter) x = p.X + (Width() - w) / 2;
  if (x + w > screen.Right) x = screen.Right - w;
  if (x < screen.Left) x = screen.Left;
  data_list_->SetBounds(x, y, w, data_list_->Height());
  data_list_->Show();
  data_list_->Handle()->show();
  list_visible_ = true;
  Invalidate();
}

void TMwDBLookupCombo::CloseUp(bool accept) {
  if (!list_visible_) return;
  if (GetCaptureControl() != nullptr) SetCaptureControl(nullptr);
  const QString value = data_list_->SelectedKey();
  data_list_->Hide();
  if (data_list_->HandleAllocated()) data_list_->Handle()->hide();
  data_list_->SetLookupSource(nullptr);
  data_list_->ClearSearch();
  search_text_.clear();
  list_visible_ = false;
  if (accept && CanModify()) {
    if (value != value_) {
      SelectKeyValue(value);
    } else {
      ValueChanged();
    }
  } else {
    ValueChanged();  // back on the combo's own record
  }
  if (CanFocus()) SetFocus();
  Invalidate();
  if (OnCloseUp) OnCloseUp(this);
}

void TMwDBLookupCombo::KeyDown(int &key, TShiftState shift) {
  TMwLookupControl::KeyDown(key, shift);
  if (key == 0) return;
  if ((key == VK_UP || key == VK_DOWN) && shift.Contains(ssAlt)) {
    list_visible_ ? CloseUp(true) : DropDown();
    key = 0;
    return;
  }
  if (list_visible_) {
    int k = key;
    TMessage m;
    m.Msg = WM_KEYDOWN;
    data_list_->OnKeyDown = nullptr;
    // Forwarded as the list's own key handling.
    struct Access : TMwDBLookupList {
      using TMwDBLookupList::KeyDown;
    };
    static_cast<Access *>(static_cast<TMwDBLookupList *>(data_list_))->KeyDown(k, shift);
    key = 0;
    return;
  }
  if ((key == VK_UP || key == VK_DOWN) && CanModify()) {
    TDataSet *ds = lookup_link_->DataSet();
    search_text_.clear();
    if (value_ == EmptyValue() || !LocateKey()) {
      ds->First();
    } else {
      ds->MoveBy(key == VK_UP ? -1 : 1);
    }
    SelectKeyValue(FieldText(key_field_));
    key = 0;
  }
}

void TMwDBLookupCombo::KeyPress(QChar &key) {
  const ushort k = key.unicode();
  if (list_visible_) {
    if (k == 13 || k == 27) {
      CloseUp(k == 13);
    } else {
      data_list_->ProcessSearchKey(key);
    }
    key = QChar();
    Invalidate();
    return;
  }
  if (k >= 32 && CanModify()) {
    DropDown();
    data_list_->ProcessSearchKey(key);
    key = QChar();
    Invalidate();
    return;
  }
  if (k == 27 && escape_clear_ && value_ != EmptyValue() && CanModify()) {
    ClearValue();
    key = QChar();
    return;
  }
  if (k == 13 || k == 27) {
    if (TCustomForm *form = GetParentForm()) form->Perform(CM_DIALOGKEY, k, 0);
    key = QChar();
    return;
  }
  TCustomControl::KeyPress(key);
}

void TMwDBLookupCombo::WMGetDlgCode(TMessage &m) {
  m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
}

void TMwDBLookupCombo::WMKillFocus(TMessage &m) {
  CloseUp(false);
  TMwLookupControl::WMKillFocus(m);
  Invalidate();
}

void TMwDBLookupCombo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TMwLookupControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (CanFocus()) SetFocus();
  list_visible_ ? CloseUp(false) : DropDown();
}

void TMwDBLookupCombo::Paint() {
  TCanvas *c = Canvas();
  c->Font()->Assign(Font());
  const TRect client = ClientRect();
  const int bw = 17;
  c->Brush()->SetStyle(bsSolid);
  const bool hot = Focused() && !list_visible_;
  c->Brush()->SetColor(hot ? clHighlight : Color());
  c->FillRect(Rect(1, 1, client.Right - bw - 1, client.Bottom - 1));
  c->Font()->SetColor(!Enabled() ? clGrayText : hot ? clHighlightText : Font()->Color());
  c->Brush()->SetStyle(bsClear);
  const QString text = ShownText();
  int x = 2;
  if (display_field_ != nullptr && value_ != EmptyValue()) {
    const int area = client.Width() - bw - 2;
    if (display_field_->Alignment() == taRightJustify) x = area - c->TextWidth(text) - 6;
    if (display_field_->Alignment() == taCenter) x = (area - c->TextWidth(text)) / 2;
  }
  c->TextOut(x, (client.Height() - c->TextHeight(text)) / 2, text);
  if (Focused()) c->DrawFocusRect(Rect(1, 1, client.Right - bw - 1, client.Bottom - 1));
  TRect br = Rect(client.Right - bw, 0, client.Right, client.Bottom);
  DrawEdge(c, br, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  c->Pen()->SetColor(list_active_ && Enabled() && !ReadOnly() ? clBtnText : clGrayText);
  const int ax = br.Left + (bw - 7) / 2, ay = client.Height() / 2 - 2;
  for (int r = 0; r < 4; ++r) {
    c->MoveTo(ax + r, ay + r);
    c->LineTo(ax + 7 - r, ay + r);
  }
  c->Brush()->SetColor(clWindowFrame);
  c->FrameRect(client);
  TMwLookupControl::Paint();
}

ORBISCA_PUBLISHED(TMwLookupControl, TCustomControl) {
  p.Property("DataSource", &TMwLookupControl::DataSource, &TMwLookupControl::SetDataSource);
  p.Property("DataField", &TMwLookupControl::DataField, &TMwLookupControl::SetDataField);
  p.Property("LookupSource", &TMwLookupControl::LookupSource, &TMwLookupControl::SetLookupSource);
  p.Property("LookupField", &TMwLookupControl::LookupField, &TMwLookupControl::SetLookupField);
  p.Property("LookupDisplay", &TMwLookupControl::LookupDisplay, &TMwLookupControl::SetLookupDisplay);
  p.Property("LookupDisplayIndex", &TMwLookupControl::LookupDisplayIndex, &TMwLookupControl::SetLookupDisplayIndex).Default(0);
  p.Property("ListStyle", &TMwLookupControl::ListStyle, &TMwLookupControl::SetListStyle).Default(lsFixed);
  p.Property("FieldsDelimiter", &TMwLookupControl::FieldsDelimiter, &TMwLookupControl::SetFieldsDelimiter).Default(',');
  p.Property("EmptyValue", &TMwLookupControl::EmptyValue, &TMwLookupControl::SetEmptyValue);
  p.Property("DisplayEmpty", &TMwLookupControl::DisplayEmpty, &TMwLookupControl::SetDisplayEmpty);
  p.Property("EmptyItemColor", &TMwLookupControl::EmptyItemColor, &TMwLookupControl::SetEmptyItemColor).Default(vcl::clWindow);
  p.Property("IgnoreCase", &TMwLookupControl::IgnoreCase, &TMwLookupControl::SetIgnoreCase).Default(true);
  p.Property("IndexSwitch", &TMwLookupControl::IndexSwitch, &TMwLookupControl::SetIndexSwitch).Default(true);
  p.Property("ItemHeight", &TMwLookupControl::ItemHeight, &TMwLookupControl::SetItemHeight);
  p.Property("ReadOnly", &TMwLookupControl::ReadOnly, &TMwLookupControl::SetReadOnly).Default(false);
  p.Event("OnChange", &TMwLookupControl::OnChange);
}

ORBISCA_PUBLISHED(TMwDBLookupList, TMwLookupControl) {
  p.Property("BorderStyle", &TMwDBLookupList::BorderStyle, &TMwDBLookupList::SetBorderStyle).Default(vcl::bsSingle);
}

ORBISCA_PUBLISHED(TMwDBLookupCombo, TMwLookupControl) {
  p.Property("DropDownAlign", &TMwDBLookupCombo::DropDownAlign, &TMwDBLookupCombo::SetDropDownAlign).Default(daLeft);
  p.Property("DropDownCount", &TMwDBLookupCombo::DropDownCount, &TMwDBLookupCombo::SetDropDownCount).Default(8);
  p.Property("DropDownWidth", &TMwDBLookupCombo::DropDownWidth, &TMwDBLookupCombo::SetDropDownWidth).Default(0);
  p.Property("EscapeClear", &TMwDBLookupCombo::EscapeClear, &TMwDBLookupCombo::SetEscapeClear).Default(true);
  p.Property("DisplayAllFields", &TMwDBLookupCombo::DisplayAllFields, &TMwDBLookupCombo::SetDisplayAllFields).Default(false);
  p.Event("OnDropDown", &TMwDBLookupCombo::OnDropDown);
  p.Event("OnCloseUp", &TMwDBLookupCombo::OnCloseUp);
}

}  // namespace ext
