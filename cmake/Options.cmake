# Build options shared by every target of the project.

option(OCELLUS_WERROR "Treat compiler warnings as errors" OFF)
option(OCELLUS_ASAN "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(OCELLUS_FUZZ "Build the libFuzzer harnesses (clang only)" OFF)
option(OCELLUS_BUILD_TESTS "Build the test suite" ON)
option(OCELLUS_BUILD_BENCH "Build the benchmarks" OFF)

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

add_library(ocellus_options INTERFACE)
target_compile_options(ocellus_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast)
target_compile_definitions(ocellus_options INTERFACE
    QT_NO_URL_CAST_FROM_STRING
    QT_DISABLE_DEPRECATED_UP_TO=0x060000)
if(OCELLUS_WERROR)
    target_compile_options(ocellus_options INTERFACE -Werror)
endif()

if(OCELLUS_ASAN OR OCELLUS_FUZZ)
    set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_compile_options(${_san})
    add_link_options(${_san})
endif()
if(OCELLUS_FUZZ)
    # Every library gets coverage instrumentation; only the harnesses link the fuzzer main.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
