# HTTP requests, the server lists and the service calls.
xiulan_add_test(NAME api_http_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_request_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/http_text_test.cpp
  LIBS xl_api)
