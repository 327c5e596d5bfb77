xiulan_add_test(NAME program_tests SOURCES program_options_test.cpp LIBS xl_app)
if(WIN32)
  target_link_libraries(program_tests PRIVATE ws2_32)
endif()

if(WIN32)
  set(_standin ${PROJECT_SOURCE_DIR}/build/linux/tools/standin/xiulan-standin)
else()
  set(_standin $<TARGET_FILE:xiulan-standin>)
endif()
xiulan_add_test(NAME program_flow_tests
  SOURCES program_flow_test.cpp ${PROJECT_SOURCE_DIR}/tests/api/standin_process.cpp
  LIBS xl_program)
if(TARGET program_flow_tests)
  target_compile_definitions(program_flow_tests PRIVATE XIULAN_STANDIN_PATH="${_standin}")
  if(NOT WIN32)
    add_dependencies(program_flow_tests xiulan-standin)
  endif()
endif()

# A person at the Windows client under Wine (xdotool on the virtual display).
if(WIN32 AND BUILD_TESTING AND TARGET XiulanIP)
  add_test(NAME person_run
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/person_run.sh $<TARGET_FILE:XiulanIP> ${_standin}
            ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/screenshots)
  set_tests_properties(person_run PROPERTIES TIMEOUT 240 LABELS gui
    FAIL_REGULAR_EXPRESSION "FAIL:" SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
