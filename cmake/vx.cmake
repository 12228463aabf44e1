# vx_test(NAME SOURCES... [LIBS ...]): one GoogleTest executable registered with CTest.
function(vx_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 LABELS "${T_LABELS}"
    ENVIRONMENT "VX_BUILD_DIR=${CMAKE_BINARY_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()
