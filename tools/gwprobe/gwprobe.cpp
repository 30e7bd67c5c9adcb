// gwprobe: a long-lived Win32 console helper for the end-to-end tests.
//
// It reads one command per line on stdin and answers one line of JSON on
// stdout, so that a whole test session needs a single Wine process to look
// into the windows of the program under test.
//
// Request:  NAME<TAB>key=value<TAB>key=value...   (UTF-8)
//           Values may use the escapes \\ \t \n \r and \uXXXX.
// Answer:   {"ok":true,...} or {"ok":false,"error":"..."}   (ASCII only; every
//           character above U+007E is written as \uXXXX, surrogate pairs as two
//           escapes, so any JSON reader gets the exact UTF-16 text back).
//
// Window handles and process ids are decimal numbers; requests accept decimal
// or 0x-prefixed hexadecimal.  See `help` for the command list.

#include <algorithm>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kProtocolVersion = 1;
constexpr UINT kSendTimeoutMs = 3000;

// ---------------------------------------------------------------- text helpers

std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Undoes the request escapes; an unknown escape keeps its backslash.
std::wstring Unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    wchar_t c = s[i];
    if (c != L'\\' || i + 1 >= s.size()) {
      out += c;
      continue;
    }
    wchar_t n = s[i + 1];
    if (n == L'\\') { out += L'\\'; ++i; }
    else if (n == L't') { out += L'\t'; ++i; }
    else if (n == L'n') { out += L'\n'; ++i; }
    else if (n == L'r') { out += L'\r'; ++i; }
    else if (n == L'u' && i + 5 < s.size()) {
      int v = 0;
      bool good = true;
      for (size_t k = i + 2; k < i + 6; ++k) {
        int d = HexDigit(s[k]);
        if (d < 0) { good = false; break; }
        v = v * 16 + d;
      }
      if (good) { out += static_cast<wchar_t>(v); i += 5; }
      else out += c;
    } else {
      out += c;
    }
  }
  return out;
}

class Json {
 public:
  Json& Raw(const std::string& s) { out_ += s; return *this; }
  Json& Key(const char* k) {
    Sep();
    out_ += '"';
    out_ += k;
    out_ += "\":";
    fresh_ = true;
    return *this;
  }
  Json& Str(const std::wstring& s) {
    Sep();
    out_ += '"';
    char buf[8];
    for (wchar_t c : s) {
      if (c == L'"') out_ += "\\\"";
      else if (c == L'\\') out_ += "\\\\";
      else if (c >= 0x20 && c < 0x7f) out_ += static_cast<char>(c);
      else {
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c) & 0xffff);
        out_ += buf;
      }
    }
    out_ += '"';
    return *this;
  }
  Json& Str(const char* s) { return Str(Widen(s)); }
  Json& Int(long long v) { Sep(); out_ += std::to_string(v); return *this; }
  Json& UInt(unsigned long long v) { Sep(); out_ += std::to_string(v); return *this; }
  Json& Bool(bool v) { Sep(); out_ += v ? "true" : "false"; return *this; }
  Json& Null() { Sep(); out_ += "null"; return *this; }
  Json& Hwnd(HWND h) { return UInt(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h))); }
  Json& Obj() { Sep(); out_ += '{'; fresh_ = true; return *this; }
  Json& EndObj() { out_ += '}'; fresh_ = false; return *this; }
  Json& Arr() { Sep(); out_ += '['; fresh_ = true; return *this; }
  Json& EndArr() { out_ += ']'; fresh_ = false; return *this; }
  Json& Rect(const RECT& r) {
    Arr().Int(r.left).Int(r.top).Int(r.right).Int(r.bottom).EndArr();
    return *this;
  }
  const std::string& str() const { return out_; }

 private:
  void Sep() {
    if (fresh_) { fresh_ = false; return; }
    if (!out_.empty()) {
      char last = out_.back();
      if (last != '{' && last != '[' && last != ':') out_ += ',';
    }
  }
  std::string out_;
  bool fresh_ = true;
};

// ---------------------------------------------------------------- requests

struct Request {
  std::wstring name;
  std::map<std::wstring, std::wstring> args;
  std::vector<std::pair<std::wstring, std::wstring>> env;  // env.NAME=value, in order

  bool Has(const wchar_t* k) const { return args.count(k) != 0; }
  std::wstring Get(const wchar_t* k, const std::wstring& def = L"") const {
    auto it = args.find(k);
    return it == args.end() ? def : it->second;
  }
  long long Int(const wchar_t* k, long long def = 0) const {
    auto it = args.find(k);
    if (it == args.end() || it->second.empty()) return def;
    return static_cast<long long>(wcstoull(it->second.c_str(), nullptr, 0));
  }
  bool Flag(const wchar_t* k, bool def = false) const {
    auto it = args.find(k);
    if (it == args.end()) return def;
    const std::wstring& v = it->second;
    return !(v == L"0" || v == L"false" || v == L"no" || v.empty());
  }
  HWND Window(const wchar_t* k = L"hwnd") const {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(Int(k, 0)));
  }
};

Request Parse(const std::wstring& line) {
  Request r;
  size_t start = 0;
  bool first = true;
  while (start <= line.size()) {
    size_t tab = line.find(L'\t', start);
    std::wstring field = line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start);
    if (first) {
      r.name = field;
      first = false;
    } else if (!field.empty()) {
      size_t eq = field.find(L'=');
      std::wstring key = eq == std::wstring::npos ? field : field.substr(0, eq);
      std::wstring value = eq == std::wstring::npos ? L"1" : Unescape(field.substr(eq + 1));
      if (key.rfind(L"env.", 0) == 0) r.env.emplace_back(key.substr(4), value);
      else r.args[key] = value;
    }
    if (tab == std::wstring::npos) break;
    start = tab + 1;
  }
  return r;
}

// ---------------------------------------------------------------- windows

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

// WM_GETTEXT with a timeout so that a hung window cannot hang the probe.
bool WindowText(HWND h, std::wstring* out) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len)) return false;
  std::vector<wchar_t> buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                           kSendTimeoutMs, &got))
    return false;
  out->assign(buf.data(), got < buf.size() ? got : buf.size() - 1);
  return true;
}

std::wstring TextOrEmpty(HWND h) {
  std::wstring t;
  WindowText(h, &t);
  return t;
}

// Button captions compared without their mnemonic ampersands.
std::wstring StripMnemonic(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&') {
      if (i + 1 < s.size() && s[i + 1] == L'&') { out += L'&'; ++i; }
      continue;
    }
    out += s[i];
  }
  return out;
}

void WindowInfo(Json& j, HWND h) {
  DWORD pid = 0;
  DWORD tid = GetWindowThreadProcessId(h, &pid);
  RECT r = {};
  GetWindowRect(h, &r);
  RECT c = {};
  GetClientRect(h, &c);
  LONG style = GetWindowLongW(h, GWL_STYLE);
  LONG exstyle = GetWindowLongW(h, GWL_EXSTYLE);
  j.Key("hwnd").Hwnd(h);
  j.Key("class").Str(ClassOf(h));
  j.Key("text").Str(TextOrEmpty(h));
  j.Key("pid").UInt(pid);
  j.Key("tid").UInt(tid);
  j.Key("visible").Bool(IsWindowVisible(h) != FALSE);
  j.Key("enabled").Bool(IsWindowEnabled(h) != FALSE);
  j.Key("iconic").Bool(IsIconic(h) != FALSE);
  j.Key("zoomed").Bool(IsZoomed(h) != FALSE);
  j.Key("topmost").Bool((exstyle & WS_EX_TOPMOST) != 0);
  j.Key("foreground").Bool(GetForegroundWindow() == h);
  j.Key("rect").Rect(r);
  j.Key("client").Arr().Int(c.right - c.left).Int(c.bottom - c.top).EndArr();
  j.Key("owner").Hwnd(GetWindow(h, GW_OWNER));
  j.Key("parent").Hwnd(GetAncestor(h, GA_PARENT) == GetDesktopWindow() ? nullptr : GetAncestor(h, GA_PARENT));
  j.Key("id").Int(static_cast<long long>(GetWindowLongPtrW(h, GWLP_ID)));
  j.Key("style").UInt(static_cast<unsigned long>(style));
  j.Key("exstyle").UInt(static_cast<unsigned long>(exstyle));
}

struct Filter {
  bool has_title = false, has_class = false, has_contains = false;
  std::wstring title, cls, contains;
  DWORD pid = 0;
  bool visible_only = false;

  static Filter From(const Request& r) {
    Filter f;
    if (r.Has(L"title")) { f.has_title = true; f.title = r.Get(L"title"); }
    if (r.Has(L"class")) { f.has_class = true; f.cls = r.Get(L"class"); }
    if (r.Has(L"title_contains")) { f.has_contains = true; f.contains = r.Get(L"title_contains"); }
    f.pid = static_cast<DWORD>(r.Int(L"pid", 0));
    f.visible_only = r.Flag(L"visible", false);
    return f;
  }
  bool Match(HWND h) const {
    if (visible_only && !IsWindowVisible(h)) return false;
    if (pid) {
      DWORD p = 0;
      GetWindowThreadProcessId(h, &p);
      if (p != pid) return false;
    }
    if (has_class && ClassOf(h) != cls) return false;
    if (has_title || has_contains) {
      std::wstring t;
      if (!WindowText(h, &t)) return false;
      if (has_title && t != title) return false;
      if (has_contains && t.find(contains) == std::wstring::npos) return false;
    }
    return true;
  }
};

std::vector<HWND> TopLevel() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> FindTop(const Filter& f) {
  std::vector<HWND> out;
  for (HWND h : TopLevel())
    if (f.Match(h)) out.push_back(h);
  return out;
}

// ---------------------------------------------------------------- timing

// The performance counter, which under Wine counts the host's CLOCK_MONOTONIC_RAW
// in 100 ns units: a benchmark on the host side can compare its own clock with
// the times the probe reports.
long long Now100ns() {
  static const long long freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<long long>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<long long>(c.QuadPart / freq * 10000000 + c.QuadPart % freq * 10000000 / freq);
}

// A pause shorter than Sleep's millisecond (NtDelayExecution takes 100 ns units).
void PauseMicroseconds(long long us) {
  using Delay = LONG(WINAPI*)(BOOLEAN, PLARGE_INTEGER);
  static Delay delay =
      reinterpret_cast<Delay>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDelayExecution")));
  if (us <= 0) return;
  if (!delay) {
    Sleep(static_cast<DWORD>((us + 999) / 1000));
    return;
  }
  LARGE_INTEGER rel;
  rel.QuadPart = -us * 10;
  delay(FALSE, &rel);
}

void WriteLine(const std::string& s);

// Polls until `done` holds or the timeout runs out; true when it held.
template <class F>
bool PollUntil(long long timeout_ms, F done) {
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

// ---------------------------------------------------------------- remote memory

// A block of memory inside another process, for the control messages whose
// structures Wine does not marshal (list view, status bar, tooltip).
class Remote {
 public:
  Remote(HWND h, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    proc_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                        FALSE, pid);
    if (proc_) mem_ = VirtualAllocEx(proc_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~Remote() {
    if (mem_) VirtualFreeEx(proc_, mem_, 0, MEM_RELEASE);
    if (proc_) CloseHandle(proc_);
  }
  Remote(const Remote&) = delete;
  Remote& operator=(const Remote&) = delete;

  bool ok() const { return mem_ != nullptr; }
  char* at(size_t off) const { return static_cast<char*>(mem_) + off; }
  bool Write(size_t off, const void* data, size_t n) {
    SIZE_T done = 0;
    return off + n <= size_ && WriteProcessMemory(proc_, at(off), data, n, &done) && done == n;
  }
  bool Read(size_t off, void* data, size_t n) {
    SIZE_T done = 0;
    return off + n <= size_ && ReadProcessMemory(proc_, at(off), data, n, &done) && done == n;
  }
  bool Zero() {
    std::vector<char> z(size_, 0);
    return Write(0, z.data(), size_);
  }

 private:
  HANDLE proc_ = nullptr;
  void* mem_ = nullptr;
  size_t size_;
};

constexpr size_t kTextChars = 4096;
constexpr size_t kTextOffset = 1024;  // structure first, text buffer after it
constexpr size_t kRemoteSize = kTextOffset + kTextChars * sizeof(wchar_t);

bool Send(HWND h, UINT msg, WPARAM w, LPARAM l, DWORD_PTR* result) {
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r)) return false;
  if (result) *result = r;
  return true;
}

// The text in the remote buffer, of at most `max_chars` - 1 units (all of the
// buffer by default; a watch reads no more than it compares).
std::wstring ReadRemoteText(Remote& mem, size_t max_chars = kTextChars) {
  std::vector<wchar_t> buf(std::min(max_chars, kTextChars), L'\0');
  if (!mem.Read(kTextOffset, buf.data(), buf.size() * sizeof(wchar_t))) return {};
  buf.back() = L'\0';
  return buf.data();
}

bool ListViewCell(HWND lv, Remote& mem, int row, int col, std::wstring* out,
                  size_t max_chars = kTextChars) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = col;
  item.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
  item.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nul = 0;
  if (!mem.Write(0, &item, sizeof item) || !mem.Write(kTextOffset, &nul, sizeof nul)) return false;
  if (!Send(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.at(0)), nullptr))
    return false;
  *out = ReadRemoteText(mem, max_chars);
  return true;
}

// The text of part `part` of a status bar; false when it cannot be read or is
// too long for the buffer.
bool StatusBarText(HWND sb, Remote& mem, int part, std::wstring* out, size_t max_chars = kTextChars) {
  wchar_t nul = 0;
  DWORD_PTR len = 0;
  if (!mem.Write(kTextOffset, &nul, sizeof nul) ||
      !Send(sb, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, &len) || LOWORD(len) >= kTextChars ||
      !Send(sb, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(mem.at(kTextOffset)), nullptr))
    return false;
  *out = ReadRemoteText(mem, max_chars);
  return true;
}

int ListViewColumnCount(HWND lv) {
  DWORD_PTR header = 0;
  if (!Send(lv, LVM_GETHEADER, 0, 0, &header) || !header) return 0;
  DWORD_PTR n = 0;
  if (!Send(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &n)) return 0;
  return static_cast<int>(static_cast<LONG_PTR>(n));
}

bool ListViewColumn(HWND lv, Remote& mem, int col, std::wstring* text, int* width) {
  LVCOLUMNW c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH;
  c.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
  c.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nul = 0;
  if (!mem.Write(0, &c, sizeof c) || !mem.Write(kTextOffset, &nul, sizeof nul)) return false;
  DWORD_PTR ok = 0;
  if (!Send(lv, LVM_GETCOLUMNW, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(mem.at(0)), &ok) || !ok)
    return false;
  LVCOLUMNW back = {};
  mem.Read(0, &back, sizeof back);
  *width = back.cx;
  *text = ReadRemoteText(mem);
  return true;
}

// ---------------------------------------------------------------- processes

struct Child {
  HANDLE process = nullptr;
  std::wstring exe;
};
std::map<DWORD, Child> g_children;  // processes this probe started, by pid
std::vector<HANDLE> g_suspended;     // main threads of processes started suspended=1, until "resume"

std::wstring BuildEnvironment(const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
  std::vector<std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) vars.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : overrides) {
    std::wstring prefix = name + L"=";
    for (auto it = vars.begin(); it != vars.end();) {
      if (it->size() >= prefix.size() && CompareStringOrdinal(it->c_str(), static_cast<int>(prefix.size()),
                                                              prefix.c_str(), static_cast<int>(prefix.size()),
                                                              TRUE) == CSTR_EQUAL)
        it = vars.erase(it);
      else
        ++it;
    }
    vars.push_back(prefix + value);  // an empty value still defines the variable
  }
  std::wstring block;
  for (const auto& v : vars) {
    block += v;
    block += L'\0';
  }
  block += L'\0';
  return block;
}

HANDLE OpenForChild(const std::wstring& path, bool write) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  if (path.empty())
    return CreateFileW(L"NUL", write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       OPEN_EXISTING, 0, nullptr);
  return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
}

int ShowCommand(const std::wstring& s) {
  if (s == L"normal") return SW_SHOWNORMAL;
  if (s == L"minimized" || s == L"minimised") return SW_SHOWMINIMIZED;
  if (s == L"minnoactive") return SW_SHOWMINNOACTIVE;
  if (s == L"maximized" || s == L"maximised") return SW_SHOWMAXIMIZED;
  if (s == L"hide") return SW_HIDE;
  if (s == L"noactivate") return SW_SHOWNOACTIVATE;
  return -1;
}

void ExitInfo(Json& j, HANDLE proc) {
  DWORD code = 0;
  bool running = WaitForSingleObject(proc, 0) == WAIT_TIMEOUT;
  j.Key("exited").Bool(!running);
  if (!running && GetExitCodeProcess(proc, &code)) j.Key("exit_code").UInt(code);
  else j.Key("exit_code").Null();
}

// ---------------------------------------------------------------- commands

using Handler = void (*)(const Request&, Json&);

std::string g_error;  // set by a handler to fail the request

void Fail(const std::string& msg) { g_error = msg; }

bool NeedWindow(HWND h) {
  if (!h || !IsWindow(h)) {
    Fail("no such window");
    return false;
  }
  return true;
}

void CmdPing(const Request&, Json& j) {
  j.Key("pid").UInt(GetCurrentProcessId());
  j.Key("version").Int(kProtocolVersion);
}

void CmdFind(const Request& r, Json& j) {
  Filter f = Filter::From(r);
  j.Key("windows").Arr();
  for (HWND h : FindTop(f)) {
    j.Obj();
    WindowInfo(j, h);
    j.EndObj();
  }
  j.EndArr();
}

void CmdWaitWindow(const Request& r, Json& j) {
  Filter f = Filter::From(r);
  bool gone = r.Flag(L"gone");
  std::vector<HWND> found;
  bool ok = PollUntil(r.Int(L"timeout", 5000), [&] {
    found = FindTop(f);
    return gone ? found.empty() : !found.empty();
  });
  if (!ok) {
    Fail(gone ? "timeout: window still there" : "timeout: no such window");
    return;
  }
  j.Key("windows").Arr();
  for (HWND h : found) {
    j.Obj();
    WindowInfo(j, h);
    j.EndObj();
  }
  j.EndArr();
}

void CmdInfo(const Request& r, Json& j) {
  HWND h = r.Window();
  bool exists = h && IsWindow(h);
  j.Key("exists").Bool(exists);
  if (exists) WindowInfo(j, h);
}

void CmdText(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  std::wstring t;
  if (!WindowText(h, &t)) {
    Fail("WM_GETTEXT failed or timed out");
    return;
  }
  j.Key("text").Str(t);
}

void CmdSetText(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  std::wstring t = r.Get(L"text");
  DWORD_PTR res = 0;
  if (!SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &res)) {
    Fail("WM_SETTEXT timed out");
    return;
  }
  j.Key("result").Bool(res != 0);
}

void CmdChildren(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  bool has_class = r.Has(L"class");
  std::wstring cls = r.Get(L"class");
  j.Key("children").Arr();
  for (HWND c : Children(h)) {
    if (has_class && ClassOf(c) != cls) continue;
    j.Obj();
    WindowInfo(j, c);
    std::wstring cl = ClassOf(c);
    if (CompareStringOrdinal(cl.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      DWORD_PTR state = 0;
      if (Send(c, BM_GETCHECK, 0, 0, &state)) j.Key("checked").Int(static_cast<long long>(state));
    }
    j.EndObj();
  }
  j.EndArr();
}

// Describes a message box (a #32770 window): its texts and buttons.
void DescribeDialog(Json& j, HWND box) {
  WindowInfo(j, box);
  std::wstring text;
  j.Key("statics").Arr();
  for (HWND c : Children(box)) {
    if (CompareStringOrdinal(ClassOf(c).c_str(), -1, L"Static", -1, TRUE) != CSTR_EQUAL) continue;
    std::wstring t = TextOrEmpty(c);
    if (t.empty()) continue;
    j.Str(t);
    if (!text.empty()) text += L"\n";
    text += t;
  }
  j.EndArr();
  j.Key("message").Str(text);
  j.Key("buttons").Arr();
  for (HWND c : Children(box)) {
    if (CompareStringOrdinal(ClassOf(c).c_str(), -1, L"Button", -1, TRUE) != CSTR_EQUAL) continue;
    if (!IsWindowVisible(c)) continue;
    j.Obj();
    j.Key("hwnd").Hwnd(c);
    j.Key("id").Int(static_cast<long long>(GetWindowLongPtrW(c, GWLP_ID)));
    j.Key("text").Str(TextOrEmpty(c));
    j.Key("enabled").Bool(IsWindowEnabled(c) != FALSE);
    j.EndObj();
  }
  j.EndArr();
}

void CmdMsgBoxes(const Request& r, Json& j) {
  Filter f = Filter::From(r);
  f.has_class = true;
  f.cls = L"#32770";
  f.visible_only = true;
  std::vector<HWND> found;
  long long timeout = r.Int(L"timeout", 0);
  bool ok = PollUntil(timeout, [&] {
    found = FindTop(f);
    return !found.empty();
  });
  if (!ok && timeout > 0) {
    Fail("timeout: no message box");
    return;
  }
  j.Key("boxes").Arr();
  for (HWND h : found) {
    j.Obj();
    DescribeDialog(j, h);
    j.EndObj();
  }
  j.EndArr();
}

// Finds a Button child of `parent` by caption (mnemonics ignored) or by id.
HWND FindButton(HWND parent, const Request& r) {
  bool by_text = r.Has(L"text");
  std::wstring want = StripMnemonic(r.Get(L"text"));
  long long id = r.Int(L"id", -1);
  for (HWND c : Children(parent)) {
    if (CompareStringOrdinal(ClassOf(c).c_str(), -1, L"Button", -1, TRUE) != CSTR_EQUAL) continue;
    if (by_text && StripMnemonic(TextOrEmpty(c)) == want) return c;
    if (!by_text && id >= 0 && GetWindowLongPtrW(c, GWLP_ID) == id) return c;
  }
  return nullptr;
}

void CmdClick(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  HWND button = h;
  if (r.Has(L"text") || r.Has(L"id")) {
    button = FindButton(h, r);
    if (!button) {
      Fail("no such button");
      return;
    }
  }
  if (r.Get(L"method") == L"command") {
    // WM_COMMAND to the button's parent, as the button itself would send it.
    HWND parent = GetParent(button);
    WPARAM id = static_cast<WPARAM>(GetWindowLongPtrW(button, GWLP_ID));
    PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  } else {
    PostMessageW(button, BM_CLICK, 0, 0);
  }
  j.Key("button").Hwnd(button);
}

void GuiThreadInfo(Json& j, DWORD tid) {
  GUITHREADINFO gti = {};
  gti.cbSize = sizeof gti;
  if (!GetGUIThreadInfo(tid, &gti)) {
    j.Key("focus").Null();
    return;
  }
  j.Key("active").Hwnd(gti.hwndActive);
  j.Key("focus").Hwnd(gti.hwndFocus);
  j.Key("capture").Hwnd(gti.hwndCapture);
  j.Key("menu_owner").Hwnd(gti.hwndMenuOwner);
  j.Key("in_menu").Bool((gti.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0);
  j.Key("caret").Hwnd(gti.hwndCaret);
  if (gti.hwndCaret) j.Key("caret_rect").Rect(gti.rcCaret);
  if (gti.hwndFocus) {
    j.Key("focus_class").Str(ClassOf(gti.hwndFocus));
    j.Key("focus_id").Int(static_cast<long long>(GetWindowLongPtrW(gti.hwndFocus, GWLP_ID)));
  }
}

void CmdForeground(const Request&, Json& j) {
  HWND fg = GetForegroundWindow();
  j.Key("hwnd").Hwnd(fg);
  if (!fg) return;
  j.Key("window").Obj();
  WindowInfo(j, fg);
  j.EndObj();
  GuiThreadInfo(j, GetWindowThreadProcessId(fg, nullptr));
}

// Polls `seen` with a pause of `gap_us` between checks until it holds or the
// timeout runs out. On success writes seen_at (the end of the check that saw
// the state: an upper bound) and not_before (the start of the check before it,
// which did not see it: a lower bound), both in 100 ns of the performance
// counter, and the number of checks.
template <class F>
bool WatchUntil(F seen, long long gap_us, long long timeout_ms, Json& j) {
  const long long end = Now100ns() + timeout_ms * 10000;
  long long previous = Now100ns();
  for (long long checks = 1;; ++checks) {
    const long long before = Now100ns();
    if (seen()) {
      j.Key("seen_at").Int(Now100ns());
      j.Key("not_before").Int(previous);
      j.Key("checks").Int(checks);
      return true;
    }
    if (before > end) return false;
    previous = before;
    PauseMicroseconds(gap_us);
  }
}

// Watches a state from inside Wine, so that the time it is seen is not
// delayed by the pipe to the caller. what=foreground: hwnd= is the foreground
// window [and focus= has the keyboard focus]; what=text: hwnd='s text is
// text=; what=caret: the caret is in hwnd, right of x= beyond= (client
// coordinates); what=count: the list view hwnd= has count= rows; what=cell:
// its cell row= col= reads text=; what=status: part= (default 0) of the
// status bar hwnd= reads text=. The caret is read from the system, with no
// message to the window: a message would wait while the window's thread is
// busy and slow it down. The list view and status bar states can only be
// read with messages; each check then waits until the window's thread takes
// its messages again, so the state is seen when that thread is done with
// what it was doing. The state must not hold when the watch starts. With
// armed=1 a first line {"ok":true,"armed":true} says that the watch has begun.
void CmdWatch(const Request& r, Json& j) {
  const std::wstring what = r.Get(L"what");
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  HWND focus = r.Window(L"focus");
  const std::wstring want = r.Get(L"text");
  auto foreground = [h, focus] {
    if (GetForegroundWindow() != h) return false;
    if (!focus) return true;
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    return GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gti) && gti.hwndFocus == focus;
  };
  auto text = [h, &want] {
    std::wstring t;
    return WindowText(h, &t) && t == want;
  };
  const long long beyond = static_cast<long long>(wcstoll(r.Get(L"beyond", L"0").c_str(), nullptr, 0));
  auto caret = [h, beyond] {
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    return GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gti) && gti.hwndCaret == h &&
           gti.rcCaret.left > beyond;
  };
  const long long want_count = r.Int(L"count", -1);
  auto count = [h, want_count] {
    DWORD_PTR n = 0;
    return Send(h, LVM_GETITEMCOUNT, 0, 0, &n) && static_cast<long long>(n) == want_count;
  };
  // One block of the window's process memory for all checks; each reads
  // only as many units as the wanted text has, and one more.
  std::unique_ptr<Remote> mem;
  const int row = static_cast<int>(r.Int(L"row", 0)), col = static_cast<int>(r.Int(L"col", 0));
  const int part = static_cast<int>(r.Int(L"part", 0));
  auto cell = [h, &mem, row, col, &want] {
    std::wstring t;
    return ListViewCell(h, *mem, row, col, &t, want.size() + 2) && t == want;
  };
  auto status = [h, &mem, part, &want] {
    std::wstring t;
    return StatusBarText(h, *mem, part, &t, want.size() + 2) && t == want;
  };
  std::function<bool()> seen;
  if (what == L"text") {
    seen = text;
  } else if (what == L"caret") {
    seen = caret;
  } else if (what == L"foreground") {
    seen = foreground;
  } else if (what == L"count") {
    seen = count;
  } else if (what == L"cell" || what == L"status") {
    mem = std::make_unique<Remote>(h, kRemoteSize);
    if (!mem->ok()) {
      Fail("cannot reach the window's process memory");
      return;
    }
    if (what == L"cell")
      seen = cell;
    else
      seen = status;
  } else {
    Fail("what= must be foreground, text, caret, count, cell or status");
    return;
  }
  if (seen()) {
    Fail("the state holds before the watch");
    return;
  }
  if (r.Flag(L"armed")) WriteLine("{\"ok\":true,\"armed\":true}");
  const bool ok = WatchUntil(seen, r.Int(L"gap_us", 250), r.Int(L"timeout", 10000), j);
  if (!ok) Fail("timeout: the state was not seen");
}

void CmdClock(const Request&, Json& j) { j.Key("now").Int(Now100ns()); }

void CmdFocus(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  GuiThreadInfo(j, GetWindowThreadProcessId(h, nullptr));
}

void CmdActivate(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
  BOOL ok = SetForegroundWindow(h);
  j.Key("result").Bool(ok != FALSE);
  j.Key("foreground").Hwnd(GetForegroundWindow());
}

void CmdListView(const Request& r, Json& j) {
  HWND lv = r.Window();
  if (!NeedWindow(lv)) return;
  Remote mem(lv, kRemoteSize);
  if (!mem.ok()) {
    Fail("cannot reach the list view's process memory");
    return;
  }
  DWORD_PTR count = 0;
  if (!Send(lv, LVM_GETITEMCOUNT, 0, 0, &count)) {
    Fail("LVM_GETITEMCOUNT timed out");
    return;
  }
  int ncols = ListViewColumnCount(lv);
  int first = static_cast<int>(r.Int(L"first", 0));
  int max = static_cast<int>(r.Int(L"max", 100000));
  j.Key("count").Int(static_cast<long long>(count));
  j.Key("columns").Arr();
  for (int c = 0; c < ncols; ++c) {
    std::wstring t;
    int w = 0;
    ListViewColumn(lv, mem, c, &t, &w);
    j.Obj().Key("text").Str(t).Key("width").Int(w).EndObj();
  }
  j.EndArr();
  DWORD_PTR top = 0;
  Send(lv, LVM_GETTOPINDEX, 0, 0, &top);
  DWORD_PTR per_page = 0;
  Send(lv, LVM_GETCOUNTPERPAGE, 0, 0, &per_page);
  j.Key("top_index").Int(static_cast<long long>(top));
  j.Key("per_page").Int(static_cast<long long>(per_page));
  // The first selected and the first focused row, asked of the list view
  // itself: one call each, however long the list.
  DWORD_PTR next = 0;
  long long selected = -1, focused = -1;
  if (Send(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &next))
    selected = static_cast<int>(next);
  if (Send(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED, &next))
    focused = static_cast<int>(next);
  j.Key("rows").Arr();
  const int end = static_cast<int>(std::min<long long>(count, static_cast<long long>(first) + max));
  for (int row = std::max(first, 0); row < end; ++row) {
    DWORD_PTR state = 0;
    Send(lv, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED, &state);
    j.Obj();
    j.Key("index").Int(row);
    j.Key("cells").Arr();
    for (int c = 0; c < (ncols > 0 ? ncols : 1); ++c) {
      std::wstring t;
      ListViewCell(lv, mem, row, c, &t);
      j.Str(t);
    }
    j.EndArr();
    j.Key("selected").Bool((state & LVIS_SELECTED) != 0);
    j.Key("focused").Bool((state & LVIS_FOCUSED) != 0);
    j.EndObj();
  }
  j.EndArr();
  j.Key("selected").Int(selected);
  j.Key("focused").Int(focused);
}

void CmdListViewSelect(const Request& r, Json& j) {
  HWND lv = r.Window();
  if (!NeedWindow(lv)) return;
  Remote mem(lv, kRemoteSize);
  if (!mem.ok()) {
    Fail("cannot reach the list view's process memory");
    return;
  }
  int index = static_cast<int>(r.Int(L"index", -1));
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  mem.Write(0, &item, sizeof item);
  DWORD_PTR ok = 0;
  if (!Send(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(mem.at(0)), &ok)) {
    Fail("LVM_SETITEMSTATE timed out");
    return;
  }
  Send(lv, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE, nullptr);
  j.Key("result").Bool(ok != 0);
}

void CmdStatusBar(const Request& r, Json& j) {
  HWND sb = r.Window();
  if (!NeedWindow(sb)) return;
  Remote mem(sb, kRemoteSize);
  if (!mem.ok()) {
    Fail("cannot reach the status bar's process memory");
    return;
  }
  DWORD_PTR parts = 0;
  if (!Send(sb, SB_GETPARTS, 0, 0, &parts)) {
    Fail("SB_GETPARTS timed out");
    return;
  }
  j.Key("parts").Arr();
  for (int i = 0; i < static_cast<int>(parts); ++i) {
    std::wstring t;
    StatusBarText(sb, mem, i, &t);
    j.Str(t);
  }
  j.EndArr();
}

void CmdTooltips(const Request& r, Json& j) {
  // All tooltip windows of the process that owns `hwnd` (or of `pid`).
  DWORD pid = static_cast<DWORD>(r.Int(L"pid", 0));
  if (!pid) {
    HWND h = r.Window();
    if (!NeedWindow(h)) return;
    GetWindowThreadProcessId(h, &pid);
  }
  j.Key("tools").Arr();
  for (HWND tip : TopLevel()) {
    DWORD p = 0;
    GetWindowThreadProcessId(tip, &p);
    if (p != pid || ClassOf(tip) != TOOLTIPS_CLASSW) continue;
    Remote mem(tip, kRemoteSize);
    if (!mem.ok()) continue;
    DWORD_PTR n = 0;
    Send(tip, TTM_GETTOOLCOUNT, 0, 0, &n);
    for (int i = 0; i < static_cast<int>(n); ++i) {
      TOOLINFOW ti = {};
      ti.cbSize = sizeof ti;
      ti.lpszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
      wchar_t nul = 0;
      mem.Write(0, &ti, sizeof ti);
      mem.Write(kTextOffset, &nul, sizeof nul);
      DWORD_PTR ok = 0;
      if (!Send(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(mem.at(0)), &ok) || !ok)
        continue;
      TOOLINFOW back = {};
      mem.Read(0, &back, sizeof back);
      j.Obj();
      j.Key("tooltip").Hwnd(tip);
      j.Key("owner").Hwnd(back.hwnd);
      j.Key("tool").UInt(static_cast<unsigned long long>(back.uId));
      j.Key("by_hwnd").Bool((back.uFlags & TTF_IDISHWND) != 0);
      // The tool's area, in the owner's client coordinates and on the screen.
      RECT rc = back.rect;
      if ((back.uFlags & TTF_IDISHWND) && IsWindow(reinterpret_cast<HWND>(back.uId))) {
        GetWindowRect(reinterpret_cast<HWND>(back.uId), &rc);
        MapWindowPoints(nullptr, back.hwnd, reinterpret_cast<POINT*>(&rc), 2);
      }
      j.Key("rect").Rect(rc);
      RECT screen = rc;
      MapWindowPoints(back.hwnd, nullptr, reinterpret_cast<POINT*>(&screen), 2);
      j.Key("screen_rect").Rect(screen);
      // LPSTR_TEXTCALLBACK and resource ids leave no text to read.
      bool has_text = back.lpszText == reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
      j.Key("text").Str(has_text ? ReadRemoteText(mem) : L"");
      j.EndObj();
    }
  }
  j.EndArr();
}

void CmdCombo(const Request& r, Json& j) {
  HWND cb = r.Window();
  if (!NeedWindow(cb)) return;
  bool listbox = CompareStringOrdinal(ClassOf(cb).c_str(), -1, L"ListBox", -1, TRUE) == CSTR_EQUAL;
  UINT get_count = listbox ? LB_GETCOUNT : CB_GETCOUNT;
  UINT get_len = listbox ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
  UINT get_text = listbox ? LB_GETTEXT : CB_GETLBTEXT;
  UINT get_sel = listbox ? LB_GETCURSEL : CB_GETCURSEL;
  DWORD_PTR n = 0, sel = 0;
  if (!Send(cb, get_count, 0, 0, &n)) {
    Fail("count message timed out");
    return;
  }
  Send(cb, get_sel, 0, 0, &sel);
  j.Key("count").Int(static_cast<LONG_PTR>(n));
  j.Key("selected").Int(static_cast<LONG_PTR>(sel));
  j.Key("items").Arr();
  for (int i = 0; i < static_cast<int>(static_cast<LONG_PTR>(n)); ++i) {
    DWORD_PTR len = 0;
    Send(cb, get_len, static_cast<WPARAM>(i), 0, &len);
    std::vector<wchar_t> buf(static_cast<size_t>(static_cast<LONG_PTR>(len) < 0 ? 0 : len) + 2, L'\0');
    Send(cb, get_text, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()), nullptr);
    j.Str(buf.data());
  }
  j.EndArr();
  j.Key("text").Str(TextOrEmpty(cb));
}

void CmdMenus(const Request&, Json& j) {
  // Open popup menus (class #32768).  Their items are private to the owning
  // process under Wine; the window and its size tell that a menu is open.
  j.Key("menus").Arr();
  for (HWND h : TopLevel()) {
    if (ClassOf(h) != L"#32768" || !IsWindowVisible(h)) continue;
    j.Obj();
    WindowInfo(j, h);
    DWORD_PTR menu = 0;
    Send(h, MN_GETHMENU, 0, 0, &menu);
    j.Key("hmenu").UInt(menu);
    int items = menu ? GetMenuItemCount(reinterpret_cast<HMENU>(menu)) : -1;
    j.Key("items").Int(items);
    j.EndObj();
  }
  j.EndArr();
}

void CmdClipboardGet(const Request&, Json& j) {
  bool opened = PollUntil(1000, [] { return OpenClipboard(nullptr) != FALSE; });
  if (!opened) {
    Fail("cannot open the clipboard");
    return;
  }
  j.Key("formats").Arr();
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) j.UInt(f);
  j.EndArr();
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data) {
    const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data));
    j.Key("text").Str(p ? std::wstring(p) : std::wstring());
    if (p) GlobalUnlock(data);
  } else {
    j.Key("text").Null();
  }
  CloseClipboard();
}

void CmdClipboardSet(const Request& r, Json& j) {
  std::wstring t = r.Get(L"text");
  bool opened = PollUntil(1000, [] { return OpenClipboard(nullptr) != FALSE; });
  if (!opened) {
    Fail("cannot open the clipboard");
    return;
  }
  EmptyClipboard();
  bool ok = false;
  if (r.Has(L"text")) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (t.size() + 1) * sizeof(wchar_t));
    if (mem) {
      void* p = GlobalLock(mem);
      memcpy(p, t.c_str(), (t.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(mem);
      ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
      if (!ok) GlobalFree(mem);
    }
  } else {
    ok = true;  // no text: the clipboard is left empty
  }
  CloseClipboard();
  j.Key("result").Bool(ok);
}

void CmdClose(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  j.Key("result").Bool(PostMessageW(h, WM_CLOSE, 0, 0) != FALSE);
}

void CmdPost(const Request& r, Json& j) {
  HWND h = r.Window();
  if (!NeedWindow(h)) return;
  UINT msg = static_cast<UINT>(r.Int(L"msg"));
  WPARAM w = static_cast<WPARAM>(r.Int(L"wparam"));
  LPARAM l = static_cast<LPARAM>(r.Int(L"lparam"));
  if (r.name == L"send") {
    DWORD_PTR res = 0;
    if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, static_cast<UINT>(r.Int(L"timeout", kSendTimeoutMs)),
                             &res)) {
      Fail("SendMessageTimeout failed");
      return;
    }
    j.Key("result").Int(static_cast<LONG_PTR>(res));
  } else {
    j.Key("result").Bool(PostMessageW(h, msg, w, l) != FALSE);
  }
}

void CmdStart(const Request& r, Json& j) {
  std::wstring exe = r.Get(L"exe");
  if (exe.empty()) {
    Fail("exe= is required");
    return;
  }
  std::wstring cmdline = L"\"" + exe + L"\"";
  if (r.Has(L"args")) cmdline += L" " + r.Get(L"args");
  std::wstring cwd = r.Get(L"cwd");
  std::wstring env = BuildEnvironment(r.env);

  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  // The child never gets the probe's own pipes: its output goes to a file or NUL.
  si.hStdInput = OpenForChild(L"", false);
  si.hStdOutput = OpenForChild(r.Get(L"stdout"), true);
  si.hStdError = r.Has(L"stderr") ? OpenForChild(r.Get(L"stderr"), true) : si.hStdOutput;
  int show = ShowCommand(r.Get(L"show"));
  if (show >= 0) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
  }
  PROCESS_INFORMATION pi = {};
  std::vector<wchar_t> cmd(cmdline.begin(), cmdline.end());
  cmd.push_back(L'\0');
  const long long started_at = Now100ns();
  const DWORD suspended = r.Flag(L"suspended") ? CREATE_SUSPENDED : 0;
  BOOL ok = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE,
                           CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP | suspended, env.data(),
                           cwd.empty() ? nullptr : cwd.c_str(), &si, &pi);
  DWORD err = GetLastError();
  if (si.hStdInput != INVALID_HANDLE_VALUE) CloseHandle(si.hStdInput);
  if (si.hStdOutput != INVALID_HANDLE_VALUE) CloseHandle(si.hStdOutput);
  if (si.hStdError != si.hStdOutput && si.hStdError != INVALID_HANDLE_VALUE) CloseHandle(si.hStdError);
  if (!ok) {
    Fail("CreateProcessW failed, error " + std::to_string(err));
    return;
  }
  if (suspended)
    g_suspended.push_back(pi.hThread);
  else
    CloseHandle(pi.hThread);
  g_children[pi.dwProcessId] = Child{pi.hProcess, exe};
  if (r.Flag(L"wait_idle")) WaitForInputIdle(pi.hProcess, static_cast<DWORD>(r.Int(L"timeout", 10000)));
  j.Key("pid").UInt(pi.dwProcessId);
  if (r.Has(L"watch_class")) {
    // Times the start: from just before CreateProcessW until a visible
    // top-level window of the new process with this class (and title) exists.
    // FindWindowExW filters by class and by the title the system keeps: a
    // check sends the starting program no message, and costs the wineserver a
    // few requests rather than several for every top-level window (a heavier
    // check would slow down the very start it times).
    const std::wstring cls = r.Get(L"watch_class"), title = r.Get(L"watch_title");
    const bool check_title = r.Has(L"watch_title");
    const DWORD pid = pi.dwProcessId;
    HWND found = nullptr;
    auto visible = [&] {
      for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, cls.c_str(), check_title ? title.c_str() : nullptr));) {
        DWORD p = 0;
        GetWindowThreadProcessId(h, &p);
        if (p != pid || !IsWindowVisible(h)) continue;
        found = h;
        return true;
      }
      return false;
    };
    j.Key("started_at").Int(started_at);
    if (!WatchUntil(visible, r.Int(L"gap_us", 250), r.Int(L"timeout", 30000), j)) {
      Fail("timeout: no visible window of the started process");
      return;
    }
    j.Key("hwnd").Hwnd(found);
    // And when the window's thread first answers a message (WM_GETTEXT).
    std::wstring t;
    if (WindowText(found, &t)) j.Key("answered_at").Int(Now100ns());
  }
}

// Lets the processes started with suspended=1 run, all at once.
void CmdResume(const Request&, Json& j) {
  for (HANDLE thread : g_suspended) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  j.Key("resumed").UInt(static_cast<unsigned>(g_suspended.size()));
  g_suspended.clear();
}

HANDLE ProcessHandle(const Request& r, DWORD* pid_out) {
  DWORD pid = static_cast<DWORD>(r.Int(L"pid"));
  *pid_out = pid;
  auto it = g_children.find(pid);
  if (it != g_children.end()) return it->second.process;
  return nullptr;
}

void CmdWaitExit(const Request& r, Json& j) {
  DWORD pid = 0;
  HANDLE proc = ProcessHandle(r, &pid);
  bool own = proc != nullptr;
  if (!proc) proc = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!proc) {
    Fail("no such process");
    return;
  }
  WaitForSingleObject(proc, static_cast<DWORD>(r.Int(L"timeout", 0)));
  j.Key("pid").UInt(pid);
  ExitInfo(j, proc);
  if (!own) CloseHandle(proc);
}

void CmdKill(const Request& r, Json& j) {
  DWORD pid = 0;
  HANDLE proc = ProcessHandle(r, &pid);
  if (!proc) {
    Fail("not a process this probe started");
    return;
  }
  bool running = WaitForSingleObject(proc, 0) == WAIT_TIMEOUT;
  if (running) TerminateProcess(proc, static_cast<UINT>(r.Int(L"code", 1)));
  WaitForSingleObject(proc, 5000);
  j.Key("was_running").Bool(running);
  ExitInfo(j, proc);
}

void CmdStarted(const Request&, Json& j) {
  j.Key("processes").Arr();
  for (auto& [pid, child] : g_children) {
    j.Obj();
    j.Key("pid").UInt(pid);
    j.Key("exe").Str(child.exe);
    ExitInfo(j, child.process);
    j.EndObj();
  }
  j.EndArr();
}

void CmdForget(const Request& r, Json& j) {
  DWORD pid = static_cast<DWORD>(r.Int(L"pid"));
  auto it = g_children.find(pid);
  bool known = it != g_children.end();
  if (known) {
    CloseHandle(it->second.process);
    g_children.erase(it);
  }
  j.Key("result").Bool(known);
}

void CmdProcesses(const Request& r, Json& j) {
  std::wstring name = r.Get(L"name");
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) {
    Fail("CreateToolhelp32Snapshot failed");
    return;
  }
  PROCESSENTRY32W pe = {};
  pe.dwSize = sizeof pe;
  j.Key("processes").Arr();
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
    if (!name.empty() && CompareStringOrdinal(pe.szExeFile, -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
    j.Obj();
    j.Key("pid").UInt(pe.th32ProcessID);
    j.Key("ppid").UInt(pe.th32ParentProcessID);
    j.Key("exe").Str(pe.szExeFile);
    j.EndObj();
  }
  j.EndArr();
  CloseHandle(snap);
}

void CmdType(const Request& r, Json& j) {
  // Unicode key events for each UTF-16 unit, into whatever has the focus.
  std::wstring t = r.Get(L"text");
  std::vector<INPUT> in;
  for (wchar_t c : t) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT up = down;
    up.ki.dwFlags |= KEYEVENTF_KEYUP;
    in.push_back(down);
    in.push_back(up);
  }
  UINT sent = in.empty() ? 0 : SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  j.Key("sent").UInt(sent);
}

void CmdKeyState(const Request& r, Json& j) {
  // The desktop's key state as the server keeps it: a key pressed in X shows
  // here once the Wine process owning the X focus has handled the event.
  int vk = static_cast<int>(r.Int(L"vk"));
  auto down = [vk] { return (GetAsyncKeyState(vk) & 0x8000) != 0; };
  if (r.Has(L"down")) {
    bool want = r.Flag(L"down");
    if (!PollUntil(r.Int(L"timeout", 5000), [&] { return down() == want; })) {
      Fail(want ? "timeout: key not down" : "timeout: key still down");
      return;
    }
  }
  j.Key("down").Bool(down());
}

void CmdScreen(const Request&, Json& j) {
  HDC dc = GetDC(nullptr);
  j.Key("width").Int(GetSystemMetrics(SM_CXSCREEN));
  j.Key("height").Int(GetSystemMetrics(SM_CYSCREEN));
  j.Key("dpi_x").Int(GetDeviceCaps(dc, LOGPIXELSX));
  j.Key("dpi_y").Int(GetDeviceCaps(dc, LOGPIXELSY));
  ReleaseDC(nullptr, dc);
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  j.Key("work_area").Rect(work);
  POINT pt = {};
  GetCursorPos(&pt);
  j.Key("cursor").Arr().Int(pt.x).Int(pt.y).EndArr();
  wchar_t loc[LOCALE_NAME_MAX_LENGTH] = {};
  GetUserDefaultLocaleName(loc, LOCALE_NAME_MAX_LENGTH);
  j.Key("locale").Str(loc);
}

void CmdHelp(const Request&, Json& j);

struct Command {
  const char* name;
  Handler fn;
  const char* usage;
};

const Command kCommands[] = {
    {"ping", CmdPing, "-> pid, version"},
    {"help", CmdHelp, "-> commands"},
    {"find", CmdFind, "[title=] [class=] [title_contains=] [pid=] [visible=1] -> windows[]"},
    {"wait-window", CmdWaitWindow, "filters as find, timeout=ms [gone=1] -> windows[] | error timeout"},
    {"info", CmdInfo, "hwnd= -> exists, window fields"},
    {"text", CmdText, "hwnd= -> text (WM_GETTEXT)"},
    {"set-text", CmdSetText, "hwnd= text= -> result (WM_SETTEXT)"},
    {"children", CmdChildren, "hwnd= [class=] -> children[] (all descendants, with checked for buttons)"},
    {"msgboxes", CmdMsgBoxes, "[title=] [pid=] [timeout=ms] -> boxes[] with message, statics[], buttons[]"},
    {"click", CmdClick, "hwnd= [text=|id=] [method=command] -> button (posts BM_CLICK)"},
    {"foreground", CmdForeground, "-> hwnd, window, active, focus, focus_class, focus_id, in_menu"},
    {"watch", CmdWatch,
     "what=foreground hwnd= [focus=] | what=text hwnd= text= | what=caret hwnd= beyond= | what=count hwnd= count= "
     "| what=cell hwnd= row= col= text= | what=status hwnd= [part=0] text=, [gap_us=250] [timeout=ms] [armed=1] "
     "-> seen_at, not_before (100 ns of the performance counter), checks"},
    {"clock", CmdClock, "-> now (100 ns of the performance counter)"},
    {"focus", CmdFocus, "hwnd= -> active, focus, ... of the window's thread"},
    {"activate", CmdActivate, "hwnd= -> result, foreground (SetForegroundWindow)"},
    {"listview", CmdListView, "hwnd= [first=] [max=] -> count, columns[], rows[], selected, focused"},
    {"listview-select", CmdListViewSelect, "hwnd= index= -> result"},
    {"statusbar", CmdStatusBar, "hwnd= -> parts[]"},
    {"tooltips", CmdTooltips, "hwnd=|pid= -> tools[] of the process's tooltip windows"},
    {"combo", CmdCombo, "hwnd= -> count, selected, items[], text (ComboBox or ListBox)"},
    {"menus", CmdMenus, "-> menus[] (open popup menus)"},
    {"clipboard-get", CmdClipboardGet, "-> text|null, formats[]"},
    {"clipboard-set", CmdClipboardSet, "[text=] -> result (no text: empties the clipboard)"},
    {"close", CmdClose, "hwnd= -> result (posts WM_CLOSE)"},
    {"post", CmdPost, "hwnd= msg= [wparam=] [lparam=] -> result"},
    {"send", CmdPost, "hwnd= msg= [wparam=] [lparam=] [timeout=] -> result"},
    {"start", CmdStart,
     "exe= [args=] [cwd=] [env.NAME=value]... [show=normal|minimized|minnoactive|maximized|hide|noactivate] "
     "[stdout=] [stderr=] [wait_idle=1] [watch_class= [watch_title=] [gap_us=]] [suspended=1] -> pid [, started_at, "
     "seen_at, not_before, hwnd, answered_at: the start timed until a visible window of the process, and until it "
     "answers WM_GETTEXT]"},
    {"resume", CmdResume, "-> resumed (lets every process started with suspended=1 run, all at once)"},
    {"wait-exit", CmdWaitExit, "pid= [timeout=ms] -> exited, exit_code"},
    {"kill", CmdKill, "pid= [code=] -> was_running, exited, exit_code (own processes only)"},
    {"started", CmdStarted, "-> processes[] started by this probe"},
    {"forget", CmdForget, "pid= -> result"},
    {"processes", CmdProcesses, "[name=] -> processes[]"},
    {"type", CmdType, "text= -> sent (SendInput KEYEVENTF_UNICODE)"},
    {"key-state", CmdKeyState, "vk= [down=1|0 timeout=ms] -> down; with down= waits for that state"},
    {"screen", CmdScreen, "-> width, height, dpi_x, dpi_y, work_area, cursor, locale"},
    {"exit", nullptr, "ends the probe"},
};

void CmdHelp(const Request&, Json& j) {
  j.Key("commands").Obj();
  for (const auto& c : kCommands) j.Key(c.name).Str(c.usage);
  j.EndObj();
}

// ---------------------------------------------------------------- main loop

HANDLE g_out;

void WriteLine(const std::string& s) {
  std::string line = s + "\n";
  DWORD done = 0;
  WriteFile(g_out, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
  FlushFileBuffers(g_out);
}

std::string Handle(const std::wstring& line) {
  Request r = Parse(line);
  Json j;
  for (const auto& c : kCommands) {
    if (r.name != Widen(c.name) || !c.fn) continue;
    g_error.clear();
    Json body;
    c.fn(r, body);
    if (!g_error.empty()) {
      Json e;
      e.Obj().Key("ok").Bool(false).Key("error").Str(g_error.c_str()).EndObj();
      return e.str();
    }
    std::string inner = body.str();
    std::string out = "{\"ok\":true";
    if (!inner.empty()) out += "," + inner;
    out += "}";
    return out;
  }
  Json e;
  e.Obj().Key("ok").Bool(false).Key("error").Str(L"unknown command: " + r.name).EndObj();
  return e.str();
}

}  // namespace

int wmain() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  g_out = GetStdHandle(STD_OUTPUT_HANDLE);
  // Programs started with `start` must not inherit the probe's pipes.
  SetHandleInformation(in, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(g_out, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(GetStdHandle(STD_ERROR_HANDLE), HANDLE_FLAG_INHERIT, 0);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

  {
    Json hello;
    hello.Obj().Key("ok").Bool(true).Key("ready").Bool(true).Key("pid").UInt(GetCurrentProcessId());
    hello.Key("version").Int(kProtocolVersion).EndObj();
    WriteLine(hello.str());
  }

  std::string pending;
  char buf[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buf, sizeof buf, &got, nullptr) || got == 0) break;
    pending.append(buf, got);
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      std::string raw = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      if (raw.empty()) continue;
      std::wstring line = Widen(raw);
      if (line == L"exit") {
        WriteLine("{\"ok\":true}");
        goto done;
      }
      WriteLine(Handle(line));
    }
  }
done:
  for (auto& [pid, child] : g_children) CloseHandle(child.process);
  return 0;
}
