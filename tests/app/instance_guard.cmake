xiulan_add_test(NAME instance_guard_tests
  SOURCES instance_guard_test.cpp instance_guard_port_test.cpp
  LIBS xl_app)
xiulan_add_test(NAME instance_guard_box_tests WINDOWS_ONLY GUI
  SOURCES instance_guard_box_test.cpp
  LIBS xl_app)
