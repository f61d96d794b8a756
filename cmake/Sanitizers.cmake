# Applied to everything built, so that library and test code agree on the instrumentation. Sanitizer
# builds also check the standard library's preconditions (bounds of operator[], front() of empty).
if(VQ_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VQ_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VQ_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VQ_SANITIZE must be '', 'address' or 'thread'")
endif()
if(NOT VQ_SANITIZE STREQUAL "")
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
