// The grid's mail command against a stand-in mail program: an `xdg-email`
// script on the test's PATH that copies each attachment it is given (so it
// fails when a file is already gone) and keeps its arguments. The files
// reach it whole, hidden columns are left out, and a desktop without a
// mail program gets the message in Italian.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "dao/vudaogrid.h"
#include "platform/os/shell.h"
#include "platform/vcl/dialogs.h"
#include "tests/dao/dao_fixture.h"

namespace dao::testing {
namespace {

class GridMail : public DaoDb {
 protected:
  void SetUp() override {
    DaoDb::SetUp();
    stock_ = Table(QStringLiteral("Giacenza"));
    source_.SetDataSet(stock_);
    grid_ = std::make_unique<TVuDaoDBGrid>(nullptr);
    grid_->SetDataSource(&source_);
    stock_->Open();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) {
      asked_ << r.text;
      return vcl::mrOk;
    });
    path_ = qgetenv("PATH");
  }
  void TearDown() override {
    qputenv("PATH", path_);
    vcl::SetDialogResponder(previous_);
    grid_.reset();
    DaoDb::TearDown();
  }
  // Puts a stand-in `xdg-email` that ends with `exit_code` first on the PATH
  // (or, with `none`, leaves no mail tool on it at all).
  void StandIn(int exit_code, bool none = false) {
    QDir bin(mailer_.path());
    bin.mkpath(QStringLiteral("bin"));
    bin.cd(QStringLiteral("bin"));
    if (!none) {
      QFile script(bin.filePath(QStringLiteral("xdg-email")));
      ASSERT_TRUE(script.open(QIODevice::WriteOnly));
      script.write(QStringLiteral("#!/bin/sh\n"
                                  "got='%1/got'; mkdir -p \"$got\"\n"
                                  "printf '%s\\n' \"$@\" > '%1/args.new'\n"
                                  "while [ $# -gt 0 ]; do\n"
                                  "  if [ \"$1\" = --attach ]; then cp \"$2\" \"$got/\" || exit 9; shift; fi\n"
                                  "  shift\n"
                                  "done\n"
                                  "mv '%1/args.new' '%1/args'\n"
                                  "exit %2\n")
                       .arg(mailer_.path())
                       .arg(exit_code)
                       .toUtf8());
      script.close();
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      qputenv("PATH", (bin.path() + QStringLiteral(":") + QString::fromLocal8Bit(path_)).toLocal8Bit());
    } else {
      QDir(mailer_.path()).mkpath(QStringLiteral("empty"));
      qputenv("PATH", Mailer(QStringLiteral("empty")).toLocal8Bit());
    }
  }
  QString Mailer(const QString &name) const { return QDir(mailer_.path()).filePath(name); }
  QStringList Args() const {
    QFile f(Mailer(QStringLiteral("args")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                       : QStringList();
  }

  TVuDaoTable *stock_ = nullptr;
  vcl::TDataSource source_;
  std::unique_ptr<TVuDaoDBGrid> grid_;
  vcl::TDialogResponder previous_;
  QStringList asked_;
  QByteArray path_;
  QTemporaryDir mailer_;
};

TEST_F(GridMail, TheMailProgramGetsBothFilesWhileTheyExist) {
  StandIn(0);
  const int title = static_cast<int>(stock_->FieldByName(QStringLiteral("Testata"))->Index());
  grid_->SetColumnVisible(title, false);
  grid_->MailAsXlsHtml();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(Mailer(QStringLiteral("args"))); }, 10000));
  const QStringList args = Args();
  ASSERT_TRUE(args.contains(QStringLiteral("--subject")));
  EXPECT_EQ(args[args.indexOf(QStringLiteral("--subject")) + 1], QStringLiteral("Giacenza"));
  EXPECT_EQ(args.count(QStringLiteral("--attach")), 2);
  // The copies the mail program made are the whole files.
  QFile htm(Mailer(QStringLiteral("got/Giacenza.htm")));
  ASSERT_TRUE(htm.open(QIODevice::ReadOnly));
  const QByteArray page = htm.readAll();
  EXPECT_TRUE(page.contains("Barcode18"));
  EXPECT_FALSE(page.contains("Testata"));
  EXPECT_TRUE(page.endsWith("</HTML>\r\n"));
  QFile xls(Mailer(QStringLiteral("got/Giacenza.xls")));
  ASSERT_TRUE(xls.open(QIODevice::ReadOnly));
  EXPECT_TRUE(xls.readAll().startsWith(QByteArray("\xD0\xCF\x11\xE0", 4)));
  // The column is back, the originals stay for the program that reads them
  // later, and nothing was said.
  EXPECT_TRUE(stock_->FieldByName(QStringLiteral("Testata"))->Visible());
  const QString attached = args[args.indexOf(QStringLiteral("--attach")) + 1];
  EXPECT_TRUE(QFile::exists(attached));
  QTest::qWait(300);
  EXPECT_TRUE(asked_.isEmpty());
  grid_->SetColumnVisible(title, true);
}

TEST_F(GridMail, WithoutAMailProgramTheUserIsToldInItalian) {
  // `xdg-email` answers that no mail program is set up.
  StandIn(3);
  grid_->MailAsXlsHtml();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !asked_.isEmpty(); }, 10000));
  EXPECT_EQ(asked_, QStringList{kNoMailProgram});
  // No mail tool at all (once the first one has finished).
  QTest::qWait(200);
  asked_.clear();
  StandIn(0, true);
  grid_->MailAsXlsHtml();
  EXPECT_EQ(asked_, QStringList{kNoMailProgram});
}

}  // namespace
}  // namespace dao::testing
