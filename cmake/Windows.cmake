# Windows build: V_PQIF07.dll, companions, tools and tests (run under Wine).
enable_language(RC)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

add_compile_options(-Wall -Wextra $<$<COMPILE_LANGUAGE:CXX>:-Wno-cast-function-type>)
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX STRICT)
# Everything links the runtime statically so that only system DLLs are imported.
add_link_options(-static -static-libgcc -static-libstdc++)

set(PQIF_SYSTEM_LIBS advapi32 user32 gdi32 comctl32 winspool rpcrt4 winmm version shell32 kernel32)

# The library's code, linked into the DLL and into the test programs alike.
add_library(pqif_core OBJECT)
target_include_directories(pqif_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(pqif_core PUBLIC ${PQIF_SYSTEM_LIBS})

function(pqif_pure_sources)
    target_sources(pqif_core PRIVATE ${ARGN})
endfunction()

function(pqif_win_sources)
    target_sources(pqif_core PRIVATE ${ARGN})
endfunction()

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# A test program run by ctest under Wine, from the output folder so that the
# companions (KLAPI.DLL and the others) are found beside it.
function(pqif_win_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE pqif_core GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEDEBUG=-all" TIMEOUT 600)
endfunction()

function(pqif_finish_windows_targets)
    # The library's code as an archive, for programs that call the DLL and use
    # pieces of its code beside it: linked after the import library, only the
    # objects such a program needs come in, never a second copy of the exports.
    add_library(pqif_parts STATIC $<TARGET_OBJECTS:pqif_core>)
    target_link_libraries(pqif_parts INTERFACE pqif_core)

    add_library(V_PQIF07 SHARED exports/DllMain.cpp exports/V_PQIF07.def exports/V_PQIF07.rc)
    target_link_libraries(V_PQIF07 PRIVATE pqif_core)
    set_target_properties(V_PQIF07 PROPERTIES PREFIX "" OUTPUT_NAME V_PQIF07)
    target_link_options(V_PQIF07 PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup
                        -Wl,--out-implib,${CMAKE_BINARY_DIR}/lib/libV_PQIF07.dll.a)
    # The linker's import library carries the undecorated names that --kill-at
    # exports, which WINAPI callers cannot link against: rebuilt with the
    # decorated names after each link (cmake/ImportLibrary.cmake).
    find_program(PQIF_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)
    find_program(PQIF_NM NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-nm REQUIRED)
    add_custom_command(TARGET V_PQIF07 POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DNM=${PQIF_NM} -DDLLTOOL=${PQIF_DLLTOOL}
                -DDEF=${CMAKE_SOURCE_DIR}/exports/V_PQIF07.def
                "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:pqif_core>,|>"
                -DDECORATED=${CMAKE_BINARY_DIR}/lib/V_PQIF07.decorated.def
                -DOUT=${CMAKE_BINARY_DIR}/lib/libV_PQIF07.dll.a
                -P ${CMAKE_SOURCE_DIR}/cmake/ImportLibrary.cmake
        VERBATIM)
endfunction()
