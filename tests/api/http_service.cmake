# HTTP requests, the server lists and the service calls.
xiulan_add_test(NAME api_http_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_request_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/http_text_test.cpp
  LIBS xl_api)

# The platform's request object and the service calls against the stand-in service, natively and
# under Wine. The stand-in is the Linux program: natively this build's own,
# under Wine the Linux build's (or XIULAN_STANDIN).
xiulan_add_test(NAME api_standin_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_facility_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/service_standin_test.cpp
  LIBS xl_api)
xiulan_use_standin(api_standin_tests)

xiulan_add_test(NAME api_service_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/log_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/server_list_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/service_calls_test.cpp
  LIBS xl_api)

foreach(fuzzer fuzz_server_list fuzz_http_cookies fuzz_http_headers fuzz_login_reply
               fuzz_login_log_line fuzz_exit_ip_page fuzz_static_ip_reply)
  xiulan_add_fuzzer(NAME ${fuzzer} SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/${fuzzer}.cpp LIBS xl_api)
endforeach()

xiulan_add_benchmark(NAME bench_server_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_list_bench.cpp LIBS xl_api)
