# Builds GoogleTest from source for a cross build (there is no binary package for the target).
# Provides GTest::gtest and GTest::gtest_main like find_package(GTest).
set(SPARROWTRIM_GTEST_SOURCE_DIR /usr/src/googletest/googletest
    CACHE PATH "GoogleTest sources used when cross-compiling")
if(NOT EXISTS ${SPARROWTRIM_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${SPARROWTRIM_GTEST_SOURCE_DIR} "
                      "(install the googletest package)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its sources are not ours: our warning flags (and -Werror) do not apply to them.
get_directory_property(sparrowtrim_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${SPARROWTRIM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${sparrowtrim_saved_options}")
