# vx_test(NAME SOURCES... [LIBS ...] [LABELS ...] [RESOURCE_LOCK name]): one GoogleTest
# executable registered with CTest. RESOURCE_LOCK keeps tests that share a resource (a
# fixed port) from running at the same time.
function(vx_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Test discovery splits list values apart, so each property carries one value: the
  # environment holds the build folder only (scripts/test.sh exports the offscreen Qt
  # platform and the leak-check suppressions), and an empty value, which would swallow
  # the next property's name, is never passed.
  set(props TIMEOUT 300 ENVIRONMENT "VX_BUILD_DIR=${CMAKE_BINARY_DIR}")
  if(T_LABELS)
    list(GET T_LABELS 0 label)
    list(APPEND props LABELS ${label})
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
