# The Win32 profile source under Wine, and the portable INI reader compared with the system's profile functions.
add_executable(tessmo_win32_profile_tests ${CMAKE_CURRENT_LIST_DIR}/profile/Win32ProfileSourceTest.cpp)
target_link_libraries(tessmo_win32_profile_tests PRIVATE tessmo::win32 tessmo::warnings gtest gtest_main)
add_test(NAME win32.profile COMMAND tessmo_win32_profile_tests)
set_tests_properties(win32.profile PROPERTIES TIMEOUT 120)
