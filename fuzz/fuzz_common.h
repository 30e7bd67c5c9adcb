// Shared helpers of the fuzz targets: property checks that stop the run, the
// conversion of fuzz bytes into program text, and a private scratch folder
// for the readers that only take a path.
#pragma once
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/platform.h"
#include "base/text.h"

namespace gw::fuzz {

// A violated property is a finding just like a crash: report it and abort,
// so that libFuzzer stores the input as a crash artifact.
[[noreturn]] inline void Violation(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n*** property violated: %s\n    at %s:%d\n", what, file, line);
  std::fflush(stderr);
  std::abort();
}

#define GW_FUZZ_CHECK(condition)                                              \
  do {                                                                        \
    if (!(condition)) ::gw::fuzz::Violation(#condition, __FILE__, __LINE__); \
  } while (0)

inline std::string_view BytesOf(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Every two bytes form one UTF-16 unit, low byte first (an odd last byte is
// dropped), so any unit sequence can be reached, lone surrogates included.
inline Text Utf16FromBytes(const uint8_t* data, size_t size) {
  Text text;
  text.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

// A folder of its own under the temporary folder (TMPDIR, else /tmp) for the
// whole run of the target, removed when the process ends normally. Files are
// written through WriteWholeFile like every other file of the program.
class ScratchFolder {
 public:
  static ScratchFolder& Get() {
    // Never destroyed, so that the removal at exit still finds the path.
    static ScratchFolder* const folder = new ScratchFolder;
    return *folder;
  }

  // Program text of a path below the folder ("lang/x.lng" and the like).
  Text Path(std::string_view relative) const {
    return Utf8ToText(root_ + "/" + std::string(relative));
  }
  // The folder itself with a trailing separator, as program folders are given.
  Text Folder() const { return Utf8ToText(root_ + "/"); }

  void Write(std::string_view relative, std::string_view bytes) const {
    if (!WriteWholeFile(Path(relative), bytes)) {
      std::fprintf(stderr, "cannot write the scratch file %s/%.*s\n", root_.c_str(),
                   static_cast<int>(relative.size()), relative.data());
      std::abort();
    }
  }

  void MakeFolder(std::string_view relative) const {
    std::error_code error;
    std::filesystem::create_directories(root_ + "/" + std::string(relative), error);
  }

 private:
  ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/glyphwell-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    root_ = pattern;
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(Get().root_, error);
    });
  }

  std::string root_;
};

}  // namespace gw::fuzz
