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

