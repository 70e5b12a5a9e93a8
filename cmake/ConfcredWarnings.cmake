# Warning flags for every target of the project, applied per target so that
# third-party headers pulled in as SYSTEM stay quiet.
function(confcred_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
        -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
    if(CONFCRED_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
