# The format definitions the CLAP and VST 3 plug-ins are built against: the CLAP headers and the
# C rendering of the VST 3 interfaces that Debian's dpf-source package installs.
find_path(TARVO_FORMAT_HEADERS NAMES clap/entry.h travesty/factory.h
  PATHS /usr/share/dpf/distrho/src
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TARVO_FORMAT_HEADERS)
  message(FATAL_ERROR "The CLAP and VST 3 plug-ins need the CLAP headers and the VST 3 interface "
                      "definitions of Debian's dpf-source package (apt-get install dpf-source), "
                      "or -DTARVO_BUILD_PLUGIN_FORMATS=OFF")
endif()
add_library(tarvo_format_headers INTERFACE)
target_include_directories(tarvo_format_headers SYSTEM INTERFACE ${TARVO_FORMAT_HEADERS})

# A plug-in binary of a format: the adapter's sources over the core, with the machine's own
# objects, exporting only `exports` (a version script on Linux; on Windows what the sources
# mark for export), and on Windows with the C and C++ runtimes linked in.
function(tarvo_add_plugin target)
  cmake_parse_arguments(PLUGIN "" "EXPORTS" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${PLUGIN_SOURCES} $<TARGET_OBJECTS:tarvo_machine_objects>)
  target_link_libraries(${target} PRIVATE tarvo_build_flags tarvo_formats tarvo_core
                        tarvo_format_headers)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -s)
  else()
    target_link_options(${target} PRIVATE -Wl,--version-script=${PLUGIN_EXPORTS})
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${PLUGIN_EXPORTS})
    if(NOT TARVO_SANITIZE AND NOT TARVO_BUILD_FUZZER)
      target_link_options(${target} PRIVATE -Wl,-z,defs)
    endif()
  endif()
endfunction()
