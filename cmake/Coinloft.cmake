# Project-wide compile settings and the one helper that adds a test.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(FATAL_ERROR "coinloft is built with GCC: its texts are compiled to Big5 with -fexec-charset=BIG5")
endif()

# Sources are UTF-8; every narrow literal becomes Big5 bytes at compile time.
add_compile_options(-Wall -Wextra -finput-charset=UTF-8 -fexec-charset=BIG5)

if(COINLOFT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# coinloft_add_test(NAME [LOADS_FIREBIRD] SOURCES... LIBS...): one GoogleTest
# binary, its cases registered with CTest one by one, run headless (the test
# entry selects the offscreen platform). LeakSanitizer's thread tracer
# crashes on the Firebird client's threads, so binaries that load the client
# run without leak detection; AddressSanitizer and UBSan stay on for them.
function(coinloft_add_test name)
  cmake_parse_arguments(T "LOADS_FIREBIRD" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} coinloft_test_support GTest::gtest)
  set(environment QT_QPA_PLATFORM=offscreen)
  if(T_LOADS_FIREBIRD)
    set(environment ASAN_OPTIONS=detect_leaks=0)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT ${environment} TIMEOUT 120
    DISCOVERY_MODE PRE_TEST)
endfunction()

# Sources that include Qt headers cannot be compiled to Big5 (<chrono> holds a
# literal with no Big5 form). They keep UTF-8 literals and must hold no
# non-ASCII narrow text: Big5 texts belong in the other sources.
function(coinloft_qt_sources)
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "-fexec-charset=UTF-8")
  foreach(f ${ARGN})
    get_filename_component(abs ${f} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY COINLOFT_QT_SOURCES ${abs})
  endforeach()
endfunction()
