# Fails unless EXECUTABLE is a console program for 32-bit (POINTER_SIZE 4) or 64-bit (8) Windows
# that imports exactly the DLLs listed in IMPORTS, all of them Windows' own, so that it runs on a
# Windows where nothing else is installed.
#   cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<file> -DPOINTER_SIZE=<4 or 8> "-DIMPORTS=<a;b>"
#         -P <this file>
execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${EXECUTABLE}")
endif()

if(POINTER_SIZE EQUAL 4)
  set(format pei-i386)
else()
  set(format pei-x86-64)
endif()
set(problems "")
if(NOT headers MATCHES "file format ${format}")
  string(APPEND problems "\n  not in the format ${format}")
endif()
if(NOT headers MATCHES "\nSubsystem[ \t]+0*3[ \t]+\\(Windows CUI\\)")
  string(APPEND problems "\n  not a console program")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
list(SORT imports CASE INSENSITIVE)
set(expected ${IMPORTS})
list(SORT expected CASE INSENSITIVE)
if(NOT imports STREQUAL expected)
  string(APPEND problems "\n  imports ${imports}, not ${expected}")
endif()
if(problems)
  message(FATAL_ERROR "${EXECUTABLE}:${problems}")
endif()
