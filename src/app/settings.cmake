target_sources(xl_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ini_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ini_file_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/loaded_settings_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_load.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_move.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp)
if(WIN32)
  target_sources(xl_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/settings_store_win32.cpp)
else()
  target_sources(xl_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/settings_store_posix.cpp)
endif()
