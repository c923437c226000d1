cmake_minimum_required(VERSION 3.25)
# Runs one recorded session through the Windows build under Wine and through the Linux build,
# and fails unless both give the same output in every bit and the same value texts.
# -DWINE -DWINDOWS_RUNNER -DWINDOWS_LIBRARY -DLINUX_RUNNER -DLINUX_LIBRARY -DSESSION -DWORK_DIR
file(MAKE_DIRECTORY "${WORK_DIR}")
set(input -)
set(windows_input -)
if(EXISTS "${SESSION}/in.f32")
  set(input "${SESSION}/in.f32")
  set(windows_input "Z:${SESSION}/in.f32")
endif()

file(REMOVE "${WORK_DIR}/windows.f32" "${WORK_DIR}/windows.txt")
execute_process(
  COMMAND "${WINE}" "${WINDOWS_RUNNER}" "Z:${WINDOWS_LIBRARY}" "Z:${SESSION}/session.txt"
          "${windows_input}" "Z:${WORK_DIR}/windows.f32" "Z:${WORK_DIR}/windows.txt"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "Windows build under Wine:\n${out}${err}")
if(NOT out MATCHES "script runner: [0-9]+ frames" OR NOT EXISTS "${WORK_DIR}/windows.txt")
  message(FATAL_ERROR "the Windows script runner did not finish (exit ${rc})")
endif()

execute_process(
  COMMAND "${LINUX_RUNNER}" "${LINUX_LIBRARY}" "${SESSION}/session.txt" "${input}"
          "${WORK_DIR}/linux.f32" "${WORK_DIR}/linux.txt"
          "${WORK_DIR}/windows.f32" "${WORK_DIR}/windows.txt"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "Linux build, compared with the Windows output:\n${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Windows and Linux builds differ")
endif()
