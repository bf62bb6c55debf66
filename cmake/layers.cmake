# The modules' layering, TAMBERLOX_LAYERS: each module's library may link only
# the libraries of the modules below it. Checked twice: here, that no library
# names a library of its own layer or above among its links; and by one small
# program a module (tamberlox_link_check_<module>, built by default), which
# links the module's archive whole with only what the library itself links, so
# that a call into a module above or beside it is an undefined symbol when the
# build links that program.

string(REGEX REPLACE "[ \t{}]" "" tamberlox_layers "${TAMBERLOX_LAYERS}")
string(REPLACE "<" ";" tamberlox_layers "${tamberlox_layers}")
set(tamberlox_level 0)
set(tamberlox_layered_libraries)
foreach(layer IN LISTS tamberlox_layers)
  string(REPLACE "," ";" modules "${layer}")
  foreach(module IN LISTS modules)
    # The gate's library is tamberlox_gate_lib: tamberlox-gate is its program.
    foreach(library IN ITEMS tamberlox_${module} tamberlox_${module}_lib)
      if(TARGET ${library})
        set(tamberlox_level_of_${library} ${tamberlox_level})
        list(APPEND tamberlox_layered_libraries ${library})
      endif()
    endforeach()
  endforeach()
  math(EXPR tamberlox_level "${tamberlox_level} + 1")
endforeach()

file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/link_check/link_check_main.cc
     CONTENT "int main() { return 0; }\n")
foreach(library IN LISTS tamberlox_layered_libraries)
  get_target_property(links ${library} LINK_LIBRARIES)
  foreach(link IN LISTS links)
    if(DEFINED tamberlox_level_of_${link} AND
       NOT tamberlox_level_of_${link} LESS tamberlox_level_of_${library})
      message(FATAL_ERROR "${library} links ${link}, which is not below it in "
                          "\"${TAMBERLOX_LAYERS}\"")
    endif()
  endforeach()
  add_executable(${library}_link_check ${CMAKE_BINARY_DIR}/link_check/link_check_main.cc)
  string(REGEX REPLACE "^tamberlox_([a-z]+).*" "tamberlox_link_check_\\1" program ${library})
  set_target_properties(${library}_link_check PROPERTIES OUTPUT_NAME ${program}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link_check)
  target_link_libraries(${library}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${library}>")
endforeach()
