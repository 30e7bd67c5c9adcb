// What screen readers and high-contrast users get: the program's own
// accessible objects (read in-process, as Wine cannot marshal them across
// processes), fields named by their labels, Enter on image buttons and links,
// announcements through the hook, and the program's own drawing in a
// high-contrast palette given through the colour seam.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "mainwindow/accessible_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/elevated_target_win32.h"
#include "mainwindow/find_window.h"
#include "settings/settings_window.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

struct Object {
  IAccessible* p = nullptr;
  explicit Object(HWND hwnd) {
    AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                               reinterpret_cast<void**>(&p));
  }
  ~Object() {
    if (p) p->Release();
  }
  static VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
  }
  // The text a getter gives, empty when it gives none.
  template <typename Getter>
  static Text Read(Getter get) {
    BSTR text = nullptr;
    const HRESULT hr = get(&text);
    Text out;
    if (SUCCEEDED(hr) && text)
      out.assign(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
    SysFreeString(text);
    return out;
  }
  Text Name(long child = CHILDID_SELF) const {
    return Read([&](BSTR* t) { return p->get_accName(Child(child), t); });
  }
  Text Shortcut() const {
    return Read([&](BSTR* t) { return p->get_accKeyboardShortcut(Child(CHILDID_SELF), t); });
  }
  Text Action() const {
    return Read([&](BSTR* t) { return p->get_accDefaultAction(Child(CHILDID_SELF), t); });
  }
  long Role() const {
    VARIANT role;
    VariantInit(&role);
    if (FAILED(p->get_accRole(Child(CHILDID_SELF), &role)) || role.vt != VT_I4) return -1;
    return role.lVal;
  }
  HRESULT Press() const { return p->accDoDefaultAction(Child(CHILDID_SELF)); }
};

// Whether the queue holds a click of control `id` of the main window.
bool ClickQueued(int id) {
  for (std::size_t i = 0; i < QueuedEventCount(); ++i) {
    const Event& e = QueuedEvent(i);
    if (e.kind == EventKind::Control && e.window == MainWindow && e.object == id &&
        e.type == ControlClick)
      return true;
  }
  return false;
}

class AccessibilityTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override {
    ResetMainWindow();
    SetAnnounceHookForTesting(
        [this](const Text& text, Politeness politeness) { said_.emplace_back(text, politeness); });
  }
  void TearDown() override {
    SetAnnounceHookForTesting(nullptr);
    SetSystemColourHookForTesting(nullptr);
    SetNotificationStateReaderForTesting(nullptr);
    SetTrayBalloonHookForTesting(nullptr);
    SetWarningBeepHookForTesting(nullptr);
    ResetMainWindow();
  }
  std::vector<std::pair<Text, Politeness>> said_;
};

TEST_F(AccessibilityTest, MainWindowControlsHaveRolesNamesShortcutsAndDefaultActions) {
  struct Case {
    int id;
    long role;
    const char16_t* name;
    const char16_t* shortcut;
    const char16_t* action;
  } cases[] = {
      {kCtlNew, ROLE_SYSTEM_PUSHBUTTON, u"New item", u"Ctrl+N", u"Press"},
      {kCtlDelete, ROLE_SYSTEM_PUSHBUTTON, u"Delete item", u"", u"Press"},
      {kCtlMenu, ROLE_SYSTEM_BUTTONMENU, u"Open menu", u"Shift+F10", u"Open"},
      {kCtlCharMapLink, ROLE_SYSTEM_LINK, u"Windows Character Map", nullptr, u"Open"},
  };
  for (const Case& c : cases) {
    Object object(MainControl(c.id));
    ASSERT_NE(object.p, nullptr) << c.id;
    EXPECT_EQ(object.Role(), c.role) << c.id;
    EXPECT_EQ(object.Name(), c.name) << c.id;
    if (c.shortcut) EXPECT_EQ(object.Shortcut(), c.shortcut) << c.id;
    EXPECT_EQ(object.Action(), c.action) << c.id;
    // The default action is the click, taken by the loop like any other.
    ClearEventQueue();
    EXPECT_EQ(object.Press(), S_OK) << c.id;
    EXPECT_TRUE(ClickQueued(c.id)) << c.id;
  }
  ClearEventQueue();

  // A custom caption with "&" is read with it.
  SetCharMapLinkText(u"Tom & Jerry");
  EXPECT_EQ(Object(MainControl(kCtlCharMapLink)).Name(), u"Tom & Jerry");
  RelabelMainWindow();

  // The list is named, and a row is read whole, not by its trigger alone.
  Object list(App().list);
  ASSERT_NE(list.p, nullptr);
  EXPECT_EQ(list.Name(), u"Entries");
  EXPECT_EQ(list.Name(1), u"quotation marks (de), \u201E\u201C, DOUBLE LOW-9 QUOTATION MARK, "
                          u"LEFT DOUBLE QUOTATION MARK, no trigger");
  EXPECT_EQ(list.Name(5), u"en dash, \u2013, EN DASH, trigger -");
}

TEST_F(AccessibilityTest, FieldsAreNamedByTheirOwnLabelsAndWindowsAreDialogs) {
  OpenEditEntryWindowFor(4);
  ASSERT_NE(EntryWindowHandle(EditEntryWindow), nullptr);
  EXPECT_EQ(Object(EntryWindowHandle(EditEntryWindow)).Role(), ROLE_SYSTEM_DIALOG);
  // Named by the label, not by the text in the field ("-", "\u2013").
  EXPECT_EQ(Object(EntryControl(EditEntryWindow, kEditTriggerField)).Name(), u"Trigger");
  EXPECT_EQ(Object(EntryControl(EditEntryWindow, kEditCodeField)).Name(),
            u"Character or \\uXXXX");
  EXPECT_EQ(Object(EntryControl(EditEntryWindow, kEditCommentField)).Name(), u"Comment");
  EXPECT_EQ(Object(EntryControl(EditEntryWindow, kEditCancel)).Name(), u"Cancel");
  CloseEntryWindow(EditEntryWindow);

  // The New window's options sit in a group box that carries the caption.
  OpenNewEntryWindowNow();
  HWND group = EntryControl(NewEntryWindow, kNewAddLabel);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(GetWindowLongW(group, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(WindowTextOf(group), u"A&dd character(s)");  // with its mnemonic
  RECT frame{};
  GetWindowRect(group, &frame);
  for (int id : {kNewAbove, kNewBelow}) {
    RECT option{}, both{};
    GetWindowRect(EntryControl(NewEntryWindow, id), &option);
    IntersectRect(&both, &frame, &option);
    EXPECT_TRUE(EqualRect(&both, &option)) << id;
  }
  EXPECT_EQ(Object(EntryControl(NewEntryWindow, kNewBelow)).Name(), u"below");
  CloseEntryWindow(NewEntryWindow);

  // Settings: the Caption field was read as "Hotkey:".
  OpenSettingsWindow();
  ASSERT_NE(EntryWindowHandle(SettingsWindow), nullptr);
  EXPECT_EQ(Object(EntryControl(SettingsWindow, kSetCaption)).Name(), u"Caption");
  EXPECT_EQ(Object(EntryControl(SettingsWindow, kSetCommand)).Name(), u"Command");
  EXPECT_EQ(Object(EntryControl(SettingsWindow, kSetBeep)).Name(),
            u"Beep if trigger does not exist");
  CloseEntryWindow(SettingsWindow);

  Dispatch(MakeEvent(EventKind::Command, kCmdFind));
  ASSERT_NE(EntryWindowHandle(FindEntryWindow), nullptr);
  // With or without the label's colon, as the system reads labels.
  EXPECT_EQ(LabelName(Object(EntryControl(FindEntryWindow, kFindField)).Name()),
            ControlLabelName(EntryControl(FindEntryWindow, kFindLabel)));
  EXPECT_EQ(Object(EntryWindowHandle(FindEntryWindow)).Role(), ROLE_SYSTEM_DIALOG);
}

TEST_F(AccessibilityTest, EnterPressesAFocusedImageButtonOrLinkInsteadOfInserting) {
  std::vector<std::vector<KeyRecord>> typed;
  SetKeyInputHookForTesting([&typed](const std::vector<KeyRecord>& r) { typed.push_back(r); });
  for (int id : {kCtlDelete, kCtlCharMapLink}) {
    HWND control = MainControl(id);
    SetFocus(control);
    Drain();
    ClearEventQueue();
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    // One message at a time, so that the click is seen before it is carried out.
    bool clicked = false;
    for (int step = 0; step < 200 && !clicked && RunLoopStep(false); ++step)
      clicked = ClickQueued(id);
    EXPECT_TRUE(clicked) << id;
    for (std::size_t i = 0; i < QueuedEventCount(); ++i)
      EXPECT_NE(QueuedEvent(i).kind, EventKind::Command) << id;  // not the Insert shortcut
    ClearEventQueue();
  }
  SetKeyInputHookForTesting(nullptr);
  EXPECT_TRUE(typed.empty());
}

TEST_F(AccessibilityTest, StatusMessagesFindResultsAndUnknownTriggersAreAnnounced) {
  // A character that is no trigger: shown and said, no longer a beep alone.
  SetFocus(App().list);
  SendMessageW(App().list, WM_CHAR, L'q', 0x00100001);
  Drain();
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].first, u"No entry has the trigger \u201Cq\u201D.");
  EXPECT_EQ(said_[0].second, Politeness::Polite);
  EXPECT_EQ(StatusText(), u" No entry has the trigger \u201Cq\u201D.");

  said_.clear();
  Dispatch(MakeEvent(EventKind::Command, 2));  // Ctrl+C
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0], std::make_pair(Text(u"Character copied to the clipboard."), Politeness::Polite));

  // Find: how many match, and the row it selected as the list reads it.
  said_.clear();
  Dispatch(MakeEvent(EventKind::Command, kCmdFind));
  SetWindowTextW(EntryControl(FindEntryWindow, kFindField), L"dash");
  Drain();
  ASSERT_FALSE(said_.empty());
  EXPECT_EQ(said_.back().first,
            u"1 item matches \u201Cdash\u201D. en dash, \u2013, EN DASH, trigger -");
}

TEST_F(AccessibilityTest, WithoutTheHookAnAnnouncementReachesALiveRegionOrUiAutomation) {
  SetAnnounceHookForTesting(nullptr);
  Announce(u" The character file was reread.", Politeness::Polite);
  HWND region = LiveRegionOf(App().main_window);
  if (!region) GTEST_SKIP() << "UI Automation took the notification";
  EXPECT_EQ(WindowTextOf(region), u"The character file was reread.");
  RECT rect{};
  GetWindowRect(region, &rect);
  EXPECT_TRUE(IsRectEmpty(&rect));  // never seen
}

TEST_F(AccessibilityTest, TheClipboardNoteIsAMessageBoxWhenNotificationsWouldNotShow) {
  MessageRecorder boxes;
  boxes.Install();
  int balloons = 0, beeps = 0;
  SetTrayBalloonHookForTesting([&balloons](const Text&, const Text&) { ++balloons; });
  SetWarningBeepHookForTesting([&beeps] { ++beeps; });

  SetNotificationStateReaderForTesting([] { return NotificationState::Presenting; });
  TellTextIsOnClipboard(true);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].first, Tr(u"WinMain", u"InfoElevated"));
  EXPECT_EQ(boxes.boxes[0].second & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(balloons, 0);

  SetNotificationStateReaderForTesting([] { return NotificationState::Accepts; });
  TellTextIsOnClipboard(false);
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(balloons, 1);
  EXPECT_EQ(beeps, 1);  // the balloon alone might be silent
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].second, Politeness::Assertive);
}

TEST_F(AccessibilityTest, TheProgramsOwnDrawingFollowsAHighContrastPalette) {
  const COLORREF face = RGB(0, 0, 0), text = RGB(255, 255, 255), link = RGB(255, 255, 0),
                 highlight = RGB(0, 255, 255);
  SetSystemColourHookForTesting([=](int index) {
    switch (index) {
      case COLOR_BTNFACE: return face;
      case COLOR_BTNTEXT: return text;
      case COLOR_HOTLIGHT: return link;
      case COLOR_HIGHLIGHT: return highlight;
      case COLOR_HIGHLIGHTTEXT: return RGB(0, 0, 0);
      default: return GetSysColor(index);
    }
  });
  HWND main = App().main_window;
  SendMessageW(main, WM_SYSCOLORCHANGE, 0, 0);
  // Find leaves its row selected in the list, which has no focus.
  SelectListRow(2);
  SetFocus(MainControl(kCtlInsert));
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);

  auto pixel = [](HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
  };
  // The link: its text in the link colour, on the face.
  HWND link_control = MainControl(kCtlCharMapLink);
  RECT client{};
  GetClientRect(link_control, &client);
  int link_pixels = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) link_pixels += pixel(link_control, x, y) == link;
  EXPECT_GT(link_pixels, 50);
  EXPECT_EQ(pixel(link_control, client.right - 1, 0), face);
  // An image button's face.
  EXPECT_EQ(pixel(MainControl(kCtlNew), 1, 1), face);
  // The Menu button's picture: bars of the text colour on the face.
  const std::vector<DWORD> pixels = testing_support::BitmapPixels(
      reinterpret_cast<HBITMAP>(SendMessageW(MainControl(kCtlMenu), BM_GETIMAGE, IMAGE_BITMAP, 0)), 30);
  ASSERT_EQ(pixels.size(), 900u);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0u);                     // face, black
  EXPECT_EQ(pixels[9 * 30 + 10] & 0xFFFFFF, 0xFFFFFFu);    // bar, white
  // The selected row of the inactive list, in the highlight colour.
  RECT row{};
  ASSERT_TRUE(ListView_GetItemRect(App().list, 2, &row, LVIR_BOUNDS));
  EXPECT_EQ(pixel(App().list, row.right - 4, (row.top + row.bottom) / 2), highlight);

  SetSystemColourHookForTesting(nullptr);
  SendMessageW(main, WM_SYSCOLORCHANGE, 0, 0);
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(pixel(MainControl(kCtlNew), 1, 1), GetSysColor(COLOR_BTNFACE));
}

}  // namespace
}  // namespace gw
