# The pictures: decoding with libpng, and the committed PNGs of art/ (plus the
# program icon) embedded as byte arrays generated at build time.
include_guard(DIRECTORY)
set(_art_dir ${PROJECT_SOURCE_DIR}/art)
set(_art_files
  login_face.png main_face.png adapter_dialog_face.png confirm_dialog_face.png
  check_on.png check_off.png radio_on.png radio_off.png
  connect_normal.png connect_lit.png connect_disabled.png
  disconnect_normal.png disconnect_lit.png disconnect_disabled.png switch_ip.png
  login_normal.png login_lit.png login_disabled.png
  ok_button.png cancel_button.png sweep_bar.png)
# The same pictures at twice the size ("login_face@2x"), for scaled screens.
list(TRANSFORM _art_files PREPEND 2x/ OUTPUT_VARIABLE _art_files_2x)
list(APPEND _art_files ${_art_files_2x} app_icon.ico)
list(TRANSFORM _art_files PREPEND ${_art_dir}/ OUTPUT_VARIABLE _art_paths)
list(JOIN _art_files "," _art_names)
set(_art_source ${CMAKE_CURRENT_BINARY_DIR}/picture_data.cpp)
add_custom_command(
  OUTPUT ${_art_source}
  COMMAND ${CMAKE_COMMAND} -DART_DIR=${_art_dir} -DNAMES=${_art_names} -DOUT=${_art_source}
          -P ${CMAKE_CURRENT_LIST_DIR}/picture_embed.cmake
  DEPENDS ${_art_paths} ${CMAKE_CURRENT_LIST_DIR}/picture_embed.cmake
  COMMENT "Embedding the pictures of art/"
  VERBATIM)
target_sources(xl_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/picture.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/picture_scale.cpp ${_art_source})
target_link_libraries(xl_ui PUBLIC PNG::PNG ZLIB::ZLIB)
