# Tests of the window layer: the catalogue and the model on the headless
# backend (both builds), and the Win32 backend on a display (Windows build).
include_guard(DIRECTORY)
xiulan_add_test(NAME ui_window_layer_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/catalogue_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/window_model_test.cpp
  LIBS xl_ui)
xiulan_add_test(NAME ui_win32_windows_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_backend_test.cpp
  LIBS xl_ui
  WINDOWS_ONLY GUI CODEPAGE)
# Not tests: the gallery opens one window for tests/ui/screenshots.sh, or measures.
if(WIN32 AND BUILD_TESTING AND NOT XIULAN_FUZZ)
  add_executable(ui_window_gallery ${CMAKE_CURRENT_LIST_DIR}/window_gallery.cpp)
  target_link_libraries(ui_window_gallery PRIVATE xl_ui psapi)
  target_link_options(ui_window_gallery PRIVATE -mconsole)
  # The bare window that tools/bench-startup measures the gallery against.
  add_executable(ui_bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
  target_link_libraries(ui_bare_window PRIVATE psapi gdi32 user32)
  target_link_options(ui_bare_window PRIVATE -mconsole)
endif()
# The screenshots and the pixel, pointer and key checks of the four windows,
# on a private Xvfb display; pictures land in the build's screenshots/ folder.
if(WIN32 AND BUILD_TESTING AND NOT XIULAN_FUZZ)
  add_test(NAME ui_window_screenshots
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/screenshots.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(ui_window_screenshots PROPERTIES LABELS gui TIMEOUT 300)
endif()
