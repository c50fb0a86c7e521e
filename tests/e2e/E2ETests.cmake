# End-to-end scenarios: the real stub.exe under Wine, with packages that the
# native stubpack builds (the host tree is built before this one).
set(STUBPACK ${CMAKE_SOURCE_DIR}/build/host/bin/stubpack CACHE FILEPATH
    "native stubpack that builds the packages of the end-to-end scenarios")

function(add_e2e_test name script)
  add_wine_test(${name} bash ${CMAKE_SOURCE_DIR}/tests/e2e/${script})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
    "E2E_BIN=${CMAKE_BINARY_DIR}/bin;E2E_SRC=${CMAKE_SOURCE_DIR};STUBPACK=${STUBPACK}")
endfunction()

add_e2e_test(e2e_startup_trace startup_trace.sh)
add_e2e_test(e2e_engine_reference engine_reference.sh)
add_e2e_test(e2e_ui_boxes ui_boxes.sh)
add_e2e_test(e2e_setup_flow setup_flow.sh)
add_e2e_test(e2e_setup_stages setup_stages.sh)
add_e2e_test(e2e_faults faults.sh)
