# Runs one benchmark program the way the test command does (every case once
# at the least time) and fails unless every case the program lists ran to
# its end: a program that cannot start or set up, a case that reports an
# error or a skip, and a case that never ran all fail the test, so that no
# benchmark stops running unnoticed.
#
#   cmake -DPROGRAM=<benchmark program> -DREPORT=<json file> -P CheckBenchmarkRun.cmake

cmake_minimum_required(VERSION 3.19)

if(NOT PROGRAM OR NOT REPORT)
  message(FATAL_ERROR "CheckBenchmarkRun: PROGRAM and REPORT must be given")
endif()

# The cases the program holds.
execute_process(COMMAND ${PROGRAM} --benchmark_list_tests=true
                RESULT_VARIABLE listStatus OUTPUT_VARIABLE listed)
if(NOT listStatus EQUAL 0)
  message(FATAL_ERROR "${PROGRAM}: listing its cases failed (${listStatus})")
endif()
string(STRIP "${listed}" listed)
string(REPLACE "\n" ";" cases "${listed}")
if(NOT cases)
  message(FATAL_ERROR "${PROGRAM}: the program lists no case")
endif()

# One run; its console output goes to the test's log.
file(REMOVE "${REPORT}")
execute_process(COMMAND ${PROGRAM} --benchmark_min_time=0.001
                        --benchmark_out=${REPORT} --benchmark_out_format=json
                RESULT_VARIABLE runStatus)
if(NOT runStatus EQUAL 0)
  message(FATAL_ERROR "${PROGRAM}: the run ended with status ${runStatus}")
endif()
if(NOT EXISTS "${REPORT}")
  message(FATAL_ERROR "${PROGRAM}: the run wrote no report")
endif()
file(READ "${REPORT}" report)
string(JSON count ERROR_VARIABLE reportError LENGTH "${report}" benchmarks)
if(reportError)
  message(FATAL_ERROR "${PROGRAM}: the report cannot be read: ${reportError}")
endif()

set(ran "")
set(problems "")
if(count GREATER 0)
  math(EXPR lastIndex "${count} - 1")
  foreach(i RANGE ${lastIndex})
    string(JSON name GET "${report}" benchmarks ${i} name)
    string(JSON errorOccurred ERROR_VARIABLE noError GET "${report}" benchmarks ${i} error_occurred)
    string(JSON skipped ERROR_VARIABLE noSkip GET "${report}" benchmarks ${i} skipped)
    if((NOT noError AND errorOccurred) OR (NOT noSkip AND skipped))
      string(JSON why ERROR_VARIABLE noWhy GET "${report}" benchmarks ${i} error_message)
      if(noWhy)
        string(JSON why ERROR_VARIABLE noWhy GET "${report}" benchmarks ${i} skip_message)
      endif()
      list(APPEND problems "${name} did not run to its end: ${why}")
    else()
      list(APPEND ran "${name}")
    endif()
  endforeach()
endif()
foreach(name IN LISTS cases)
  if(NOT name IN_LIST ran)
    string(FIND "${problems}" "${name} did not run" reported)
    if(reported EQUAL -1)
      list(APPEND problems "${name} never ran")
    endif()
  endif()
endforeach()
if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${PROGRAM}:\n  ${text}")
endif()
list(LENGTH ran ranCount)
message(STATUS "${PROGRAM}: all ${ranCount} cases ran")
