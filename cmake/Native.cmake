# Native build of the byte-interpreting code: sanitized tests, fuzz targets and
# benchmarks. Nothing here includes windows.h.
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
find_package(benchmark QUIET)

add_compile_options(-Wall -Wextra)
set(PQIF_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# Three copies of the same sources: sanitized for tests, instrumented for the
# fuzzer, optimised for the benchmarks.
add_library(pqif_pure STATIC)
target_compile_options(pqif_pure PUBLIC ${PQIF_SANITIZE} -g)
target_link_options(pqif_pure PUBLIC ${PQIF_SANITIZE})
add_library(pqif_pure_fuzz STATIC)
target_compile_options(pqif_pure_fuzz PUBLIC ${PQIF_SANITIZE} -g -fsanitize=fuzzer-no-link)
add_library(pqif_pure_opt STATIC)
target_compile_options(pqif_pure_opt PRIVATE -O2)
foreach(lib pqif_pure pqif_pure_fuzz pqif_pure_opt)
    target_include_directories(${lib} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
endforeach()

function(pqif_pure_sources)
    foreach(lib pqif_pure pqif_pure_fuzz pqif_pure_opt)
        target_sources(${lib} PRIVATE ${ARGN})
    endforeach()
endfunction()

function(pqif_win_sources)
endfunction()

function(pqif_native_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE pqif_pure GTest::gtest GTest::gtest_main Threads::Threads)
    add_test(NAME ${name} COMMAND ${name})
endfunction()

function(pqif_fuzz_target name)
    add_executable(${name} ${ARGN})
    target_compile_options(${name} PRIVATE ${PQIF_SANITIZE} -g -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE ${PQIF_SANITIZE} -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE pqif_pure_fuzz)
endfunction()
