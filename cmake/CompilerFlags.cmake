# Warnings are errors everywhere; sanitizers and fuzzing are chosen at configure time.
add_compile_options(-Wall -Wextra -Werror)
# mingw-w64's math.h declares M_PI and its kin only when asked (glibc's
# always does under g++).
if(WIN32)
  add_compile_definitions(_USE_MATH_DEFINES)
endif()

if(ROTAPROBE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(ROTAPROBE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT ROTAPROBE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ROTAPROBE_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(ROTAPROBE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "Fuzz targets need clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

