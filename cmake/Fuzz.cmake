# libFuzzer targets over the portable core (clang only: the "fuzz" preset).
# Each target also becomes a ctest entry that replays its seed corpus and its
# regression inputs once, so every finding stays fixed.

set(FUZZ_TARGETS package_reader token scramble lists switches text extract decompress language markup)

foreach(name IN LISTS FUZZ_TARGETS)
  add_executable(fuzz_${name} fuzz/fuzz_${name}.cpp)
  target_link_libraries(fuzz_${name} PRIVATE core)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set(inputs ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
    list(APPEND inputs ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
  endif()
  add_test(NAME fuzz_replay_${name} COMMAND fuzz_${name} -runs=0 -rss_limit_mb=1024 ${inputs})
  # UBSan only reports by default here; a replay must fail on it.
  set_tests_properties(fuzz_replay_${name} PROPERTIES ENVIRONMENT "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endforeach()

# The extraction target checks every path the core creates: the platform's
# create calls are wrapped at link time (the core calls them across objects).
foreach(symbol
    _ZN8platform4File6CreateERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE
    _ZN8platform4File10OpenAppendERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE
    _ZN8platform10MakeFolderERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE)
  target_link_options(fuzz_extract PRIVATE -Wl,--wrap=${symbol})
endforeach()
