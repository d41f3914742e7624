# ocellus_library(<name> SOURCES ... [LINKS ...])
# A static library of the listed sources (paths relative to the calling CMakeLists.txt).
function(ocellus_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ocellus_options ${ARG_LINKS})
endfunction()

# ocellus_test(<name> SOURCES ... LINKS ... [GUI])
# One Qt Test executable registered with CTest. Every test runs with its settings
# roots redirected to a scratch folder; GUI tests run on the offscreen platform.
function(ocellus_test name)
    cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LINKS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ocellus_options ocellus_test_support Qt6::Test ${ARG_LINKS})
    add_test(NAME ${name} COMMAND ${name})
    set(_scratch "${CMAKE_BINARY_DIR}/test-scratch/${name}")
    set(_env
        "OCELLUS_USER_SETTINGS_ROOT=${_scratch}/user-config"
        "OCELLUS_MACHINE_SETTINGS_ROOT=${_scratch}/machine"
        "XDG_CONFIG_HOME=${_scratch}/xdg-config"
        "XDG_DATA_HOME=${_scratch}/xdg-data"
        "OCELLUS_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
        "OCELLUS_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        "QT_QPA_PLATFORM=offscreen"
        # The session's language is the developer's; suites that depend on it set their own.
        "LANGUAGE=" "LC_ALL=C.UTF-8" "LC_MESSAGES=" "LANG=C.UTF-8"
        "QT_LOGGING_RULES=qt.qpa.*=false")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
