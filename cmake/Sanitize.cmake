# -DSANITIZE=undefined|thread|address builds everything, tests included, under
# that sanitizer; a report fails the test that made it. Use a build directory
# of its own for each.
set(SANITIZE "" CACHE STRING "Build under a sanitizer: undefined, thread or address")
set_property(CACHE SANITIZE PROPERTY STRINGS "" undefined thread address)

if(SANITIZE STREQUAL "undefined")
  add_compile_options(-fsanitize=undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=undefined)
elseif(SANITIZE STREQUAL "thread" OR SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${SANITIZE})
elseif(NOT SANITIZE STREQUAL "")
  message(FATAL_ERROR "SANITIZE is undefined, thread or address, not ${SANITIZE}")
endif()
