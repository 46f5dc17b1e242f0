# The disk tool's core: command lines, partition table, FAT32 layout and boot-record byte work,
# with the boot code assembled by nasm and embedded. Pure code, built in both trees.
find_program(NASM_EXECUTABLE nasm REQUIRED)

set(TARNVIK_BOOT_SOURCES "")
file(GLOB TARNVIK_BOOT_INCLUDES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/disk/boot/*.inc)
function(tarnvik_boot_code asm symbol)
    set(bin ${CMAKE_BINARY_DIR}/boot/${symbol}.bin)
    set(cpp ${CMAKE_BINARY_DIR}/boot/${symbol}.cpp)
    add_custom_command(
        OUTPUT ${cpp}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/boot
        COMMAND ${NASM_EXECUTABLE} -f bin -w+all -Werror -I${CMAKE_CURRENT_SOURCE_DIR}/disk/boot/ ${ARGN}
                -o ${bin}
                ${CMAKE_CURRENT_SOURCE_DIR}/disk/boot/${asm}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${bin} -DOUTPUT=${cpp} -DSYMBOL=${symbol}
                -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/embed_binary.cmake
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/disk/boot/${asm}
                ${TARNVIK_BOOT_INCLUDES}
                ${CMAKE_CURRENT_SOURCE_DIR}/cmake/embed_binary.cmake
        COMMENT "Assembling ${asm} as ${symbol}")
    set(TARNVIK_BOOT_SOURCES ${TARNVIK_BOOT_SOURCES} ${cpp} PARENT_SCOPE)
endfunction()
tarnvik_boot_code(mbr.asm kMbrBootCode)
tarnvik_boot_code(fat32_pbr.asm kFat32BootmgrCode)
tarnvik_boot_code(fat32_pbr.asm kFat32GrldrCode -DLOADER_GRLDR)
tarnvik_boot_code(ntfs_pbr.asm kNtfsBootmgrCode)
tarnvik_boot_code(ntfs_pbr.asm kNtfsGrldrCode -DLOADER_GRLDR)

add_library(tarnvik_disk_core STATIC
    disk/disk_command.cpp
    disk/boot_record.cpp
    disk/disk_operations.cpp
    disk/fat32_layout.cpp
    disk/fat_label.cpp
    disk/mbr_layout.cpp
    disk/run_context.cpp
    ${TARNVIK_BOOT_SOURCES}
)
target_include_directories(tarnvik_disk_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
# Text conversions are shared with the program.
target_link_libraries(tarnvik_disk_core PUBLIC tarnvik_core)
tarnvik_warnings(tarnvik_disk_core)
