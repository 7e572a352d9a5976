# The Win32 profile source under Wine, and the portable INI reader compared with the
# system's profile functions on a generated corpus.
file(GLOB TESSMO_WIN32_PROFILE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/profile/*.cpp)
add_executable(tessmo_win32_profile_tests ${TESSMO_WIN32_PROFILE_TEST_SOURCES})
target_link_libraries(tessmo_win32_profile_tests PRIVATE tessmo::win32 tessmo::warnings gtest gtest_main)
add_test(NAME win32.profile COMMAND tessmo_win32_profile_tests)
set_tests_properties(win32.profile PROPERTIES TIMEOUT 120)
