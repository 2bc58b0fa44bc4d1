# sparrowtrim_add_qt_test(NAME SOURCES src... LIBRARIES lib...)
# One QtTest executable per class or behaviour area; widgets render off screen.
function(sparrowtrim_add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SPARROWTRIM_CORPUS_DIR=${SPARROWTRIM_CORPUS_DIR}")
endfunction()

# sparrowtrim_add_gtest(NAME SOURCES src... LIBRARIES lib...)
# GoogleTest executables hold the tests that also run on Windows, where Qt is not available.
function(sparrowtrim_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${ARG_LIBRARIES})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "SPARROWTRIM_CORPUS_DIR=${SPARROWTRIM_CORPUS_DIR}")
endfunction()
