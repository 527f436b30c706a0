# Writes a manual page from a program's own --help, so that the two never
# tell different stories. Run with cmake -P and:
#   PROGRAM  the built program   NAME  its installed name
#   SUMMARY  the one-line what   VERSION  the project's   OUT  the page
execute_process(COMMAND ${PROGRAM} --help
  OUTPUT_VARIABLE help RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 60)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${NAME} --help failed (${status}): ${err}")
endif()
# Roff reads a backslash as an escape, a leading dot or quote as a request,
# and a bare "-" as a hyphen that may turn into a dash.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX REPLACE "\n+$" "" help "${help}")
string(TOUPPER "${NAME}" upper)
string(REPLACE "-" "\\-" name "${NAME}")
file(WRITE ${OUT} ".TH ${upper} 1 \"\" \"pelorn ${VERSION}\" \"User Commands\"
.SH NAME
${name} \\- ${SUMMARY}
.SH DESCRIPTION
The text below is what
.B ${name} \\-\\-help
prints.
.PP
.nf
${help}
.fi
.SH SEE ALSO
.BR pelorn (1),
.BR phone\\-sim (1),
.BR map\\-server (1),
.BR vconftool (1),
.BR desktop\\-bridge (1)
")
