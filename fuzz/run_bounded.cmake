# One bounded fuzz run, its memory bounded as a row bounds the companion's: FUZZER over SEEDS for SECONDS, new inputs into SCRATCH; an input that
# breaks a promise is saved as SCRATCH-crash-*, where the next run cannot overwrite a seed.
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(
  COMMAND ${FUZZER} ${SCRATCH} ${SEEDS} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=512 -malloc_limit_mb=256
          -artifact_prefix=${SCRATCH}- -print_final_stats=1
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzz run found a fault (exit ${result}); the input is saved as ${SCRATCH}-*")
endif()
