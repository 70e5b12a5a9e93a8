# Debian's hardening flags for the builds that become packages (every build
# type but Debug): the stack protector, _FORTIFY_SOURCE, format checks and a
# read-only GOT bound at start (-z relro -z now). They come from
# dpkg-buildflags with hardening=+all, as a Debian package's build would take
# them; its -g and -O levels are left to CMAKE_BUILD_TYPE.
option(CONFCRED_HARDENING "Debian's hardening flags in non-Debug builds" ON)

if(CONFCRED_HARDENING AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    find_program(CONFCRED_DPKG_BUILDFLAGS dpkg-buildflags)
    set(_hardening_compile -fstack-protector-strong -Wformat -Werror=format-security
                           -D_FORTIFY_SOURCE=2)
    set(_hardening_link -Wl,-z,relro -Wl,-z,now)
    if(CONFCRED_DPKG_BUILDFLAGS)
        set(_hardening_compile)
        foreach(kind CPPFLAGS CXXFLAGS)
            execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                    ${CONFCRED_DPKG_BUILDFLAGS} --get ${kind}
                            OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE)
            separate_arguments(_flags UNIX_COMMAND "${_flags}")
            list(FILTER _flags EXCLUDE REGEX "^-(g|O[0-9s]?|ffile-prefix-map=.*)$")
            list(APPEND _hardening_compile ${_flags})
        endforeach()
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${CONFCRED_DPKG_BUILDFLAGS} --get LDFLAGS
                        OUTPUT_VARIABLE _hardening_link OUTPUT_STRIP_TRAILING_WHITESPACE)
        separate_arguments(_hardening_link UNIX_COMMAND "${_hardening_link}")
    endif()
    list(REMOVE_DUPLICATES _hardening_compile)
    add_compile_options(${_hardening_compile})
    add_link_options(${_hardening_link})
    message(STATUS "Hardening: ${_hardening_compile} ${_hardening_link}")
endif()
