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
# The simulated slot claimed in the scratch folder: another program of this user running on
# the simulated module (in /tmp or $XDG_RUNTIME_DIR) must not find it busy, nor this run.
execute_process(COMMAND ${CMAKE_COMMAND} -E env "KELMO_SIM_LOCK_DIR=${DIR}/slots" --unset=KELMO_MODULE_LIBRARY
                        --unset=KELMO_SIM "${PROGRAM}" --headless --duration 2 WORKING_DIRECTORY "${DIR}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(READ "${EXPECTED}" expected)
# The line the simulated module adds when a busy machine delayed the reads long enough to
# lose samples; the stand-in library the Windows run uses has no such line.
string(REGEX REPLACE "Simulated module: [0-9]+ samples lost in [0-9]+ overruns\n" "" out "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Linux headless run ended with ${rc}:\n${err}")
endif()
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "the Linux headless run's console differs from ${EXPECTED}:\n${out}")
endif()
message("the Linux headless run gives the expected console lines")
