// Shell open resolves documents, programs and addresses, refuses what does
// not exist, and never starts anything while a test opener is set.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/os/shell.h"

TEST(Shell, OpensDocumentsAndAddressesAndRefusesMissingFiles) {
  std::vector<os::ShellTarget> opened;
  os::ShellOpener previous = os::SetShellOpener([&](const os::ShellTarget &t) {
    opened.push_back(t);
    return true;
  });
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile doc(dir.filePath("elenco resi.pdf"));
  ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
  doc.close();
  QFile tool(dir.filePath("strumento"));
  ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
  tool.write("#!/bin/sh\n");
  tool.close();
  tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);

  EXPECT_TRUE(os::ShellExecute(QStringLiteral("open"), QStringLiteral("elenco resi.pdf"), QString(), dir.path()));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].url, QUrl::fromLocalFile(dir.filePath("elenco resi.pdf")));

  EXPECT_TRUE(os::ShellOpen(QStringLiteral("https://example.org/listino?x=1")));
  EXPECT_EQ(opened.back().url.host(), QStringLiteral("example.org"));
  EXPECT_TRUE(os::ShellOpen(QStringLiteral("mailto:edicola@example.org")));
  EXPECT_EQ(opened.back().url.scheme(), QStringLiteral("mailto"));

  EXPECT_TRUE(os::ShellExecute(QString(), dir.filePath("strumento"), QStringLiteral("-a \"due parole\"")));
  EXPECT_EQ(opened.back().program, dir.filePath("strumento"));
  EXPECT_EQ(opened.back().arguments, (QStringList{QStringLiteral("-a"), QStringLiteral("due parole")}));

  const size_t count = opened.size();
  EXPECT_FALSE(os::ShellOpen(dir.filePath("manca.pdf")));
  EXPECT_FALSE(os::ShellOpen(QString()));
  EXPECT_FALSE(os::ShellOpen(QStringLiteral("file:///nessun/file/qui.txt")));
  EXPECT_FALSE(os::ShellExecute(QStringLiteral("print"), dir.filePath("elenco resi.pdf")));
  EXPECT_EQ(opened.size(), count);
  os::SetShellOpener(previous);

  int beeps = 0;
  os::Beeper old = os::SetBeeper([&](unsigned type) { beeps += type == os::MB_ICONEXCLAMATION ? 10 : 1; });
  os::MessageBeep(os::MB_ICONEXCLAMATION);
  os::Beep();
  EXPECT_EQ(beeps, 11);
  os::SetBeeper(old);
}
