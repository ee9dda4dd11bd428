# http_bench: GET of a 1 MiB body from a loopback server through THttpCli.
add_executable(http_bench ${CMAKE_CURRENT_LIST_DIR}/HttpBench.cpp)
target_link_libraries(http_bench PRIVATE tolvar_net Threads::Threads)
set_target_properties(http_bench PROPERTIES EXCLUDE_FROM_ALL ON)
