// The roll panel: rolled up at start-up, the form growing and shrinking
// with it, its controls hidden while rolled, and the form's other controls
// keeping their place beside a left panel.
#include <gtest/gtest.h>

#include "dao/vudaoroll.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"

namespace dao {
namespace {

struct RollForm {
  vcl::TForm form{nullptr};
  TVuHRollForm *panel;
  vcl::TListBox *list;
  vcl::TButton *other;
  explicit RollForm(TRollType type, bool animate = false) {
    form.SetBounds(0, 0, 400, 300);
    other = new vcl::TButton(&form);
    other->SetParent(&form);
    other->SetBounds(200, 10, 80, 25);
    panel = new TVuHRollForm(&form);
    panel->SetParent(&form);
    panel->SetRollType(type);
    panel->SetWidth(150);
    panel->SetRollAnimation(animate);
    panel->SetRollStep(7);
    list = new vcl::TListBox(&form);
    list->SetParent(panel);
    panel->BeginLoading();
    panel->Loaded();
  }
};

TEST(DaoRollPanel, StartsRolledAndRollsOutAndInWithTheForm) {
  RollForm f(rtRight);
  EXPECT_TRUE(f.panel->Rolled());
  EXPECT_EQ(f.panel->Width(), TVuHRollForm::RolledSize());
  EXPECT_EQ(f.form.Width(), 400 - (150 - TVuHRollForm::RolledSize()));
  EXPECT_FALSE(f.list->Visible());
  EXPECT_EQ(f.panel->Grips().size(), 5u);

  f.panel->Grips()[2]->OnDblClick(f.panel->Grips()[2]);
  EXPECT_FALSE(f.panel->Rolled());
  EXPECT_EQ(f.panel->Width(), 150);
  EXPECT_EQ(f.form.Width(), 400);
  EXPECT_TRUE(f.list->Visible());
  EXPECT_EQ(f.other->Left(), 200);

  f.panel->Toggle();
  EXPECT_TRUE(f.panel->Rolled());
  EXPECT_FALSE(f.list->Visible());
}

TEST(DaoRollPanel, ALeftPanelShiftsTheOtherControlsAndAnimationEndsOnTheSameSizes) {
  RollForm f(rtLeft, true);
  const int diff = 150 - TVuHRollForm::RolledSize();
  EXPECT_EQ(f.other->Left(), 200 - diff);
  f.panel->RollOut();
  EXPECT_EQ(f.panel->Width(), 150);
  EXPECT_EQ(f.form.Width(), 400);
  EXPECT_EQ(f.other->Left(), 200);
  EXPECT_TRUE(f.list->Visible());
  f.panel->RollIn();
  EXPECT_EQ(f.other->Left(), 200 - diff);
  EXPECT_EQ(f.form.Width(), 400 - diff);
}

}  // namespace
}  // namespace dao
