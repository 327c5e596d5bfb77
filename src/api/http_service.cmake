# HTTP requests, the server lists and the service calls.
target_sources(xl_api PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/http_facility.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_request.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exit_ip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_list_download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/static_ip.cpp)
if(WIN32)
  target_sources(xl_api PRIVATE ${CMAKE_CURRENT_LIST_DIR}/http_facility_win32.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/log_file_win32.cpp)
  target_link_libraries(xl_api PUBLIC winhttp)
else()
  target_sources(xl_api PRIVATE ${CMAKE_CURRENT_LIST_DIR}/http_facility_posix.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/log_file_posix.cpp)
  target_link_libraries(xl_api PUBLIC CURL::libcurl)
endif()
