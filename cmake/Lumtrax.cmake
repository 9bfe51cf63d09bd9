# lumtrax_test(NAME SOURCES... LIBS libs...)
# A GoogleTest executable registered with CTest. Tests find the shared data
# folder and the output folder through environment variables.
function(lumtrax_test name)
  if(NOT LUMTRAX_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  # The test kit: temporary folders, data folders, parent windows, input.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/testing)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The environment goes through env(1) as the tests' launcher: a list in
  # gtest_discover_tests' ENVIRONMENT property loses all but its first entry.
  # Tests get a data folder of the build's own, never the user's (nor its
  # device socket folder, so they cannot reach a player the user runs).
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
    env "LUMTRAX_SHARED=${LUMTRAX_SHARED_DIR}" "LUMTRAX_BIN=${LUMTRAX_OUT}" "LUMTRAX_SOURCE=${CMAKE_SOURCE_DIR}"
        "LUMTRAX_HOME=${CMAKE_BINARY_DIR}/test-home"
        # Nor the user's session bus: a test that wants one brings its own.
        "DBUS_SESSION_BUS_ADDRESS=unix:path=${CMAKE_BINARY_DIR}/test-home/no-session-bus")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()

# lumtrax_fuzzer(NAME SOURCES... LIBS libs...): built only with LUMTRAX_FUZZ.
function(lumtrax_fuzzer name)
  if(NOT LUMTRAX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES} ${F_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

find_package(Threads REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/LumtraxResources.cmake)
