#   cmake --build build --target bench_encode_jobs
add_custom_target(bench_encode_jobs
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/encode_jobs_bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS tolvar-cli sample_disc
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "tolvar-cli encode --jobs 2 against --jobs 1")
