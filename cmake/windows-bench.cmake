# The benchmark's programs (bench/run.sh builds them; the default build leaves them out).
add_executable(bench_driver EXCLUDE_FROM_ALL bench/bench_driver.cpp bench/unix_cpu_win32.cpp)
target_link_libraries(bench_driver PRIVATE tarnvik_harness)
add_dependencies(bench_driver TarnvikTestBuild fake_bootice)
add_executable(minimal_window EXCLUDE_FROM_ALL WIN32 bench/minimal_window.cpp)
add_executable(reference_copy EXCLUDE_FROM_ALL bench/reference_copy.cpp)
target_include_directories(reference_copy PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_executable(reference_read_back EXCLUDE_FROM_ALL bench/reference_read_back.cpp
                                         bench/unix_cpu_win32.cpp)
target_link_libraries(reference_read_back PRIVATE tarnvik_harness tarnvik_win32 tarnvik_core)
foreach(target bench_driver minimal_window reference_copy reference_read_back)
    tarnvik_wide_entry(${target})
    tarnvik_warnings(${target})
endforeach()
