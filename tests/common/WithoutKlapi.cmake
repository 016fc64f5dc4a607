# A test program that must run where KLAPI.DLL cannot be found: after the build
# it is copied into bin/absent/, and ctest runs the copy from there.
function(pqif_win_test_without_klapi name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE pqif_core klapi_simstore GTest::gtest GTest::gtest_main)
    set(absent ${CMAKE_BINARY_DIR}/bin/absent)
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${absent}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${absent}/)
    add_test(NAME ${name} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${absent}/${name}.exe
             WORKING_DIRECTORY ${absent})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEDEBUG=-all" TIMEOUT 600)
endfunction()
