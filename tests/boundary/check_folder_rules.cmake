# The folder rule: each folder sits on one side of the plug-in boundary, and what its files may
# include follows from that side. Every source file of every top-level folder is read, so a new
# file (or a new folder) cannot slip past:
#   cmake -DROOT=<tree> [-DLINKS="lib|lib"] [-DMIN_FILES=N] -P check_folder_rules.cmake
# - the plug-in (shell/ decoder/ loader/ engine/ mixer/ plugin/) includes only itself and
#   include/;
# - include/ includes only include/; textbridge/ only include/ and itself;
# - the player (host/ and qarvel/) includes only include/, host/, qarvel/ and the demo song's
#   embedded bytes (demo/demo_song_bytes.h), never the plug-in's internals;
# - the tool side (dmf_writer/ demo/ tools/) may read the internals but never tests/;
# - tests/ bench/ fuzz/ may include anything;
# - a folder with sources and no rule here is itself a fault;
# - none of LINKS (what the player's programs and libraries link) is one of the plug-in's own
#   libraries (tarnwick_*).
# An include that names no file of the tree is a system or package header and passes.
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED ROOT)
    message(FATAL_ERROR "check_folder_rules: ROOT is not set")
endif()
get_filename_component(ROOT "${ROOT}" REALPATH)

set(plugin_side shell/ decoder/ loader/ engine/ mixer/ plugin/ include/)
set(allowed_shell ${plugin_side})
set(allowed_decoder ${plugin_side})
set(allowed_loader ${plugin_side})
set(allowed_engine ${plugin_side})
set(allowed_mixer ${plugin_side})
set(allowed_plugin ${plugin_side})
set(allowed_include include/)
set(allowed_textbridge include/ textbridge/)
set(allowed_host include/ host/)
set(allowed_qarvel include/ host/ qarvel/ demo/demo_song_bytes.h)
set(allowed_dmf_writer ${plugin_side} dmf_writer/)
set(allowed_demo ${plugin_side} dmf_writer/ demo/)
set(allowed_tools ${plugin_side} dmf_writer/ demo/ tools/)
foreach(room tests bench fuzz)
    set(allowed_${room} ANY)
endforeach()
# Folders that hold no sources of their own.
set(no_sources build .git .ci cmake docs scripts)

set(faults "")
string(REPLACE "|" ";" links "${LINKS}")
foreach(link ${links})
    if(link MATCHES "^tarnwick")
        list(APPEND faults "the player links ${link}, a library of the plug-in's internals")
    endif()
endforeach()

# The file that `#include "name"` in `from` reaches, or "" for one outside the tree.
function(resolve from name result)
    get_filename_component(from_dir "${from}" DIRECTORY)
    foreach(base "${from_dir}" "${ROOT}" "${ROOT}/include")
        if(EXISTS "${base}/${name}" AND NOT IS_DIRECTORY "${base}/${name}")
            get_filename_component(found "${base}/${name}" REALPATH)
            set(${result} "${found}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

file(GLOB rooms LIST_DIRECTORIES true RELATIVE "${ROOT}" "${ROOT}/*")
list(SORT rooms)
set(count 0)
foreach(room ${rooms})
    if(NOT IS_DIRECTORY "${ROOT}/${room}" OR room IN_LIST no_sources OR room MATCHES "^build")
        continue()
    endif()
    file(GLOB_RECURSE files LIST_DIRECTORIES false
         "${ROOT}/${room}/*.c" "${ROOT}/${room}/*.cpp" "${ROOT}/${room}/*.h"
         "${ROOT}/${room}/*.hpp" "${ROOT}/${room}/*.rc")
    list(SORT files)
    if(NOT DEFINED allowed_${room})
        if(files)
            list(APPEND faults "${room}/ holds sources but no rule says which side it is on")
        endif()
        continue()
    endif()
    if(allowed_${room} STREQUAL "ANY")
        continue()
    endif()
    foreach(file ${files})
        math(EXPR count "${count} + 1")
        file(RELATIVE_PATH from "${ROOT}" "${file}")
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line ${lines})
            if(NOT line MATCHES "#[ \t]*include[ \t]*[\"<]([^\">]+)[\">]")
                continue()
            endif()
            resolve("${file}" "${CMAKE_MATCH_1}" target)
            if(target STREQUAL "" OR NOT target MATCHES "^${ROOT}/")
                continue()
            endif()
            file(RELATIVE_PATH to "${ROOT}" "${target}")
            set(ok FALSE)
            foreach(prefix ${allowed_${room}})
                string(LENGTH "${prefix}" n)
                string(SUBSTRING "${to}" 0 ${n} head)
                if(head STREQUAL prefix)
                    set(ok TRUE)
                    break()
                endif()
            endforeach()
            if(NOT ok)
                list(APPEND faults "${from} includes ${to}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "the folder rule is broken:\n  ${text}")
endif()
if(NOT DEFINED MIN_FILES)
    set(MIN_FILES 100)
endif()
if(count LESS MIN_FILES)
    message(FATAL_ERROR "check_folder_rules read only ${count} files: ROOT is wrong")
endif()
message(STATUS "folder rule: ${count} files include only what their side of the boundary may")
