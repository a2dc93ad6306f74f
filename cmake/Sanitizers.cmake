if(ENABLE_ASAN_UBSAN AND ENABLE_TSAN)
  message(FATAL_ERROR "ENABLE_ASAN_UBSAN and ENABLE_TSAN cannot be combined")
endif()

if(ENABLE_ASAN_UBSAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ENABLE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Fuzzing: every target gets coverage instrumentation and ASan + UBSan; only the harnesses
# link libFuzzer's driver (tests/fuzz).
if(ENABLE_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ENABLE_FUZZERS needs clang (CC=clang CXX=clang++)")
  endif()
  if(ENABLE_ASAN_UBSAN OR ENABLE_TSAN)
    message(FATAL_ERROR "ENABLE_FUZZERS brings its own sanitizers")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
