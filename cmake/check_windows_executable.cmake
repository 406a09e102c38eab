# Fails unless EXECUTABLE is a console program for 32-bit (POINTER_SIZE 4) or 64-bit (8) Windows
# that imports no MinGW runtime DLL, so that it runs on a Windows where nothing else is installed.
#   cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<file> -DPOINTER_SIZE=<4 or 8> -P <this file>
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
# MinGW's runtime DLLs (libstdc++-6, libgcc_s_*, libwinpthread-1, ...) all begin with "lib";
# Windows' own never do.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  if(dll MATCHES "^lib")
    string(APPEND problems "\n  imports ${dll}")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "${EXECUTABLE}:${problems}")
endif()
