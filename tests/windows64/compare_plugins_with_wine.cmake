cmake_minimum_required(VERSION 3.25)
# Runs the recorded plug-in sessions through the Windows plug-in under wine64 and through the
# Linux one, and fails unless both give the same output in every bit.
# -DWINE -DWINDOWS_RUNNER -DWINDOWS_PLUGIN -DLINUX_RUNNER -DLINUX_PLUGIN -DFORMAT -DWORK_DIR
file(MAKE_DIRECTORY "${WORK_DIR}")
file(REMOVE "${WORK_DIR}/windows.f32" "${WORK_DIR}/linux.f32")
execute_process(
  COMMAND "${WINE}" "${WINDOWS_RUNNER}" ${FORMAT} "Z:${WINDOWS_PLUGIN}" "Z:${WORK_DIR}/windows.f32"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "Windows plug-in under wine64:\n${out}${err}")
if(NOT out MATCHES "plugin_runner: [0-9]+ samples" OR NOT EXISTS "${WORK_DIR}/windows.f32")
  message(FATAL_ERROR "the Windows runner did not finish (exit ${rc})")
endif()
execute_process(
  COMMAND "${LINUX_RUNNER}" ${FORMAT} "${LINUX_PLUGIN}" "${WORK_DIR}/linux.f32"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "Linux plug-in:\n${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux runner failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK_DIR}/windows.f32"
                        "${WORK_DIR}/linux.f32" RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the Windows and Linux plug-ins differ")
endif()
message(STATUS "the same bits")
