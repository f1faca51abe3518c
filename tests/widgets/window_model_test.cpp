// The window's rules, through the in-memory window that follows them as
// the real one does, on the tests' own small form.
#include "widgets/window_model.h"

#include <gtest/gtest.h>

#include "support/memory_ui.h"
#include "test_form.h"

namespace tapvero::widgets {
namespace {

using namespace test;

class WindowRules : public ::testing::Test {
 protected:
  MemoryUi ui{kForm};
};

TEST_F(WindowRules, ControlsLieInsideTheirContainersAndShowWithThemAndTheirPage) {
  WindowModel model(kForm);
  EXPECT_EQ(model.origin_of(kGroup), (Point{18, 38}));  // the tab control's corner, then the group box's
  model.set_rect(kTab, {20, 8, 380, 250});
  EXPECT_EQ(model.origin_of(kGroup), (Point{30, 38}));
  EXPECT_TRUE(model.shown(kNumber));
  EXPECT_FALSE(model.shown(kButtonB));  // the second page
  EXPECT_FALSE(model.shown(kHiddenButton));
  model.set_page(kTab, 1);
  EXPECT_TRUE(model.shown(kButtonB));
  EXPECT_FALSE(model.shown(kNumber));
  model.set_page(kTab, 0);
  model.set_visible(kGroup, false);
  EXPECT_FALSE(model.shown(kNumber));  // its own flag still up
  EXPECT_TRUE(model.visible(kNumber));
  model.set_visible(kGroup, true);
  model.set_visible(kTab, false);
  EXPECT_FALSE(model.shown(kCheck));
  EXPECT_TRUE(model.shown(kLetter));
}

// Tab walks the controls that take the focus in the form's order, past
// labels, disabled, hidden and other pages' controls, and wraps around.
TEST_F(WindowRules, TabWalksTheFocusableControlsAndWraps) {
  const struct {
    bool backwards;
    ControlId expected;
  } steps[] = {{false, kNumber}, {false, kCheck}, {false, kButtonA}, {false, kLog},   {false, kLetter},
               {false, kNumber}, {true, kLetter}, {true, kLog},      {true, kButtonA}};
  for (const auto& step : steps) {
    ui.press_tab(step.backwards);
    EXPECT_EQ(ui.focused(), step.expected);
  }
  ui.focus(kLetter);
  ui.press_tab(false);
  EXPECT_TRUE(ui.at(kNumber).whole_text_selected);  // as the keyboard gives an edit box the focus
}

// A focused button that disables itself passes the focus on as Tab would,
// once the event is over; not while the window is in the background, and
// not when nothing else takes the focus.
TEST_F(WindowRules, AFocusedControlThatIsDisabledPassesTheFocusOnAfterTheEvent) {
  ui.focus(kButtonA);
  ui.set_enabled(kButtonA, false);
  EXPECT_EQ(ui.focused(), std::nullopt);
  EXPECT_EQ(ui.run_posted(), 1);
  EXPECT_EQ(ui.focused(), kLog);

  ui.focus(kCheck);
  ui.set_enabled(kCheck, false);
  ui.deactivate();
  ui.run_posted();
  EXPECT_EQ(ui.focused(), std::nullopt);

  WindowModel lone(kForm);
  for (ControlId id : {kNumber, kCheck, kButtonA, kLog, kLetter}) lone.set_enabled(id, false);
  EXPECT_EQ(lone.next_focus(kNumber, false), std::nullopt);
}

// Left and entered again, the window gives the focus back to its control;
// one disabled or hidden meanwhile passes it on, one that had it while
// hidden gets it back hidden.
TEST_F(WindowRules, TheFocusComesBackWhenTheWindowIsActiveAgain) {
  ui.focus(kNumber);
  ui.deactivate();
  EXPECT_EQ(ui.focused(), std::nullopt);
  ui.activate();
  EXPECT_EQ(ui.focused(), kNumber);

  ui.deactivate();
  ui.set_enabled(kNumber, false);
  ui.activate();
  EXPECT_EQ(ui.focused(), kCheck);

  ui.deactivate();
  ui.select_page(kTab, 1);
  ui.activate();
  EXPECT_EQ(ui.focused(), kButtonB);

  ui.focus(kHiddenButton);
  ui.deactivate();
  ui.activate();
  EXPECT_EQ(ui.focused(), kHiddenButton);
}

TEST_F(WindowRules, HidingTheFocusedControlTakesTheFocusButAHiddenControlKeepsIt) {
  ui.focus(kCheck);
  ui.set_visible(kGroup, false);
  EXPECT_EQ(ui.focused(), std::nullopt);
  ui.focus(kButtonA);
  ui.select_page(kTab, 1);
  EXPECT_EQ(ui.focused(), std::nullopt);
  ui.focus(kNumber);  // hidden on the unselected page
  ui.set_visible(kLetter, false);
  EXPECT_EQ(ui.focused(), kNumber);
}

// Ctrl+Tab selects the next page, wrapping around, and focuses its first
// control; a hidden tab control switches nothing.
TEST_F(WindowRules, CtrlTabSwitchesPagesAndFocusesTheirFirstControl) {
  ui.switch_page(false);
  EXPECT_EQ(ui.current_page(kTab), 1);
  EXPECT_EQ(ui.focused(), kButtonB);
  ui.switch_page(false);
  EXPECT_EQ(ui.current_page(kTab), 0);
  EXPECT_EQ(ui.focused(), kNumber);
  ui.switch_page(true);
  EXPECT_EQ(ui.current_page(kTab), 1);
  ui.set_visible(kTab, false);
  ui.switch_page(true);
  EXPECT_EQ(ui.current_page(kTab), 1);
}

TEST(KeyAction, TheWindowsKeysAreTakenBeforeAnyControlSeesThem) {
  const struct {
    int key, modifiers;
    KeyAction action;
  } cases[] = {
      {kKeyEscape, 0, KeyAction::kClose},
      {kKeyEscape, kCtrl, KeyAction::kClose},
      {kKeyEscape, kAlt, KeyAction::kNone},
      {kKeyTab, 0, KeyAction::kFocusNext},
      {kKeyTab, kShift, KeyAction::kFocusPrevious},
      {kKeyTab, kAlt, KeyAction::kNone},
      {kKeyTab, kCtrl, KeyAction::kNextPage},
      {kKeyTab, kCtrl | kShift, KeyAction::kPreviousPage},
      {kKeyPageDown, kCtrl, KeyAction::kNextPage},
      {kKeyPageUp, kCtrl | kShift, KeyAction::kPreviousPage},
      {kKeyPageUp, 0, KeyAction::kNone},
      {kKeyTab, kCtrl | kAlt, KeyAction::kNone},
      {kKeyEnter, 0, KeyAction::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(key_action(kForm, c.key, c.modifiers), c.action) << c.key << " " << c.modifiers;
  FormSpec staying = kForm;
  staying.escape_closes = false;
  EXPECT_EQ(key_action(staying, kKeyEscape, 0), KeyAction::kNone);
}

}  // namespace
}  // namespace tapvero::widgets
