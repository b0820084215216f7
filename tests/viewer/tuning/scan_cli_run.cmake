# Runs one vdtool command and checks its exit status and output, which add_test alone cannot
# do together. Variables: CMD (list), EXPECT_STATUS, EXPECT (regex, optional), REJECT (regex,
# optional), ENV_CONFIG (virtual box configuration file), MODULE_DIR.
set(ENV{VIEWDECK_VIRTUAL_BOX_CONFIG} "${ENV_CONFIG}")
set(ENV{VIEWDECK_MODULE_DIR} "${MODULE_DIR}")
string(REPLACE "|" ";" command "${CMD}")
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err TIMEOUT 120)
set(all "${out}${err}")
if(NOT "${status}" STREQUAL "${EXPECT_STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXPECT_STATUS}\n${all}")
endif()
if(DEFINED EXPECT AND NOT all MATCHES "${EXPECT}")
  message(FATAL_ERROR "output does not match '${EXPECT}':\n${all}")
endif()
if(DEFINED REJECT AND all MATCHES "${REJECT}")
  message(FATAL_ERROR "output matches '${REJECT}':\n${all}")
endif()
message(STATUS "${all}")
