# Helpers shared by the folders' CMakeLists.

# trv_add_test(NAME SOURCES... LIBS ... [LABELS ...]): one GoogleTest executable,
# its cases registered with CTest when the tests run (not at build time). Case names
# carry the index of a parameterised case, never its bytes, so they are the same in
# every run. LABELS threads marks tests that run threads or processes at once; the
# thread-sanitizer configuration builds and runs only those.
function(trv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} trv_testing GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_target_properties(${name} PROPERTIES BUILD_RPATH "${TRV_OUT_DIR}")
  # The environment holds a ';', which the discovered tests' property list splits:
  # the labels go first so that they are not taken for part of it.
  set(environment "TRV_OUT_DIR=${TRV_OUT_DIR};TRV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(T_LABELS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
      PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${environment}")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
      PROPERTIES ENVIRONMENT "${environment}")
  endif()
  foreach(label ${T_LABELS})
    set_property(GLOBAL APPEND PROPERTY TRV_TESTS_LABELLED_${label} ${name})
  endforeach()
endfunction()

# trv_test_module(TARGET): a module that only tests load; it lives beside the tests,
# not among the deliverables in the output folder. Tests name it by
# $<TARGET_FILE:TARGET>.
function(trv_test_module target)
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/modules BUILD_RPATH "${TRV_OUT_DIR}")
endfunction()

# trv_module(TARGET FILE_NAME): a shared library that keeps its Windows file name.
function(trv_module target file_name)
  get_filename_component(base ${file_name} NAME_WE)
  get_filename_component(ext ${file_name} EXT)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${base} SUFFIX ${ext})
endfunction()

# trv_labelled_target(LABEL): a target that builds every test labelled LABEL (and
# what those tests load), e.g. trv_tests_threads for the thread-sanitizer build.
function(trv_labelled_target label)
  get_property(tests GLOBAL PROPERTY TRV_TESTS_LABELLED_${label})
  add_custom_target(trv_tests_${label})
  if(tests)
    add_dependencies(trv_tests_${label} ${tests})
  endif()
endfunction()
