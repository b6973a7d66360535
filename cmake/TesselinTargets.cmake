# Compiler settings for the project's own targets. They are applied per
# target so that third-party code is never built with our warning flags.

set(TESSELIN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                             -fno-omit-frame-pointer)

function(tesselin_target_settings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
    # Number reading and period arithmetic must round the same everywhere.
    -ffp-contract=off)
  if(TESSELIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(TESSELIN_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -g)
  endif()
  if(TESSELIN_SANITIZE)
    target_compile_options(${target} PRIVATE ${TESSELIN_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${TESSELIN_SANITIZER_FLAGS})
  endif()
endfunction()
