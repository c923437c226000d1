# Writes OUTPUT, a C++ source with the text of every preset file in PRESETS (a list, sorted by
# name), for plug-ins that carry the factory presets in their binary:
#   cmake -DOUTPUT=file.cpp -DPRESETS=a.preset;b.preset -P embed_presets.cmake
list(SORT PRESETS)
set(entries "")
foreach(file IN LISTS PRESETS)
  get_filename_component(name "${file}" NAME_WE)
  file(READ "${file}" text)
  string(FIND "${text}" ")preset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the text that ends its embedding")
  endif()
  string(APPEND entries "    {\"${name}\", R\"preset(${text})preset\"},\n")
endforeach()
list(LENGTH PRESETS count)
file(WRITE "${OUTPUT}.new" "// Made at build time from the factory preset files; do not edit.
#include \"formats/plugin_state.h\"

const formats::FactoryPreset formats::kFactoryPresets[] = {
${entries}};
const int formats::kFactoryPresetCount = ${count};
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
