# Text helpers and the JSON document.
xiulan_add_test(NAME api_text_tests CODEPAGE
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_codepage_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_unescape_test.cpp
  LIBS xl_api)
xiulan_add_test(NAME api_json_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/json_document_test.cpp
  LIBS xl_api)
foreach(fuzzer fuzz_text_unescape fuzz_text_primitives fuzz_text_codepage fuzz_json_document)
  xiulan_add_fuzzer(NAME ${fuzzer} SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/${fuzzer}.cpp LIBS xl_api)
endforeach()
