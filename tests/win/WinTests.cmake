# Tests of the Win32 routines; run under Wine.
set(WIN_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/win/UtilsTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/VDebugTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/StubTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/FilesTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/ProcessTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/TestHelper.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/StubWinTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/win/MsgBoxTest.cpp
)
