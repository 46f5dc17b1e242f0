# Boot tests: stick images made by tarnvik-disk, booted in QEMU (SeaBIOS and OVMF) as USB sticks.
# The stand-in BOOTMGR and the helper that hides the INT 13h extensions are assembled here.
set(TARNVIK_BOOT_TEST_BINARIES ${CMAKE_BINARY_DIR}/tests/disk/boot_binaries)
set(TARNVIK_BOOT_TEST_OUTPUTS "")
foreach(name standin_bootmgr no_edd_shim)
    set(bin ${TARNVIK_BOOT_TEST_BINARIES}/${name}.bin)
    add_custom_command(
        OUTPUT ${bin}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNVIK_BOOT_TEST_BINARIES}
        COMMAND ${NASM_EXECUTABLE} -f bin -w+all -Werror -o ${bin}
                ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot/${name}.asm
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot/${name}.asm
        COMMENT "Assembling ${name}.asm for the boot tests")
    list(APPEND TARNVIK_BOOT_TEST_OUTPUTS ${bin})
endforeach()
add_custom_target(disk_boot_test_binaries ALL DEPENDS ${TARNVIK_BOOT_TEST_OUTPUTS})

foreach(scenario
        bios-bootmgr
        bios-bootmgr-missing
        bios-bootmgr-too-large
        bios-bootmgr-damaged
        bios-no-active
        bios-no-boot-record
        bios-no-edd
        bios-grldr
        bios-grldr-missing
        uefi-ipxe)
    add_test(NAME disk_boot_${scenario}
        COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/disk/boot_test.sh ${scenario}
                $<TARGET_FILE:tarnvik-disk> ${TARNVIK_BOOT_TEST_BINARIES}
                ${CMAKE_BINARY_DIR}/tests/disk/boot)
    # Each boot has its own 30 s deadline; the rest is making the image.
    set_tests_properties(disk_boot_${scenario} PROPERTIES TIMEOUT 90 LABELS disk-boot)
endforeach()
