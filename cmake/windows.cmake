# Windows build: Tarnvik.exe and TarnvikDisk.exe, and with TARNVIK_TESTS the tests that run them
# and their Win32 code (under Wine here).
enable_language(RC)
# Vista is the oldest system the manifest names: the headers leave out what they mark as newer, which
# must then be looked up at run time.
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600)

# Only DLLs that Windows loads from its own folder whatever the search order (known DLLs from
# Vista on): those the first window needs, and advapi32 for the tools' folder's security;
# comctl32, comdlg32, ole32 and shell32 are loaded from the system folder at run time instead, the
# last three only when first used.
set(TARNVIK_WIN32_LIBS gdi32 user32 advapi32 uuid)

# The Win32 shell of the program, everything but the entry point.
add_library(tarnvik_win32 STATIC
    app/about_panel_win32.cpp
    app/app_state_win32.cpp
    app/dispatcher_win32.cpp
    app/drive_list_win32.cpp
    app/event_window_win32.cpp
    app/font_scale_win32.cpp
    app/iso_choice_win32.cpp
    app/job_start_win32.cpp
    app/main_window_win32.cpp
    app/run_log_win32.cpp
    app/window_parts_win32.cpp
    app/window_states_win32.cpp
    drives/drive_scan_win32.cpp
    drives/storage_query_win32.cpp
    drives/volume_extents_win32.cpp
    job/add_files_copy_win32.cpp
    job/add_files_size_win32.cpp
    job/add_files_step_win32.cpp
    job/disk_tool_run_win32.cpp
    job/extract_step_win32.cpp
    job/format_step_win32.cpp
    job/grub4dos_step_win32.cpp
    job/image_check_win32.cpp
    job/image_stream_win32.cpp
    job/job_end_win32.cpp
    job/job_launch_win32.cpp
    job/pre_copy_checks_win32.cpp
    job/taskbar_progress_win32.cpp
    job/stick_files_win32.cpp
    job/verify_step_win32.cpp
    job/wim_check_step_win32.cpp
    job/wim_read_back_win32.cpp
    job/wim_split_step_win32.cpp
    job/worker_win32.cpp
    text/clock_win32.cpp
    tools/child_process_win32.cpp
    tools/com_library_win32.cpp
    tools/folders_win32.cpp
    tools/path_size_win32.cpp
    tools/held_tool_file_win32.cpp
    tools/payload_win32.cpp
    tools/system_library_win32.cpp
    tools/tool_folder_win32.cpp
)
target_link_libraries(tarnvik_win32 PUBLIC tarnvik_core ${TARNVIK_WIN32_LIBS})
tarnvik_warnings(tarnvik_win32)

if(MINGW)
    # One file that needs no DLL but Windows' own.
    set(TARNVIK_STATIC_LINK -static -static-libgcc -static-libstdc++)
endif()

# A program whose entry point is wmain or wWinMain: MinGW's linker picks it only with -municode;
# Visual C++'s finds it itself. The static runtime as above.
function(tarnvik_wide_entry target)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode ${TARNVIK_STATIC_LINK})
    endif()
endfunction()

include(cmake/disk-windows.cmake)

configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

# The tool payloads: whatever of the three files payload/ holds is embedded. Without a supplied
# BOOTICE our own disk tool, which answers BOOTICE's command lines, takes its place; a missing 7-Zip
# file is simply absent from the program, and installing it then fails at run time.
file(GLOB TARNVIK_PAYLOAD_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/payload/*)
set(TARNVIK_PAYLOADS_RC "")
foreach(entry IN ITEMS "IDR_BOOTICE|Bootice.exe" "IDR_SEVENZIP|7z.exe" "IDR_SEVENZIP_LIB|7z.dll")
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 resource_id)
    list(GET entry 1 file_name)
    set(file_path ${CMAKE_CURRENT_SOURCE_DIR}/payload/${file_name})
    if(EXISTS ${file_path})
        string(APPEND TARNVIK_PAYLOADS_RC "${resource_id} RCDATA \"${file_path}\"\n")
    elseif(resource_id STREQUAL "IDR_BOOTICE" AND TARGET TarnvikDisk)
        string(APPEND TARNVIK_PAYLOADS_RC "${resource_id} RCDATA \"$<TARGET_FILE:TarnvikDisk>\"\n")
        # Every program that carries the payloads is rebuilt when the disk tool changes. The
        # dependency names the file where the build writes it, as OBJECT_DEPENDS takes no
        # generator expression (Ninja stops on a path that no rule makes).
        list(APPEND TARNVIK_PAYLOAD_FILES ${CMAKE_CURRENT_BINARY_DIR}/TarnvikDisk${CMAKE_EXECUTABLE_SUFFIX})
        set(TARNVIK_PAYLOAD_TARGETS TarnvikDisk)
        message(STATUS "payload/${file_name} is missing: Tarnvik.exe carries TarnvikDisk.exe in its place")
    else()
        message(STATUS "payload/${file_name} is missing: Tarnvik.exe is built without it")
    endif()
endforeach()
# The disk tool's path is known only at generation time.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated/payloads.rc CONTENT "${TARNVIK_PAYLOADS_RC}")

file(GLOB TARNVIK_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/*.ico
     ${CMAKE_CURRENT_SOURCE_DIR}/res/*.manifest)
list(APPEND TARNVIK_RESOURCE_FILES ${TARNVIK_PAYLOAD_FILES})
set_source_files_properties(res/tarnvik.rc PROPERTIES OBJECT_DEPENDS "${TARNVIK_RESOURCE_FILES}")

# The program is its shell plus the units that ask the system on which bus a volume sits, which
# disks a volume lies on, for its message-only window, and that write the stick out before it is
# read back. The test build (tests/) links the same
# with those units replaced.
function(tarnvik_program target bus_unit)
    add_executable(${target} WIN32 app/main_win32.cpp res/tarnvik.rc ${bus_unit} ${ARGN})
    target_link_libraries(${target} PRIVATE tarnvik_win32)
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
    # The icons and the manifest, for a resource compiler that does not look beside the script.
    target_include_directories(${target} PRIVATE
                               $<$<COMPILE_LANGUAGE:RC>:${CMAKE_CURRENT_SOURCE_DIR}/res>)
    if(TARNVIK_PAYLOAD_TARGETS)
        add_dependencies(${target} ${TARNVIK_PAYLOAD_TARGETS})
    endif()
    tarnvik_wide_entry(${target})
    if(MINGW)
        target_link_options(${target} PRIVATE $<$<CONFIG:Release>:-s>)
        # Sections start on page boundaries in the file as in memory, so the loader can map the
        # program as it lies instead of copying it, payloads and all, at every start (under Wine
        # creating the process took about 10 ms less; the file grows by a few pages).
        target_link_options(${target} PRIVATE -Wl,--file-alignment,4096)
    elseif(MSVC)
        # The manifest comes from the resources; the linker's own would replace it.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
    tarnvik_warnings(${target})
    # 7-Zip's license travels with the program that carries it.
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/payload/7-Zip-License.txt)
        add_custom_command(TARGET ${target} POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_CURRENT_SOURCE_DIR}/payload/7-Zip-License.txt $<TARGET_FILE_DIR:${target}>/7-Zip-License.txt)
    endif()
endfunction()

tarnvik_program(Tarnvik drives/storage_bus_win32.cpp drives/volume_disks_win32.cpp
                app/message_window_win32.cpp job/stick_flush_win32.cpp job/wim_split_limits.cpp)

if(NOT TARNVIK_TESTS)
    return()
endif()

if(CMAKE_CROSSCOMPILING)
    # Each build tree has a Wine prefix of its own, created on first use.
    set(TARNVIK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/cmake/wine-run.sh ${TARNVIK_WINEPREFIX})
endif()

include(cmake/windows-tests.cmake)
include(cmake/windows-bench.cmake)
