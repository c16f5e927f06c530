# Debian's hardening flags (stack protector, _FORTIFY_SOURCE, relro, BIND_NOW; PIE is the
# compiler's default) taken from dpkg-buildflags, so the binaries are built as Debian's own
# packages are. Left out of the sanitizer and fuzz builds and of unoptimised builds, where
# _FORTIFY_SOURCE only warns.
#
# Source and build paths are mapped to "." in every build, so two builds of one commit in
# different folders give the same binaries.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)

set(MIVORA_HARDENING_FLAGS "")
if(MIVORA_HARDENING AND NOT (MIVORA_SANITIZE OR MIVORA_TSAN OR MIVORA_FUZZ)
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    if(NOT DPKG_BUILDFLAGS)
        message(FATAL_ERROR "MIVORA_HARDENING needs dpkg-buildflags (package dpkg-dev); "
                            "or configure with -DMIVORA_HARDENING=OFF")
    endif()
    function(mivora_buildflags var kind)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # The build type chooses optimisation and debug information; the paths are mapped above.
        list(FILTER flags EXCLUDE REGEX "^(-g|-O[0-9s]?|-ffile-prefix-map=.*)$")
        set(${var} ${flags} PARENT_SCOPE)
    endfunction()
    mivora_buildflags(cppflags CPPFLAGS)
    mivora_buildflags(cxxflags CXXFLAGS)
    mivora_buildflags(ldflags LDFLAGS)
    add_compile_options(${cppflags} ${cxxflags})
    add_link_options(${ldflags})
    set(MIVORA_HARDENING_FLAGS ${cppflags} ${cxxflags} ${ldflags})
    message(STATUS "Hardening flags: ${MIVORA_HARDENING_FLAGS}")
endif()
