# Windows build: stub.exe, the trace viewer and the Windows test programs.
# Everything is static (libgcc, libstdc++,
# zlib) so that the programs import only system DLLs.

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_MINSIZEREL "-Os -DNDEBUG")

set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# The Win32 half of the program: everything that calls Windows.
add_library(winlib STATIC
  util/Utils.cpp
  util/Files.cpp
  util/Process.cpp
  util/VDebug.cpp
  stub/Stub.cpp
  stub/StubWin.cpp
  stub/StubSetup.cpp
  stub/StubExtract.cpp
  ui/VMsgBox.cpp
  ui/VProgBar.cpp
)
# (keep one source a line: several people add to this list)
target_link_libraries(winlib PUBLIC core user32 gdi32 advapi32 kernel32 shell32 comctl32 version)
target_compile_options(winlib PRIVATE -Wall -Wextra)

# stub.exe: the image that packages are appended to. After linking its PE
# header is moved to 256 so that offsets 248..255 can hold the package end.
add_executable(stub WIN32 stub/main.cpp stub/stub.rc)
target_link_libraries(stub PRIVATE winlib)
target_link_options(stub PRIVATE -s -Wl,-Map,${CMAKE_BINARY_DIR}/stub.map
                    -Wl,--undefined=_StubBuildBlock)
add_custom_command(TARGET stub POST_BUILD
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/pe_fixup.py $<TARGET_FILE:stub>
  VERBATIM)

# The reference setup engine that demo and test packages carry.
add_executable(Engine WIN32 tools/engine/Engine.cpp)
target_link_libraries(Engine PRIVATE winlib)
target_link_options(Engine PRIVATE -s)

add_executable(tracev tools/tracev/tracev.cpp)
target_link_libraries(tracev PRIVATE user32 kernel32)
target_link_options(tracev PRIVATE -s)

# Test tools: uibot answers a window as a person would; boxdemo shows the
# boxes and the stub window from its command line.
add_executable(uibot tests/tools/uibot.cpp)
target_link_libraries(uibot PRIVATE user32 kernel32)
target_link_options(uibot PRIVATE -s)
add_executable(boxdemo tests/tools/boxdemo.cpp tests/tools/boxdemo.rc)
target_link_libraries(boxdemo PRIVATE winlib)
target_link_options(boxdemo PRIVATE -s)

# Tests: GoogleTest built from Debian's sources by this toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_include_directories(gtest BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/tests/gtest-win32)

add_test(NAME wine_prefix_up COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${WINE_PREFIX} up)
add_test(NAME wine_prefix_down COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${WINE_PREFIX} down)
set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine)

# A Windows program run under Wine by ctest, with the prefix made first.
function(add_wine_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEPREFIX=${WINE_PREFIX};STUB_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp"
    RESOURCE_LOCK wine)
endfunction()

include(${CMAKE_SOURCE_DIR}/tests/unit/UnitTests.cmake)
add_executable(core_tests_win ${UNIT_TEST_SOURCES})
target_link_libraries(core_tests_win PRIVATE core gtest gtest_main)
add_wine_test(core_tests_win core_tests_win)

include(${CMAKE_SOURCE_DIR}/tests/win/WinTests.cmake)
add_executable(win_tests ${WIN_TEST_SOURCES})
target_link_libraries(win_tests PRIVATE winlib gtest gtest_main)
add_wine_test(win_tests win_tests)

# stub.exe must import system DLLs only.
add_test(NAME stub_imports
  COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/check_imports.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:stub>)
add_test(NAME stub_layout
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/pe_fixup.py --check $<TARGET_FILE:stub>)

include(${CMAKE_SOURCE_DIR}/tests/e2e/E2ETests.cmake)
