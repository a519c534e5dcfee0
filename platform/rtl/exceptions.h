// The run-time's exception family. Every library of the program reports a
// failure by throwing one of these (by value; catch by const reference).
// `Exception` keeps the message as a QString; `EAbort` is the silent one that
// the application's handler never shows. Libraries add their own classes
// with ORBISCA_EXCEPTION in their own headers.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace rtl {

class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(const QString &message) : message_(message) {}
  ~Exception() override = default;

  const QString &Message() const { return message_; }
  void SetMessage(const QString &message) {
    message_ = message;
    utf8_.clear();
  }
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int context) { help_context_ = context; }

  // The class name as the platform reports it ("EConvertError").
  virtual const char *ClassName() const { return "Exception"; }
  // True for this class or any class it derives from, by name.
  virtual bool InheritsFrom(const char *class_name) const;

  const char *what() const noexcept override {
    if (utf8_.isEmpty()) utf8_ = message_.toUtf8();
    return utf8_.constData();
  }

 private:
  QString message_;
  int help_context_ = 0;
  mutable QByteArray utf8_;
};

}  // namespace rtl

// Declares `Name` deriving from `Base`, with the constructors of Exception.
#define ORBISCA_EXCEPTION(Name, Base)                                           \
  class Name : public Base {                                                    \
   public:                                                                      \
    using Base::Base;                                                           \
    const char *ClassName() const override { return #Name; }                    \
    bool InheritsFrom(const char *class_name) const override {                  \
      return qstrcmp(class_name, #Name) == 0 || Base::InheritsFrom(class_name); \
    }                                                                           \
  };

namespace rtl {

ORBISCA_EXCEPTION(EAbort, Exception)
ORBISCA_EXCEPTION(EConvertError, Exception)
ORBISCA_EXCEPTION(EVariantError, Exception)
ORBISCA_EXCEPTION(ERangeError, Exception)
ORBISCA_EXCEPTION(EIntOverflow, Exception)
ORBISCA_EXCEPTION(EDivByZero, Exception)
ORBISCA_EXCEPTION(EZeroDivide, Exception)
ORBISCA_EXCEPTION(EOverflow, Exception)
ORBISCA_EXCEPTION(EInvalidOp, Exception)
ORBISCA_EXCEPTION(EUnderflow, Exception)
ORBISCA_EXCEPTION(EInvalidCast, Exception)
ORBISCA_EXCEPTION(EInvalidOperation, Exception)
ORBISCA_EXCEPTION(EInvalidPointer, Exception)
ORBISCA_EXCEPTION(EOutOfResources, Exception)
ORBISCA_EXCEPTION(EOutOfMemory, Exception)
ORBISCA_EXCEPTION(EListError, Exception)
ORBISCA_EXCEPTION(EStringListError, Exception)
ORBISCA_EXCEPTION(EStreamError, Exception)
ORBISCA_EXCEPTION(EFCreateError, EStreamError)
ORBISCA_EXCEPTION(EFOpenError, EStreamError)
ORBISCA_EXCEPTION(EReadError, EStreamError)
ORBISCA_EXCEPTION(EWriteError, EStreamError)
ORBISCA_EXCEPTION(EInOutError, Exception)
ORBISCA_EXCEPTION(EIniFileException, Exception)
ORBISCA_EXCEPTION(ERegistryException, Exception)
ORBISCA_EXCEPTION(EOSError, Exception)
ORBISCA_EXCEPTION(EComponentError, Exception)
ORBISCA_EXCEPTION(EPropertyError, Exception)
ORBISCA_EXCEPTION(EDatabaseError, Exception)

// Raises the silent exception.
[[noreturn]] void Abort();

// Raises EListError "List index out of bounds (n)", the text every list of
// the platform gives for an index outside it.
[[noreturn]] void ListIndexError(int index);

}  // namespace rtl
