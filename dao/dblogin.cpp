// The login form (see dblogin.h).
#include "dao/dblogin.h"

namespace dao {

TDbLogin::TDbLogin(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetCaption(QStringLiteral("Database Login"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 340, 190);

  auto label = [&](const QString &text, int top) {
    auto *l = new vcl::TLabel(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(12, top + 3, 130, 17);
    return l;
  };
  auto edit = [&](int top, bool secret) {
    auto *e = new vcl::TEdit(this);
    e->SetParent(this);
    e->SetBounds(148, top, 176, 23);
    if (secret) e->SetPasswordChar(QLatin1Char('*'));
    return e;
  };
  label(QStringLiteral("Database ................:"), 12);
  database_name_ = new vcl::TLabel(this);
  database_name_->SetParent(this);
  database_name_->SetBounds(148, 15, 176, 17);
  vcl::TLabel *user_label = label(QStringLiteral("&User Name .............:"), 40);
  user_name_ = edit(40, false);
  user_label->SetFocusControl(user_name_);
  vcl::TLabel *password_label = label(QStringLiteral("&Password ...............:"), 70);
  password_ = edit(70, true);
  password_label->SetFocusControl(password_);
  vcl::TLabel *db_label = label(QStringLiteral("&Database Password:"), 100);
  database_password_ = edit(100, true);
  db_label->SetFocusControl(database_password_);

  ok_ = new vcl::TButton(this);
  ok_->SetParent(this);
  ok_->SetCaption(QStringLiteral("Ok"));
  ok_->SetDefault(true);
  ok_->SetModalResult(vcl::mrOk);
  ok_->SetBounds(148, 140, 82, 27);
  cancel_ = new vcl::TButton(this);
  cancel_->SetParent(this);
  cancel_->SetCaption(QStringLiteral("Cancel"));
  cancel_->SetCancel(true);
  cancel_->SetModalResult(vcl::mrCancel);
  cancel_->SetBounds(242, 140, 82, 27);
  SetActiveControl(user_name_);
}

bool ShowDbLogin(const QString &database, QString &user, QString &password, QString &database_password,
                 bool prefill_user) {
  TDbLogin form(nullptr);
  form.DatabaseName()->SetCaption(database);
  if (prefill_user) form.UserName()->SetText(user);
  form.SetActiveControl(form.UserName());
  if (form.ShowModal() != vcl::mrOk) return false;
  user = form.UserName()->Text();
  password = form.Password()->Text();
  database_password = form.DatabasePassword()->Text();
  return true;
}

}  // namespace dao
