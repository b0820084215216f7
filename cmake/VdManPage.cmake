# Writes vdtool's manual page: the template with the command list that vdtool prints from its
# command table (the texts of --help), so the page cannot drift from the program.
#   cmake -DVDTOOL=... -DTEMPLATE=docs/vdtool.1.in -DOUTPUT=... -P VdManPage.cmake
execute_process(COMMAND ${VDTOOL} --roff-commands
                OUTPUT_VARIABLE commands RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR commands STREQUAL "")
  message(FATAL_ERROR "${VDTOOL} --roff-commands failed (${status}): ${errors}")
endif()
file(READ ${TEMPLATE} page)
string(FIND "${page}" "@VDTOOL_COMMANDS@\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} has no line @VDTOOL_COMMANDS@")
endif()
string(REPLACE "@VDTOOL_COMMANDS@\n" "${commands}" page "${page}")
file(WRITE ${OUTPUT}.tmp "${page}")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
