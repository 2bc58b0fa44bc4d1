# cmake -DPROGRAM=exe -DEXPECTED=status -DARGS=a;b -P ExpectExit.cmake
# Runs the program and fails unless it ends with the expected exit status.
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status STREQUAL EXPECTED)
  message(FATAL_ERROR "'${PROGRAM} ${ARGS}' ended with ${status}, expected ${EXPECTED}\n${out}${err}")
endif()
