# The Windows build of the library and its test programs, cross-compiled beside this build,
# and the tests that run them under Wine, each in a private Wine prefix inside the build.
include(ExternalProject)

find_program(TARVO_WINE wine REQUIRED)
find_program(TARVO_MINGW_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
find_program(TARVO_MINGW_NM i686-w64-mingw32-nm REQUIRED)

set(windows_build ${CMAKE_BINARY_DIR}/windows)
set(windows_library "${windows_build}/Tarvo Delay.dll")
set(windows_programs ${windows_build}/tests/windows)
ExternalProject_Add(tarvo_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${windows_build}
  CMAKE_ARGS
    --toolchain ${PROJECT_SOURCE_DIR}/cmake/i686-w64-mingw32.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DTARVO_WERROR=${TARVO_WERROR}
    -DTARVO_BUILD_TESTS=OFF
    -DTARVO_BUILD_TOOLS=OFF
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${windows_library} ${windows_build}/machine_objects.txt
                   ${windows_programs}/script_runner.exe
                   ${windows_programs}/msvc_abi_host.exe ${windows_programs}/math_tables.exe)

# The same programs built for Linux give the reference output.
add_dependencies(script_runner tarvo_windows)
add_executable(math_tables ${CMAKE_CURRENT_LIST_DIR}/math_tables.cpp)
target_link_libraries(math_tables PRIVATE tarvo_build_flags tarvo_machine)
add_dependencies(math_tables tarvo_windows)

# Wine's own exit status is not reliable after a crash: the programs print a closing line,
# and a test passes only when it is there. No display: nothing may open a window.
set(wine_environment
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
  WINEARCH=win32
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME windows_wine_prefix COMMAND ${TARVO_WINE} wineboot --init)
set_tests_properties(windows_wine_prefix PROPERTIES
  FIXTURES_SETUP wine_prefix
  ENVIRONMENT "${wine_environment}"
  ENVIRONMENT_MODIFICATION DISPLAY=unset:
  TIMEOUT 300)

add_test(NAME windows_library_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TARVO_MINGW_OBJDUMP} "-DLIBRARY=${windows_library}"
          -P ${CMAKE_CURRENT_LIST_DIR}/check_windows_exports.cmake)

add_test(NAME windows_machine_code_raises_no_exception
  COMMAND ${CMAKE_COMMAND} -DNM=${TARVO_MINGW_NM}
          -DOBJECT_LIST=${windows_build}/machine_objects.txt
          -P ${CMAKE_CURRENT_SOURCE_DIR}/check_no_exceptions.cmake)

add_test(NAME windows_msvc_abi_host
  COMMAND ${TARVO_WINE} ${windows_programs}/msvc_abi_host.exe "Z:${windows_library}")
set_tests_properties(windows_msvc_abi_host PROPERTIES
  PASS_REGULAR_EXPRESSION "(^|\n)msvc-abi: [1-9][0-9]* passed, 0 failed"
  FIXTURES_REQUIRED wine_prefix
  ENVIRONMENT "${wine_environment}"
  ENVIRONMENT_MODIFICATION DISPLAY=unset:
  TIMEOUT 120)

add_test(NAME windows_same_bits_math_tables
  COMMAND ${CMAKE_COMMAND}
          -DWINE=${TARVO_WINE}
          -DWINDOWS_PROGRAM=${windows_programs}/math_tables.exe
          -DLINUX_PROGRAM=$<TARGET_FILE:math_tables>
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/windows/math_tables
          -P ${CMAKE_CURRENT_LIST_DIR}/compare_math_tables.cmake)
set_tests_properties(windows_same_bits_math_tables PROPERTIES
  FIXTURES_REQUIRED wine_prefix
  ENVIRONMENT "${wine_environment}"
  ENVIRONMENT_MODIFICATION DISPLAY=unset:
  TIMEOUT 300)

# Every recorded session, run by both builds: the outputs must agree in every bit.
file(GLOB sessions LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/data/conformance/*)
foreach(session IN LISTS sessions)
  if(NOT IS_DIRECTORY ${session})
    continue()
  endif()
  get_filename_component(name ${session} NAME)
  add_test(NAME windows_same_bits_${name}
    COMMAND ${CMAKE_COMMAND}
            -DWINE=${TARVO_WINE}
            -DWINDOWS_RUNNER=${windows_programs}/script_runner.exe
            "-DWINDOWS_LIBRARY=${windows_library}"
            -DLINUX_RUNNER=$<TARGET_FILE:script_runner>
            "-DLINUX_LIBRARY=$<TARGET_FILE:tarvo_delay>"
            -DSESSION=${session}
            -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/windows/${name}
            -P ${CMAKE_CURRENT_LIST_DIR}/compare_with_wine.cmake)
  set_tests_properties(windows_same_bits_${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    ENVIRONMENT "${wine_environment}"
    ENVIRONMENT_MODIFICATION DISPLAY=unset:
    TIMEOUT 300)
endforeach()
