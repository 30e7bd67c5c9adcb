# Fuzz targets (native build with clang, -DGLYPHWELL_FUZZ=ON): one libFuzzer
# program per reader of outside data, fuzz/<name>_fuzzer.cpp -> <name>_fuzzer.
# The core library is built with coverage instrumentation and the same
# sanitizers, so faults inside it are found and reported where they happen.
# scripts/fuzz.sh configures, builds and runs them.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "GLYPHWELL_FUZZ needs clang: configure with CC=clang CXX=clang++")
endif()

set(GW_FUZZ_SANITIZERS
  -fsanitize=address,undefined
  -fno-sanitize-recover=all
  -fno-omit-frame-pointer)

target_compile_options(glyphwell_core PRIVATE -fsanitize=fuzzer-no-link ${GW_FUZZ_SANITIZERS})

file(GLOB GW_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzzer.cpp)
set(GW_FUZZ_TARGETS)
foreach(source ${GW_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE glyphwell_core)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${GW_FUZZ_SANITIZERS} -Wall -Wextra)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${GW_FUZZ_SANITIZERS})
  list(APPEND GW_FUZZ_TARGETS ${name})
endforeach()

add_custom_target(fuzzers DEPENDS ${GW_FUZZ_TARGETS})
