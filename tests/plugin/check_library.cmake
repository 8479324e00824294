# Checks a built shared library from the outside, as a host or a packager sees it:
#   cmake -DLIBRARY=... -DNM=... -DREADELF=... -DEXPORTS="a;b" -DNEEDED="re1;re2" -P check_library.cmake
# - `nm -D --defined-only` lists exactly the symbols in EXPORTS;
# - every library it needs at run time (readelf -d, NEEDED) matches one of the NEEDED patterns.
foreach(var LIBRARY NM READELF EXPORTS NEEDED)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_library: ${var} is not set")
    endif()
endforeach()

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE nm_output RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" nm_lines "${nm_output}")
set(exported "")
foreach(line ${nm_lines})
    string(REGEX REPLACE "^.* " "" symbol "${line}")
    list(APPEND exported ${symbol})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/exact_exports.cmake)
expect_exact_exports("${LIBRARY}" "${exported}" "${EXPORTS}")

execute_process(COMMAND ${READELF} -d ${LIBRARY}
                OUTPUT_VARIABLE elf_output RESULT_VARIABLE elf_result)
if(NOT elf_result EQUAL 0)
    message(FATAL_ERROR "readelf failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed_entries "${elf_output}")
foreach(entry ${needed_entries})
    string(REGEX REPLACE "Shared library: \\[(.*)\\]" "\\1" needed "${entry}")
    set(allowed FALSE)
    foreach(pattern ${NEEDED})
        if(needed MATCHES "^${pattern}$")
            set(allowed TRUE)
        endif()
    endforeach()
    if(NOT allowed)
        message(FATAL_ERROR "${LIBRARY} needs ${needed} at run time; allowed: [${NEEDED}]")
    endif()
endforeach()
message(STATUS "${LIBRARY}: exports [${exported}]; needs only allowed libraries")
