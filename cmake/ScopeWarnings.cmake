# Strict warnings for our own targets only; Qt and Qwt headers come in as system headers.
function(scope_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
    if(SCOPE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
