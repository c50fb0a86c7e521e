# stubpack: the builder and inspector, natively and for Windows (stubpack.exe,
# which compresses on one thread: that toolchain has no std::thread).

add_executable(stubpack
  tools/stubpack/main.cpp
  tools/stubpack/Cli.cpp
  tools/stubpack/Build.cpp
  tools/stubpack/Listing.cpp
  tools/stubpack/Extract.cpp
)
target_link_libraries(stubpack PRIVATE core)
target_compile_options(stubpack PRIVATE -Wall -Wextra)
if(WIN32)
  # Static like every Windows program here (this file comes before Windows.cmake).
  target_link_options(stubpack PRIVATE -static -static-libgcc -static-libstdc++ -s)
else()
  add_executable(bench_build bench/bench_build.cpp)
  target_link_libraries(bench_build PRIVATE core)
  add_executable(bench_extract bench/bench_extract.cpp)
  target_link_libraries(bench_extract PRIVATE core)
  add_test(NAME stubpack_cli COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cli/stubpack_cli.sh $<TARGET_FILE:stubpack>)
  set_tests_properties(stubpack_cli PROPERTIES ENVIRONMENT "STUB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
endif()
