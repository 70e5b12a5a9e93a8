# Warning flags for every target of the project, applied per target so that
# third-party headers pulled in as SYSTEM stay quiet.
function(confcred_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
        -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
    if(CONFCRED_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# g++ 12 at -O2 and above reports -Wmaybe-uninitialized inside Boost.Beast's
# parser (boost::optional returned as boost::none), a known false positive.
# Files that include Beast turn that one warning off; every other warning stays.
function(confcred_beast_sources)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "-Wno-maybe-uninitialized")
    endif()
endfunction()
