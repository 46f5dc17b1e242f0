# Boot tests: stick images made by tarnvik-disk (FAT32 and NTFS), booted in QEMU (SeaBIOS and OVMF)
# as USB sticks.
# The stand-in BOOTMGR and the helper disks' boot sectors are assembled here.
set(TARNVIK_BOOT_TEST_BINARIES ${CMAKE_BINARY_DIR}/tests/disk/boot_binaries)
set(TARNVIK_BOOT_TEST_OUTPUTS "")
function(tarnvik_boot_test_binary asm name)
    set(bin ${TARNVIK_BOOT_TEST_BINARIES}/${name}.bin)
    add_custom_command(
        OUTPUT ${bin}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNVIK_BOOT_TEST_BINARIES}
        COMMAND ${NASM_EXECUTABLE} -f bin -w+all -Werror ${ARGN} -o ${bin}
                ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot/${asm}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot/${asm}
        COMMENT "Assembling ${asm} as ${name} for the boot tests")
    set(TARNVIK_BOOT_TEST_OUTPUTS ${TARNVIK_BOOT_TEST_OUTPUTS} ${bin} PARENT_SCOPE)
endfunction()
tarnvik_boot_test_binary(standin_bootmgr.asm standin_bootmgr)
tarnvik_boot_test_binary(standin_bootmgr.asm standin_small -DBLOCKS=0)
tarnvik_boot_test_binary(bios_shim.asm no_edd_shim -DHIDE_EXTENSIONS)
tarnvik_boot_test_binary(bios_shim.asm sector_4k_shim -DSECTORS_4K)
add_custom_target(disk_boot_test_binaries ALL DEPENDS ${TARNVIK_BOOT_TEST_OUTPUTS})

# One test per row of the script's table of scenarios.
set(TARNVIK_BOOT_TEST_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot_test.sh)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARNVIK_BOOT_TEST_SCRIPT})
file(READ ${TARNVIK_BOOT_TEST_SCRIPT} rows)
string(REGEX MATCHALL "\n[a-z0-9-]+ +\\|" rows "${rows}")
foreach(row IN LISTS rows)
    string(REGEX REPLACE "[\n |]" "" scenario "${row}")
    add_test(NAME disk_boot_${scenario}
        COMMAND bash ${TARNVIK_BOOT_TEST_SCRIPT} ${scenario}
                $<TARGET_FILE:tarnvik-disk> ${TARNVIK_BOOT_TEST_BINARIES}
                ${CMAKE_BINARY_DIR}/tests/disk/boot)
    # Each boot has its own 30 s deadline; the rest is making the image.
    set_tests_properties(disk_boot_${scenario} PROPERTIES TIMEOUT 90 LABELS disk-boot
                         SKIP_RETURN_CODE 77)
endforeach()
