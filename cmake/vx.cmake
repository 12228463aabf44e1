# vx_test(NAME SOURCES... [LIBS ...] [LABELS ...] [RESOURCE_LOCK name]): one GoogleTest
# executable registered with CTest. RESOURCE_LOCK keeps tests that share a resource (a
# fixed port) from running at the same time.
function(vx_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Property values are written into CTest's script: a list inside one value needs its
  # separators escaped, and an empty value would swallow the next property's name.
  set(props TIMEOUT 300 ENVIRONMENT
    "VX_BUILD_DIR=${CMAKE_BINARY_DIR}\\;QT_QPA_PLATFORM=offscreen\\;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  if(T_LABELS)
    list(JOIN T_LABELS "\\;" labels)
    list(APPEND props LABELS "${labels}")
  endif()
  if(T_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
