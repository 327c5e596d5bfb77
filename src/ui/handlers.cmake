# The windows' handlers: what each control does, over the window model.
target_sources(xl_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/handlers/confirm_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/login_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/connection_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/server_list_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/settings_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/adapter_dialog.cpp)
target_link_libraries(xl_ui PUBLIC xl_app xl_api xl_dial xl_net xl_desktop xl_gbk)
