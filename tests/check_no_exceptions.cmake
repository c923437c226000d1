cmake_minimum_required(VERSION 3.25)
# Fails if an object file of the machine refers to anything that raises or propagates a C++
# exception: the throw and unwind machinery, the library's __throw_ helpers, or the throwing
# forms of operator new (the nothrow forms carry a longer name).
# -DNM=<nm> and either -DOBJECTS=<list of object files> or -DOBJECT_LIST=<file naming one object
# file per line, as the build that made them wrote it>.
if(DEFINED OBJECT_LIST)
  file(STRINGS "${OBJECT_LIST}" OBJECTS)
endif()
if(NOT OBJECTS)
  message(FATAL_ERROR "no object files to check")
endif()
set(forbidden
  "^_*cxa_(throw|rethrow|allocate_exception)$"
  "^_*Unwind_(Resume|RaiseException)"
  "^_*gxx_personality"
  "^_*ZSt[0-9]+__throw_"
  "^_*Zn[wa][jm]$")
set(found)
foreach(object IN LISTS OBJECTS)
  execute_process(COMMAND "${NM}" --undefined-only "${object}"
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*U[ \t]+" "" name "${line}")
    foreach(pattern IN LISTS forbidden)
      if(name MATCHES "${pattern}")
        get_filename_component(file "${object}" NAME)
        list(APPEND found "${file}: ${name}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n  " text)
  message(FATAL_ERROR "exception machinery referenced by the machine:\n  ${text}")
endif()
list(LENGTH OBJECTS count)
message(STATUS "${count} object files, none refers to exception machinery")
