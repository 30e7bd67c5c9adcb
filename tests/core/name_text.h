// Test data: the lines of a name text as tools/make_names.py writes them, one
// per listed code point (the gap since the previous one in hexadecimal, the
// name, the entity names).
#pragma once
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace gw {

inline std::string NameLines(const std::vector<std::tuple<char32_t, const char*, const char*>>& listed) {
  std::string text;
  long long previous = -1;
  for (const auto& [code, name, entities] : listed) {
    char step[16] = "";
    if (code - previous - 1 > 0) std::snprintf(step, sizeof step, "%llX", code - previous - 1);
    text += std::string(step) + ";" + name + ";" + entities + "\n";
    previous = code;
  }
  return text;
}

}  // namespace gw
