cmake_minimum_required(VERSION 3.25)
# Writes the math tables with the Linux build, and under Wine with the Windows build both as a
# host normally runs it and with the x87 unit in single precision; all three must be equal.
# -DWINE -DWINDOWS_PROGRAM -DLINUX_PROGRAM -DWORK_DIR
file(MAKE_DIRECTORY "${WORK_DIR}")
file(REMOVE "${WORK_DIR}/windows.bin" "${WORK_DIR}/windows-x87-single.bin")
execute_process(COMMAND "${LINUX_PROGRAM}" "${WORK_DIR}/linux.bin" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux build could not write its tables")
endif()
foreach(variant windows windows-x87-single)
  set(option)
  if(variant STREQUAL "windows-x87-single")
    set(option --x87-single)
  endif()
  execute_process(COMMAND "${WINE}" "${WINDOWS_PROGRAM}" "Z:${WORK_DIR}/${variant}.bin" ${option}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT out MATCHES "math tables: [0-9]+ values")
    message(FATAL_ERROR "the Windows build did not finish (${variant}):\n${out}${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK_DIR}/linux.bin"
                          "${WORK_DIR}/${variant}.bin" RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${variant}.bin differs from the Linux build's tables")
  endif()
endforeach()
message(STATUS "sine tables, cutoff curve and gains: the same bits on Linux and Windows")
