// The login form the connection shows when `LoginPrompt` is on and neither
// an OnLogin handler nor login parameters give the credentials: the
// database's name, the user name and the two passwords (shown as "*").
#pragma once

#include <QString>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace dao {

class TDbLogin : public vcl::TForm {
  ORBISCA_CLASS(TDbLogin, vcl::TForm)

 public:
  explicit TDbLogin(vcl::TComponent *owner = nullptr);

  vcl::TLabel *DatabaseName() const { return database_name_; }
  vcl::TEdit *UserName() const { return user_name_; }
  vcl::TEdit *Password() const { return password_; }
  vcl::TEdit *DatabasePassword() const { return database_password_; }
  vcl::TButton *OkButton() const { return ok_; }
  vcl::TButton *CancelButton() const { return cancel_; }

 private:
  vcl::TLabel *database_name_;
  vcl::TEdit *user_name_;
  vcl::TEdit *password_;
  vcl::TEdit *database_password_;
  vcl::TButton *ok_;
  vcl::TButton *cancel_;
};

// Shows the form modally for `database`, with `user` prefilled when
// `prefill_user`; on Ok the three values come back and the result is true.
bool ShowDbLogin(const QString &database, QString &user, QString &password, QString &database_password,
                 bool prefill_user);

}  // namespace dao
