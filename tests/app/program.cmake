xiulan_add_test(NAME program_tests SOURCES program_options_test.cpp LIBS xl_app)
if(WIN32)
  target_link_libraries(program_tests PRIVATE ws2_32)
endif()

xiulan_add_test(NAME program_flow_tests SOURCES program_flow_test.cpp LIBS xl_program)
xiulan_use_standin(program_flow_tests)

# A person at the Windows client under Wine (xdotool on the virtual display).
if(WIN32 AND BUILD_TESTING AND TARGET XiulanIP)
  add_test(NAME person_run
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/person_run.sh $<TARGET_FILE:XiulanIP> ${XIULAN_STANDIN_BINARY}
            ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/screenshots)
  set_tests_properties(person_run PROPERTIES TIMEOUT 240 LABELS gui
    FAIL_REGULAR_EXPRESSION "FAIL:" SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
