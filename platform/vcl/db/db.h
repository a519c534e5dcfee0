// The data-access contract of the component library: the dataset base
// (`TDataSet`) with its window of record buffers, states, events and
// overridable slots; the field objects through which every control, report
// and form reads and writes values; field and index definitions; data
// sources and the links that tie controls and detail datasets to a dataset.
//
// A concrete dataset (the program's table over the database engine, or the
// in-memory dataset of the tests) derives from TDataSet and fills the slots
// marked "slot" below. How it fits together:
//
// - Record buffers are objects of the dataset's own making. The base knows
//   them as `TRecordBuffer`, a pointer to `TRecordData`, which holds what the
//   base itself needs of every buffer (bookmark, bookmark flag, the values of
//   calculated and lookup fields). A dataset derives its buffer type from
//   TRecordData, creates it in AllocRecordBuffer and deletes it in
//   FreeRecordBuffer.
// - Field values cross the slot boundary as `rtl::Variant` in the field's
//   native kind: String for string fields, Integer for the integer kinds,
//   Boolean, Double for float, currency and BCD, Date (a TDateTime) for the
//   date and time kinds, Bytes for byte fields and blobs, String for memos.
//   GetFieldData answers false for a null value.
// - Which buffer a field reads depends on the state (GetActiveRecordBuffer):
//   the active record while browsing or editing, the calculation buffer in
//   dsCalcFields, the filter buffer while a row is being judged.
// - SetFieldData of a dataset calls `field->Validate(value)` for data fields
//   before it stores anything, and ends with DataEvent(deFieldChange) unless
//   the state is one of the internal ones (see NotifiesFieldChange).
//
// The contract is declared by family: dbtypes.h (states, types, events,
// record buffers), fielddefs.h, indexdefs.h, fields.h, dataset.h,
// datalink.h (sources and links) and bookmarks.h; this header brings them
// all, for callers that use the contract as a whole.
#pragma once

#include "platform/vcl/db/bookmarks.h"
#include "platform/vcl/db/datalink.h"
#include "platform/vcl/db/dataset.h"
#include "platform/vcl/db/dbtypes.h"
#include "platform/vcl/db/fielddefs.h"
#include "platform/vcl/db/fields.h"
#include "platform/vcl/db/indexdefs.h"
