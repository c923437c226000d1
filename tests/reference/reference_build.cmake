# The reference build of the same sources beside this one: for this machine, with GCC. And the
# tests that run this build's programs (under the emulator where they are built for another
# processor) and compare their output with the reference build's, bit for bit: every recorded session through
# the script runner, and the digest of many random sessions (subnormals, infinities and NaN
# among their input).
include(ExternalProject)
find_program(TARVO_REFERENCE_COMPILER NAMES g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(reference_build ${CMAKE_BINARY_DIR}/reference)
set(reference_library "${reference_build}/Tarvo Delay.so")
ExternalProject_Add(tarvo_reference
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${reference_build}
  CMAKE_ARGS
    -DCMAKE_CXX_COMPILER=${TARVO_REFERENCE_COMPILER}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DTARVO_WERROR=${TARVO_WERROR}
    -DTARVO_BUILD_TESTS=OFF
    -DTARVO_BUILD_TOOLS=OFF
    -DTARVO_BUILD_BENCHMARKS=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target tarvo_delay script_runner
                render_digest
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${reference_library} ${reference_build}/script_runner
                   ${reference_build}/bench/render_digest)
add_dependencies(script_runner tarvo_reference)
add_dependencies(render_digest tarvo_reference)

set(TARVO_DIGEST_SESSIONS 300 CACHE STRING "Random sessions the digest is compared over")
set(emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")

file(GLOB sessions LIST_DIRECTORIES true ${CMAKE_CURRENT_LIST_DIR}/../data/conformance/*)
foreach(session IN LISTS sessions)
  if(NOT IS_DIRECTORY ${session})
    continue()
  endif()
  get_filename_component(name ${session} NAME)
  add_test(NAME same_bits_as_gcc_${name}
    COMMAND ${CMAKE_COMMAND}
            "-DEMULATOR=${emulator}"
            -DREFERENCE_RUNNER=${reference_build}/script_runner
            "-DREFERENCE_LIBRARY=${reference_library}"
            -DRUNNER=$<TARGET_FILE:script_runner>
            "-DLIBRARY=$<TARGET_FILE:tarvo_delay>"
            -DSESSION=${session}
            -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/reference/${name}
            -P ${CMAKE_CURRENT_LIST_DIR}/compare_session.cmake)
  set_tests_properties(same_bits_as_gcc_${name} PROPERTIES TIMEOUT 300)
endforeach()

add_test(NAME same_bits_as_gcc_render_digest
  COMMAND ${CMAKE_COMMAND}
          "-DEMULATOR=${emulator}"
          -DREFERENCE_DIGEST=${reference_build}/bench/render_digest
          -DDIGEST=$<TARGET_FILE:render_digest>
          -DSESSIONS=${TARVO_DIGEST_SESSIONS}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/aarch64
          -P ${CMAKE_CURRENT_LIST_DIR}/compare_digest.cmake)
set_tests_properties(same_bits_as_gcc_render_digest PROPERTIES TIMEOUT 1800)
