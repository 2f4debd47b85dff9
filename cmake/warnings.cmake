# Project-wide warning and sanitizer flags, applied per target through tilt_set_warnings().
function(tilt_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
  if(TILT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(TILT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
