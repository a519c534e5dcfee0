// Options dialogs of the text and rich-text export filters.
#include "report/engine/kvrtfexp.h"
#include "report/engine/kvtxtexp.h"

namespace report {

bool TkvTextExportFilter::ShowOptions() { return true; }
bool TkvRichExportFilter::ShowOptions() { return true; }

}  // namespace report
