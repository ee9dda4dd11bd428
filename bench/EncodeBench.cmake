#   cmake --build build --target bench_encode
add_custom_target(bench_encode
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/encode_bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS tolvar-cli sample_disc
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "tolvar-cli encode against the lame command")
