// The database engine's exception. Every refusal of the engine (a bad
// statement, a duplicate key, a deleted row, a missing table...) is thrown as
// an EJetError carrying the engine's error number, the object that raised it
// and the text; the DAO components show Description and test Number (3167 for
// a deleted record). The engine also keeps the last one for Errors(0).
#pragma once

#include <QString>

#include "platform/rtl/exceptions.h"

namespace jet {

// The error numbers callers test. The values are the engine's own, so code
// written against the original engine keeps working.
enum JetErrorNumber : int {
  kErrUpdateWithoutEdit = 3020,   // Update or CancelUpdate without AddNew or Edit
  kErrNoCurrentRecord = 3021,     // BOF/EOF or the current row is gone
  kErrDuplicateKey = 3022,        // a unique index or primary key would repeat
  kErrFileNotFound = 3024,        // database file not found
  kErrReadOnly = 3027,            // database or object is read-only
  kErrPathNotValid = 3044,        // the folder of a path does not exist
  kErrTooFewParameters = 3061,    // parameters left without a value
  kErrUnknownName = 3070,         // a name in criteria is not a field
  kErrSyntaxInQueryExpr = 3075,   // syntax error in query expression
  kErrAmbiguousField = 3079,      // a bare name found in more than one FROM table
  kErrUndefinedFunction = 3085,   // a function the engine does not know
  kErrTableNotFound = 3078,       // input table or query not found
  kErrUnknownInsertField = 3127,  // INSERT INTO names a field the table lacks
  kErrInvalidStatement = 3129,    // not a statement the engine knows
  kErrSyntaxInFrom = 3131,        // syntax error in FROM clause
  kErrSyntaxInSql = 3134,         // syntax error in a statement (INSERT INTO...)
  kErrCharactersAfterEnd = 3142,  // text after the end of the statement
  kErrFieldTooSmall = 3163,       // text longer than the field's size
  kErrRecordDeleted = 3167,       // the row was deleted (through another recordset)
  kErrDatabaseExists = 3204,      // CreateDatabase on an existing file
  kErrItemNotFound = 3265,        // no item of that name or ordinal in a collection
  kErrRequiredFieldNull = 3314,   // Null in a required field
  kErrValueCountMismatch = 3346,  // INSERT values and fields differ in number
  kErrUnrecognisedFormat = 3343,  // not a database this engine can open
  kErrTypeMismatch = 3464,        // data type mismatch in criteria expression
  kErrInvalidOperation = 3219,    // operation not valid for this object or state
  kErrInvalidArgument = 3001,     // an argument out of range or of the wrong kind
  kErrTableExists = 3010,         // the target of SELECT ... INTO is already there
  kErrExternalFormat = 3274,      // an external file is not in the format expected
};

// The engine's texts for refusals raised in more than one place (UTF-8: the
// refusals a shop keeper can meet are in Italian, as the program's texts).
inline constexpr const char *kMsgReadOnly = "Impossibile aggiornare: il database o l'oggetto è di sola lettura.";
inline constexpr const char *kMsgObjectClosed = "Object invalid or no longer set.";
inline constexpr const char *kMsgItemNotFound = "Item not found in this collection (%1).";

class EJetError : public rtl::Exception {
 public:
  EJetError() = default;
  EJetError(int number, const QString &description, const QString &source = QStringLiteral("DAO.Database"))
      : rtl::Exception(description), number_(number), source_(source) {}

  int Number() const { return number_; }
  const QString &Source() const { return source_; }
  const QString &Description() const { return Message(); }

  const char *ClassName() const override { return "EJetError"; }
  bool InheritsFrom(const char *class_name) const override;

 private:
  int number_ = 0;
  QString source_;
};

// Throws EJetError; the description is used as given.
[[noreturn]] void RaiseJetError(int number, const QString &description,
                                const QString &source = QStringLiteral("DAO.Database"));

}  // namespace jet
