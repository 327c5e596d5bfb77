# The window layer: the model of windows and controls, the catalogue, and the
# two backends (Win32 for the product, headless for tests and the Linux build).
include_guard(DIRECTORY)
target_sources(xl_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue/catalogue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue/login_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue/adapter_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/catalogue/confirm_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_backend.cpp)
target_link_libraries(xl_ui PUBLIC Threads::Threads)
