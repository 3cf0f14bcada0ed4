# Compiler settings shared by every target of our own.

# talo_defaults(<target>): warnings as errors and the sanitizer flags of the
# active preset. Third-party code never goes through here.
function(talo_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTOUIC ON)
endfunction()

set(TALO_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")
if(TALO_SANITIZE)
  add_compile_options(-fsanitize=${TALO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TALO_SANITIZE})
endif()
