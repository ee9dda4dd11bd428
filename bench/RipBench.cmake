# tolvar-cli rip against plain libcdio reads (plain_read), the lame, oggenc,
# flac and opusenc commands, and its peak memory on short and long tracks:
#   cmake --build build --target bench_rip
add_executable(plain_read ${CMAKE_CURRENT_LIST_DIR}/plain_read.cpp)
target_link_libraries(plain_read PRIVATE PkgConfig::CDIO)
set_target_properties(plain_read PROPERTIES EXCLUDE_FROM_ALL ON)
add_custom_target(bench_rip
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/rip_bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS tolvar-cli tolvar-mkimage plain_read sample_disc
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  USES_TERMINAL
  COMMENT "tolvar-cli rip against plain libcdio reads, lame, oggenc, flac and opusenc; peak memory")
