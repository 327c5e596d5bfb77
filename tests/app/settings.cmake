xiulan_add_test(NAME settings_tests CODEPAGE
  SOURCES settings_loaders_test.cpp settings_move_test.cpp settings_store_test.cpp
    settings_write_log_test.cpp
  LIBS xl_app)
# The settings file's name and an earlier version's file, on the system's
# code page of the run (936, then 1252).
xiulan_add_test(NAME settings_win32_tests WINDOWS_ONLY CODEPAGE
  SOURCES settings_win32_test.cpp
  LIBS xl_app)
# The settings file as a hand edit or a crash may leave it.
xiulan_add_fuzzer(NAME fuzz_settings_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_settings_file.cpp
  LIBS xl_app)
