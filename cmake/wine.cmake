# Running the Windows test programs under Wine on the build machine. Wine keeps its state in a
# prefix of this build folder's own, created on the first test run; the fixture "wine" starts a
# wineserver for the whole run and stops it after the last test.

find_program(EPLGEN_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED
             DOC "Wine loader that runs the Windows test programs")
get_filename_component(wine_folder "${EPLGEN_WINE}" DIRECTORY)
# The server itself, not Debian's wrapper script, which adds options of its own.
find_program(EPLGEN_WINESERVER NAMES wineserver64 wineserver HINTS "${wine_folder}" REQUIRED
             DOC "Wine server of that loader")

# Programs under test stay quiet about Wine: no debug channels on the test's standard error.
set(EPLGEN_WINE_ENVIRONMENT WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # A 32-bit prefix for 32-bit programs. Without a display, 32-bit Wine's desktop process fails
  # and every program starts it again, until the server runs out of descriptors: none is started.
  list(APPEND EPLGEN_WINE_ENVIRONMENT WINEARCH=win32 WINEDLLOVERRIDES=explorer.exe=d)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env ${EPLGEN_WINE_ENVIRONMENT} ${EPLGEN_WINE})

foreach(action start stop)
  add_test(NAME wine_${action}
           COMMAND ${CMAKE_COMMAND} -DACTION=${action} -DWINE=${EPLGEN_WINE}
                   -DWINESERVER=${EPLGEN_WINESERVER} "-DENVIRONMENT=${EPLGEN_WINE_ENVIRONMENT}"
                   -P ${CMAKE_CURRENT_LIST_DIR}/wine_session.cmake)
endforeach()
# Creating a prefix takes a while the first time.
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# GoogleTest from its sources, built with the cross compiler like the code it tests.
set(EPLGEN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${EPLGEN_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM)
