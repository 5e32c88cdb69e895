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

# ostrel_set_rpath(target relative-path-to-lib): a RUNPATH relative to
# $ORIGIN in the build tree, where the libraries are relative-path-to-lib
# away, and one computed from the install layout for the installed file: an
# executable lives in BINDIR, a module in the plug-in directory, a shared
# library in LIBDIR. Both are relative, so either tree can be moved.
function(ostrel_set_rpath target rel)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(installed_in "${CMAKE_INSTALL_FULL_BINDIR}")
  elseif(type STREQUAL "MODULE_LIBRARY")
    set(installed_in "${CMAKE_INSTALL_PREFIX}/${OSTREL_INSTALL_PLUGINDIR}")
  else()
    set(installed_in "${CMAKE_INSTALL_FULL_LIBDIR}")
  endif()
  file(RELATIVE_PATH to_lib "${installed_in}" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(build_rpath "$ORIGIN")
  set(install_rpath "$ORIGIN")
  if(NOT rel STREQUAL "")
    string(APPEND build_rpath "/${rel}")
  endif()
  if(NOT to_lib STREQUAL "")
    string(APPEND install_rpath "/${to_lib}")
  endif()
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH "${build_rpath}" INSTALL_RPATH "${install_rpath}" BUILD_WITH_INSTALL_RPATH OFF)
  target_link_options(${target} PRIVATE "LINKER:--enable-new-dtags")
  # A library whose calls the optimiser has all inlined still records the C
  # library it is made for (Debian's package checks insist on it).
  if(type STREQUAL "SHARED_LIBRARY")
    target_link_options(${target} PRIVATE "LINKER:--push-state,--no-as-needed,-lc,--pop-state")
  endif()
endfunction()
