# Validates the generated bundle description against every schema the LV2 package ships.
execute_process(COMMAND dpkg -L lv2-dev OUTPUT_VARIABLE files RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list the LV2 schemas (dpkg -L lv2-dev failed)")
endif()
string(REGEX MATCHALL "[^\n]+\\.ttl" schemas "${files}")
list(LENGTH schemas count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} LV2 schema files found")
endif()
# Every file of the bundle: the manifest, the description and the presets.
file(GLOB bundle_files ${BUNDLE}/*.ttl)
execute_process(COMMAND ${VALIDATOR} ${schemas} ${bundle_files}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "${out}${err}")
if(NOT rc EQUAL 0 OR NOT "${out}${err}" MATCHES "Found 0 errors")
  message(FATAL_ERROR "the bundle description does not validate")
endif()
