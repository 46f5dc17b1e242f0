# Whole jobs on a real stick: a disk image on a loop device whose volume Wine sees as E:, formatted
# by the disk tool's stick build during the job, then checked and booted in QEMU. They need root,
# the disk tool's Linux build and the stand-in loader's source; they map drive letters in a prefix of
# their own, so they run one at a time but beside the other tests that map drives.
tarnvik_test_program(real_stick_tests tests/e2e/real_stick/real_stick_test.cpp)
target_link_libraries(real_stick_tests PRIVATE tarnvik_harness tarnvik_core)
add_dependencies(real_stick_tests TarnvikTestBuild TarnvikDiskStickBuild)
# The README's run command shows a job on such a stick.
add_dependencies(run_demo TarnvikDiskStickBuild)

set(TARNVIK_HOST_DISK_TOOL ${CMAKE_SOURCE_DIR}/build/host/tarnvik-disk CACHE FILEPATH
    "The disk tool's Linux build, which the real-stick tests use to make and check sticks")
foreach(scenario IN ITEMS bcd-fat32 grub4dos-boot third-party too-large ntfs wim-secure-boot)
    add_test(NAME real_stick.${scenario}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/real_stick/real_stick_test.sh
                     ${scenario} ${CMAKE_BINARY_DIR} ${TARNVIK_HOST_DISK_TOOL})
    set_tests_properties(real_stick.${scenario} PROPERTIES
                         RESOURCE_LOCK wine-stick-prefix SKIP_RETURN_CODE 77 TIMEOUT 1200
                         LABELS real-stick)
endforeach()
# Its installer image is the fixture's.
set_tests_properties(real_stick.wim-secure-boot PROPERTIES FIXTURES_REQUIRED iso_images)
