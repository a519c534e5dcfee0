// The designer's side of the engine's editor table (engine/model/
// kvservices.h): the format dialog, the field and variables pickers and
// the expression editor, for the engine's own objects to open.
#pragma once

namespace report {

// Fills the table; called once when the designer starts
// (KvInstallDesignerEditors).
void KvInstallEditorServices();

}  // namespace report
