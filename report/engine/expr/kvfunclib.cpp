// Function libraries (see kvfunclib.h).
#include "report/engine/expr/kvfunclib.h"

#include <algorithm>

namespace report {

namespace {

std::vector<std::unique_ptr<TkvFunctionLibrary>> &Libraries() {
  static std::vector<std::unique_ptr<TkvFunctionLibrary>> libraries;
  return libraries;
}

bool LessIgnoringCase(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; }

}  // namespace

void TkvFunctionLibrary::SetNames(const QStringList &names) {
  names_ = names;
  std::sort(names_.begin(), names_.end(), LessIgnoringCase);
}

int TkvFunctionLibrary::IndexOf(const QString &name) const {
  const auto at = std::lower_bound(names_.begin(), names_.end(), name, LessIgnoringCase);
  if (at == names_.end() || at->compare(name, Qt::CaseInsensitive) != 0) return -1;
  return static_cast<int>(at - names_.begin());
}

bool KvAddFunctionLibrary(std::unique_ptr<TkvFunctionLibrary> library) {
  if (library == nullptr || static_cast<int>(Libraries().size()) >= kvMaxFunctionLibraries) return false;
  Libraries().push_back(std::move(library));
  return true;
}

void KvClearFunctionLibraries() { Libraries().clear(); }

QStringList KvLibraryFunctionNames() {
  QStringList names;
  for (const auto &library : Libraries()) names << library->Names();
  return names;
}

QStringList KvLibraryCatalogue() {
  QStringList entries;
  for (const auto &library : Libraries()) entries << library->Catalogue();
  return entries;
}

bool KvCallLibraryFunction(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2, const rtl::Variant &p3,
                           rtl::Variant &result) {
  for (const auto &library : Libraries()) {
    const int index = library->IndexOf(name);
    if (index >= 0) {
      library->DoFunction(index, p1, p2, p3, result);
      return true;
    }
  }
  return false;
}

}  // namespace report
