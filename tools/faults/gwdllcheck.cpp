// gwdllcheck: the control program of the system-library test. It imports a
// function from winmm.dll and one from msimg32.dll, system libraries found by
// the normal search order, and loads version.dll by name at run time. Built
// twice: without a manifest (the plain search order applies, so copies of the
// fake library beside it are loaded) and with Glyphwell's manifest (its
// bindings apply).
//
//   gwdllcheck [--system32-only]   with the option it first calls
//                                  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
//                                  as Glyphwell does at start-up.
// Prints the path of the version.dll it got; exit code 0.

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--system32-only") == 0)
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  std::printf("timeGetTime %lu\n", static_cast<unsigned long>(timeGetTime()));
  std::printf("AlphaBlend %p\n", reinterpret_cast<void*>(&AlphaBlend));
  wchar_t path[MAX_PATH] = L"";
  if (HMODULE version = LoadLibraryW(L"version.dll")) GetModuleFileNameW(version, path, MAX_PATH);
  std::printf("version.dll %ls\n", path);
  return 0;
}
