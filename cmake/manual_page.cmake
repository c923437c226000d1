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
foreach(command demo render params presets script plot)
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
\fB\-t\fR/\fB\-\-type\fR, and the summary goes to standard error. Into a pipe, WAV leaves its
length open, as other tools do; AU, Ogg and raw stream as they are; FLAC, AIFF, CAF and Wave64,
which are written by seeking back, are written whole into an unnamed temporary file (in
\fBTMPDIR\fR, else /tmp) and copied into the pipe once complete. From a pipe, WAV, AIFF and AU
are read as they come; every other format is first copied into an unnamed temporary file, whose
header is checked after its first megabyte. The progress bar appears only when standard error
is a terminal.
[FILES]
An existing OUT is replaced only once the new file is complete, keeping its permissions (and,
for root, its owner and group); a file the user could not write to is refused, as is another
user's file in a sticky directory such as /tmp. A file size limit (ulimit \-f) ends the work
with a message and leaves OUT as it was. A symbolic link is followed and stays a link. A named
pipe or device is written in place.
[LIMITS]
Sample rates from 1 Hz to 768000 Hz (of an input file, and \fB\-\-rate\fR), tempos from 20 to
999 BPM, 1 to 64 ticks per beat, in every command. Numbers are written in decimals (120, 97.5,
\-60); hexadecimal, exponents, nan and inf are refused. The automatic tail ends after 60 s, or
2^24 frames, whichever comes first. Automation files, presets and scripts are at most 16 MiB;
their lines may end in LF, CRLF or CR. WAV output longer than 4 GiB is written as RF64; AIFF
and AU output fails before it passes 4 GiB.
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
