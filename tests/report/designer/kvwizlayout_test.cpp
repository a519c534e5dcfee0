// The report wizard's layout and field lists, without its window.
#include <gtest/gtest.h>

#include <memory>

#include "report/designer/kvwizlayout.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvglobals.h"

namespace {

using namespace report;

std::vector<int> Xs(const std::vector<TkvWizardColumn> &c) {
  std::vector<int> v;
  for (const auto &col : c) v.push_back(col.X);
  return v;
}
std::vector<int> Widths(const std::vector<TkvWizardColumn> &c) {
  std::vector<int> v;
  for (const auto &col : c) v.push_back(col.Width);
  return v;
}

TEST(WizardColumns, ShareTheWidthByDisplayWidth) {
  // 320 + 160 + 160 + 16 = 656 pixels scaled to 719: 328 x 719 / 656 is
  // 359.5, and the column goes to 396 (halves to even).
  const auto columns = KvWizardColumns({10, 5, 5}, 719);
  EXPECT_EQ(Xs(columns), (std::vector<int>{37, 396, 581}));
  EXPECT_EQ(Widths(columns), (std::vector<int>{351, 175, 175}));
  // With the two gaps they fill the width exactly.
  EXPECT_NEAR(581 + 175.37 - 37, 719, 0.5);

  const auto one = KvWizardColumns({7}, 1028);
  EXPECT_EQ(Xs(one), std::vector<int>{37});
  EXPECT_EQ(Widths(one), std::vector<int>{1028});
  EXPECT_TRUE(KvWizardColumns({}, 719).empty());
}

TEST(WizardColumns, AFieldWithoutAWidthKeepsOnlyItsGap) {
  // 10 and 0: T = 320 + 8 + 0 = 328, scale 719 / 328; the second column
  // starts where the first one's gap ends and takes no width.
  const auto ten_zero = KvWizardColumns({10, 0}, 719);
  EXPECT_EQ(Xs(ten_zero), (std::vector<int>{37, 756}));
  EXPECT_EQ(Widths(ten_zero), (std::vector<int>{701, 0}));
  // On a landscape sheet the same share of 1028.
  const auto wide = KvWizardColumns({10, 0, 5}, 1028);
  // T = 320 + 8 + 0 + 8 + 160 = 496, scale 1028 / 496.
  EXPECT_EQ(Xs(wide), (std::vector<int>{37, 717, 733}));
  EXPECT_EQ(Widths(wide), (std::vector<int>{663, 0, 332}));
  // A negative width counts as none.
  EXPECT_EQ(Widths(KvWizardColumns({-3, 4}, 719)), (std::vector<int>{0, 677}));
}

TEST(WizardColumns, OnlyFieldsWithoutAWidthShareEqually) {
  // A lone field of width 0 would divide by zero.
  const auto lone = KvWizardColumns({0}, 719);
  EXPECT_EQ(Xs(lone), std::vector<int>{37});
  EXPECT_EQ(Widths(lone), std::vector<int>{719});
  // Only such fields: equal columns, not columns of no width.
  const auto zeros = KvWizardColumns({0, 0, 0}, 719);
  EXPECT_EQ(Widths(zeros), (std::vector<int>{205, 205, 205}));
  EXPECT_EQ(Xs(zeros), (std::vector<int>{37, 294, 551}));
}

TEST(WizardColumns, UsableWidthComesFromTheOrientation) {
  EXPECT_EQ(KvWizardUsableWidth(false), 719);
  EXPECT_EQ(KvWizardUsableWidth(true), 1028);
}

TEST(WizardLists, MovingFieldsBetweenTheLists) {
  TkvWizardLists lists;
  lists.Reset({"Testata", "Barcode", "Giacenza", "Prezzo_V"});
  EXPECT_EQ(lists.Source(), QStringList({"Barcode", "Giacenza", "Prezzo_V", "Testata"}));
  // Two adjacent fields arrive in reverse order; the first selected row
  // stays selected in the source.
  EXPECT_EQ(lists.Include({1, 2}), 1);
  EXPECT_EQ(lists.Chosen(), QStringList({"Prezzo_V", "Giacenza"}));
  EXPECT_EQ(lists.Source(), QStringList({"Barcode", "Testata"}));
  // The last row moved: the row to select is the new last one.
  EXPECT_EQ(lists.Include({1}), 0);
  EXPECT_EQ(lists.Chosen(), QStringList({"Prezzo_V", "Giacenza", "Testata"}));
  // Back to the source, which sorts them.
  EXPECT_EQ(lists.Exclude({0}), 0);
  EXPECT_EQ(lists.Source(), QStringList({"Barcode", "Prezzo_V"}));
  lists.IncludeAll();
  EXPECT_EQ(lists.Chosen(), QStringList({"Giacenza", "Testata", "Barcode", "Prezzo_V"}));
  EXPECT_TRUE(lists.Source().isEmpty());
  EXPECT_EQ(lists.Include({}), -1);
  lists.ExcludeAll();
  EXPECT_EQ(lists.Source(), QStringList({"Barcode", "Giacenza", "Prezzo_V", "Testata"}));
  EXPECT_TRUE(lists.Chosen().isEmpty());
}

}  // namespace
