// Containers of the styled library: non-visual components holding numbered
// bitmaps, image strips, string lists and wave sounds, which controls and
// the message box share by referring to a list and an index in it.
//
// - Items are components owned by their container; each writes itself as
//   one item record (flags, description, identifier, data; the stored forms
//   of qelstrm.h) and reads it back.
// - A container tells its users of every change through change links; a
//   `TQELContainerComponent` keeps one link on the list it shows from and
//   loses the reference when that list is freed. Index references are not
//   renumbered when an item goes: the user is told of the change and the
//   same index then names the next item, or nothing.
// - `QELContainer()` is the library-wide container: one list of each kind,
//   made on first use and freed at exit. Form data refers to its bitmap and
//   image lists by the signatures "QELBML30" and "QELIML30".
// - Container files: a signature naming the kind, the item count, one
//   offset per item and the item records, so a single item can be read
//   without the rest.
//
// Every reader meets damaged data with an exception (EQELDamagedData,
// EReadError, EInvalidGraphic or EInvalidGraphicOperation) and leaves the
// container as consistent as before: counts and sizes are checked against
// the bytes that are there before anything is allocated.
//
// Declared by family: qelcontitems.h (the items), qelcontainers.h (change
// links, lists, the connector, the library-wide container, container files)
// and qelcontcomp.h (the components that show a list's image); this header
// brings them all.
#pragma once

#include "controls/styled/qelcontainers.h"
#include "controls/styled/qelcontcomp.h"
#include "controls/styled/qelcontitems.h"
