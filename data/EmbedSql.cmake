# Writes SQL scripts into a C++ include file as raw string constants:
#   cmake -DOUTPUT=<file.inc> -DSCRIPTS=<name=file.sql|name=file.sql> -P EmbedSql.cmake
# Each name=file pair becomes "static const char* const name = R\"zevsql(...)zevsql\";".
if(NOT DEFINED OUTPUT OR NOT DEFINED SCRIPTS)
    message(FATAL_ERROR "EmbedSql.cmake: OUTPUT and SCRIPTS must be set")
endif()

set(text "// Generated from the SQL scripts of data/ at build time; do not edit.\n")
string(REPLACE "|" ";" pairs "${SCRIPTS}")
foreach(pair IN LISTS pairs)
    string(FIND "${pair}" "=" split)
    string(SUBSTRING "${pair}" 0 ${split} name)
    math(EXPR start "${split} + 1")
    string(SUBSTRING "${pair}" ${start} -1 file)
    file(READ "${file}" sql)
    string(FIND "${sql}" ")zevsql\"" clash)
    if(NOT clash EQUAL -1)
        message(FATAL_ERROR "${file} contains the raw string delimiter )zevsql\"")
    endif()
    string(APPEND text "static const char* const ${name} = R\"zevsql(${sql})zevsql\";\n")
endforeach()

file(WRITE "${OUTPUT}" "${text}")
