# Cross build for 64-bit Windows with mingw-w64. The shipped program is the 32-bit
# build; this one runs the Windows tests on machines whose kernel cannot run 32-bit
# programs (and so cannot run 32-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSMO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
