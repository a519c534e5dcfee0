// The table search bar (see vudaosearch.h).
#include "dao/vudaosearch.h"

#include "dao/vudaotable.h"
#include "platform/jet/jetconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/typinfo.h"

namespace dao {

TVuDaoSearch::TVuDaoSearch(vcl::TComponent *owner)
    : vcl::TPanel(owner), link_(std::make_unique<vcl::TFieldDataLink>()) {
  SetBevelInner(vcl::bvLowered);
  SetBevelOuter(vcl::bvRaised);
  SetCaption(QString());

  label_ = new vcl::TLabel(this);
  label_->SetParent(this);
  label_->SetCaption(QStringLiteral("Colonna :"));
  column_box_ = new vcl::TComboBox(this);
  column_box_->SetParent(this);
  column_box_->SetStyle(vcl::csDropDownList);
  value_edit_ = new vcl::TEdit(this);
  value_edit_->SetParent(this);
  value_edit_->OnChange = [this](rtl::TObject *) {
    if (incremental_search_) search_button_->Click();
  };
  search_button_ = new vcl::TButton(this);
  search_button_->SetParent(this);
  search_button_->SetCaption(QStringLiteral("Cerca"));
  search_button_->SetDefault(true);
  search_button_->OnClick = [this](rtl::TObject *) { Search(); };
  Arrange();

  link_->SetControl(this);
  link_->OnActiveChange = [this](rtl::TObject *) { EnableAndFill(); };
  link_->OnDataChange = [this](rtl::TObject *) { UpdateEnabled(); };
}

TVuDaoSearch::~TVuDaoSearch() { link_->SetDataSource(nullptr); }

void TVuDaoSearch::Arrange() {
  label_->SetLeft(10);
  label_->SetTop(10 + (column_box_->Height() - label_->Height()) / 2);
  column_box_->SetLeft(label_->Left() + label_->Width() + 5);
  column_box_->SetTop(10);
  value_edit_->SetLeft(column_box_->Left() + column_box_->Width() + 5);
  value_edit_->SetTop(10);
  search_button_->SetLeft(value_edit_->Left() + value_edit_->Width() + 5);
  search_button_->SetTop(10 + (value_edit_->Height() - search_button_->Height()) / 2);
  SetWidth(search_button_->Left() + search_button_->Width() + 6 * BevelWidth() + 5);
  SetHeight(search_button_->Height() + 6 * BevelWidth() + 10);
}

vcl::TDataSource *TVuDaoSearch::DataSource() const { return link_->DataSource(); }

void TVuDaoSearch::SetDataSource(vcl::TDataSource *source) {
  link_->SetDataSource(source);
  if (source != nullptr) source->FreeNotification(this);
  EnableAndFill();
}

void TVuDaoSearch::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TPanel::Notification(component, operation);
  if (operation == vcl::opRemove && link_ != nullptr && component == link_->DataSource()) link_->SetDataSource(nullptr);
}

void TVuDaoSearch::Loaded() {
  vcl::TPanel::Loaded();
  EnableAndFill();
}

TVuDaoTable *TVuDaoSearch::ActiveTable() const {
  vcl::TDataSet *dataset = link_->DataSet();
  auto *table = dynamic_cast<TVuDaoTable *>(dataset);
  return table != nullptr && table->Active() ? table : nullptr;
}

void TVuDaoSearch::UpdateEnabled() {
  TVuDaoTable *table = ActiveTable();
  SetEnabled(table != nullptr && !(table->TableType() == jet::dbOpenTable && table->IndexDefs().Count() == 0));
}

void TVuDaoSearch::EnableAndFill() {
  TVuDaoTable *table = ActiveTable();
  by_index_ = false;
  column_box_->Items()->Clear();
  if (table == nullptr) {
    SetEnabled(false);
    return;
  }
  SetEnabled(true);
  if (table->TableType() == jet::dbOpenTable) {
    // A table recordset is searched by seeking its current index; without
    // indexes there is nothing to seek on.
    if (table->IndexDefs().Count() == 0) {
      SetEnabled(false);
      return;
    }
    by_index_ = true;
    for (int i = 0; i < table->IndexFieldCount(); ++i) {
      vcl::TField *f = table->IndexField(i);
      if (f != nullptr && f->FieldKind() == vcl::fkData && f->Visible()) column_box_->Items()->Add(f->FieldName());
    }
  } else {
    for (int i = 0; i < table->FieldCount(); ++i) {
      vcl::TField *f = table->Fields()[i];
      if (f->FieldKind() == vcl::fkData && f->Visible()) column_box_->Items()->Add(f->FieldName());
    }
  }
  column_box_->SetItemIndex(column_box_->Items()->Count() > 0 ? 0 : -1);
}

void TVuDaoSearch::Search() {
  TVuDaoTable *table = ActiveTable();
  if (table == nullptr || column_box_->ItemIndex() < 0) return;
  const QString column = column_box_->Items()->Get(column_box_->ItemIndex());
  const rtl::Variant value(value_edit_->Text());
  rtl::IgnoreFailure(
      "a value the column cannot hold (letters in a number column while typing) is no match; the bar never interrupts "
      "the typing",
      [&] {
        if (by_index_) {
          const bool saved = table->AutoFindIndex();
          table->SetAutoFindIndex(true);
          try {
            if (!table->Locate(column, value, vcl::loCaseInsensitive))
              table->Locate(column, value, vcl::loCaseInsensitive | vcl::loPartialKey);
          } catch (...) {
            table->SetAutoFindIndex(saved);
            throw;
          }
          table->SetAutoFindIndex(saved);
        } else if (!table->FindFirstByKey(column, value, vcl::loCaseInsensitive)) {
          table->FindFirstByKey(column, value, vcl::loCaseInsensitive | vcl::loPartialKey);
        }
      });
}

ORBISCA_PUBLISHED(TVuDaoSearch, vcl::TPanel) {
  p.Property("IncrementalSearch", &TVuDaoSearch::IncrementalSearch, &TVuDaoSearch::SetIncrementalSearch).Default(false);
  p.Property("DataSource", &TVuDaoSearch::DataSource, &TVuDaoSearch::SetDataSource);
}

}  // namespace dao
