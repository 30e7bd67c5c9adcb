// POSIX implementation of the platform services, used by the native build of
// the core (tests, sanitizers, fuzzers, benchmarks). Paths are taken as UTF-8.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cwctype>

#include "base/platform.h"

namespace gw {

namespace {
FileWriteHook g_write_hook;

std::string Native(const Text& path) { return TextToUtf8(path); }
}  // namespace

void SetFileWriteHook(FileWriteHook hook) { g_write_hook = std::move(hook); }

ReadResult ReadWholeFile(const Text& path, std::string& bytes) {
  bytes.clear();
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ReadResult::CannotOpen;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadResult::CannotOpen;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  ::close(fd);
  if (got != bytes.size()) {
    bytes.clear();
    return ReadResult::ReadFailed;
  }
  return ReadResult::Ok;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  if (path.empty()) return false;
  const std::string target = Native(path);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    // A file without write permission counts as read-only, as on Windows
    // (root could otherwise replace it).
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return false;
  }
  long long fail_after = -1;
  if (g_write_hook) fail_after = g_write_hook(path, bytes);

  std::string temp = target + ".tmp~" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t limit = bytes.size();
  if (fail_after >= 0 && static_cast<size_t>(fail_after) < limit) limit = static_cast<size_t>(fail_after);
  size_t done = 0;
  while (done < limit) {
    ssize_t w = ::write(fd, bytes.data() + done, limit - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  bool ok = done == bytes.size() && fail_after < 0;
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool FileExists(const Text& path) {
  struct stat st {};
  return ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const Text& path) {
  struct stat st {};
  return ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const Text& path) {
  struct stat st {};
  return ::stat(Native(path).c_str(), &st) == 0;
}

bool RemoveFile(const Text& path) { return ::unlink(Native(path).c_str()) == 0; }

bool CreateOneDirectory(const Text& path) { return ::mkdir(Native(path).c_str(), 0755) == 0; }

MoveResult MoveFileNoReplace(const Text& from, const Text& to) {
  // A second name that must be new, then the old name goes: rename() would
  // replace an existing `to`.
  const std::string source = Native(from);
  const std::string target = Native(to);
  if (::link(source.c_str(), target.c_str()) != 0) {
    if (errno == EEXIST) return MoveResult::TargetExists;
    if (errno == ENOENT && !PathExists(from)) return MoveResult::SourceMissing;
    return MoveResult::Failed;
  }
  if (::unlink(source.c_str()) != 0) {
    ::unlink(target.c_str());
    return MoveResult::Failed;
  }
  return MoveResult::Moved;
}

std::vector<Text> ListFilesWithExtension(const Text& folder, const Text& extension) {
  std::vector<Text> names;
  DIR* dir = ::opendir(Native(folder).c_str());
  if (!dir) return names;
  const Text ext_upper = UpperText(extension);
  while (dirent* e = ::readdir(dir)) {
    Text name = Utf8ToText(e->d_name);
    if (name.size() < extension.size()) continue;
    if (UpperText(TextView(name).substr(name.size() - extension.size())) != ext_upper) continue;
    if (!FileExists(folder + name)) continue;
    names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

long long FileStampOf(const Text& path) {
  struct stat st {};
  if (::stat(Native(path).c_str(), &st) != 0) return 0;
  time_t t = st.st_mtime;
  struct tm local {};
  ::localtime_r(&t, &local);
  return static_cast<long long>(t) + local.tm_gmtoff;
}

// Windows-1252, the ANSI code page of Western European systems.
Text AnsiToText(std::string_view bytes) {
  static const char16_t k80[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  Text out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char b = static_cast<unsigned char>(ch);
    out.push_back(b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

char16_t UpperChar(char16_t c) {
  if (IsHighSurrogate(c) || IsLowSurrogate(c)) return c;
  wint_t u = std::towupper(static_cast<wint_t>(c));
  if (u == static_cast<wint_t>(c)) {
    // The C locale maps only ASCII; cover Latin-1, Latin Extended-A, Greek
    // and Cyrillic as Windows does.
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
      bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
      if (odd_upper ? (c % 2 == 0) : (c % 2 == 1)) return static_cast<char16_t>(c - 1);
      return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
  }
  return static_cast<char16_t>(u);
}

char16_t LowerChar(char16_t c) {
  if (IsHighSurrogate(c) || IsLowSurrogate(c)) return c;
  wint_t l = std::towlower(static_cast<wint_t>(c));
  if (l == static_cast<wint_t>(c)) {
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 0x20);
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149) {
      bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
      if (odd_upper ? (c % 2 == 1) : (c % 2 == 0)) return static_cast<char16_t>(c + 1);
      return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
    return c;
  }
  return static_cast<char16_t>(l);
}

}  // namespace gw
