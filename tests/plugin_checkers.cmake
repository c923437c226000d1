# The plug-in checkers the audio world uses (Steinberg's VST 3 validator, clap-info), built from
# the sources in ../shared/validators beside the project into one folder that every build tree
# shares (what is built there is kept). Where that folder is absent, as on a user's machine, the
# tests that need them skip and say so.
set(TARVO_VALIDATOR_SOURCES ${PROJECT_SOURCE_DIR}/../shared/validators)
set(TARVO_VALIDATORS_DIR ${PROJECT_SOURCE_DIR}/build/validators
    CACHE PATH "Where the plug-in checkers are built")
if(EXISTS ${TARVO_VALIDATOR_SOURCES}/build.sh AND NOT TARGET tarvo_validators)
  set(platforms linux)
  find_program(TARVO_MINGW64_POSIX x86_64-w64-mingw32-g++-posix)
  if(TARVO_MINGW64_POSIX)
    list(APPEND platforms windows)
  endif()
  add_custom_target(tarvo_validators ALL
    COMMAND ${TARVO_VALIDATOR_SOURCES}/build.sh ${TARVO_VALIDATORS_DIR} ${platforms}
    COMMENT "Building the plug-in checkers (kept in ${TARVO_VALIDATORS_DIR})"
    VERBATIM)
endif()

# Tells `target` (a test program) where the checkers are, as TARVO_CHECKERS_DIR, and builds them
# first; without their sources it is told nothing, and its checks skip.
function(tarvo_use_checkers target)
  if(TARGET tarvo_validators)
    target_compile_definitions(${target} PRIVATE TARVO_CHECKERS_DIR="${TARVO_VALIDATORS_DIR}")
    add_dependencies(${target} tarvo_validators)
  endif()
endfunction()
