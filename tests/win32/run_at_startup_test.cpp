// Start with Windows against the registry: Windows' own switch turns the
// user's entry off, the menu item follows it and turning the item on again
// clears it; the administrator's value for every user is checked and greyed.
#include <windows.h>

#include <gtest/gtest.h>

#include "commands/commands_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_layout.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool HasValue(HKEY root, const char16_t* key) {
  return RegGetValueW(root, Wide(key), Wide(kRunValueName), RRF_RT_ANY, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

void SetText(HKEY root, const Text& text) {
  ASSERT_EQ(RegSetKeyValueW(root, Wide(kRunKey), Wide(kRunValueName), REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
}

void SetApproval(HKEY root, BYTE first) {
  const BYTE bytes[12] = {first, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01};
  ASSERT_EQ(RegSetKeyValueW(root, Wide(kStartupApprovedKey), Wide(kRunValueName), REG_BINARY,
                            bytes, sizeof(bytes)),
            ERROR_SUCCESS);
}

void Clear() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const char16_t* key : {kRunKey, kStartupApprovedKey})
      RegDeleteKeyValueW(root, Wide(key), Wide(kRunValueName));
}

UINT ItemState() {
  UpdateMainMenuChecks();
  return GetMenuState(MainMenuHandle(), kRunAtStartupCommand, MF_BYCOMMAND);
}

class RunAtStartupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override {
    saved_ = App().exe_path;
    App().exe_path = u"C:\\Tests\\Glyphwell.exe";
    Clear();
  }
  void TearDown() override {
    Clear();
    App().exe_path = saved_;
  }
  Text saved_;
};

TEST_F(RunAtStartupTest, WindowsSwitchTurnsTheEntryOffAndTheItemClearsIt) {
  SetText(HKEY_CURRENT_USER, RunAtStartupCommand(App().exe_path));
  SetApproval(HKEY_CURRENT_USER, 0x03);  // Task Manager: Disabled
  EXPECT_FALSE(RunAtStartupIsOn());
  EXPECT_EQ(ItemState() & (MF_CHECKED | MF_GRAYED), 0u);

  ToggleRunAtStartup();  // on: the value stays, Windows' "off" goes
  EXPECT_TRUE(RunAtStartupIsOn());
  EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, kRunKey));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kStartupApprovedKey));

  SetApproval(HKEY_CURRENT_USER, 0x02);
  ToggleRunAtStartup();  // off: both go
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kRunKey));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kStartupApprovedKey));
}

TEST_F(RunAtStartupTest, TheAdministratorsValueIsCheckedGreyedAndLeftAlone) {
  SetText(HKEY_LOCAL_MACHINE, RunAtStartupCommand(App().exe_path));
  EXPECT_EQ(CurrentRunAtStartupState(), RunAtStartupState::ByAdministrator);
  EXPECT_EQ(ItemState() & (MF_CHECKED | MF_GRAYED), UINT{MF_CHECKED | MF_GRAYED});
  ToggleRunAtStartup();
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, kRunKey));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kRunKey));
  // Turned off for the machine in Windows' switch: the user's own choice again.
  SetApproval(HKEY_LOCAL_MACHINE, 0x03);
  EXPECT_EQ(ItemState() & (MF_CHECKED | MF_GRAYED), 0u);
}

}  // namespace
}  // namespace gw
