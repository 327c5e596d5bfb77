# Tests of what the windows' handlers share: the slow calls on workers.
include_guard(DIRECTORY)
xiulan_add_test(NAME ui_handler_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/slow_calls_test.cpp
  LIBS xl_ui)
