# Runs one libFuzzer target for a bounded time, as a CTest test, over a fresh scratch corpus and
# the checked-in seed corpus (read, never written: libFuzzer adds new inputs to the first folder
# only). The test passes when the time ends with no crash, sanitizer report or broken property;
# a failing input is kept as FAILURES/NAME-crash-... and the log's last lines are shown.
#   cmake -DNAME=... -DPROGRAM=... -DCORPUS=... -DWORK=... -DFAILURES=... -DSECONDS=...
#         -P run_fuzz_target.cmake
foreach(variable NAME PROGRAM CORPUS WORK FAILURES SECONDS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_fuzz_target.cmake needs -D${variable}=...")
  endif()
endforeach()

# Time one input may take, and the head room past the total time before the run counts as hung.
set(input_limit 10)
set(hang_margin 60)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${FAILURES})
file(GLOB old_failures ${FAILURES}/${NAME}-*)
if(old_failures)
  file(REMOVE ${old_failures})
endif()

math(EXPR whole_limit "${SECONDS} + ${hang_margin}")
execute_process(
  COMMAND ${PROGRAM} -max_total_time=${SECONDS} -timeout=${input_limit} -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${FAILURES}/${NAME}- ${WORK}/corpus ${CORPUS}
  RESULT_VARIABLE status
  OUTPUT_FILE ${WORK}/log ERROR_FILE ${WORK}/log
  TIMEOUT ${whole_limit})
file(STRINGS ${WORK}/log log_lines)
if(NOT status STREQUAL "0")
  list(LENGTH log_lines count)
  set(first 0)
  if(count GREATER 40)
    math(EXPR first "${count} - 40")
  endif()
  list(SUBLIST log_lines ${first} -1 tail)
  list(JOIN tail "\n  " tail_text)
  message(FATAL_ERROR "${NAME} failed (${status}); the last lines of its log:\n  ${tail_text}")
endif()
file(STRINGS ${WORK}/log runs REGEX "^stat::number_of_executed_units:")
string(REGEX MATCH "[0-9]+" runs "${runs}")
message(STATUS "${NAME}: ${runs} inputs in ${SECONDS} s, no failure")
