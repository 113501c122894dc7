# kelmo.exe is a windowed program (Windows GUI subsystem) and kelmo.com a console program
# (Windows CUI subsystem), as their PE headers say.
# Usage: cmake -DOBJDUMP=... -DWINDOWED=kelmo.exe -DCONSOLE=kelmo.com -P program_subsystems.cmake
foreach(pair "WINDOWED;2;Windows GUI" "CONSOLE;3;Windows CUI")
  list(GET pair 0 which)
  list(GET pair 1 number)
  list(GET pair 2 name)
  execute_process(COMMAND ${OBJDUMP} -p ${${which}} OUTPUT_VARIABLE header RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJDUMP} -p ${${which}} failed")
  endif()
  string(REGEX MATCH "Subsystem[ \t]+([0-9a-fA-F]+)" found "${header}")
  if(NOT found OR NOT CMAKE_MATCH_1 MATCHES "^0*${number}$")
    message(FATAL_ERROR "${${which}}: subsystem '${CMAKE_MATCH_1}', not ${number} (${name})")
  endif()
  message(STATUS "${${which}}: ${name}")
endforeach()
