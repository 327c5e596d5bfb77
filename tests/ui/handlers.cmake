# Tests of what the windows' handlers share: the slow calls and the jobs on workers.
include_guard(DIRECTORY)
xiulan_add_test(NAME ui_handler_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/slow_calls_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/background_work_test.cpp
  LIBS xl_ui)
