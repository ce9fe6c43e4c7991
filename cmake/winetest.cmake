# Tests that run Windows programs under Wine. Every one goes through scripts/wine-test-run, which
# skips the tests of a 32-bit build (CTest's skip code 77) on a machine that cannot run 32-bit
# programs at all.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(YV_WINE_BITS 32)
else()
  set(YV_WINE_BITS 64)
endif()

# yv_add_wine_test(NAME name COMMAND cmd args...)
function(yv_add_wine_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/wine-test-run ${YV_WINE_BITS} ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
