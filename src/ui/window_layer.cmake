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
target_link_libraries(xl_ui PUBLIC Threads::Threads xl_version)
if(WIN32)
  target_sources(xl_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/backend_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/dpi_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/face_window_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/face_list_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/face_paint_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/gdi_cache_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/icon_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_backend/window_base_win32.cpp)
  target_link_libraries(xl_ui PUBLIC comctl32 msimg32 gdi32 user32)
  # Every executable that shows these windows carries the manifest (common
  # controls 6, asInvoker, per-monitor DPI awareness).
  target_sources(xl_ui INTERFACE ${CMAKE_CURRENT_LIST_DIR}/win32_backend/app_manifest.rc)
endif()
