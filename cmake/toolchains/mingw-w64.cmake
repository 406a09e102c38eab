# Windows builds made on Linux with a MinGW-w64 cross compiler from the Debian archive; the
# toolchain files beside this one name the target.
set(CMAKE_SYSTEM_NAME Windows)
# The POSIX thread model: GoogleTest needs std::mutex, which the win32 model of GCC 12 lacks.
# Linked statically, its threads library adds no DLL.
set(CMAKE_C_COMPILER ${EPLGEN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EPLGEN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${EPLGEN_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross compiler's own tree, programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${EPLGEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
