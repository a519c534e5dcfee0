// The designer's command table: the selection word's rules and commands
// that wait for their editor.
#include "report/designer/kvdsgncmds.h"

#include <gtest/gtest.h>

#include <set>

namespace report {
namespace {

TkvDesignerStatus Word(int word) {
  TkvDesignerStatus status;
  status.SelectionWord = word;
  return status;
}

TEST(DesignerCommands, SelectionWordEnablesTheFormattingControls) {
  // A single band takes no frame or text formatting; a memo takes both;
  // another object only frames; several objects both.
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::FrameTop, Word(kvSelBand)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::FrameTop, Word(kvSelMemo)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::FrameAll, Word(kvSelOther)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::FrameNone, Word(kvSelMany)));
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Bold, Word(kvSelOther)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Bold, Word(kvSelMemo)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::FontSize, Word(kvSelMany | kvSelClipboard)));
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::FrameWidth, Word(kvSelClipboard)));

  // Cut, copy, delete and the z-order with any selection; paste with the
  // clipboard alone; edit with exactly one object.
  for (TkvCommand c : {TkvCommand::Cut, TkvCommand::Copy, TkvCommand::Delete, TkvCommand::BringToFront}) {
    EXPECT_FALSE(KvCommandEnabled(c, Word(0)));
    EXPECT_FALSE(KvCommandEnabled(c, Word(kvSelClipboard)));
    EXPECT_TRUE(KvCommandEnabled(c, Word(kvSelBand)));
    EXPECT_TRUE(KvCommandEnabled(c, Word(kvSelMany)));
  }
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Paste, Word(kvSelMany)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Paste, Word(kvSelClipboard)));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Edit, Word(kvSelBand)));
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Edit, Word(kvSelMany)));

  TkvDesignerStatus status;
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::RemovePage, status));
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Reopen, status));
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::Save, status));
  status.PageCount = 2;
  status.ReopenCount = 1;
  status.Modified = true;
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::RemovePage, status));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Reopen, status));
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::Save, status));
}

TEST(DesignerCommands, ACommandWaitsForItsEditor) {
  KvRegisterEditor(TkvEditor::PageOptions, {});
  EXPECT_FALSE(KvCommandEnabled(TkvCommand::PageOptions, Word(0)));
  int opened = 0;
  KvRegisterEditor(TkvEditor::PageOptions, [&opened](TkvEditContext &context) {
    ++opened;
    context.Value = 7;
    return true;
  });
  EXPECT_TRUE(KvCommandEnabled(TkvCommand::PageOptions, Word(0)));
  TkvEditContext context;
  EXPECT_TRUE(KvOpenEditor(TkvEditor::PageOptions, context));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(context.Value, 7);
  KvRegisterEditor(TkvEditor::PageOptions, {});
  EXPECT_FALSE(KvOpenEditor(TkvEditor::PageOptions, context));
  EXPECT_EQ(opened, 1);
  KvInstallDesignerEditors();  // the program's editors back for the tests after
}

TEST(DesignerCommands, TheTableNamesEveryCommandOnceWithTheFormattingTags) {
  std::set<int> ids;
  for (const TkvCommandInfo &info : KvDesignerCommands()) EXPECT_TRUE(ids.insert(int(info.Id)).second);
  EXPECT_EQ(ids.size(), size_t(int(TkvCommand::Highlight) + 1));
  EXPECT_EQ(KvCommandInfo(TkvCommand::Underline).Tag, 18);
  EXPECT_EQ(KvCommandInfo(TkvCommand::Justify).Tag, 22);
  EXPECT_EQ(QString::fromUtf8(KvCommandInfo(TkvCommand::SelectAll).MenuCaption), QStringLiteral("Selziona tutto"));
  EXPECT_EQ(QString::fromUtf8(KvCommandInfo(TkvCommand::Delete).PopupCaption), QStringLiteral("Elimina"));
  EXPECT_EQ(QString::fromUtf8(KvCommandInfo(TkvCommand::FontSize).Hint), QStringLiteral("Dimenzione carattere"));
  EXPECT_EQ(KvCommandInfo(TkvCommand::Preview).ShortCut, vcl::VK_F9);
}

}  // namespace
}  // namespace report
