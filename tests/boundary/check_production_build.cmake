# Configures a production build of ROOT in BUILD (tests, benchmarks and fuzz targets off) and
# fails when any file it would compile lies under tests/.
#   cmake -DROOT=<tree> -DBUILD=<folder> -P check_production_build.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${BUILD}")
execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${ROOT}" -B "${BUILD}" -G Ninja
            -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF -DTARNWICK_FUZZ=OFF
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the production build does not configure:\n${output}")
endif()
file(READ "${BUILD}/compile_commands.json" commands)
string(REGEX MATCHALL "\"file\": \"[^\"]*\"" files "${commands}")
list(LENGTH files count)
set(faults "")
foreach(entry ${files})
    string(FIND "${entry}" "\"${ROOT}/tests/" at)
    if(NOT at EQUAL -1)
        list(APPEND faults "${entry}")
    endif()
endforeach()
file(REMOVE_RECURSE "${BUILD}")
if(count LESS 50)
    message(FATAL_ERROR "the production build compiles only ${count} files: its configuration is wrong")
endif()
if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "the production build compiles files of tests/:\n  ${text}")
endif()
message(STATUS "production build: ${count} files, none from tests/")
