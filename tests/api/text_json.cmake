# Text helpers and the JSON document.
xiulan_add_test(NAME api_text_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_codepage_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_unescape_test.cpp
  LIBS xl_api)
xiulan_add_test(NAME api_json_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/json_document_test.cpp
  LIBS xl_api)
