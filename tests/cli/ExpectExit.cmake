# cmake -DPROGRAM=exe -DEXPECTED=status -DARGS=a;b [-DEMULATOR=runner] -P ExpectExit.cmake
# Runs the program (through the emulator of a cross build, when given) and fails unless it
# ends with the expected exit status.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status STREQUAL EXPECTED)
  message(FATAL_ERROR "'${PROGRAM} ${ARGS}' ended with ${status}, expected ${EXPECTED}\n${out}${err}")
endif()
