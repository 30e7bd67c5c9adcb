# Native benchmarks of the portable core (Google Benchmark) and the heap
# harness of the table model. scripts/bench.sh builds and runs them.
find_package(benchmark QUIET)
if(NOT benchmark_FOUND)
  message(STATUS "Google Benchmark not found: the benchmarks are not built")
  return()
endif()

set(GW_BENCH_DIR ${CMAKE_SOURCE_DIR}/bench)
file(GLOB GW_BENCH_SOURCES CONFIGURE_DEPENDS ${GW_BENCH_DIR}/*_bench.cpp)

# The generated inputs, shared by the benchmarks and the harness.
add_library(glyphwell_bench_data STATIC ${GW_BENCH_DIR}/bench_data.cpp)
target_link_libraries(glyphwell_bench_data PUBLIC glyphwell_core)

add_executable(glyphwell_bench ${GW_BENCH_SOURCES})
target_link_libraries(glyphwell_bench PRIVATE glyphwell_bench_data benchmark::benchmark_main)
# Find's benchmarks read the name file made in the build tree.
target_compile_definitions(glyphwell_bench PRIVATE GW_NAMES_FILE="${GW_NAMES_FILE}"
  GW_SEARCH_FILE="${GW_SEARCH_FILE}" GW_FIND_QUERIES="${CMAKE_SOURCE_DIR}/tests/data/find_queries.tsv"
  GW_FIND_CHECK_QUERIES="${CMAKE_SOURCE_DIR}/tests/data/find_check_queries.tsv")
add_dependencies(glyphwell_bench character_names)

add_executable(table_heap ${GW_BENCH_DIR}/table_heap.cpp)
target_link_libraries(table_heap PRIVATE glyphwell_bench_data)

foreach(target glyphwell_bench_data glyphwell_bench table_heap)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()
