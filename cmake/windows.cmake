# Windows build: Tarnvik.exe, and the tests that run it and its Win32 code (under Wine here).
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE NOMINMAX)

set(TARNVIK_WIN32_LIBS comctl32 comdlg32 gdi32 ole32 shell32 user32 uuid)

# The Win32 shell of the program, everything but the entry point.
add_library(tarnvik_win32 STATIC
    app/app_state_win32.cpp
    app/dispatcher_win32.cpp
    app/font_scale_win32.cpp
    app/main_window_win32.cpp
    app/run_log_win32.cpp
    text/clock_win32.cpp
    tools/path_size_win32.cpp
)
target_link_libraries(tarnvik_win32 PUBLIC tarnvik_core ${TARNVIK_WIN32_LIBS})
tarnvik_warnings(tarnvik_win32)

if(MINGW)
    # One file that needs no DLL but Windows' own.
    set(TARNVIK_STATIC_LINK -static -static-libgcc -static-libstdc++)
endif()

configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)

add_executable(Tarnvik WIN32 app/main_win32.cpp res/tarnvik.rc)
target_link_libraries(Tarnvik PRIVATE tarnvik_win32)
target_include_directories(Tarnvik PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(res/tarnvik.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/res/tarnvik.ico;${CMAKE_CURRENT_SOURCE_DIR}/res/tarnvik.manifest")
if(MINGW)
    target_link_options(Tarnvik PRIVATE -municode ${TARNVIK_STATIC_LINK} $<$<CONFIG:Release>:-s>)
endif()
tarnvik_warnings(Tarnvik)

if(CMAKE_CROSSCOMPILING)
    # Each build tree has a Wine prefix of its own, created on first use.
    set(TARNVIK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/cmake/wine-run.sh ${TARNVIK_WINEPREFIX})
endif()

include(cmake/windows-tests.cmake)
