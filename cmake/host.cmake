# Native build: the core under AddressSanitizer and UndefinedBehaviorSanitizer, with its unit tests.
# The benchmark turns the sanitizers off to time the disk tool as it would ship.
option(TARNVIK_SANITIZE "Build the native tree with AddressSanitizer and UBSan" ON)
set(TARNVIK_SANITIZERS "")
if(TARNVIK_SANITIZE)
    set(TARNVIK_SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer
                           -fno-sanitize-recover=all)
endif()
target_compile_options(tarnvik_core PRIVATE ${TARNVIK_SANITIZERS})
target_link_options(tarnvik_core PUBLIC ${TARNVIK_SANITIZERS})

if(NOT TARNVIK_TESTS)
    include(cmake/disk-host.cmake)
    return()
endif()

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(core_tests
    tests/app/command_line_test.cpp
    tests/app/font_scale_test.cpp
    tests/app/run_log_test.cpp
    tests/drives/drive_entry_test.cpp
    tests/job/job_text_test.cpp
    tests/job/pre_copy_checks_test.cpp
    tests/job/progress_test.cpp
    tests/job/read_back_test.cpp
    tests/job/wim_split_plan_test.cpp
    tests/job/wim_split_router_test.cpp
    tests/text/byte_size_test.cpp
    tests/text/clock_test.cpp
    tests/text/utf8_text_test.cpp
    tests/tools/child_command_line_test.cpp
    tests/tools/child_environment_test.cpp
)
target_compile_options(core_tests PRIVATE ${TARNVIK_SANITIZERS})
target_link_libraries(core_tests PRIVATE tarnvik_core GTest::gtest_main)
tarnvik_warnings(core_tests)
gtest_discover_tests(core_tests)

# The WIM split the job runs, on images wimlib makes; wimlib judges the parts.
add_executable(wim_split_host tests/job/wim_split_host.cpp)
target_compile_options(wim_split_host PRIVATE ${TARNVIK_SANITIZERS})
target_link_libraries(wim_split_host PRIVATE tarnvik_core)
tarnvik_warnings(wim_split_host)
add_test(NAME wim_split.wimlib
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/job/wim_split_test.sh
                 $<TARGET_FILE:wim_split_host> ${CMAKE_BINARY_DIR}/wim-split-tests)
set_tests_properties(wim_split.wimlib PROPERTIES SKIP_RETURN_CODE 77)

# The disk tool's Linux build and its tests.
include(cmake/disk-host.cmake)
include(cmake/fuzz.cmake)
