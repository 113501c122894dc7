# The headless console that the Windows run is held to, checked against the Linux program:
# both runs must give the same lines. Skipped when no Linux program is given.
#   cmake -DPROGRAM=<linux kelmo> -DINI=<kelmo.ini> -DEXPECTED=<console text> -DDIR=<scratch dir> -P this
if(NOT PROGRAM OR NOT EXISTS "${PROGRAM}")
  message("SKIPPED: no Linux kelmo to compare with (configure with KELMO_LINUX_PROGRAM)")
  return()
endif()
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
configure_file("${INI}" "${DIR}/kelmo.ini" COPYONLY)
execute_process(COMMAND "${PROGRAM}" --headless --duration 2 WORKING_DIRECTORY "${DIR}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(READ "${EXPECTED}" expected)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux headless run ended with ${rc}:\n${err}")
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "the Linux headless run's console differs from ${EXPECTED}:\n${out}")
endif()
message("the Linux headless run gives the expected console lines")
