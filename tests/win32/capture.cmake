# The DirectShow capture stack under Wine, over fake COM objects and over the system's own enumerator.
add_executable(tessmo_win32_capture_tests ${CMAKE_CURRENT_LIST_DIR}/capture/ChannelOverDirectShowTest.cpp)
target_link_libraries(tessmo_win32_capture_tests PRIVATE tessmo::win32 tessmo::warnings gtest gtest_main)
add_test(NAME win32.capture COMMAND tessmo_win32_capture_tests)
set_tests_properties(win32.capture PROPERTIES TIMEOUT 120)
