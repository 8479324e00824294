# Checks a built DLL from the outside, as a host or a packager sees it:
#   cmake -DLIBRARY=... -DOBJDUMP=... -DEXPORTS=a,b -DIMPORTS=A.dll,B.dll -P check_dll.cmake
# - its export table names exactly EXPORTS;
# - every DLL it imports is one of IMPORTS (compared without regard to letter case, as Windows
#   finds DLLs), so no MinGW run-time DLL (libstdc++-6, libgcc_s, libwinpthread-1) is needed.
cmake_minimum_required(VERSION 3.25)
foreach(var LIBRARY OBJDUMP EXPORTS IMPORTS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_dll: ${var} is not set")
    endif()
endforeach()
string(REPLACE "," ";" EXPORTS "${EXPORTS}")
string(REPLACE "," ";" IMPORTS "${IMPORTS}")
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
endif()

# The names after "[Ordinal/Name Pointer] Table", one "[ n] name" a line up to an empty line.
# Brackets are dropped first: CMake's lists would read them as quoting.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" names "${dump}")
string(REGEX REPLACE "[][]" "" names "${names}")
string(REGEX MATCHALL "\n[ \t]*[0-9]+ [^\n]+" entries "${names}")
set(exported "")
foreach(entry ${entries})
    string(REGEX REPLACE "^\n[ \t]*[0-9]+ " "" name "${entry}")
    list(APPEND exported ${name})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../plugin/exact_exports.cmake)
expect_exact_exports("${LIBRARY}" "${exported}" "${EXPORTS}")

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
string(TOLOWER "${IMPORTS}" allowed)
set(imported "")
foreach(entry ${imports})
    string(REGEX REPLACE "DLL Name: " "" name "${entry}")
    string(TOLOWER "${name}" lower)
    list(APPEND imported ${name})
    if(NOT lower IN_LIST allowed)
        message(FATAL_ERROR "${LIBRARY} imports ${name}; allowed: [${IMPORTS}]")
    endif()
endforeach()
if(NOT imported)
    message(FATAL_ERROR "no import table read from ${LIBRARY}")
endif()
message(STATUS "${LIBRARY}: exports [${exported}]; imports [${imported}]")
