# Helpers shared by the folders' CMakeLists.

# trv_add_test(NAME SOURCES... LIBS ...): one GoogleTest executable, its cases
# registered with CTest when the tests run (not at build time).
function(trv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} trv_testing GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_target_properties(${name} PROPERTIES BUILD_RPATH "${TRV_OUT_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TRV_OUT_DIR=${TRV_OUT_DIR};TRV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# trv_module(TARGET FILE_NAME): a shared library that keeps its Windows file name.
function(trv_module target file_name)
  get_filename_component(base ${file_name} NAME_WE)
  get_filename_component(ext ${file_name} EXT)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${base} SUFFIX ${ext})
endfunction()
