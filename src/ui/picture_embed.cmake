# Writes a C++ source holding art files as byte arrays, so the program carries
# its pictures inside the executable without any tool beyond CMake.
#   cmake -DART_DIR=dir -DNAMES=a.png,b.ico -DOUT=file.cpp -P picture_embed.cmake
# Each entry is named after its file without the extension; files in 2x/ get
# "@2x" after their name.
string(REPLACE "," ";" _files "${NAMES}")
set(_arrays "")
set(_table "")
set(_count 0)
# CMake's regular expressions have no {n}: spell out 32 bytes.
string(REPEAT "0x..," 32 _line)
foreach(_file IN LISTS _files)
  get_filename_component(_name ${_file} NAME_WE)
  set(_id ${_name})
  if(_file MATCHES "^2x/")
    string(APPEND _name "@2x")
    string(APPEND _id "_2x")
  endif()
  file(READ ${ART_DIR}/${_file} _hex HEX)
  string(LENGTH "${_hex}" _digits)
  if(_digits EQUAL 0)
    message(FATAL_ERROR "${ART_DIR}/${_file} is empty")
  endif()
  # 32 bytes a line keeps the generated file readable in a diff or an editor.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(REGEX REPLACE "(${_line})" "\\1\n    " _bytes "${_bytes}")
  string(APPEND _arrays "const std::uint8_t k_${_id}[] = {\n    ${_bytes}\n};\n")
  string(APPEND _table "    {\"${_name}\", k_${_id}, sizeof k_${_id}},\n")
  math(EXPR _count "${_count} + 1")
endforeach()
file(WRITE ${OUT}.tmp
  "// Generated from art/ at build time; do not edit.\n"
  "#include \"ui/picture_embedded.h\"\n\n"
  "namespace xl::ui::embedded {\nnamespace {\n${_arrays}}  // namespace\n\n"
  "const Entry kPictures[] = {\n${_table}};\n"
  "const std::size_t kPictureCount = ${_count};\n\n"
  "}  // namespace xl::ui::embedded\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
