# Starts (ACTION=start) or stops (ACTION=stop) the Wine session the Windows tests run in.
#   cmake -DACTION=... -DWINE=<loader> -DWINESERVER=<server> -DENVIRONMENT=<VAR=value;...>
#         -P <this file>
# Every Wine process started here has its standard streams on /dev/null: a wineserver that
# inherited CTest's output pipe would keep a test running until the server exits.
foreach(setting IN LISTS ENVIRONMENT)
  string(REGEX MATCH "^([^=]+)=(.*)$" ignored "${setting}")
  set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
endforeach()

function(run_quietly)
  execute_process(COMMAND ${ARGN} INPUT_FILE /dev/null OUTPUT_FILE /dev/null
                  ERROR_FILE /dev/null RESULT_VARIABLE status)
  set(status "${status}" PARENT_SCOPE)
endfunction()

if(ACTION STREQUAL "start")
  if(NOT EXISTS "$ENV{WINEPREFIX}/system.reg")
    run_quietly(${WINE} wineboot --init)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot create the Wine prefix $ENV{WINEPREFIX}: ${status}")
    endif()
    run_quietly(${WINESERVER} -w)
  endif()
  # Started here rather than by the first test, and kept for two minutes after the last program
  # ends: a test that limits its program's file sizes must not pass the limit on to the server.
  run_quietly(${WINESERVER} -p120)
  # The first program of a session starts Wine's own services, which live as long as the
  # server and keep the standard streams they inherit: let them inherit /dev/null.
  run_quietly(${WINE} wineboot)
else()
  run_quietly(${WINESERVER} -k)
endif()
