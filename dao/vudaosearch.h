// The search bar of a table: a panel with a column choice, a value edit
// and a "Cerca" button that moves the bound TVuDaoTable to the first row
// whose column starts with the typed text (ignoring case). With
// IncrementalSearch every keystroke searches. The archive browser shows
// one under its grid; the data source is set at run time.
#pragma once

#include <memory>

#include "platform/vcl/db/db.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace dao {

class TVuDaoTable;

class TVuDaoSearch : public vcl::TPanel {
  ORBISCA_CLASS(TVuDaoSearch, vcl::TPanel)

 public:
  explicit TVuDaoSearch(vcl::TComponent *owner);
  ~TVuDaoSearch() override;

  bool IncrementalSearch() const { return incremental_search_; }
  void SetIncrementalSearch(bool v) { incremental_search_ = v; }
  vcl::TDataSource *DataSource() const;
  void SetDataSource(vcl::TDataSource *source);

  // The child controls (for the forms that embed the bar, and for tests).
  vcl::TLabel *ColumnLabel() const { return label_; }
  vcl::TComboBox *ColumnBox() const { return column_box_; }
  vcl::TEdit *ValueEdit() const { return value_edit_; }
  vcl::TButton *SearchButton() const { return search_button_; }
  // True when the table is searched through its index fields.
  bool SearchesByIndex() const { return by_index_; }

  // Runs the search as the button does; never raises.
  void Search();

  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  void Loaded() override;

 private:
  TVuDaoTable *ActiveTable() const;
  void EnableAndFill();
  void UpdateEnabled();
  void Arrange();

  std::unique_ptr<vcl::TFieldDataLink> link_;
  vcl::TLabel *label_ = nullptr;
  vcl::TComboBox *column_box_ = nullptr;
  vcl::TEdit *value_edit_ = nullptr;
  vcl::TButton *search_button_ = nullptr;
  bool incremental_search_ = false;
  bool by_index_ = false;
};

}  // namespace dao
