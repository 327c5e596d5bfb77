# The pictures: every embedded picture decodes at its size, hostile PNG bytes
# are refused, the icon has its layout; and a fuzzer for the decoder.
include_guard(DIRECTORY)
xiulan_add_test(NAME picture_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_tests.cpp LIBS xl_ui)
xiulan_add_fuzzer(NAME fuzz_png SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_png.cpp LIBS xl_ui)
xiulan_add_benchmark(NAME bench_picture SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_bench.cpp LIBS xl_ui)
