# The cross build for Windows with mingw-w64, shared by the 32- and 64-bit toolchain
# files; each sets CMAKE_SYSTEM_PROCESSOR and TESSMO_MINGW_TRIPLET before including it.
# The posix thread model is the one whose C++ runtime has std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TESSMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSMO_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TESSMO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
