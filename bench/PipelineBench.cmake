# tolvar-cli rip --jobs 2 against --jobs 1 on a 60-minute image, and its peak memory:
#   cmake --build build --target bench_pipeline
add_custom_target(bench_pipeline
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS tolvar-cli tolvar-mkimage
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "tolvar-cli rip --jobs 2 against --jobs 1; peak memory")
