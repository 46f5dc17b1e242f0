# The disk tool for Windows: TarnvikDisk.exe, a GUI-subsystem program without a window. Its Win32
# glue plus one unit that tells which disk lies behind a volume; the test builds replace that unit.
# The stick build also replaces the unit that locks and dismounts the stick's volumes (ACCESS) and
# the NTFS formatter (NTFS_FORMAT), with the units they need (SOURCES).
function(tarnvik_disk_tool target volume_unit)
    cmake_parse_arguments(PARSE_ARGV 2 unit "" "ACCESS;NTFS_FORMAT" "SOURCES")
    if(NOT unit_ACCESS)
        set(unit_ACCESS disk/exclusive_access_win32.cpp)
    endif()
    if(NOT unit_NTFS_FORMAT)
        set(unit_NTFS_FORMAT disk/ntfs_format_win32.cpp)
    endif()
    add_executable(${target} WIN32
        disk/disk_main_win32.cpp
        disk/drive_letter_win32.cpp
        ${unit_ACCESS}
        ${unit_NTFS_FORMAT}
        disk/physical_disk_win32.cpp
        disk/target_check_win32.cpp
        drives/storage_query_win32.cpp
        drives/volume_extents_win32.cpp
        tools/system_library_win32.cpp
        ${volume_unit}
        ${unit_SOURCES})
    # bcrypt is loaded from the system folder at run time, not imported.
    target_link_libraries(${target} PRIVATE tarnvik_disk_core)
    tarnvik_wide_entry(${target})
    if(MINGW)
        target_link_options(${target} PRIVATE $<$<CONFIG:Release>:-s>)
    endif()
    tarnvik_warnings(${target})
endfunction()

tarnvik_disk_tool(TarnvikDisk disk/volume_disk_win32.cpp)

# The tests need the test framework and the Wine set-up of the Windows tests, so they are declared
# once the whole tree is.
function(tarnvik_disk_windows_tests)
    if(NOT COMMAND tarnvik_test_program)
        return()
    endif()
    # The test build: disks, buses and volumes answered from a file the test writes.
    tarnvik_disk_tool(TarnvikDiskTestBuild tests/support/disk_volume_simulated_win32.cpp)
    # The same on a stick image whose volume a Linux-side helper unmounts, mounts and formats NTFS
    # on request.
    tarnvik_disk_tool(TarnvikDiskStickBuild tests/support/disk_volume_simulated_win32.cpp
                      ACCESS tests/support/disk_exclusive_access_handshake_win32.cpp
                      NTFS_FORMAT tests/support/disk_ntfs_format_handshake_win32.cpp
                      SOURCES tests/support/stick_handshake_win32.cpp)

    tarnvik_test_program(disk_win32_tests
        tests/disk/physical_disk_win32_test.cpp
        disk/physical_disk_win32.cpp)
    target_link_libraries(disk_win32_tests PRIVATE tarnvik_disk_core tarnvik_harness)
    tarnvik_suite_tests(disk_win32_tests SUITES PhysicalDiskImage PhysicalDiskRefuses)

    # The tool on an image file that Wine shows as \\.\PhysicalDrive9, with E: standing for the
    # stick's volume. It maps drive letters, so it runs alone in a session of a prefix of its own.
    foreach(scenario IN ITEMS Refusals ThreeRuns)
        add_test(NAME disk_tool_wine.${scenario}
                 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/disk_tool_wine_test.sh
                         ${scenario} ${CMAKE_BINARY_DIR}/wineprefix-disk
                         $<TARGET_FILE:TarnvikDiskTestBuild>
                         ${CMAKE_BINARY_DIR}/test-runs/disk_tool_wine.${scenario})
        set_tests_properties(disk_tool_wine.${scenario} PROPERTIES
                             RESOURCE_LOCK wine-drive-letters SKIP_RETURN_CODE 77)
    endforeach()

    # Whole jobs from the window onto disk images that Wine sees as a real stick.
    include(cmake/real-stick-tests.cmake)
endfunction()
cmake_language(DEFER CALL tarnvik_disk_windows_tests)
