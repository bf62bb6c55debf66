# Fails when a source file under SOURCE_DIR includes a header of a module that
# is not below its own, or when a folder of SOURCE_DIR is in no layer.
#   cmake -DSOURCE_DIR=src "-DLAYERS=text < tags < {report, rules}" -P check_includes.cmake
# LAYERS lists the modules from the lowest up; the modules in braces are
# siblings, which may not include each other. A module absent from SOURCE_DIR
# is no fault: the order may name modules before they exist.

string(REGEX REPLACE "[ \t{}]" "" layers "${LAYERS}")
string(REPLACE "<" ";" layers "${layers}")
set(level 0)
foreach(layer IN LISTS layers)
  string(REPLACE "," ";" modules "${layer}")
  foreach(module IN LISTS modules)
    set(level_of_${module} ${level})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()

get_filename_component(root "${SOURCE_DIR}" ABSOLUTE)
set(faults 0)

# The module a header lies in: the first folder of its path under the root,
# looked up beside the including file first, as the compiler does; empty when
# it lies outside the root's folders (a system header).
function(module_of_include file include out)
  get_filename_component(dir "${file}" DIRECTORY)
  if(EXISTS "${dir}/${include}")
    get_filename_component(header "${dir}/${include}" ABSOLUTE)
  else()
    get_filename_component(header "${root}/${include}" ABSOLUTE)
  endif()
  file(RELATIVE_PATH relative "${root}" "${header}")
  string(REGEX REPLACE "/.*" "" module "${relative}")
  if(relative MATCHES "^\\.\\./" OR NOT relative MATCHES "/" OR NOT IS_DIRECTORY "${root}/${module}")
    set(module "")
  endif()
  set(${out} "${module}" PARENT_SCOPE)
endfunction()

file(GLOB folders LIST_DIRECTORIES true "${root}/*")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${folder}")
    continue()
  endif()
  get_filename_component(module "${folder}" NAME)
  if(NOT DEFINED level_of_${module})
    message(NOTICE "${module}/ is a module in no layer of \"${LAYERS}\"")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(GLOB_RECURSE sources "${folder}/*")
  foreach(file IN LISTS sources)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" include
                           "${line}")
      module_of_include("${file}" "${include}" used)
      if(used STREQUAL "" OR used STREQUAL module)
        continue()
      endif()
      file(RELATIVE_PATH where "${root}" "${file}")
      if(NOT DEFINED level_of_${used})
        message(NOTICE "${where} includes ${include}, of ${used}/, which is in no layer")
        math(EXPR faults "${faults} + 1")
      elseif(NOT level_of_${used} LESS level_of_${module})
        message(NOTICE "${where} includes ${include}: ${used} is not below ${module}")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} includes or folders break the layering \"${LAYERS}\"")
endif()
