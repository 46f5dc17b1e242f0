# The disk tool's Linux build: tarnvik-disk works on image files and block devices.
target_compile_options(tarnvik_disk_core PRIVATE ${TARNVIK_SANITIZERS})
target_link_options(tarnvik_disk_core PUBLIC ${TARNVIK_SANITIZERS})

add_executable(tarnvik-disk disk/disk_main_posix.cpp disk/disk_file_posix.cpp
               disk/ntfs_format_posix.cpp)
target_link_libraries(tarnvik-disk PRIVATE tarnvik_disk_core)
target_compile_options(tarnvik-disk PRIVATE ${TARNVIK_SANITIZERS})
tarnvik_warnings(tarnvik-disk)
if(NOT TARNVIK_TESTS)
    return()
endif()

# The real-stick tests' rig formats NTFS with it for the tool's stick build under Wine.
add_executable(stick_ntfs_format tests/support/stick_ntfs_format_posix.cpp
               disk/disk_file_posix.cpp disk/ntfs_format_posix.cpp)
target_link_libraries(stick_ntfs_format PRIVATE tarnvik_disk_core)
target_compile_options(stick_ntfs_format PRIVATE ${TARNVIK_SANITIZERS})
tarnvik_warnings(stick_ntfs_format)

add_executable(disk_core_tests
    tests/disk/disk_command_test.cpp
    tests/disk/disk_operations_test.cpp
    tests/disk/fat32_layout_test.cpp
    tests/disk/mbr_layout_test.cpp
)
target_compile_options(disk_core_tests PRIVATE ${TARNVIK_SANITIZERS})
target_link_libraries(disk_core_tests PRIVATE tarnvik_disk_core GTest::gtest_main)
tarnvik_warnings(disk_core_tests)
gtest_discover_tests(disk_core_tests)

# The Linux build on image files and loop devices, checked with Debian's disk tools.
foreach(scenario format used-stick refusals mounted)
    add_test(NAME disk_tool.${scenario}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/disk_tool_test.sh
                     $<TARGET_FILE:tarnvik-disk> ${CMAKE_BINARY_DIR}/disk-tool-tests ${scenario})
endforeach()
set_tests_properties(disk_tool.mounted PROPERTIES RESOURCE_LOCK loop-devices SKIP_RETURN_CODE 77)
include(cmake/disk-boot-tests.cmake)

# A fake-capacity stick for the tests: a FUSE file system of our own (libfuse3) on which the rig
# puts its stick image when asked to.
find_package(PkgConfig)
if(PkgConfig_FOUND)
    pkg_check_modules(FUSE3 IMPORTED_TARGET fuse3)
endif()
if(FUSE3_FOUND)
    add_executable(lying_stick tests/e2e/real_stick/lying_stick.cpp)
    target_link_libraries(lying_stick PRIVATE PkgConfig::FUSE3)
    target_compile_options(lying_stick PRIVATE ${TARNVIK_SANITIZERS})
    target_link_options(lying_stick PRIVATE ${TARNVIK_SANITIZERS})
    tarnvik_warnings(lying_stick)
    set(lying_stick_program $<TARGET_FILE:lying_stick>)
else()
    message(STATUS "libfuse3 not found: the lying-stick tests will be skipped")
    set(lying_stick_program ${CMAKE_BINARY_DIR}/lying_stick)
endif()
foreach(scenario boundary)
    add_test(NAME lying_stick.${scenario}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/real_stick/lying_stick_test.sh
                     ${lying_stick_program} ${CMAKE_BINARY_DIR}/lying-stick-tests ${scenario})
    set_tests_properties(lying_stick.${scenario} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
