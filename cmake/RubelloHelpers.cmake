# Warnings as errors for the project's own code.
option(RUBELLO_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)
function(rubello_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(RUBELLO_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror -Wno-error=deprecated-declarations)
  endif()
endfunction()

# rubello_add_test(NAME name LAYER core|ui|app SOURCES files... [LIBS libs...])
# One Qt Test executable per class or area, run by CTest on the offscreen platform.
# A test links the layer it tests and nothing above it.
function(rubello_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;LAYER" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_LAYER STREQUAL "core")
    target_link_libraries(${T_NAME} PRIVATE rubello_core Qt6::Test ${T_LIBS})
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  else()
    target_link_libraries(${T_NAME} PRIVATE rubello_${T_LAYER} rubello_testsupport Qt6::Test ${T_LIBS})
  endif()
  target_compile_definitions(${T_NAME} PRIVATE RUBELLO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  rubello_set_warnings(${T_NAME})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()

# rubello_add_benchmark(NAME name SOURCES files... [LIBS libs...])
# Benchmarks print "name: value unit" lines; they are not part of the test run.
function(rubello_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE rubello_app ${B_LIBS})
  rubello_set_warnings(${B_NAME})
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
