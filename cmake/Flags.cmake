# Compiler flags shared by every target. Sources are UTF-8; every narrow
# literal becomes GBK bytes, which is the program's own text encoding.
add_compile_options(-Wall -Wextra -Werror)
if(XIULAN_FUZZ)
  # clang accepts only UTF-8 as its execution character set: in fuzz builds the
  # program's Chinese literals stay UTF-8, which does not matter for finding
  # memory faults.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
else()
  # GB18030 rather than GBK: the bytes are the same for every character GBK
  # has, and libstdc++'s <chrono> holds a literal micro sign that GBK cannot
  # encode (GCC 12 then refuses to compile it in C++20).
  add_compile_options(-fexec-charset=GB18030)
endif()

if(WIN32)
  # Windows 7 SP1 is the floor: later calls are not even declared, and the few
  # the program uses where present are looked up at run time
  # (src/ui/win32_backend/dpi_win32.cpp); tests/program/imports_test.sh checks it.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # One executable, nothing beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(XIULAN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(XIULAN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# GCC 12 reports impossible overlaps in std::string's inlined copies at -O3
# (its bug 105329); the warning is noise there, and later compilers fixed it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
