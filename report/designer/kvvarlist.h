// What the variables editor does to a report's variables, apart from its
// window (kvevform.h): the variable list (category lines, and " name"
// lines for the variables of the category above them) and the bindings
// (TkvValues) that say what each variable stands for.
//
// Lines are addressed by their index in the list, which is how the editor's
// tree knows its nodes. Every variable of a category has a binding under
// its name: Synchronise adds the missing ones and drops those whose
// variable is gone. Names are unique (variables among all variables,
// categories among categories, ignoring case, as bindings are looked up):
// a rename to an empty or taken name is refused with the user's message.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/rtl/classes.h"

namespace report {

class TkvValues;

// What a variable's binding shows: its source (a dataset's name or
// KvOtherSource(), "Altro"; empty for an unbound variable, which keeps the source shown),
// the value (a field, a system value's name or "[Nessuno]") and, for an
// expression, its text.
struct TkvBindingShown {
  QString Source;
  QString Value;
  QString Expression;
};

class TkvVariableList {
 public:
  TkvVariableList(rtl::TStrings &lines, TkvValues &values) : lines_(lines), values_(values) {}

  static QString NoValue();  // "[Nessuno]"

  struct Variable {
    int Line;
    QString Name;
  };
  struct Category {
    int Line;
    QString Name;
    std::vector<Variable> Variables;
  };
  // The categories in order with their variables (what the tree shows).
  std::vector<Category> Tree() const;

  int Count() const { return lines_.Count(); }
  bool IsCategory(int line) const;
  bool IsVariable(int line) const;
  // The name a line shows: the category, or the variable without its blank.
  QString Name(int line) const;
  // The category line a variable belongs to (a category's own line); -1.
  int CategoryOf(int line) const;

  // "Categoria" and the smallest free number, appended; its line.
  int NewCategory();
  // "Variabile" and the smallest free number, at the end of the category
  // of `line` (a category or one of its variables); its line, or -1 when
  // `line` belongs to no category. The bindings are synchronised.
  int NewVariable(int line);
  // Removes a variable's line, or a category's with its variables' lines.
  // The bindings stay until the next synchronisation.
  void Delete(int line);
  // Renames the line (the name is trimmed); its binding goes with it and
  // the bindings are synchronised. Empty when done; otherwise the message
  // for the user, and nothing changed.
  QString Rename(int line, const QString &name);
  // Variable lines become a blank and the trimmed name; bindings without a
  // variable go; variables without a binding get an empty one.
  void Synchronise();

  // The binding of the variable of `line`.
  TkvBindingShown Shown(int line) const;
  // Stores what the editor shows as the binding of the variable of `line`:
  // "[Nessuno]" unbinds it; a dataset source binds its field; "Altro"
  // binds the system value of that name (`expression` for "Espressione").
  // Nothing happens for a category line, a variable without a binding or
  // a value that is none of these.
  void Store(int line, const QString &source, const QString &value, const QString &expression);

 private:
  bool NameTaken(int line, const QString &name) const;

  rtl::TStrings &lines_;
  TkvValues &values_;
};

}  // namespace report
