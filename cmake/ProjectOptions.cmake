# Compiler warnings and sanitizers, applied per target through INTERFACE
# libraries linked PRIVATE, never through global flags.

add_library(ostrel_warnings INTERFACE)
add_library(ostrel::warnings ALIAS ostrel_warnings)
target_compile_options(ostrel_warnings INTERFACE -Wall -Wextra -Werror)

add_library(ostrel_sanitizers INTERFACE)
add_library(ostrel::sanitizers ALIAS ostrel_sanitizers)
if(OSTREL_SANITIZE)
  target_compile_options(ostrel_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ostrel_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# ostrel_target_defaults(target): warnings and sanitizers for one of our targets.
function(ostrel_target_defaults target)
  target_link_libraries(${target} PRIVATE ostrel::warnings ostrel::sanitizers)
endfunction()

# ostrel_set_rpath(target relative-path-to-lib): RUNPATH relative to $ORIGIN,
# the same in the build tree and after installation.
function(ostrel_set_rpath target rel)
  if(rel STREQUAL "")
    set(rp "$ORIGIN")
  else()
    set(rp "$ORIGIN/${rel}")
  endif()
  set_target_properties(${target} PROPERTIES
    INSTALL_RPATH "${rp}" BUILD_WITH_INSTALL_RPATH ON)
  target_link_options(${target} PRIVATE "LINKER:--enable-new-dtags")
endfunction()
