# The portable core: everything that needs no Windows. It is compiled into
# stub.exe and into the native tools alike, so it must not include <windows.h>;
# the few platform primitives it needs come through util/Platform.h, whose
# POSIX or Win32 side is picked here.

set(CORE_SOURCES
  util/Text.cpp
  util/Numbers.cpp
  util/Dates.cpp
  util/Scramble.cpp
  util/TraceFormat.cpp
  text/VSUB.cpp
  package/PackFormat.cpp
  package/PackX.cpp
  package/UnPack.cpp
  package/PackWriter.cpp
  package/PackProject.cpp
  stub/Switches.cpp
  stub/RunMode.cpp
  stub/SetupRules.cpp
  text/SLangId.cpp
  ui/BoxMarkup.cpp
  ui/BoxLayout.cpp
)
if(WIN32)
  list(APPEND CORE_SOURCES util/Platform_win32.cpp)
  list(APPEND CORE_SOURCES util/Parallel_serial.cpp)
else()
  list(APPEND CORE_SOURCES util/Platform_posix.cpp)
  list(APPEND CORE_SOURCES util/Parallel_threads.cpp)
endif()

add_library(core STATIC ${CORE_SOURCES})
target_include_directories(core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(core PRIVATE -Wall -Wextra)

if(WIN32)
  # Static zlib for the Windows side: the stub imports system DLLs only.
  find_library(ZLIB_STATIC NAMES libz.a REQUIRED)
  target_link_libraries(core PUBLIC ${ZLIB_STATIC})
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(core PUBLIC ZLIB::ZLIB)
endif()
