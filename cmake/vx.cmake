# vx_test(NAME SOURCES... [LIBS ...] [LABELS ...] [RESOURCE_LOCK name]): one GoogleTest
# executable registered with CTest. RESOURCE_LOCK keeps tests that share a resource (a
# fixed port) from running at the same time.
function(vx_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 LABELS "${T_LABELS}" RESOURCE_LOCK "${T_RESOURCE_LOCK}"
    ENVIRONMENT "VX_BUILD_DIR=${CMAKE_BINARY_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()
