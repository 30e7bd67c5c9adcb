# Third-party libraries of the Windows program, all linked statically:
#   gw_zlib  zlib from Debian's libz-mingw-w64-dev
#   gw_png   libpng  (needs gw_zlib)
#   gw_curl  libcurl (Schannel, HTTP and HTTPS only; needs gw_zlib and system libraries)
# libpng and libcurl are built into GLYPHWELL_DEPS_PREFIX by scripts/build-deps.sh.

if(NOT DEFINED GLYPHWELL_DEPS_PREFIX OR GLYPHWELL_DEPS_PREFIX STREQUAL "")
  if(DEFINED ENV{GLYPHWELL_DEPS_PREFIX} AND NOT "$ENV{GLYPHWELL_DEPS_PREFIX}" STREQUAL "")
    set(GLYPHWELL_DEPS_PREFIX "$ENV{GLYPHWELL_DEPS_PREFIX}")
  else()
    get_filename_component(GLYPHWELL_DEPS_PREFIX
      "${CMAKE_CURRENT_LIST_DIR}/../build/deps/prefix" ABSOLUTE)
  endif()
endif()

set(GW_MINGW_SYSROOT "/usr/x86_64-w64-mingw32" CACHE PATH
    "Sysroot of the MinGW-w64 cross toolchain (holds zlib)")

set(_gw_deps_files
  "${GW_MINGW_SYSROOT}/lib/libz.a"
  "${GW_MINGW_SYSROOT}/include/zlib.h"
  "${GLYPHWELL_DEPS_PREFIX}/lib/libpng16.a"
  "${GLYPHWELL_DEPS_PREFIX}/include/png.h"
  "${GLYPHWELL_DEPS_PREFIX}/lib/libcurl.a"
  "${GLYPHWELL_DEPS_PREFIX}/include/curl/curl.h")
set(_gw_deps_missing)
foreach(_f ${_gw_deps_files})
  if(NOT EXISTS "${_f}")
    list(APPEND _gw_deps_missing "${_f}")
  endif()
endforeach()
if(_gw_deps_missing)
  list(JOIN _gw_deps_missing "\n  " _gw_deps_missing_text)
  message(FATAL_ERROR
    "The Windows build needs static libpng, libcurl and zlib; missing:\n"
    "  ${_gw_deps_missing_text}\n"
    "Run scripts/setup.sh (zlib) and then scripts/build-deps.sh \"${GLYPHWELL_DEPS_PREFIX}\" "
    "to build libpng and libcurl there, then configure again.")
endif()

# Rebuilding the libraries rewrites this stamp; configure again when it changes.
if(EXISTS "${GLYPHWELL_DEPS_PREFIX}/.glyphwell-deps.stamp")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    "${GLYPHWELL_DEPS_PREFIX}/.glyphwell-deps.stamp")
endif()

if(NOT TARGET gw_zlib)
  # zlib.h sits on the cross compiler's default include path; naming that
  # folder again would turn it into -isystem and upset the C++ headers' order.
  add_library(gw_zlib STATIC IMPORTED GLOBAL)
  set_target_properties(gw_zlib PROPERTIES
    IMPORTED_LOCATION "${GW_MINGW_SYSROOT}/lib/libz.a")
endif()

if(NOT TARGET gw_png)
  add_library(gw_png STATIC IMPORTED GLOBAL)
  set_target_properties(gw_png PROPERTIES
    IMPORTED_LOCATION "${GLYPHWELL_DEPS_PREFIX}/lib/libpng16.a"
    INTERFACE_INCLUDE_DIRECTORIES "${GLYPHWELL_DEPS_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES gw_zlib)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/delay_import.cmake)

if(NOT TARGET gw_curl)
  add_library(gw_curl STATIC IMPORTED GLOBAL)
  # ws2_32: sockets; crypt32 and advapi32: Schannel certificate checks and
  # hashing; secur32 and bcrypt: SSPI and random numbers. The first three are
  # delay-loaded (cmake/delay_import.cmake): only a download loads them.
  set_target_properties(gw_curl PROPERTIES
    IMPORTED_LOCATION "${GLYPHWELL_DEPS_PREFIX}/lib/libcurl.a"
    INTERFACE_INCLUDE_DIRECTORIES "${GLYPHWELL_DEPS_PREFIX}/include"
    INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
    INTERFACE_LINK_LIBRARIES "gw_zlib;gw_delay_ws2_32;gw_delay_crypt32;gw_delay_bcrypt;secur32;advapi32;ws2_32")
endif()
