# The pictures: decoding with libpng, and the committed PNGs of art/ embedded
# as byte arrays generated at build time.
include_guard(DIRECTORY)
target_sources(xl_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/picture.cpp)
target_link_libraries(xl_ui PUBLIC PNG::PNG ZLIB::ZLIB)
