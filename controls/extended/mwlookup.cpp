// The lookup controls and the record search they share; see mwlookup.h.
// The list and its popup form are in mwlookuplist.cpp.
#include "controls/extended/mwlookup.h"

#include <QPainter>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

#include "controls/extended/clipicon.h"
#include "controls/extended/timers.h"
#include "controls/extended/tooledit.h"
#include "controls/extended/utils.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/ignorefailure.h"
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
  // The engine's search may take a while on a large table.
  const TCursor saved = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  try {
    const bool found = dataset_->Locate(field_->FieldName(), rtl::Variant(value_), options);
    Screen->SetCursor(saved);
    return found;
  } catch (...) {
    Screen->SetCursor(saved);
    throw;
  }
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
    rtl::IgnoreFailure("a bookmark that no longer leads anywhere leaves the record where the search left it", [&] {
      if (dataset_->Active() && !bookmark.isEmpty() && dataset_->BookmarkValid(bookmark))
        dataset_->GotoBookmark(bookmark);
    });
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

// --- the edited record's link ------------------------------------------------------------------

// In lookup-field mode the key is written into the edited dataset's key
// field, not into the (calculated) lookup field the control is bound to, so
// the link must also follow changes of that key field.
class TLookupFieldLink : public TFieldDataLink {
 public:
  explicit TLookupFieldLink(TMwLookupControl *control) : control_(control) {}

 protected:
  void RecordChanged(TField *field) override {
    if (field != nullptr && field != Field() && field == control_->master_field_) {
      control_->MasterDataChanged();
      return;
    }
    TFieldDataLink::RecordChanged(field);
  }
  void LayoutChanged() override {
    TFieldDataLink::LayoutChanged();
    control_->MasterDataChanged();
  }

 private:
  TMwLookupControl *control_;
};

// --- TMwLookupControl -----------------------------------------------------------------------------

TMwLookupControl::TMwLookupControl(TComponent *owner)
    : TCustomControl(owner),
      lookup_link_(std::make_unique<TLookupSourceLink>(this)),
      data_link_(std::make_unique<TLookupFieldLink>(this)) {
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

namespace {
void CheckNotCircular(TDataSource *a, TDataSource *b) {
  if (a != nullptr && b != nullptr && a->DataSet() != nullptr && a->DataSet() == b->DataSet())
    DatabaseError(QStringLiteral("Circular datalinks are not allowed"));
}
}  // namespace

void TMwLookupControl::SetDataSource(TDataSource *source) {
  if (!lookup_mode_) CheckNotCircular(source, LookupSource());
  data_link_->SetDataSource(source);
  MasterDataChanged();
}

TDataSource *TMwLookupControl::DataSource() const { return data_link_->DataSource(); }
QString TMwLookupControl::DataField() const { return data_link_->FieldName(); }

void TMwLookupControl::SetDataField(const QString &name) {
  data_link_->SetFieldName(name);
  MasterDataChanged();
}

TField *TMwLookupControl::MasterField() const { return lookup_mode_ ? master_field_ : data_link_->Field(); }

void TMwLookupControl::CheckNotFixed() const {
  if (lookup_mode_) DatabaseError(QStringLiteral("Property already defined by lookup field"));
  if (data_source_fixed_) DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"));
}

void TMwLookupControl::UpdateLookupMode() {
  TField *f = data_link_->Field();
  const bool mode = f != nullptr && f->FieldKind() == fkLookup && f->DataSet() != nullptr;
  if (mode) {
    TField *master = f->DataSet()->FindField(f->KeyFields());
    TDataSet *lookup = f->LookupDataSet();
    if (lookup_mode_ && master == master_field_ && mode_source_ && mode_source_->DataSet() == lookup &&
        lookup_field_ == f->LookupKeyFields() && lookup_display_ == f->LookupResultField())
      return;
    lookup_mode_ = true;
    master_field_ = master;
    if (!mode_source_) mode_source_ = std::make_unique<TDataSource>();
    mode_source_->SetDataSet(lookup);
    lookup_field_ = f->LookupKeyFields();
    lookup_display_ = f->LookupResultField();
    lookup_display_index_ = 0;
    lookup_link_->SetDataSource(mode_source_.get());
    LookupActiveChanged();
  } else if (lookup_mode_) {
    // Leaving the mode drops what the field had defined.
    lookup_mode_ = false;
    master_field_ = nullptr;
    lookup_link_->SetDataSource(nullptr);
    mode_source_.reset();
    lookup_field_.clear();
    lookup_display_.clear();
    LookupActiveChanged();
  }
}

bool TMwLookupControl::EditMaster() {
  // A lookup field cannot be modified itself: the edit goes through the
  // link's data source for the key field's sake.
  if (lookup_mode_) return data_link_->TDataLink::Edit();
  return data_link_->Edit();
}

void TMwLookupControl::MasterDataChanged() {
  UpdateLookupMode();
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
  CheckNotFixed();
  CheckNotCircular(source, DataSource());
  lookup_link_->SetDataSource(source);
  LookupActiveChanged();
}

void TMwLookupControl::SetLookupField(const QString &value) {
  CheckNotFixed();
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
  if (display_empty_ == value) return;
  display_empty_ = value;
  LookupLayoutChanged();
  Invalidate();
}

bool TMwLookupControl::ReadOnly() const { return data_link_->ReadOnly(); }

void TMwLookupControl::SetReadOnly(bool value) {
  data_link_->SetReadOnly(value);
  Invalidate();
}

TSize TMwLookupControl::MeasureText(const QString &text) const {
  TCanvas c;
  QImage img(1, 1, QImage::Format_RGB32);
  c.SetImage(&img);
  c.Font()->Assign(Font());
  return c.TextExtent(text);
}

int TMwLookupControl::ItemHeight() const { return std::max(MeasureText(QStringLiteral("Xy")).cy, item_height_); }

bool TMwLookupControl::ItemHeightStored() const { return item_height_ > MeasureText(QStringLiteral("Xy")).cy; }

void TMwLookupControl::SetItemHeight(int value) {
  item_height_ = value;
  Invalidate();
}

bool TMwLookupControl::CanModify() const {
  if (!list_active_ || ReadOnly()) return false;
  if (DataSource() == nullptr) return true;
  TField *master = MasterField();
  return master != nullptr && !data_link_->ReadOnly() && master->CanModify();
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
  if (list_active_) locate_.ActiveChanged();
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
  if (CanModify() && DataSource() != nullptr && EditMaster()) {
    // The record-change notice brings the value back here.
    MasterField()->SetAsString(value);
    if (value == value_) ValueChanged();
    return;
  }
  SetValueInternal(value);
}

void TMwLookupControl::SelectKeyValue(const QString &key) {
  if (DataSource() != nullptr) {
    if (CanModify() && EditMaster()) MasterField()->SetAsString(key);
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
    if (EditMaster()) {
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
  // The typed characters are those of the 8-bit code page from the blank
  // on: the euro sign among them, characters it cannot hold not.
  const bool printable =
      k != 8 && rtl::IsCp1252(QString(key)) && static_cast<unsigned char>(rtl::ToCp1252Char(key)) >= 32;
  if (!(k == 8 || printable) || !CanModify()) return;
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

// --- row painting ---------------------------------------------------------------------------------

std::vector<TRowColumn> TMwLookupControl::RowColumns(bool is_empty) const {
  std::vector<TRowColumn> columns;
  for (size_t i = 0; i < list_fields_.size(); ++i) {
    TField *f = list_fields_[i];
    if (is_empty)
      columns.push_back({i == 0 ? display_empty_ : QString(), f->DisplayWidth(), taLeftJustify});
    else
      columns.push_back({FieldText(f), f->DisplayWidth(), f->Alignment()});
  }
  if (is_empty && columns.empty()) columns.push_back({display_empty_, 0, taLeftJustify});
  return columns;
}

int TMwLookupControl::DrawRowImage(TCanvas *c, const TRect &r, bool is_empty) {
  if (!OnGetImage) return 0;
  int margin = 0;
  TGraphic *graphic = nullptr;
  OnGetImage(this, is_empty, margin, graphic);
  if (graphic == nullptr || graphic->Empty() || margin <= 0) return 0;
  c->IntersectClipRect(r);
  if (auto *icon = dynamic_cast<TIcon *>(graphic)) {
    // At the size of the handle made for the display, masked.
    rtl::IgnoreFailure("a damaged icon leaves its margin blank rather than stop the painting", [&] {
      HICON handle = CreateRealSizeIcon(icon);
      const TSize size = IconHandleSize(handle.get());
      QImage image = handle->color.isNull() ? icon->ToImage() : handle->color.convertToFormat(QImage::Format_ARGB32);
      if (!handle->color.isNull() && handle->mask.size() == image.size()) {
        const QImage mask = handle->mask.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x)
            if (qGray(mask.pixel(x, y)) > 127) image.setPixel(x, y, 0);
      }
      const int x = r.Left + (margin - size.cx) / 2, y = r.Top + (r.Height() - size.cy) / 2;
      if (QPainter *painter = c->Painter()) painter->drawImage(QRect(x, y, size.cx, size.cy), image);
    });
  } else {
    const int x = r.Left + (margin - graphic->Width()) / 2, y = r.Top + (r.Height() - graphic->Height()) / 2;
    if (auto *bitmap = dynamic_cast<TBitmap *>(graphic))
      DrawBitmapMasked(c, x, y, bitmap, bitmap->TransparentColor());
    else
      c->Draw(x, y, graphic);
  }
  c->ResetClip();
  return margin;
}

void TMwLookupControl::DrawRowText(TCanvas *c, const TRect &r, const std::vector<TRowColumn> &columns) {
  c->Brush()->SetStyle(bsClear);
  if (list_style_ == lsDelimited) {
    QStringList parts;
    for (const TRowColumn &col : columns) parts << col.text;
    const QString text = parts.join(QString(fields_delimiter_) + ' ');
    c->TextRect(r, r.Left + 2, r.Top + (r.Height() - c->TextHeight(QStringLiteral("Xy"))) / 2, text);
    return;
  }
  const int m = c->TextWidth(QStringLiteral("M"));
  const int th = c->TextHeight(QStringLiteral("Xy"));
  int x = r.Left;
  for (size_t i = 0; i < columns.size() && x < r.Right; ++i) {
    const TRowColumn &col = columns[i];
    const bool last = i + 1 == columns.size();
    const int w = last ? r.Right - x : std::min(col.display_width * m + 4, r.Right - x);
    const int tw = c->TextWidth(col.text);
    int tx = 2;
    if (col.alignment == taRightJustify) tx = w - tw - 3;
    if (col.alignment == taCenter) tx = (w - tw) / 2;
    c->TextRect(Rect(x, r.Top, x + w, r.Bottom), x + tx, r.Top + (r.Height() - th) / 2, col.text);
    if (!last) {
      c->Pen()->SetColor(Color() == clBtnFace ? clBtnFace : clBtnShadow);
      c->MoveTo(x + w - 1, r.Top);
      c->LineTo(x + w - 1, r.Bottom);
    }
    x += w;
  }
}

int TMwLookupControl::FullColumnsWidth() {
  const int m = MeasureText(QStringLiteral("M")).cx;
  int width = VScrollBarWidth();
  for (TField *f : list_fields_) width += f->DisplayWidth() * m + 4;
  return std::min(width, ScreenRect().Width());
}

// --- TMwDBLookupCombo --------------------------------------------------------------------------------

TMwDBLookupCombo::TMwDBLookupCombo(TComponent *owner) : TMwLookupControl(owner) {
  SetBounds(0, 0, 145, 21);
  SetEscapeClear(true);
  SetIgnoreCase(true);
  data_list_ = new TMwPopupDataList(this);
  data_list_->OnCloseUp = [this](bool accept) { CloseUp(accept); };
}

TMwDBLookupCombo::~TMwDBLookupCombo() {
  // The open list may follow the data source this combo made for a lookup
  // field, which goes before the owner frees the list.
  if (data_list_ != nullptr) {
    data_list_->StopTracking();
    data_list_->SetLookupSource(nullptr);
  }
}

int TMwDBLookupCombo::ButtonWidth() const { return VScrollBarWidth(); }

int TMwDBLookupCombo::MinHeight() {
  const int border = 4;  // the sunken client edge, both sides
  return MeasureText(QStringLiteral("Xy")).cy + border + 3;
}

void TMwDBLookupCombo::SetBounds(int left, int top, int width, int height) {
  TMwLookupControl::SetBounds(left, top, width, std::max(height, MinHeight()));
}

bool TMwDBLookupCombo::InButton(int x, int y) const {
  return x >= Width() - ButtonWidth() && x < Width() && y >= 0 && y < Height();
}

void TMwDBLookupCombo::ValueChanged() {
  columns_.clear();
  if (LookupMode()) {
    // The field knows its own text; the lookup dataset is still put on the
    // key's record for whoever reads it next.
    if (list_active_ && value_ != EmptyValue()) Locate(key_field_, value_, true);
    TField *f = data_link_->Field();
    display_value_ = f != nullptr ? f->DisplayText() : QString();
    Invalidate();
    return;
  }
  TMwLookupControl::ValueChanged();
  // Kept, not read at paint time: another control may move the dataset.
  if (list_active_ && value_ != EmptyValue()) columns_ = RowColumns(false);
}

QString TMwDBLookupCombo::ShownText() const {
  if (list_visible_) {
    if (!data_list_->SearchText().isEmpty()) return data_list_->SearchText();
    return data_list_->DisplayValue();
  }
  if (!list_active_ && !LookupMode()) return QString();
  if (value_ == EmptyValue()) return DisplayEmpty();
  if (DisplayAllFields()) {
    QStringList parts;
    for (const TRowColumn &col : columns_) parts << col.text;
    return parts.join(QString(FieldsDelimiter()) + ' ');
  }
  return display_value_;
}

void TMwDBLookupCombo::DropDown() {
  if (list_visible_ || !CanModify()) return;
  if (OnDropDown) OnDropDown(this);
  data_list_->SetColor(Color());
  data_list_->Font()->Assign(Font());
  data_list_->SetItemHeight(ItemHeight());
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
  if (drop_down_width_ < 0) w = std::max(Width(), data_list_->FullColumnsWidth());
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

void TMwDBLookupCombo::StopTracking() {
  if (tracking_ || list_tracking_) {
    if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  }
  tracking_ = false;
  list_tracking_ = false;
  if (pressed_) {
    pressed_ = false;
    Invalidate();
  }
}

void TMwDBLookupCombo::CloseUp(bool accept) {
  if (!list_visible_) return;
  StopTracking();
  if (GetCaptureControl() != nullptr) SetCaptureControl(nullptr);
  data_list_->StopTracking();
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
    data_list_->KeyDown(k, shift);
    key = 0;
    Invalidate();
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

void TMwDBLookupCombo::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS; }

void TMwDBLookupCombo::WMKillFocus(TMessage &m) {
  CloseUp(false);
  TMwLookupControl::WMKillFocus(m);
  Invalidate();
}

void TMwDBLookupCombo::Dispatch(TMessage &m) {
  if (m.Msg == CM_CANCELMODE) {
    // Any other control entering a modal state closes the list.
    auto *sender = reinterpret_cast<TControl *>(m.LParam);
    if (sender != this && sender != data_list_) CloseUp(false);
    return;
  }
  TMwLookupControl::Dispatch(m);
}

void TMwDBLookupCombo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TMwLookupControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (CanFocus()) SetFocus();
  if (list_visible_) {
    CloseUp(false);
    return;
  }
  DropDown();
  tracking_ = true;
  pressed_ = InButton(x, y);
  Invalidate();
}

void TMwDBLookupCombo::MouseMove(TShiftState shift, int x, int y) {
  TMwLookupControl::MouseMove(shift, x, y);
  if (HandleAllocated()) {
    // The button keeps the standard arrow whatever the control's cursor.
    if (InButton(x, y))
      Handle()->setCursor(Qt::ArrowCursor);
    else
      Handle()->unsetCursor();
  }
  if (list_tracking_) {
    const TPoint p = data_list_->ScreenToClient(ClientToScreen({x, y}));
    data_list_->MouseMove(shift, p.X, p.Y);
    return;
  }
  if (!tracking_) return;
  const bool pressed = InButton(x, y);
  if (pressed != pressed_) {
    pressed_ = pressed;
    Invalidate();
  }
  if (list_visible_) {
    // Dragging into the open list hands the press over to it.
    const TPoint p = data_list_->ScreenToClient(ClientToScreen({x, y}));
    if (p.X >= 0 && p.Y >= 0 && p.X < data_list_->Width() && p.Y < data_list_->Height()) {
      tracking_ = false;
      pressed_ = false;
      list_tracking_ = true;
      data_list_->MouseDown(mbLeft, shift, p.X, p.Y);
      Invalidate();
    }
  }
}

void TMwDBLookupCombo::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (list_tracking_ && button == mbLeft) {
    list_tracking_ = false;
    const TPoint p = data_list_->ScreenToClient(ClientToScreen({x, y}));
    data_list_->MouseUp(button, shift, p.X, p.Y);  // closes, accepting inside the list
  } else {
    StopTracking();
  }
  TMwLookupControl::MouseUp(button, shift, x, y);
}

void TMwDBLookupCombo::Paint() {
  TCanvas *c = Canvas();
  c->Font()->Assign(Font());
  const TRect client = ClientRect();
  const int bw = ButtonWidth();
  const TRect area = Rect(1, 1, client.Right - bw - 1, client.Bottom - 1);
  c->Brush()->SetStyle(bsSolid);
  const bool hot = Focused() && !list_visible_;
  c->Brush()->SetColor(hot ? clHighlight : Color());
  c->FillRect(area);
  c->Font()->SetColor(!Enabled() ? clGrayText : hot ? clHighlightText : Font()->Color());
  const bool is_empty = value_ == EmptyValue();
  const int margin = DrawRowImage(c, area, is_empty);
  const QString text = ShownText();
  c->Brush()->SetStyle(bsClear);
  if (DisplayAllFields() && ListStyle() == lsFixed && !is_empty && !list_visible_) {
    DrawRowText(c, Rect(area.Left + margin, area.Top, area.Right, area.Bottom), columns_);
  } else {
    int x = margin > 0 ? margin + 1 : 2;
    if (display_field_ != nullptr && !is_empty && !DisplayAllFields()) {
      const int width = area.Width();
      if (display_field_->Alignment() == taRightJustify) x = width - c->TextWidth(text) - 6;
      if (display_field_->Alignment() == taCenter) x = (width + margin - c->TextWidth(text)) / 2;
    }
    c->TextRect(area, area.Left + x, (client.Height() - c->TextHeight(text)) / 2, text);
  }
  if (Focused()) c->DrawFocusRect(area);
  TRect br = Rect(client.Right - bw, 0, client.Right, client.Bottom);
  const bool inactive = !list_active_ || !Enabled() || ReadOnly();
  if (pressed_ && !inactive)
    DrawEdge(c, br, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_FLAT);
  else
    DrawEdge(c, br, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  c->Pen()->SetColor(inactive ? clGrayText : clBtnText);
  const int shift = pressed_ && !inactive ? 1 : 0;
  const int ax = br.Left + (bw - 7) / 2 + shift, ay = client.Height() / 2 - 2 + shift;
  for (int r = 0; r < 4; ++r) {
    c->MoveTo(ax + r, ay + r);
    c->LineTo(ax + 7 - r, ay + r);
  }
  c->Brush()->SetStyle(bsSolid);
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
  p.Property("LookupDisplayIndex", &TMwLookupControl::LookupDisplayIndex, &TMwLookupControl::SetLookupDisplayIndex)
      .Default(0);
  p.Property("ListStyle", &TMwLookupControl::ListStyle, &TMwLookupControl::SetListStyle).Default(lsFixed);
  p.Property("FieldsDelimiter", &TMwLookupControl::FieldsDelimiter, &TMwLookupControl::SetFieldsDelimiter).Default(',');
  p.Property("EmptyValue", &TMwLookupControl::EmptyValue, &TMwLookupControl::SetEmptyValue);
  p.Property("DisplayEmpty", &TMwLookupControl::DisplayEmpty, &TMwLookupControl::SetDisplayEmpty);
  p.Property("EmptyItemColor", &TMwLookupControl::EmptyItemColor, &TMwLookupControl::SetEmptyItemColor)
      .Default(vcl::clWindow);
  p.Property("IgnoreCase", &TMwLookupControl::IgnoreCase, &TMwLookupControl::SetIgnoreCase).Default(true);
  p.Property("IndexSwitch", &TMwLookupControl::IndexSwitch, &TMwLookupControl::SetIndexSwitch).Default(true);
  p.Property("ItemHeight", &TMwLookupControl::ItemHeight, &TMwLookupControl::SetItemHeight)
      .StoredIf([](const rtl::TObject *o) { return static_cast<const TMwLookupControl *>(o)->ItemHeightStored(); });
  p.Property("ReadOnly", &TMwLookupControl::ReadOnly, &TMwLookupControl::SetReadOnly).Default(false);
  p.Event("OnChange", &TMwLookupControl::OnChange);
  p.Event("OnGetImage", &TMwLookupControl::OnGetImage);
}

ORBISCA_PUBLISHED(TMwDBLookupCombo, TMwLookupControl) {
  p.Property("DropDownAlign", &TMwDBLookupCombo::DropDownAlign, &TMwDBLookupCombo::SetDropDownAlign).Default(daLeft);
  p.Property("DropDownCount", &TMwDBLookupCombo::DropDownCount, &TMwDBLookupCombo::SetDropDownCount).Default(8);
  p.Property("DropDownWidth", &TMwDBLookupCombo::DropDownWidth, &TMwDBLookupCombo::SetDropDownWidth).Default(0);
  p.Property("EscapeClear", &TMwDBLookupCombo::EscapeClear, &TMwDBLookupCombo::SetEscapeClear).Default(true);
  p.Property("DisplayAllFields", &TMwDBLookupCombo::DisplayAllFields, &TMwDBLookupCombo::SetDisplayAllFields)
      .Default(false);
  p.Event("OnDropDown", &TMwDBLookupCombo::OnDropDown);
  p.Event("OnCloseUp", &TMwDBLookupCombo::OnCloseUp);
}

}  // namespace ext
