# The Windows user interface under Wine: the cell list, the real dialog over the
# simulated camera and the resources (GoogleTest), and the program driven through X
# as a user drives it (shell drivers with xdotool): Tessmo.exe itself, and a demo build
# over the simulated camera that also shows Exit ending the process. The window tests
# need a display: the suite runs under xvfb-run.
file(GLOB TESSMO_WIN32_UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/ui/*.cpp)
add_executable(tessmo_win32_ui_tests ${TESSMO_WIN32_UI_TEST_SOURCES} ${PROJECT_SOURCE_DIR}/res/Tessmo.rc)
target_link_libraries(tessmo_win32_ui_tests PRIVATE tessmo::win32 tessmo::warnings gtest_main version)
add_test(NAME win32.ui.resources COMMAND tessmo_win32_ui_tests --gtest_filter=Resources.*)
add_test(NAME win32.ui.celllist COMMAND tessmo_win32_ui_tests --gtest_filter=CellList*)
add_test(NAME win32.ui.dialog COMMAND tessmo_win32_ui_tests --gtest_filter=MainDialog.*)
set_tests_properties(win32.ui.resources win32.ui.celllist win32.ui.dialog PROPERTIES TIMEOUT 180)
set_tests_properties(win32.ui.resources PROPERTIES ENVIRONMENT "TESSMO_EXE=$<TARGET_FILE:Tessmo>")

# A demo build of the program over the simulated camera, for the screenshot; and a
# probe that reports a running dialog's controls from inside Wine.
add_executable(TessmoDemo WIN32 ${CMAKE_CURRENT_LIST_DIR}/ui/demo/DemoMain.cpp
               ${PROJECT_SOURCE_DIR}/res/Tessmo.rc)
target_link_libraries(TessmoDemo PRIVATE tessmo::win32 tessmo::warnings)
add_executable(tessmo_window_probe ${CMAKE_CURRENT_LIST_DIR}/ui/probe/WindowProbe.cpp)
target_link_libraries(tessmo_window_probe PRIVATE tessmo::warnings user32 comctl32 shell32)
target_compile_definitions(tessmo_window_probe PRIVATE UNICODE _UNICODE)
target_link_options(tessmo_window_probe PRIVATE -static -static-libgcc -static-libstdc++)

add_test(NAME win32.ui.program
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ui_program_test.sh $<TARGET_FILE:Tessmo>
                 $<TARGET_FILE:tessmo_window_probe> ${PROJECT_SOURCE_DIR}/examples)
add_test(NAME win32.ui.screenshot
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ui_screenshot.sh $<TARGET_FILE:TessmoDemo>
                 $<TARGET_FILE:tessmo_window_probe> ${PROJECT_SOURCE_DIR}/examples
                 ${CMAKE_BINARY_DIR}/screenshots)
set_tests_properties(win32.ui.program win32.ui.screenshot PROPERTIES TIMEOUT 180
                     ENVIRONMENT "TESSMO_WINE_RUN=${PROJECT_SOURCE_DIR}/scripts/wine-run")

# The committed icon is what its script draws.
find_program(TESSMO_PYTHON3 python3)
if(TESSMO_PYTHON3)
  add_test(NAME win32.ui.icon COMMAND ${TESSMO_PYTHON3} ${PROJECT_SOURCE_DIR}/res/make_icon.py --check)
endif()
