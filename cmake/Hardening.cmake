# Debian's hardening for the builds that are shipped: fortified functions, the stack
# protector, relocations made read-only and bound at start. The flags are those
# dpkg-buildflags gives, where it is present; the build type keeps choosing the optimisation
# and the debug information. Debug and sanitizer builds go without.
find_program(SPARROWTRIM_DPKG_BUILDFLAGS dpkg-buildflags)
if(SPARROWTRIM_DPKG_BUILDFLAGS AND NOT CMAKE_CROSSCOMPILING
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${SPARROWTRIM_DPKG_BUILDFLAGS} --get ${kind}
      # From the source root, as a package build runs it: paths in the debug information
      # are then named from there.
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*)$")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
  endforeach()
endif()
