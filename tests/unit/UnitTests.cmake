# Unit tests of the portable core; built natively and for Windows (run under Wine).
set(UNIT_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/unit/TextTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/NumbersDatesTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/ScrambleTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/VSUBTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/PackXTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/TokenTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/PackWriterTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/PackProjectTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/UnPackTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/SwitchesTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/SetupRulesTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/TraceFormatTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/SLangIdTest.cpp
  ${CMAKE_SOURCE_DIR}/tests/unit/MsgBoxTextTest.cpp
)
