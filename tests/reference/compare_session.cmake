cmake_minimum_required(VERSION 3.25)
# Runs one recorded session through the reference build and through the build under test (under
# the emulator where it runs on another processor), and fails unless both give the same output
# in every bit and the same value texts.
# -DEMULATOR -DREFERENCE_RUNNER -DREFERENCE_LIBRARY -DRUNNER -DLIBRARY -DSESSION -DWORK_DIR
file(MAKE_DIRECTORY "${WORK_DIR}")
set(input -)
if(EXISTS "${SESSION}/in.f32")
  set(input "${SESSION}/in.f32")
endif()

file(REMOVE "${WORK_DIR}/reference.f32" "${WORK_DIR}/reference.txt")
execute_process(
  COMMAND "${REFERENCE_RUNNER}" "${REFERENCE_LIBRARY}" "${SESSION}/session.txt" "${input}"
          "${WORK_DIR}/reference.f32" "${WORK_DIR}/reference.txt"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "reference build:\n${out}${err}")
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/reference.txt")
  message(FATAL_ERROR "the reference script runner failed (exit ${rc})")
endif()

execute_process(
  COMMAND ${EMULATOR} "${RUNNER}" "${LIBRARY}" "${SESSION}/session.txt" "${input}"
          "${WORK_DIR}/tested.f32" "${WORK_DIR}/tested.txt"
          "${WORK_DIR}/reference.f32" "${WORK_DIR}/reference.txt"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "tested build, compared with the reference output:\n${out}${err}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "identical to the reference")
  message(FATAL_ERROR "the tested and reference builds differ")
endif()
