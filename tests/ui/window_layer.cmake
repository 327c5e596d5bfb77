# Tests of the window layer: the catalogue and the model on the headless
# backend (both builds), and the Win32 backend on a display (Windows build).
include_guard(DIRECTORY)
xiulan_add_test(NAME ui_window_layer_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/catalogue_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/window_model_test.cpp
  LIBS xl_ui)
