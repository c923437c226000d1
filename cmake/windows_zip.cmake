# The 64-bit Windows plug-ins in one zip with a short install note: "Tarvo Delay.clap" and the
# "Tarvo Delay.vst3" bundle, as a user copies them into the folders the DAWs search.
set(TARVO_WINDOWS_ZIP "${PROJECT_BINARY_DIR}/Tarvo Delay ${PROJECT_VERSION} Windows x64.zip")
set(zip_dir ${PROJECT_BINARY_DIR}/zip)
file(WRITE ${zip_dir}/INSTALL.txt
"Tarvo Delay for 64-bit Windows

CLAP: copy \"Tarvo Delay.clap\" into %COMMONPROGRAMFILES%\\CLAP
      (usually C:\\Program Files\\Common Files\\CLAP).
VST 3: copy the folder \"Tarvo Delay.vst3\" into %COMMONPROGRAMFILES%\\VST3
      (usually C:\\Program Files\\Common Files\\VST3).

Then let your DAW scan for new plug-ins. Nothing else needs installing: the plug-ins carry
their runtime and import only Windows' own DLLs.
")
set(contents INSTALL.txt "Tarvo Delay.clap")
set(copies COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:tarvo_clap>" ${zip_dir}/)
set(depends tarvo_clap)
if(TARGET tarvo_vst3)
  list(APPEND contents "Tarvo Delay.vst3")
  list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_directory ${TARVO_VST3_BUNDLE}
                             "${zip_dir}/Tarvo Delay.vst3")
  list(APPEND depends tarvo_vst3)
endif()
add_custom_command(OUTPUT ${TARVO_WINDOWS_ZIP}
  ${copies}
  COMMAND ${CMAKE_COMMAND} -E chdir ${zip_dir} ${CMAKE_COMMAND} -E tar cf ${TARVO_WINDOWS_ZIP}
          --format=zip ${contents}
  DEPENDS ${depends}
  COMMENT "Packing the Windows plug-ins"
  VERBATIM)
add_custom_target(tarvo_windows_zip ALL DEPENDS ${TARVO_WINDOWS_ZIP})
