# xiulan_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [WINDOWS_ONLY] [POSIX_ONLY] [GUI]
#                 [CODEPAGE])
#
# One GoogleTest program per group of related tests, registered as one CTest
# test: under Wine a process start costs far more than a test case. WINDOWS_ONLY
# programs exercise real Win32 calls and exist only in the Windows build;
# POSIX_ONLY ones only natively. GUI marks programs that need a display (Xvfb).
# CODEPAGE marks programs that hand texts to Windows or read them back: under
# Wine they run a second time on a system whose ANSI code page is not 936
# (label "codepage"; test.sh runs that pass).
function(xiulan_add_test)
  if(XIULAN_FUZZ OR NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(T "WINDOWS_ONLY;POSIX_ONLY;GUI;CODEPAGE" "NAME" "SOURCES;LIBS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(T_POSIX_ONLY AND WIN32)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  if(WIN32)
    # Console test programs; a GUI test still opens windows from a console program.
    target_link_options(${T_NAME} PRIVATE -mconsole)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 300 ENVIRONMENT "XIULAN_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
  set(_labels "")
  if(T_GUI)
    list(APPEND _labels gui)
  endif()
  if(T_CODEPAGE)
    list(APPEND _labels codepage)
  endif()
  if(_labels)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${_labels}")
  endif()
endfunction()

# xiulan_add_fuzzer(NAME name SOURCES a.cpp ... LIBS lib ...)
# A libFuzzer target; built only by the fuzz preset (clang). ./test.sh runs each
# for a bounded time.
function(xiulan_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT XIULAN_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY XIULAN_FUZZERS ${F_NAME})
endfunction()

# xiulan_add_benchmark(NAME name SOURCES a.cpp ... LIBS lib ...)
# Google Benchmark programs: native builds only, never run as tests.
function(xiulan_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR XIULAN_FUZZ OR NOT benchmark_FOUND)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark_main)
  target_include_directories(${B_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
endfunction()

# The stand-in service a test talks to: natively this build's own program;
# under Wine the Linux build's (test.sh builds it first), which Wine can start.
if(WIN32)
  set(XIULAN_STANDIN_BINARY ${PROJECT_SOURCE_DIR}/build/linux/tools/standin/xiulan-standin)
else()
  set(XIULAN_STANDIN_BINARY $<TARGET_FILE:xiulan-standin>)
endif()

# xiulan_use_standin(target): the test program starts the stand-in service
# (tests/api/standin_process.cpp) and finds it through XIULAN_STANDIN_PATH.
function(xiulan_use_standin target)
  if(NOT TARGET ${target})
    return()
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/api/standin_process.cpp)
  target_compile_definitions(${target} PRIVATE XIULAN_STANDIN_PATH="${XIULAN_STANDIN_BINARY}")
  if(NOT WIN32)
    add_dependencies(${target} xiulan-standin)
  endif()
endfunction()
