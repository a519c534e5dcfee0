// What the grid's files share and nobody else needs: the quiet state of a
// long walk over the records and the way back to a bookmark.
#pragma once

#include "platform/vcl/controls.h"
#include "platform/vcl/db/db.h"

namespace dao::grid_private {

// The disabled controls and grid of a long operation, put back however it ends.
class QuietGrid {
 public:
  QuietGrid(vcl::TControl *grid, vcl::TDataSet *ds) : grid_(grid), ds_(ds), enabled_(grid->Enabled()) {
    grid_->SetEnabled(false);
    ds_->DisableControls();
  }
  ~QuietGrid() {
    ds_->EnableControls();
    grid_->SetEnabled(enabled_);
  }
  QuietGrid(const QuietGrid &) = delete;
  QuietGrid &operator=(const QuietGrid &) = delete;

 private:
  vcl::TControl *grid_;
  vcl::TDataSet *ds_;
  bool enabled_;
};

inline void GoBack(vcl::TDataSet *ds, const vcl::TBookmark &bookmark) {
  if (bookmark.isEmpty()) return;
  try {
    ds->GotoBookmark(bookmark);
  } catch (const rtl::Exception &) {
    // the record may have gone; staying where we are is all we can do
  }
}

}  // namespace dao::grid_private
