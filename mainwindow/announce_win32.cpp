// Announcements through UI Automation notifications (Windows 10 1709 and
// later; loaded when first needed, as older systems and Wine lack them) or
// else a live region: a static child without size whose text changes and
// whose change is signalled with EVENT_OBJECT_LIVEREGIONCHANGED, marked
// polite or assertive through the annotation service where there is one.
#include <windows.h>
#include <oleacc.h>

#include <utility>

#include "base/event_queue.h"
#include "base/ole_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/find_window.h"

namespace gw {

namespace {

constexpr int kLiveRegionId = 0x4C52;  // "LR"
constexpr int kStatusTimer = 1;
// NotificationKind_Other, NotificationProcessing_ImportantAll / _All.
constexpr int kNotificationKindOther = 4;
constexpr int kProcessingImportantAll = 0;
constexpr int kProcessingAll = 2;
// UI Automation's LiveSetting property: 1 polite, 2 assertive.
constexpr GUID kLiveSettingProperty = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

AnnounceHook g_hook;

using HostProviderFn = HRESULT(WINAPI*)(HWND, IUnknown**);
using RaiseNotificationFn = HRESULT(WINAPI*)(IUnknown*, int, int, BSTR, BSTR);

struct Uia {
  HostProviderFn host_provider = nullptr;
  RaiseNotificationFn raise_notification = nullptr;
};

const Uia& UiaFunctions() {
  static Uia functions = [] {
    Uia f;
    EnsureOle();
    if (HMODULE module = LoadLibraryW(L"uiautomationcore.dll")) {
      f.host_provider = reinterpret_cast<HostProviderFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "UiaHostProviderFromHwnd")));
      f.raise_notification = reinterpret_cast<RaiseNotificationFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "UiaRaiseNotificationEvent")));
    }
    return f;
  }();
  return functions;
}

BSTR ToBstr(const Text& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                           static_cast<UINT>(text.size()));
}

// The program window the user is in: the active one when it is the
// program's, else the main window.
HWND AnnouncingWindow() {
  HWND active = GetActiveWindow();
  return active && IsOwnWindow(active) ? active : App().main_window;
}

bool RaiseNotification(HWND window, const Text& text, Politeness politeness) {
  const Uia& uia = UiaFunctions();
  if (!uia.host_provider || !uia.raise_notification || !window) return false;
  IUnknown* provider = nullptr;
  if (FAILED(uia.host_provider(window, &provider)) || !provider) return false;
  BSTR display = ToBstr(text);
  BSTR activity = SysAllocString(L"Glyphwell.Announcement");
  const HRESULT hr = uia.raise_notification(
      provider, kNotificationKindOther,
      politeness == Politeness::Assertive ? kProcessingImportantAll : kProcessingAll, display,
      activity);
  SysFreeString(display);
  SysFreeString(activity);
  provider->Release();
  return SUCCEEDED(hr);
}

HWND MakeLiveRegion(HWND window) {
  HWND region = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0,
                                window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLiveRegionId)),
                                App().instance, nullptr);
  if (region) SetWindowPos(region, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return region;
}

void MarkLive(HWND region, Politeness politeness) {
  IAccPropServices* services = nullptr;
  EnsureOle();
  if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                              reinterpret_cast<void**>(&services))) ||
      !services)
    return;
  VARIANT setting;
  VariantInit(&setting);
  setting.vt = VT_I4;
  setting.lVal = politeness == Politeness::Assertive ? 2 : 1;
  services->SetHwndProp(region, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                        kLiveSettingProperty, setting);  // E_NOTIMPL under Wine: plain region
  services->Release();
}

void UpdateLiveRegion(HWND window, const Text& text, Politeness politeness) {
  if (!window) return;
  HWND region = LiveRegionOf(window);
  if (!region) region = MakeLiveRegion(window);
  if (!region) return;
  MarkLive(region, politeness);
  SetWindowTextW(region, W(text));
  NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, region, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace

void SetAnnounceHookForTesting(AnnounceHook hook) { g_hook = std::move(hook); }

HWND LiveRegionOf(HWND window) { return window ? GetDlgItem(window, kLiveRegionId) : nullptr; }

void Announce(const Text& raw, Politeness politeness) {
  // Status texts start with a space that only sets them off from the bar's edge.
  Text text = raw;
  while (!text.empty() && text.front() == u' ') text.erase(0, 1);
  if (text.empty()) return;
  if (g_hook) {
    g_hook(text, politeness);
    return;
  }
  HWND window = AnnouncingWindow();
  if (!RaiseNotification(window, text, politeness)) UpdateLiveRegion(window, text, politeness);
}

unsigned StatusMessageDurationMs() {
  ULONG seconds = 0;
  const bool read = SystemParametersInfoW(SPI_GETMESSAGEDURATION, 0, &seconds, 0) != FALSE;
  return MessageDurationMs(read, seconds);
}

void ShowStatusMessage(const Text& text, Politeness politeness) {
  SetStatusText(text);
  Announce(text, politeness);
  StartMainTimer(kStatusTimer, StatusMessageDurationMs());
}

Text RowAccessibleText(int row) {
  const CharacterTable& table = App().table;
  if (!table.IsRow(row)) return Text();
  const TextView characters = table.ColumnText(row, TableColumn::Characters);
  const Text names = CharacterNamesText(ProgramCharacterNames(), characters);
  RowParts parts;
  parts.trigger = table.ColumnText(row, TableColumn::Trigger);
  parts.characters = characters;
  parts.comment = table.ColumnText(row, TableColumn::Comment);
  parts.names = names;
  return RowDescription(parts, Tr(u"WinMain", u"InfoRowTrigger"), Tr(u"WinMain", u"InfoRowNoTrigger"));
}

void AnnounceFindResult(const Text& status, int row) {
  Text text = status;
  while (!text.empty() && text.front() == u' ') text.erase(0, 1);
  const Text described = RowAccessibleText(row);
  if (!described.empty()) {
    if (!text.empty()) text += u' ';
    text += described;
  }
  Announce(text, Politeness::Polite);
}

void ShowCharacterNameInStatus(int row) {
  const CharacterTable& table = App().table;
  if (!table.IsRow(row)) return;
  const std::string name =
      FirstCharacterName(ProgramCharacterNames(), table.ColumnText(row, TableColumn::Characters));
  if (name.empty()) {
    SetStatusText(InfoStatusText());
    return;
  }
  Text status(1, u' ');
  status += AsciiToText(name);
  SetStatusText(status);
}

}  // namespace gw
