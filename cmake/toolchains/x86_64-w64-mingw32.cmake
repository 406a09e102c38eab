# 64-bit Windows: the same program, built to be tested under Wine on a 64-bit Linux machine.
set(EPLGEN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
