# Builds an SQLite database from SQL scripts with the sqlite3 shell:
#   cmake -DSQLITE3=<shell> -DOUTPUT=<file.db> -DSCRIPTS=<a.sql|b.sql|...> -P BuildSqliteDb.cmake
# The scripts run in order into a temporary file that replaces OUTPUT only when all of
# them succeeded, so a failed run never leaves a half-built database behind.
foreach(var SQLITE3 OUTPUT SCRIPTS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "BuildSqliteDb.cmake: ${var} is not set")
    endif()
endforeach()

string(REPLACE "|" ";" scripts "${SCRIPTS}")
set(temporary "${OUTPUT}.tmp")
file(REMOVE "${temporary}")

foreach(script IN LISTS scripts)
    execute_process(
        COMMAND "${SQLITE3}" -bail "${temporary}"
        INPUT_FILE "${script}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        file(REMOVE "${temporary}")
        message(FATAL_ERROR "${script}: ${output}")
    endif()
endforeach()

file(RENAME "${temporary}" "${OUTPUT}")
