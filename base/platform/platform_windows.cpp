// Windows implementation of the platform services of the core.
#include <windows.h>

#include "base/platform.h"

namespace gw {

namespace {
FileWriteHook g_write_hook;

const wchar_t* W(const Text& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }

DWORD Attributes(const Text& path) { return GetFileAttributesW(W(path)); }
}  // namespace

void SetFileWriteHook(FileWriteHook hook) { g_write_hook = std::move(hook); }

ReadResult ReadWholeFile(const Text& path, std::string& bytes) {
  bytes.clear();
  HANDLE h = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    h = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ReadResult::CannotOpen;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
    CloseHandle(h);
    return ReadResult::ReadFailed;
  }
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD chunk = 0;
    DWORD want = static_cast<DWORD>(bytes.size() - got);
    if (!ReadFile(h, bytes.data() + got, want, &chunk, nullptr) || chunk == 0) break;
    got += chunk;
  }
  CloseHandle(h);
  if (got != bytes.size()) {
    bytes.clear();
    return ReadResult::ReadFailed;
  }
  return ReadResult::Ok;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  if (path.empty()) return false;
  DWORD attr = Attributes(path);
  if (attr != INVALID_FILE_ATTRIBUTES &&
      (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    return false;
  long long fail_after = -1;
  if (g_write_hook) fail_after = g_write_hook(path, bytes);

  // The temporary file lies in the target's folder, so that the final rename
  // never crosses volumes.
  Text temp = path + u".tmp~" + NumberText(static_cast<long long>(GetCurrentProcessId()));
  HANDLE h = CreateFileW(W(temp), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  size_t limit = bytes.size();
  if (fail_after >= 0 && static_cast<size_t>(fail_after) < limit) limit = static_cast<size_t>(fail_after);
  size_t done = 0;
  while (done < limit) {
    DWORD chunk = 0;
    DWORD want = static_cast<DWORD>(limit - done > 0x100000 ? 0x100000 : limit - done);
    if (!WriteFile(h, bytes.data() + done, want, &chunk, nullptr) || chunk == 0) break;
    done += chunk;
  }
  bool ok = done == bytes.size() && fail_after < 0;
  if (ok && !FlushFileBuffers(h)) ok = false;
  if (!CloseHandle(h)) ok = false;
  if (ok && !MoveFileExW(W(temp), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ok = false;
  if (!ok) DeleteFileW(W(temp));
  return ok;
}

bool FileExists(const Text& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const Text& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const Text& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool RemoveFile(const Text& path) { return DeleteFileW(W(path)) != 0; }

bool CreateOneDirectory(const Text& path) { return CreateDirectoryW(W(path), nullptr) != 0; }

MoveResult MoveFileNoReplace(const Text& from, const Text& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
  if (MoveFileExW(W(from), W(to), MOVEFILE_WRITE_THROUGH)) return MoveResult::Moved;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return MoveResult::TargetExists;
  if (!PathExists(from)) return MoveResult::SourceMissing;
  if (PathExists(to)) return MoveResult::TargetExists;
  return MoveResult::Failed;
}

std::vector<Text> ListFilesWithExtension(const Text& folder, const Text& extension) {
  std::vector<Text> names;
  Text pattern = folder + u"*" + extension;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(W(pattern), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  const Text ext_upper = UpperText(extension);
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    Text name(reinterpret_cast<const char16_t*>(fd.cFileName));
    // The pattern also matches short 8.3 names; keep exact extensions only.
    if (name.size() < extension.size() ||
        UpperText(TextView(name).substr(name.size() - extension.size())) != ext_upper)
      continue;
    names.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

long long FileStampOf(const Text& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return 0;
  FILETIME local;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) return 0;
  ULARGE_INTEGER t;
  t.LowPart = local.dwLowDateTime;
  t.HighPart = local.dwHighDateTime;
  return static_cast<long long>(t.QuadPart / 10000000ULL) - 11644473600LL;
}

Text AnsiToText(std::string_view bytes) {
  if (bytes.empty()) return Text();
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return Text();
  Text out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

char16_t UpperChar(char16_t c) {
  return static_cast<char16_t>(reinterpret_cast<ULONG_PTR>(
      CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

char16_t LowerChar(char16_t c) {
  return static_cast<char16_t>(reinterpret_cast<ULONG_PTR>(
      CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

}  // namespace gw
