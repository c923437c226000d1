# Writes tarvo-delay.1 (and its gzip form) from the tool's --help texts: help2man for the
# program's own, and a section with each command's options.
#   cmake -DTOOL=... -DHELP2MAN=... -DGZIP=... -DOUTPUT=.../tarvo-delay.1 -P manual_page.cmake

# Text as roff shows it literally.
function(as_roff text result)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

set(include "[COMMANDS]\n")
foreach(command demo render params script)
  execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${command} --help failed")
  endif()
  as_roff("${help}" help)
  string(APPEND include ".SS \"${command}\"\n.nf\n${help}.fi\n")
endforeach()

string(APPEND include [=[
[STANDARD INPUT AND OUTPUT]
An IN or OUT of \fB\-\fR is standard input or output. The output's format then comes from
\fB\-t\fR/\fB\-\-type\fR (wav, flac, au, ogg or raw; AIFF, CAF and Wave64 need a file), and the
summary goes to standard error. WAV written to a pipe leaves its length open, as other tools
do. The progress bar appears only when standard error is a terminal.
[FILES]
An existing OUT is replaced only once the new file is complete, keeping its permissions (and,
for root, its owner and group); a file the user could not write to is refused. A symbolic link
is followed and stays a link. A named pipe or device is written in place.
[LIMITS]
Input sample rates from 1 Hz to 768000 Hz. The automatic tail ends after 60 s, or 2^24 frames,
whichever comes first. Automation files and scripts are at most 16 MiB. WAV output longer than
4 GiB is written as RF64; AIFF and AU output fails before it passes 4 GiB.
[EXIT STATUS]
0 on success, 1 when the work fails (unreadable input, unwritable output, unusable plug-in
library), 2 for a bad command line (options, parameters, values, automation or script lines).
]=])

file(WRITE ${OUTPUT}.include "${include}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1
          "--name=renders audio through the Tarvo Delay stereo delay machine"
          --include=${OUTPUT}.include --output=${OUTPUT} ${TOOL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed")
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed")
endif()
