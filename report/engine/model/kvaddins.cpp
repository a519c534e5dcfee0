// The add-in registry and the factory of views (see kvaddins.h).
#include "report/engine/model/kvaddins.h"

#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"

namespace report {

namespace {

struct Registry {
  std::vector<TkvAddInObjectInfo> entries;
};
Registry &AddIns() {
  static Registry registry;
  return registry;
}

void ShowError(const QString &text) { vcl::MessageDlg(text, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK}); }

}  // namespace

bool RegisterObject(const TkvAddInObjectInfo &info) {
  std::vector<TkvAddInObjectInfo> &entries = AddIns().entries;
  for (TkvAddInObjectInfo &entry : entries) {
    if (entry.ClassName == info.ClassName) {
      entry = info;
      return true;
    }
  }
  if (int(entries.size()) >= kvMaxAddIns || info.ClassName.isEmpty() || !info.Create) return false;
  entries.push_back(info);
  return true;
}

int AddInCount() { return int(AddIns().entries.size()); }

const TkvAddInObjectInfo &AddIn(int index) {
  const std::vector<TkvAddInObjectInfo> &entries = AddIns().entries;
  if (index < 0 || index >= int(entries.size())) {
    throw rtl::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  }
  return entries[std::size_t(index)];
}

const TkvAddInObjectInfo *FindAddIn(const QString &class_name) {
  for (const TkvAddInObjectInfo &entry : AddIns().entries) {
    if (entry.ClassName == class_name) return &entry;
  }
  return nullptr;
}

std::unique_ptr<TkvView> CreateViewOfType(int type, TkvReport *report) {
  switch (type) {
    case gtMemo:
      return std::make_unique<TkvMemoView>(report);
    case gtPicture:
      return std::make_unique<TkvPictureView>(report);
    case gtBand:
      return std::make_unique<TkvBandView>(report);
    case gtSubReport:
      return std::make_unique<TkvSubReportView>(report);
    default:
      return nullptr;
  }
}

std::unique_ptr<TkvView> CreateObjectByType(int type, const QString &class_name) {
  TkvReport *report = kvEngine().CurReport;
  switch (type) {
    case gtMemo:
    case gtPicture:
    case gtBand:
    case gtSubReport:
      return CreateViewOfType(type, report);
    case gtAddIn: {
      const TkvAddInObjectInfo *info = FindAddIn(class_name);
      if (info == nullptr) {
        ShowError(QString::fromUtf8("Oggetto non trovato : %1.\n\rUn componente avanzato presente nel report, "
                                    "\n\rnon è stato inserito nel programma che ne fa uso.")
                      .arg(class_name));
        rtl::Abort();
      }
      std::unique_ptr<TkvView> view(info->Create(report));
      if (view) view->Typ = gtAddIn;
      return view;
    }
    default:
      return nullptr;
  }
}

}  // namespace report
