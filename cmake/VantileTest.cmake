# vantile_test(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
# One GoogleTest executable registered with CTest. Every test runs with its own
# HOME and XDG folders under the build tree so nothing touches the real user's.
find_package(GTest QUIET)

function(vantile_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  # Test programs live apart from the programs people run.
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE VANTILE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels unit ${T_LABELS})
  file(MAKE_DIRECTORY ${home}/run)
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}"
    ENVIRONMENT "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run"
)
endfunction()
