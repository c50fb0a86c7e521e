# libFuzzer targets over the portable core (clang only: the "fuzz" preset).
# Each target also becomes a ctest entry that replays its seed corpus and its
# regression inputs once, so every finding stays fixed.

set(FUZZ_TARGETS package_reader token scramble lists switches text)

foreach(name IN LISTS FUZZ_TARGETS)
  add_executable(fuzz_${name} fuzz/fuzz_${name}.cpp)
  target_link_libraries(fuzz_${name} PRIVATE core)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set(inputs ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
    list(APPEND inputs ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
  endif()
  add_test(NAME fuzz_replay_${name} COMMAND fuzz_${name} -runs=0 ${inputs})
endforeach()
