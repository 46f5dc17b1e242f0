# The disk tool's Linux build: tarnvik-disk works on image files and block devices.
target_compile_options(tarnvik_disk_core PRIVATE ${TARNVIK_SANITIZERS})
target_link_options(tarnvik_disk_core PUBLIC ${TARNVIK_SANITIZERS})

add_executable(tarnvik-disk disk/disk_main_posix.cpp disk/disk_file_posix.cpp)
target_link_libraries(tarnvik-disk PRIVATE tarnvik_disk_core)
target_compile_options(tarnvik-disk PRIVATE ${TARNVIK_SANITIZERS})
tarnvik_warnings(tarnvik-disk)
