# Makes the files whose lists come from zefctl itself, so that they never
# drift from the program: the bash completion (sub-commands and parameter
# names) and the manual page (every sub-command with its summary).
#
# In: ZEFCTL (the built program), COMPLETION_IN, COMPLETION_OUT, MAN_IN, MAN_OUT.
function(run_zefctl out)
  execute_process(COMMAND "${ZEFCTL}" ${ARGN}
    OUTPUT_VARIABLE text RESULT_VARIABLE failed ERROR_VARIABLE err
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR "${ZEFCTL} ${ARGN} failed: ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(ENV{QT_QPA_PLATFORM} offscreen)
run_zefctl(ZEFCTL_COMMAND_LINES --list-commands)
run_zefctl(options --list-options)
string(REPLACE "\n" " " ZEFCTL_OPTIONS "${options}")
run_zefctl(parameters --list-parameters)
string(REPLACE "\n" " " ZEFCTL_PARAMETERS "${parameters}")
configure_file("${COMPLETION_IN}" "${COMPLETION_OUT}" @ONLY)

# `zefctl help` lists "  USAGE\n      SUMMARY" per sub-command after "commands:".
run_zefctl(help help)
string(REGEX REPLACE "^.*commands:\n" "" help "${help}")
string(REGEX REPLACE "\n\n.*$" "" help "${help}")
string(REPLACE "\\" "\\\\" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "  ([^\n]+)\n      ([^\n]+)" ".TP\n.B \\1\n\\2" ZEFCTL_COMMANDS "${help}")
configure_file("${MAN_IN}" "${MAN_OUT}" @ONLY)
