# The flags every target of the project is built with, on one interface target that each
# target links by name, so that none gets or loses them by accident: the same bits in every
# build (no contraction into fused multiply-adds, no fast math, SSE2 arithmetic instead of the
# x87 stack on 32-bit x86), warnings (errors with TARVO_WERROR), and the sanitizers and fuzzer
# instrumentation of those builds.
add_library(tarvo_build_flags INTERFACE)
target_compile_options(tarvo_build_flags INTERFACE -ffp-contract=off -fno-fast-math -Wall -Wextra)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  target_compile_options(tarvo_build_flags INTERFACE -msse2 -mfpmath=sse)
endif()
# GCC 12 warns of overlapping copies inside its own std::string concatenation when it inlines
# deeply (-O3), copies that cannot happen (its bug 105651, mended in GCC 13).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tarvo_build_flags INTERFACE -Wno-restrict)
endif()
if(TARVO_WERROR)
  target_compile_options(tarvo_build_flags INTERFACE -Werror)
endif()
if(TARVO_SANITIZE)
  target_compile_options(tarvo_build_flags INTERFACE -fsanitize=${TARVO_SANITIZE}
                         -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tarvo_build_flags INTERFACE -fsanitize=${TARVO_SANITIZE})
endif()
if(TARVO_BUILD_FUZZER)
  target_compile_options(tarvo_build_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Fails the configuration when a target built from the project's own sources does not link
# tarvo_build_flags itself (libraries built from other projects' sources keep their own flags).
function(tarvo_require_build_flags directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      get_target_property(libraries ${target} LINK_LIBRARIES)
      if(NOT "tarvo_build_flags" IN_LIST libraries)
        message(FATAL_ERROR "target ${target} (${directory}) does not link tarvo_build_flags")
      endif()
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    string(FIND "${subdirectory}" "${PROJECT_SOURCE_DIR}/" inside)
    if(inside EQUAL 0)
      tarvo_require_build_flags(${subdirectory})
    endif()
  endforeach()
endfunction()
