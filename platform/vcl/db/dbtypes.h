// The vocabulary shared by the data-access contract (see db.h): dataset
// states, field types and kinds, the modes and results of the record
// slots, data events, locate and resync options, bookmarks, the base of a
// record buffer and the event signatures of datasets and fields.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/component.h"
#include "platform/vcl/typinfo.h"

namespace vcl {

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFieldDefs;
class TIndexDefs;

// ---- enumerations ------------------------------------------------------------

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening,
};

// The numbers are part of the contract: the grid's clipboard format writes
// them (string 1, boolean 5, date 9, time 10, date-time 11, blob 15, memo 16).
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
ORBISCA_ENUM_INFO(TFieldKind, fkData, fkCalculated, fkLookup, fkInternalCalc)

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TDataAction { daFail, daAbort, daRetry };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange,
};

// Locate options: bit 0 case-insensitive, bit 1 partial key.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// Resync modes, combinable: rmExact fails when the cursor's record is gone,
// rmCenter puts the active record in the middle of the window.
enum TResyncModeFlag : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// The type's name as messages and type lists write it ("Float", "String").
QString FieldTypeName(TFieldType type);

// Raises EDatabaseError with `message`; with a component, its name and ": "
// come first, as the platform's database errors read.
[[noreturn]] void DatabaseError(const QString &message, const TComponent *component = nullptr);
// DatabaseError "Field 'name' not found".
[[noreturn]] void FieldNotFoundError(const QString &name, const TComponent *component = nullptr);

// Bookmarks are the dataset's own bytes for a record (the engine table uses
// four); an empty bookmark is "none".
using TBookmark = QByteArray;

// ---- record buffers ----------------------------------------------------------

struct TRecordData {
  virtual ~TRecordData() = default;
  TBookmark Bookmark;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  // Calculated and lookup fields, indexed by TField::Offset(); a Null entry
  // is a null value.
  std::vector<rtl::Variant> CalcValues;
};
using TRecordBuffer = TRecordData *;

// ---- events ------------------------------------------------------------------

using TDataSetNotifyEvent = std::function<void(TDataSet *)>;
using TDataSetErrorEvent = std::function<void(TDataSet *, const rtl::Exception &, TDataAction &)>;
using TFilterRecordEvent = std::function<void(TDataSet *, bool &accept)>;
using TFieldNotifyEvent = std::function<void(TField *)>;
using TFieldGetTextEvent = std::function<void(TField *, QString &text, bool display_text)>;
using TFieldSetTextEvent = std::function<void(TField *, const QString &text)>;

}  // namespace vcl
