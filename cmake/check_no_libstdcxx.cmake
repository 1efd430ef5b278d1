# Fails when PROGRAM needs libstdc++ at run time: the programs use C stdio only.
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
if(dyn MATCHES "libstdc\\+\\+")
  message(FATAL_ERROR "${PROGRAM} needs libstdc++:\n${dyn}")
endif()
