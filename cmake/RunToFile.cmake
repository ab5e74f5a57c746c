# Runs PROGRAM [ARGS] with standard output into OUTPUT (and standard input
# from INPUT when given), failing the build when the program fails.
#   cmake -D PROGRAM=... [-D ARGS="a;b"] [-D INPUT=...] -D OUTPUT=... -P RunToFile.cmake
set(input_option)
if(INPUT)
  set(input_option INPUT_FILE "${INPUT}")
endif()
execute_process(COMMAND "${PROGRAM}" ${ARGS} ${input_option} OUTPUT_FILE "${OUTPUT}.part"
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}.part")
  message(FATAL_ERROR "${PROGRAM} ${ARGS} failed (${result}): ${errors}")
endif()
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
