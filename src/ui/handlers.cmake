# The windows' handlers: what each control does, over the window model.
target_sources(xl_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/handlers/confirm_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/login_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handlers/main_window.cpp)
target_link_libraries(xl_ui PUBLIC xl_app xl_api)
