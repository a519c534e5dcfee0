// The add-in object registry (at most 32 classes, found by exact class
// name, each with its palette glyph, hint and editor) and the factory that
// makes a view by the type code a template stores.
#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace vcl {
class TBitmap;
}

namespace report {

class TkvReport;
class TkvView;

// Makes a view of a registered class for a report (its virtual constructor).
using TkvViewFactory = std::function<TkvView *(TkvReport *report)>;
// Shows the class's editor for one object; true when the user confirmed.
using TkvEditorFunc = std::function<bool(TkvView *view)>;

struct TkvAddInObjectInfo {
  QString ClassName;  // of the view class
  TkvViewFactory Create;
  QString EditorClassName;
  TkvEditorFunc Editor;
  std::shared_ptr<vcl::TBitmap> Bitmap;  // palette button glyph
  QString Hint;                          // palette button hint
};

inline constexpr int kvMaxAddIns = 32;

// Registers an add-in object class. A class registered again replaces its
// entry; beyond 32 classes nothing is added and false is returned.
bool RegisterObject(const TkvAddInObjectInfo &info);
template <class View>
bool RegisterObject(std::shared_ptr<vcl::TBitmap> bitmap, const QString &hint, const QString &editor_class = QString(),
                    TkvEditorFunc editor = {}) {
  return RegisterObject(TkvAddInObjectInfo{View::StaticClassName(),
                                           [](TkvReport *report) -> TkvView * { return new View(report); },
                                           editor_class, std::move(editor), std::move(bitmap), hint});
}
// The same with an editor form class (a TkvObjEditorForm, kvobjeditor.h)
// made for each edit, without owner.
template <class View, class EditorForm>
bool RegisterObject(std::shared_ptr<vcl::TBitmap> bitmap, const QString &hint) {
  return RegisterObject<View>(std::move(bitmap), hint, EditorForm::StaticClassName(), [](TkvView *view) {
    EditorForm form(nullptr);
    return form.ShowEditor(view);
  });
}
int AddInCount();
const TkvAddInObjectInfo &AddIn(int index);
// The entry of a class name (exact), or nullptr.
const TkvAddInObjectInfo *FindAddIn(const QString &class_name);

// A new memo, picture, band or sub-report view of `report` by type code;
// nullptr for other codes.
std::unique_ptr<TkvView> CreateViewOfType(int type, TkvReport *report);
// A new view of the current report by type code; code 10 looks the class
// name up in the registry (an unknown one is reported and the operation
// stopped with a silent abort); other codes give nullptr.
std::unique_ptr<TkvView> CreateObjectByType(int type, const QString &class_name = QString());

}  // namespace report
