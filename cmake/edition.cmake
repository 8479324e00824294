# The edition of a target's code, in one place, for Linux and the Windows cross build alike:
# the floating-point unit it computes with, and the switch TARNWICK_EDITION_SSE from which
# shell/edition.h takes the version text and the about text's second line.
#   vanilla - x87 (-mfpmath=387), version "0.3.3"
#   sse     - scalar SSE (-msse2 -mfpmath=sse), version "0.3.3SSE"
# `scope` is PUBLIC for a library whose users must compute as it does (tests reach into the
# core's floating point), PRIVATE for a target whose edition ends with it.
function(tarnwick_set_edition target edition scope)
    if(edition STREQUAL "sse")
        target_compile_options(${target} ${scope} -msse2 -mfpmath=sse)
        target_compile_definitions(${target} ${scope} TARNWICK_EDITION_SSE=1)
        if(WIN32)
            # The mixer's AVX2 loops (mixer/wide_vectors.h) may spill 32-byte registers; GCC for
            # Windows cannot align its stack to 32 bytes and would spill with aligned moves
            # that fault, so the assembler turns every aligned vector move into an unaligned one.
            target_compile_options(${target} ${scope} -Wa,-muse-unaligned-vector-move)
        endif()
    elseif(edition STREQUAL "vanilla")
        target_compile_options(${target} ${scope} -mfpmath=387)
        target_compile_definitions(${target} ${scope} TARNWICK_EDITION_SSE=0)
    else()
        message(FATAL_ERROR "tarnwick_set_edition: edition must be vanilla or sse, not '${edition}'")
    endif()
endfunction()

# The edition that is not `edition`.
function(tarnwick_other_edition edition out_var)
    if(edition STREQUAL "sse")
        set(${out_var} vanilla PARENT_SCOPE)
    else()
        set(${out_var} sse PARENT_SCOPE)
    endif()
endfunction()

# The plug-in's own code compiles without exceptions: nothing may throw across the plug-in
# boundary, and with exceptions off the compiler refuses a `throw` or `try` instead of a reviewer
# having to find it. It needs no run-time type information either, except under the sanitizers:
# UndefinedBehaviorSanitizer's vptr check, compiled into the tests that call the plug-in's
# classes, reads their type information. Its users (tests, tools) keep both.
function(tarnwick_set_plugin_code target)
    target_compile_options(${target} PRIVATE -fno-exceptions)
    if(NOT TARNWICK_SANITIZE)
        target_compile_options(${target} PRIVATE -fno-rtti)
    endif()
endfunction()
