# Warnings in our own targets only; third-party headers come in as system includes. The presets (and so CI)
# make them errors; a plain configure with a newer compiler still builds.
# C++ only: the same targets may hold a Windows resource script, which windres compiles.
option(KELVARA_WERROR "Treat compiler warnings in Kelvara's own code as errors" OFF)

function(kelvara_warnings target)
    set(warnings -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
        -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
    if(KELVARA_WERROR)
        list(APPEND warnings -Werror)
    endif()
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${warnings}>")
endfunction()
