# Runs one vdtool command and checks its exit status and output, which add_test alone cannot
# do together. Variables: CMD (list), EXPECT_STATUS, EXPECT (regex, optional), REJECT (regex,
# optional), HOME_DIR (optional), ENV_CONFIG (virtual box configuration file), MODULE_DIR.
set(ENV{VIEWDECK_VIRTUAL_BOX_CONFIG} "${ENV_CONFIG}")
set(ENV{VIEWDECK_MODULE_DIR} "${MODULE_DIR}")
# HOME_DIR stands in for the user's folders: settings, data and the viewer's lock file.
if(DEFINED HOME_DIR)
  file(MAKE_DIRECTORY "${HOME_DIR}")
  set(ENV{XDG_CONFIG_HOME} "${HOME_DIR}/config")
  set(ENV{XDG_DATA_HOME} "${HOME_DIR}/data")
  set(ENV{XDG_RUNTIME_DIR} "${HOME_DIR}")
endif()
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
