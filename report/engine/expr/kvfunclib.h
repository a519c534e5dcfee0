// Function libraries: extra report functions a program can add. A library
// lists the names it provides (found ignoring case) and computes one of
// them from up to three arguments. The engine owns the libraries, keeps at
// most 32 in the order they were added, and asks them after its built-in
// functions and before the report's own user-function event.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "platform/rtl/variant.h"

namespace report {

class TkvFunctionLibrary {
 public:
  virtual ~TkvFunctionLibrary() = default;
  // The names, kept sorted for the lookup.
  void SetNames(const QStringList &names);
  const QStringList &Names() const { return names_; }
  // The index of a name in Names(), ignoring case; -1 when not provided.
  int IndexOf(const QString &name) const;
  virtual void DoFunction(int index, const rtl::Variant &p1, const rtl::Variant &p2, const rtl::Variant &p3,
                          rtl::Variant &result) = 0;
  // What the designer's expression editor tells of the functions, one line
  // each: "NAME=Categoria |SINTASSI |Descrizione" (a function without a
  // line is listed as unknown).
  void SetCatalogue(const QStringList &entries) { catalogue_ = entries; }
  const QStringList &Catalogue() const { return catalogue_; }

 private:
  QStringList names_;
  QStringList catalogue_;
};

inline constexpr int kvMaxFunctionLibraries = 32;

// Takes the library; false (and the library freed) when 32 are listed.
bool KvAddFunctionLibrary(std::unique_ptr<TkvFunctionLibrary> library);
// Frees every library (the engine's end).
void KvClearFunctionLibraries();
// The function names and catalogue lines of every library, in library
// order.
QStringList KvLibraryFunctionNames();
QStringList KvLibraryCatalogue();
// Asks the libraries in order; true when one provided `name`.
bool KvCallLibraryFunction(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2, const rtl::Variant &p3,
                           rtl::Variant &result);

}  // namespace report
