# Warnings are errors in our own targets only; third-party headers come in as system includes.
# C++ only: the same targets may hold a Windows resource script, which windres compiles.
function(kelvara_warnings target)
    set(warnings -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${warnings}>")
endfunction()
