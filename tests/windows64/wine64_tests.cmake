# The 64-bit Windows plug-ins, cross-compiled beside this build, and the tests that run them
# under wine64 in a private 64-bit Wine prefix inside the build: their exports and imports, the
# same bits as the Linux plug-ins through recorded sessions, and clap-info's view of them.
include(ExternalProject)

find_program(TARVO_WINE wine REQUIRED)
find_program(TARVO_MINGW64_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)

set(windows64_build ${CMAKE_BINARY_DIR}/windows64)
set(windows64_clap "${windows64_build}/lib/clap/Tarvo Delay.clap")
set(windows64_vst3 "${windows64_build}/lib/vst3/Tarvo Delay.vst3")
set(windows64_vst3_binary "${windows64_vst3}/Contents/x86_64-win/Tarvo Delay.vst3")
set(windows64_runner ${windows64_build}/tests/windows64/plugin_runner.exe)
ExternalProject_Add(tarvo_windows64
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${windows64_build}
  CMAKE_ARGS
    --toolchain ${PROJECT_SOURCE_DIR}/cmake/x86_64-w64-mingw32.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DTARVO_WERROR=${TARVO_WERROR}
    -DTARVO_BUILD_TESTS=OFF
    -DTARVO_BUILD_TOOLS=OFF
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${windows64_clap} ${windows64_vst3_binary} ${windows64_runner})

# The same program built for Linux gives the reference output.
add_executable(plugin_runner ${CMAKE_CURRENT_LIST_DIR}/plugin_runner.cpp)
target_link_libraries(plugin_runner PRIVATE tarvo_build_flags tarvo_format_headers ${CMAKE_DL_LIBS})
target_include_directories(plugin_runner PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(plugin_runner tarvo_windows64 tarvo_clap tarvo_vst3)

set(wine64_environment
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine64-prefix
  WINEARCH=win64
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME windows64_wine_prefix COMMAND ${TARVO_WINE} wineboot --init)
set_tests_properties(windows64_wine_prefix PROPERTIES
  FIXTURES_SETUP wine64_prefix
  ENVIRONMENT "${wine64_environment}"
  ENVIRONMENT_MODIFICATION DISPLAY=unset:
  TIMEOUT 300)

add_test(NAME windows64_clap_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TARVO_MINGW64_OBJDUMP} "-DLIBRARY=${windows64_clap}"
          -DEXPECTED=clap_entry -P ${PROJECT_SOURCE_DIR}/tests/windows/check_windows_exports.cmake)
add_test(NAME windows64_vst3_exports
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${TARVO_MINGW64_OBJDUMP} "-DLIBRARY=${windows64_vst3_binary}"
          "-DEXPECTED=GetPluginFactory;InitDll;ExitDll"
          -P ${PROJECT_SOURCE_DIR}/tests/windows/check_windows_exports.cmake)

foreach(format clap vst3)
  if(format STREQUAL clap)
    set(windows_plugin ${windows64_clap})
  else()
    set(windows_plugin ${windows64_vst3_binary})
  endif()
  add_test(NAME windows64_${format}_same_bits
    COMMAND ${CMAKE_COMMAND} -DWINE=${TARVO_WINE} -DWINDOWS_RUNNER=${windows64_runner}
            "-DWINDOWS_PLUGIN=${windows_plugin}" -DLINUX_RUNNER=$<TARGET_FILE:plugin_runner>
            "-DLINUX_PLUGIN=$<TARGET_FILE:tarvo_${format}>" -DFORMAT=${format}
            -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/windows64/${format}
            -P ${CMAKE_CURRENT_LIST_DIR}/compare_plugins_with_wine.cmake)
  set_tests_properties(windows64_${format}_same_bits PROPERTIES
    FIXTURES_REQUIRED wine64_prefix
    ENVIRONMENT "${wine64_environment}"
    ENVIRONMENT_MODIFICATION DISPLAY=unset:
    TIMEOUT 300)
endforeach()

if(TARGET tarvo_validators)
  add_test(NAME windows64_clap_info
    COMMAND ${CMAKE_COMMAND} -DWINE=${TARVO_WINE}
            -DWINDOWS_CHECKER=${TARVO_VALIDATORS_DIR}/windows/clap-info.exe
            "-DWINDOWS_PLUGIN=${windows64_clap}" -DLINUX_CHECKER=${TARVO_VALIDATORS_DIR}/linux/clap-info
            "-DLINUX_PLUGIN=$<TARGET_FILE:tarvo_clap>"
            -P ${CMAKE_CURRENT_LIST_DIR}/compare_clap_info.cmake)
  set_tests_properties(windows64_clap_info PROPERTIES
    FIXTURES_REQUIRED wine64_prefix
    ENVIRONMENT "${wine64_environment}"
    ENVIRONMENT_MODIFICATION DISPLAY=unset:
    TIMEOUT 300)
  # Steinberg's validator built for Windows, with its extensive tests, on the Windows bundle.
  add_test(NAME windows64_vst3_validator
    COMMAND ${PROJECT_SOURCE_DIR}/tests/vst3/validator_test.sh
            ${TARVO_VALIDATORS_DIR}/windows/validator.exe "Z:${windows64_vst3}" ${TARVO_WINE})
  set_tests_properties(windows64_vst3_validator PROPERTIES
    FIXTURES_REQUIRED wine64_prefix
    ENVIRONMENT "${wine64_environment}"
    ENVIRONMENT_MODIFICATION DISPLAY=unset:
    SKIP_RETURN_CODE 77
    TIMEOUT 600)
else()
  foreach(test windows64_clap_info windows64_vst3_validator)
    add_test(NAME ${test} COMMAND ${CMAKE_COMMAND} -E echo
      "skipped: ${TARVO_VALIDATOR_SOURCES} is absent, so the Windows checkers cannot be built")
    set_tests_properties(${test} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped:")
  endforeach()
endif()
