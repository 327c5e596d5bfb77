# Text helpers and the JSON document.
target_sources(xl_api PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_codepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_unescape.cpp)
if(WIN32)
  target_sources(xl_api PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_codepage_win32.cpp)
else()
  target_sources(xl_api PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_codepage_posix.cpp)
  target_link_libraries(xl_api PUBLIC Iconv::Iconv)
endif()
target_link_libraries(xl_api PUBLIC nlohmann_json::nlohmann_json)
target_sources(xl_api PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/json_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_text.cpp)
