xiulan_add_test(NAME instance_guard_tests
  SOURCES instance_guard_test.cpp instance_guard_port_test.cpp
  LIBS xl_app)
xiulan_add_test(NAME instance_guard_box_tests WINDOWS_ONLY GUI CODEPAGE
  SOURCES instance_guard_box_test.cpp
  LIBS xl_app)
# The real client's second copy on this run's code page, photographed.
if(WIN32 AND BUILD_TESTING AND TARGET XiulanIP)
  add_test(NAME second_copy_box
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/second_copy_box.sh $<TARGET_FILE:XiulanIP>
            ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/screenshots)
  set_tests_properties(second_copy_box PROPERTIES TIMEOUT 120 LABELS "gui;codepage"
    FAIL_REGULAR_EXPRESSION "FAIL:" SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
