# The Windows program, its in-process tests and the download package.
include(${CMAKE_SOURCE_DIR}/cmake/deps.cmake)

# wininet, winhttp (the user's proxy), crypt32 and the libraries of libcurl
# are delay-loaded: only the update check needs them. winmm is delay-loaded
# too: the timer resolution, the audio devices and the beep are asked for
# only when a key is typed or the beep sounds, never during start-up. ole32
# and oleaut32 are loaded with OLE at its first use (base/ole_win32.h).
set(GW_WIN32_LIBS
  comctl32 shell32 gw_delay_ole32 gw_delay_oleaut32 uuid user32 gdi32 gw_delay_winmm gw_delay_wininet shlwapi
  gw_delay_crypt32 gw_delay_winhttp secur32 advapi32)

target_compile_definitions(glyphwell_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN
  NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

# The Win32 shell, shared by the program and its in-process tests.
add_library(glyphwell_shell STATIC ${GW_SHELL})
target_link_libraries(glyphwell_shell PUBLIC glyphwell_core gw_png gw_curl gw_zlib ${GW_WIN32_LIBS})
target_compile_options(glyphwell_shell PRIVATE -Wall -Wextra)

set(GW_RC ${CMAKE_SOURCE_DIR}/resources/glyphwell.rc)
file(GLOB GW_RC_DATA CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/images/*.png
  ${CMAKE_SOURCE_DIR}/resources/icon/*.ico ${CMAKE_SOURCE_DIR}/resources/sound/*.wav
  ${CMAKE_SOURCE_DIR}/resources/*.manifest ${CMAKE_SOURCE_DIR}/resources/*.h)
# The character names are made in the build tree (CMakeLists.txt), where the
# resource script finds them.
target_link_libraries(glyphwell_core PUBLIC gw_zlib)
list(APPEND GW_RC_DATA ${GW_NAMES_FILE} ${GW_SEARCH_FILE})
set_source_files_properties(${GW_RC} PROPERTIES OBJECT_DEPENDS "${GW_RC_DATA}")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_BINARY_DIR}/names")
# Sections start on page boundaries in the file as in memory, so that Wine
# maps the program straight in instead of copying the whole file at each start.
# Marked as aware of Remote Desktop servers, which then leave its view of the
# Windows folder and of the system alone; no link time in the PE header
# (--no-insert-timestamp), so that two builds of the same sources give the
# same bytes.
set(GW_STATIC_LINK -static -static-libgcc -static-libstdc++ -municode -mwindows -Wl,--gc-sections
  -Wl,--file-alignment,0x1000 -Wl,--tsaware -Wl,--no-insert-timestamp -s)

add_executable(Glyphwell WIN32 ${CMAKE_SOURCE_DIR}/app/winmain_win32.cpp ${GW_RC})
target_link_libraries(Glyphwell PRIVATE glyphwell_shell)
add_dependencies(Glyphwell character_names)
target_link_options(Glyphwell PRIVATE ${GW_STATIC_LINK})
set_target_properties(Glyphwell PROPERTIES OUTPUT_NAME Glyphwell RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_options(glyphwell_core PRIVATE -ffunction-sections -fdata-sections)
target_compile_options(glyphwell_shell PRIVATE -ffunction-sections -fdata-sections)
# Nothing of the build's own folders gets into the program (file names in
# diagnostics and debug data).
set(GW_PREFIX_MAP -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=./ -ffile-prefix-map=${CMAKE_BINARY_DIR}/=./)
foreach(target glyphwell_core glyphwell_shell Glyphwell)
  target_compile_options(${target} PRIVATE ${GW_PREFIX_MAP})
endforeach()

# The Wine bench's baseline (bench/baseline): the least program with the same
# window, tray icon, hotkey and Enter, built with the same flags.
add_executable(GlyphwellBaseline WIN32 ${CMAKE_SOURCE_DIR}/bench/baseline/baseline_win32.cpp
  ${CMAKE_SOURCE_DIR}/bench/baseline/baseline.rc)
target_link_libraries(GlyphwellBaseline PRIVATE comctl32 shell32 user32 gdi32)
target_link_options(GlyphwellBaseline PRIVATE ${GW_STATIC_LINK})
target_compile_definitions(GlyphwellBaseline PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
set_target_properties(GlyphwellBaseline PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# In-process Win32 tests: real windows and messages, run under Wine.
file(GLOB GW_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*.cpp)
if(GW_WIN32_TESTS)
  # A program that records its command line, started by the tests of RunProgram.
  add_executable(cmdline_recorder WIN32 ${CMAKE_SOURCE_DIR}/tests/tools/cmdline_recorder.cpp)
  target_link_options(cmdline_recorder PRIVATE -municode -static)

  # A program that holds the clipboard open, as clipboard managers do.
  add_executable(gwclipboard WIN32 ${CMAKE_SOURCE_DIR}/tools/faults/gwclipboard.cpp)
  target_link_options(gwclipboard PRIVATE -municode -static)

  add_executable(win32_tests ${GW_WIN32_TESTS} ${GW_RC})
  target_link_libraries(win32_tests PRIVATE glyphwell_shell gtest gtest_main oleacc)
  target_compile_definitions(win32_tests PRIVATE
    GW_CMDLINE_RECORDER="$<TARGET_FILE:cmdline_recorder>" GW_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GW_CLIPBOARD_HOLDER="$<TARGET_FILE:gwclipboard>")
  add_dependencies(win32_tests cmdline_recorder gwclipboard character_names)
  target_link_options(win32_tests PRIVATE -static -static-libgcc -static-libstdc++)
  add_test(NAME win32_tests COMMAND win32_tests --gtest_brief=1 --gtest_filter=-UpdateCheck*)
  # The captions of every window once more at 144 DPI, in a process of its own.
  add_test(NAME win32_clipping_144dpi COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/at_dpi.sh 144
           $<TARGET_FILE:win32_tests> --gtest_brief=1 --gtest_filter=Clipping.*)
  set_tests_properties(win32_clipping_144dpi PROPERTIES RUN_SERIAL TRUE)

  # The update check against a loopback web server, which these two fixtures
  # start and stop (by its process id) around the test.
  find_program(GW_PYTHON3 python3 REQUIRED)
  set(GW_VERSION_SERVER_DIR ${CMAKE_BINARY_DIR}/version-server)
  set(GW_VERSION_SERVER ${CMAKE_SOURCE_DIR}/tests/servers/version_server.py)
  add_test(NAME version_server_start COMMAND ${GW_PYTHON3} ${GW_VERSION_SERVER} start ${GW_VERSION_SERVER_DIR})
  add_test(NAME version_server_stop COMMAND ${GW_PYTHON3} ${GW_VERSION_SERVER} stop ${GW_VERSION_SERVER_DIR})
  set_tests_properties(version_server_start PROPERTIES FIXTURES_SETUP version_server)
  set_tests_properties(version_server_stop PROPERTIES FIXTURES_CLEANUP version_server)
  add_test(NAME win32_update_tests COMMAND win32_tests --gtest_brief=1 --gtest_filter=UpdateCheck*)
  set_tests_properties(win32_update_tests PROPERTIES
    FIXTURES_REQUIRED version_server ENVIRONMENT GW_VERSION_SERVER=${GW_VERSION_SERVER_DIR})
endif()

# The release files in dist/: Glyphwell-1.11-x64.zip (the program with its
# lang and doc folders), Glyphwell-1.11-x64.msi (the installer) and
# SHA256SUMS; signed when GLYPHWELL_SIGN_PFX and GLYPHWELL_SIGN_PASSWORD are
# set (scripts/pack-dist.sh).
# A release carries every source of the names and the search data, or is not made.
add_custom_target(dist
  COMMAND ${GW_NAMES_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make_search_data.py --verify
          ${GW_SEARCH_FILE} --names ${GW_NAMES_FILE}
  COMMAND ${CMAKE_COMMAND} -E env GLYPHWELL_WEBSITE=${GLYPHWELL_WEBSITE}
          bash ${CMAKE_SOURCE_DIR}/scripts/pack-dist.sh $<TARGET_FILE:Glyphwell>
          ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/dist-stage
  DEPENDS Glyphwell
  COMMENT "Packing dist/Glyphwell-1.11-x64.zip and dist/Glyphwell-1.11-x64.msi"
  VERBATIM)
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/deps ${CMAKE_BINARY_DIR}/tests-deps)
