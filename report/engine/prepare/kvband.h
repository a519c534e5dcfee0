// A run-time band: what preparation makes of a band view (or of nothing,
// for band types the page does not use) while it prepares a template page.
// The chain of bands of one type, the group pairing, the objects placed in
// the band, its record source, its options and its counters and
// aggregates; built by TkvPage::BuildBands and freed by FreeBands.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/rtl/variant.h"
#include "report/engine/expr/kvaggr.h"
#include "report/engine/model/kvclass.h"

namespace report {

class TkvDataset;
class TkvPage;

// What a report is told about the dataset work of a data band.
enum TkvDataSetOperation { opInit = 0, opExit = 1, opFirst = 2, opNext = 3, opPrior = 4 };

// A band being printed: made from a band view (or empty, for band types the
// page does not use) when the page is prepared, freed with FreeBands.
class TkvBand {
 public:
  TkvBand(TkvPage *page, int type) : Page(page), Typ(type) {}

  TkvPage *Page;
  int Typ;
  TkvBand *Next = nullptr;  // further bands of the same type
  TkvBand *Prev = nullptr;
  TkvBand *Last = nullptr;         // first band of a chain: its last one
  TkvBand *GroupFooter = nullptr;  // group header: its paired footer
  int Level = 0;                   // group level, 0 the innermost

  int x = 0, y = 0, dx = 0, dy = 0;
  int CalculatedHeight = 0;
  TkvBandView *View = nullptr;
  std::vector<TkvView *> Objects;
  QStringList MemoLines;
  TkvDataset *DataSource = nullptr;

  QString GroupCondition;
  rtl::Variant GroupValue;

  bool Stretched = false;
  bool ForceNewPage = false;
  bool PrintIfEmpty = false;
  bool Split = false;
  bool FillEmptyRows = false;
  bool EmptyRow = false;  // draws backgrounds and frames only
  bool Printed = false;

  int RowNumber = 0;   // LINE#
  int RowThrough = 0;  // LINETHROUGH#
  // A group footer's memos are expanded once more on each row of its group
  // while that row is still current: "name=1" marks each memo expanded on
  // the row, the flags fall back to "=0" before the next row's expansion,
  // and the counter holds the rows expanded since the data loop began.
  QStringList ExpandFlags;
  int ExpandCount = 0;
  TkvAggregates Aggregates;

  bool HasObjects() const { return !Objects.empty(); }
  bool IsDataBand() const { return Typ == btMasterData || Typ == btDetailData || Typ == btSubDetailData; }
};

}  // namespace report
