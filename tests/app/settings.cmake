xiulan_add_test(NAME settings_tests
  SOURCES settings_loaders_test.cpp settings_store_test.cpp settings_write_log_test.cpp
  LIBS xl_app)
