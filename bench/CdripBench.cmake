#   cmake --build build --target cdrip_bench && build/bin/cdrip_bench [--minutes N]
add_executable(cdrip_bench ${CMAKE_CURRENT_LIST_DIR}/cdrip_bench.cpp)
target_link_libraries(cdrip_bench PRIVATE cdrip tolvar_cddrives tolvar_discimage PkgConfig::CDIO)
set_target_properties(cdrip_bench PROPERTIES EXCLUDE_FROM_ALL ON)
