# Tests of the Windows tree. ctest runs them through the emulator (Wine) on a display that the
# test command provides (Xvfb).
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Registers one ctest test per GoogleTest suite, so suites run in parallel and report apart.
function(tarnvik_suite_tests target)
    cmake_parse_arguments(ARG "" "" "SUITES;LOCKS" ${ARGN})
    foreach(suite IN LISTS ARG_SUITES)
        add_test(NAME ${target}.${suite} COMMAND ${target} --gtest_filter=*${suite}.*)
        if(ARG_LOCKS)
            set_tests_properties(${target}.${suite} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
        endif()
    endforeach()
endfunction()

function(tarnvik_test_program target)
    add_executable(${target} ${ARGN})
    target_link_libraries(${target} PRIVATE GTest::gtest_main)
    if(MINGW)
        target_link_options(${target} PRIVATE ${TARNVIK_STATIC_LINK})
    endif()
    tarnvik_warnings(${target})
endfunction()

# Win32 code of the program, exercised directly.
tarnvik_test_program(win32_tests
    tests/app/run_log_win32_test.cpp
    tests/job/add_files_copy_win32_test.cpp
    tests/job/add_files_size_win32_test.cpp
    tests/tools/child_process_win32_test.cpp
    tests/tools/path_size_win32_test.cpp
    tests/tools/payload_win32_test.cpp
    tests/tools/tool_folder_win32_test.cpp
    tests/support/payloads_only.rc
)
target_link_libraries(win32_tests PRIVATE tarnvik_win32 tarnvik_harness)
target_include_directories(win32_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(tests/support/payloads_only.rc PROPERTIES OBJECT_DEPENDS "${TARNVIK_PAYLOAD_FILES}")
if(TARNVIK_PAYLOAD_TARGETS)
    add_dependencies(win32_tests ${TARNVIK_PAYLOAD_TARGETS})
endif()
add_executable(child_helper tests/support/child_helper.cpp)
tarnvik_wide_entry(child_helper)
add_dependencies(win32_tests child_helper)
tarnvik_suite_tests(win32_tests SUITES RunLogFile PathSize CountAddFilesBytes StartChild
                    InstallPayload HeldToolFile PrepareTools BooticePayload MakeFolderPath CopyChunk
                    ToolFolder)

# The GUI harness: drives the real program from outside, as a user would. Its pictures are the
# demonstration's (demo/).
add_library(tarnvik_harness STATIC
    tests/harness/harness.cpp
    tests/harness/job_run.cpp
    demo/window_picture.cpp
)
target_include_directories(tarnvik_harness PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnvik_harness PUBLIC tarnvik_core gdi32 user32 GTest::gtest)
tarnvik_warnings(tarnvik_harness)

tarnvik_test_program(e2e_tests
    tests/e2e/drive_list_test.cpp
    tests/e2e/job_end_test.cpp
    tests/e2e/job_test.cpp
    tests/e2e/main_window_test.cpp
    tests/e2e/planted_code_test.cpp
    tests/e2e/startup_failure_test.cpp
    tests/e2e/startup_test.cpp
    tests/e2e/user_actions_test.cpp
)
target_link_libraries(e2e_tests PRIVATE tarnvik_harness)
add_dependencies(e2e_tests Tarnvik)
tarnvik_suite_tests(e2e_tests SUITES StartUp RunLogOfProgram AddFilesRules)
# Both read the screen or show a message box centred on it: no other test's window may cover it.
tarnvik_suite_tests(e2e_tests SUITES MainWindow StartUpFailure LOCKS wine-drive-letters)
# Drive letters belong to a whole prefix and a removed one lingers until its Wine session ends:
# each test that maps drives runs alone, in a fresh session of a prefix kept for them.
set(TARNVIK_DRIVES_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix-drives)
function(tarnvik_drive_tests target)
    foreach(name IN LISTS ARGN)
        add_test(NAME ${target}.${name}
                 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cmake/wine-run-isolated.sh
                         ${TARNVIK_DRIVES_WINEPREFIX} $<TARGET_FILE:${target}> --gtest_filter=${name})
        set_tests_properties(${target}.${name} PROPERTIES RESOURCE_LOCK wine-drive-letters)
    endforeach()
endfunction()
set(TARNVIK_JOB_TESTS UserActions.* Done/Job.* Failed/Job.* Box/Job.* Quit/Job.* JobEnd.*)
tarnvik_drive_tests(e2e_tests
    DriveList.UsbDrivesInLetterOrderAroundAFixedDisk
    DriveList.FirstUsbDriveWithoutLabelEmptiesTheLabel
    DriveList.NoUsbDrive
    DriveList.DebugLogsEveryDriveInLetterOrder
    ${TARNVIK_JOB_TESTS})

# The images the job tests extract, made with xorriso before any of them runs.
add_test(NAME iso_fixtures COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/fixtures/make_isos.sh ${CMAKE_BINARY_DIR}/fixtures)
set_tests_properties(iso_fixtures PROPERTIES FIXTURES_SETUP iso_images)
list(TRANSFORM TARNVIK_JOB_TESTS PREPEND e2e_tests.)
set_tests_properties(${TARNVIK_JOB_TESTS} PROPERTIES FIXTURES_REQUIRED iso_images)
# wimlib judges the parts the split job left on its drive.
set_tests_properties(e2e_tests.Done/Job.* PROPERTIES FIXTURES_SETUP wim_parts)
add_test(NAME wim_parts_by_wimlib
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/wim_parts_test.sh
                 ${CMAKE_BINARY_DIR}/test-runs/Done_Job.EndsAsItsRowSays_InstallerSplitIntoParts/stick/sources
                 ${CMAKE_BINARY_DIR}/fixtures)
set_tests_properties(wim_parts_by_wimlib PROPERTIES FIXTURES_REQUIRED "wim_parts;iso_images")
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/payload/Bootice.exe)
    target_compile_definitions(e2e_tests PRIVATE TARNVIK_BUILT_WITH_BOOTICE)
    target_compile_definitions(win32_tests PRIVATE TARNVIK_BUILT_WITH_BOOTICE)
endif()

# The real 7-Zip pair beside the tests, for the archiver's stand-in to hand runs on to.
foreach(file_name 7z.exe 7z.dll)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/payload/${file_name})
        configure_file(${CMAKE_CURRENT_SOURCE_DIR}/payload/${file_name}
                       ${CMAKE_BINARY_DIR}/real-archiver/${file_name} COPYONLY)
    endif()
endforeach()

# Stand-ins for the outside tools, for the job tests.
foreach(stand_in fake_bootice archiver_standin)
    add_executable(${stand_in} tests/support/${stand_in}.cpp)
    tarnvik_wide_entry(${stand_in})
    target_include_directories(${stand_in} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    tarnvik_warnings(${stand_in})
    add_dependencies(e2e_tests ${stand_in})
endforeach()
target_link_libraries(fake_bootice PRIVATE tarnvik_disk_core)

# The README's run command shows a job on a private display with this.
add_executable(run_demo demo/run_demo.cpp)
target_link_libraries(run_demo PRIVATE tarnvik_harness)
add_dependencies(run_demo TarnvikTestBuild fake_bootice)
tarnvik_wide_entry(run_demo)
tarnvik_warnings(run_demo)

# The program's test build: the shipped program with the bus query answering USB for the
# simulated drives the test names, the disks of volumes answered from a file the test writes,
# and a message-only window the test can have refused.
tarnvik_program(TarnvikTestBuild tests/support/storage_bus_simulated_win32.cpp
                tests/support/volume_disks_simulated_win32.cpp
                tests/support/message_window_simulated_win32.cpp
                tests/support/stick_flush_handshake_win32.cpp
                tests/support/stick_handshake_win32.cpp
                tests/support/wim_split_limits_simulated_win32.cpp)
add_dependencies(e2e_tests TarnvikTestBuild)

# A DLL planted beside a program or its tools: every copy leaves a marker when it is loaded. And a
# program that loads a DLL the careless way, to prove that a planted copy would be found.
add_library(planted_dll SHARED tests/support/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "" OUTPUT_NAME planted)
target_link_options(planted_dll PRIVATE ${TARNVIK_STATIC_LINK})
tarnvik_warnings(planted_dll)
add_executable(planting_probe tests/support/planting_probe.cpp)
tarnvik_wide_entry(planting_probe)
tarnvik_warnings(planting_probe)
add_dependencies(e2e_tests planted_dll planting_probe)

# The test build once more, carrying the archiver's stand-in as its 7-Zip, so that a test can try
# to change the temp copies while its slow extraction runs.
get_target_property(TARNVIK_TEST_BUILD_SOURCES TarnvikTestBuild SOURCES)
set(TARNVIK_SLOW_PAYLOADS ${CMAKE_BINARY_DIR}/generated-slow-archiver)
file(GENERATE OUTPUT ${TARNVIK_SLOW_PAYLOADS}/payloads.rc CONTENT
     "IDR_BOOTICE RCDATA \"$<TARGET_FILE:fake_bootice>\"\nIDR_SEVENZIP RCDATA \"$<TARGET_FILE:archiver_standin>\"\nIDR_SEVENZIP_LIB RCDATA \"$<TARGET_FILE:planted_dll>\"\n")
# Its resources compile from a file of its own, so that they are compiled again whenever one of
# the stand-ins they carry changes (the dependency names the files where the build writes them).
file(WRITE ${TARNVIK_SLOW_PAYLOADS}/slow.rc "#include \"${CMAKE_CURRENT_SOURCE_DIR}/res/tarnvik.rc\"\n")
set_source_files_properties(${TARNVIK_SLOW_PAYLOADS}/slow.rc PROPERTIES OBJECT_DEPENDS
    "${TARNVIK_RESOURCE_FILES};${CMAKE_BINARY_DIR}/fake_bootice.exe;${CMAKE_BINARY_DIR}/archiver_standin.exe;${CMAKE_BINARY_DIR}/planted.dll")
list(TRANSFORM TARNVIK_TEST_BUILD_SOURCES REPLACE "^res/tarnvik\\.rc$" "${TARNVIK_SLOW_PAYLOADS}/slow.rc")
add_executable(TarnvikSlowArchiverBuild WIN32 ${TARNVIK_TEST_BUILD_SOURCES})
target_link_libraries(TarnvikSlowArchiverBuild PRIVATE tarnvik_win32)
target_include_directories(TarnvikSlowArchiverBuild BEFORE PRIVATE ${TARNVIK_SLOW_PAYLOADS})
target_include_directories(TarnvikSlowArchiverBuild PRIVATE ${CMAKE_BINARY_DIR}/generated
                           ${CMAKE_CURRENT_SOURCE_DIR}/res)
tarnvik_wide_entry(TarnvikSlowArchiverBuild)
tarnvik_warnings(TarnvikSlowArchiverBuild)
add_dependencies(TarnvikSlowArchiverBuild fake_bootice archiver_standin planted_dll)
add_dependencies(e2e_tests TarnvikSlowArchiverBuild)

set(TARNVIK_PLANTING_TESTS PlantedCode.DllsBesideTheProgramOrItsToolsAreNotLoaded
    PlantedCode.DllsBesideTheCarriedDiskToolAreNotLoaded)
tarnvik_drive_tests(e2e_tests PlantedCode.TheTempArchiverCannotBeChangedWhileItRuns
                    ${TARNVIK_PLANTING_TESTS})
set_tests_properties(e2e_tests.PlantedCode.TheTempArchiverCannotBeChangedWhileItRuns
                     PROPERTIES FIXTURES_REQUIRED iso_images)
# Wine then prefers a DLL of these names found in the search path to its own, as Windows does
# with any DLL that is not a known DLL.
foreach(name IN LISTS TARNVIK_PLANTING_TESTS)
    set_tests_properties(e2e_tests.${name} PROPERTIES FIXTURES_REQUIRED iso_images ENVIRONMENT
        "TARNVIK_WINE_PREFER_NATIVE=comctl32,comdlg32,bcrypt,uxtheme,mapi32,psapi,version=n,b")
endforeach()
