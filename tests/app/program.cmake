xiulan_add_test(NAME program_tests SOURCES program_options_test.cpp LIBS xl_app)
if(WIN32)
  target_link_libraries(program_tests PRIVATE ws2_32)
endif()
