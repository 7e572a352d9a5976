# Fails when a core source includes anything but the C++ standard library and the core
# itself: a system header (<windows.h>, <unistd.h>, <sys/...>, <linux/...>, a Qt header)
# or a platform test (#if defined(_WIN32)) would tie the core to one platform.
# Run as: cmake -DCORE_DIR=<core folder> -P CheckPlatformFree.cmake
file(GLOB_RECURSE sources "${CORE_DIR}/*.h" "${CORE_DIR}/*.cpp")
set(offences "")
foreach(source IN LISTS sources)
  # C++ standard headers have neither a ".h", a folder nor a capital letter (Qt) in their names.
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*<[^>]*(\\.h|/|[A-Z])[^>]*>")
  file(STRINGS "${source}" platformTests REGEX "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif).*(_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_MSC_VER|__MINGW)")
  foreach(line IN LISTS lines platformTests)
    string(APPEND offences "\n  ${source}: ${line}")
  endforeach()
endforeach()
if(offences)
  message(FATAL_ERROR "core/ must stay free of platform headers and platform tests:${offences}")
endif()
