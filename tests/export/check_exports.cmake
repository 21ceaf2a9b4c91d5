# Checks the built Linux module: BMPCrop is the only symbol its dynamic symbol table
# defines, and it carries the SONAME hosts link against.
#   cmake -DMODULE=path -DNM=nm -DOBJDUMP=objdump -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${MODULE}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} cannot read ${MODULE}")
endif()
string(STRIP "${symbols}" symbols)
string(REGEX REPLACE " [^\n]*" "" names "${symbols}")
if(NOT names STREQUAL "BMPCrop")
    message(FATAL_ERROR "the module defines more than BMPCrop:\n${symbols}")
endif()
if(NOT symbols MATCHES "^BMPCrop T ")
    message(FATAL_ERROR "BMPCrop is not a function in the text section:\n${symbols}")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE headers)
if(NOT headers MATCHES "SONAME +libZororazORADode\\.so\\.1\n")
    message(FATAL_ERROR "the module's SONAME is not libZororazORADode.so.1")
endif()
