# Writes the MinGW import library of V_PQIF07.dll for WINAPI callers. The .def
# names the exports undecorated (as --kill-at exports them), but a caller's
# object refers to Name@N; the decoration of each export is taken from the
# library's own objects, and dlltool maps Name@N to the plain export.
#   cmake -DNM= -DDLLTOOL= -DDEF= -DOBJECTS=a|b|c -DDECORATED= -DOUT= -P ImportLibrary.cmake
string(REPLACE "|" ";" objects "${OBJECTS}")
execute_process(COMMAND ${NM} --defined-only -g ${objects}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on the library's objects")
endif()
file(STRINGS "${DEF}" lines)
set(text "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+(@[0-9]+)(.*)$")
        set(name ${CMAKE_MATCH_1})
        set(ordinal ${CMAKE_MATCH_2})
        set(rest "${CMAKE_MATCH_3}")
        if(symbols MATCHES " T _${name}@([0-9]+)\n")
            set(name "${name}@${CMAKE_MATCH_1}")
        endif()
        string(APPEND text "    ${name} ${ordinal}${rest}\n")
    else()
        string(APPEND text "${line}\n")
    endif()
endforeach()
file(WRITE "${DECORATED}" "${text}")
execute_process(COMMAND ${DLLTOOL} --kill-at --def "${DECORATED}" --dllname V_PQIF07.dll
                        --output-lib "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool failed")
endif()
