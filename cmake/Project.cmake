# Build conventions shared by every target of the project.

option(VQ_SANITIZE "Build the native tier with AddressSanitizer and UBSan" ON)
option(VQ_BENCHMARKS "Build the Google Benchmark programs (native only)" OFF)

set(VQ_WARNINGS -Wall -Wextra)

if(NOT WIN32 AND VQ_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # ANSI Win32 API throughout, declared at the level of the oldest systems the
  # package runs on (Windows 95 and NT 4.0, common controls 4.00), so that a
  # newer function cannot be called directly by mistake: whatever is newer is
  # loaded at run time and has a fallback. The test programs, which are never
  # shipped, raise the level for themselves (tests/CMakeLists.txt).
  set(VQ_OLDEST_API_LEVEL WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0200)
  add_compile_definitions(${VQ_OLDEST_API_LEVEL} WIN32_LEAN_AND_MEAN NOMINMAX STRICT)
endif()

# vq_target_defaults(target): warnings and the source root on the include path.
function(vq_target_defaults target)
  target_compile_options(${target} PRIVATE ${VQ_WARNINGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# vq_native_test(name SOURCES ... LIBS ...): a GoogleTest program of the native tier.
function(vq_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vq_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS native)
endfunction()

# vq_wine_test(name TARGET exe [FRESH] [GUI] [ARGS ...]): runs a Windows program of
# this build under Wine: a 32-bit program in a 32-bit prefix set to Windows XP,
# a 64-bit one under wine64. The shared prefix is created once per build tree;
# FRESH runs the program in a private copy of it (a clean machine), GUI marks the
# test for the GUI tier. The program's exit code is the test result.
function(vq_wine_test name)
  cmake_parse_arguments(T "FRESH;GUI" "TARGET;TIMEOUT" "ARGS" ${ARGN})
  set(flags "")
  if(T_FRESH)
    list(APPEND flags --fresh ${name})
    if(T_GUI)
      list(APPEND flags --desktop)
    endif()
  endif()
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/wine-run.sh ${flags}
                   $<TARGET_FILE:${T_TARGET}> ${T_ARGS}
           WORKING_DIRECTORY $<TARGET_FILE_DIR:${T_TARGET}>)
  if(T_GUI)
    set(label gui)
  else()
    set(label wine)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(arch win32)
  else()
    set(arch win64)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "VQ_WINE_ROOT=${CMAKE_BINARY_DIR}/wine;VQ_WINE_ARCH=${arch}")
  if(T_GUI)
    # GUI tests share one display: windows, focus and screenshots must not mix.
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

# vq_wine_gtest(name SOURCES ... LIBS ... [FRESH] [GUI]): a GoogleTest program
# built for Windows and run under Wine.
function(vq_wine_gtest name)
  cmake_parse_arguments(T "FRESH;GUI" "TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vq_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main)
  set(opts "")
  if(T_FRESH)
    list(APPEND opts FRESH)
  endif()
  if(T_GUI)
    list(APPEND opts GUI)
  endif()
  if(T_TIMEOUT)
    list(APPEND opts TIMEOUT ${T_TIMEOUT})
  endif()
  vq_wine_test(${name} TARGET ${name} ${opts} ARGS ${T_ARGS})
endfunction()
