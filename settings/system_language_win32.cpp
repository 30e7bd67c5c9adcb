#include <windows.h>

#include "settings/language.h"
#include "settings/system_language_win32.h"

namespace gw {

Text DetectSystemLanguage() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExW(&info);
#pragma GCC diagnostic pop
  if (info.dwMajorVersion >= 6) {
    using LocaleNameFn = int(WINAPI*)(LPWSTR, int);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto fn = kernel ? reinterpret_cast<LocaleNameFn>(
                           reinterpret_cast<void*>(GetProcAddress(kernel, "GetUserDefaultLocaleName")))
                     : nullptr;
    if (!fn) return Text();
    wchar_t name[85] = {};
    if (fn(name, 85) == 0) return Text();
    Text code(reinterpret_cast<const char16_t*>(name));
    return code.substr(0, 2);
  }
  return LanguageCodeFromLangId(PRIMARYLANGID(GetUserDefaultLangID()));
}

}  // namespace gw
