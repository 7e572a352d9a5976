# Cross build for 32-bit Windows with mingw-w64: the shipped program.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TESSMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
