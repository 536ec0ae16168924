# The layers of the sources and the one direction of their includes.
#
# kestrune_check_layers(<root> <folder>...) takes the folders of <root> from
# the bottom layer up. A source or header may include headers of its own layer
# and of the layers below it; an include that names a folder of a higher layer
# fails the configuration, with the file, the line and the include. Each layer
# is one folder of <root>, and a file belongs to the folder it lies in. A
# source outside every layer fails too, so that a new folder gets its place in
# the order.
#
# The check runs on every configuration, and every source is a configure
# dependency: an edit that adds an upward include fails the next build.

function(kestrune_check_layers root)
  set(layers ${ARGN})
  # Only includes that start with a layer's folder are Kestrune's own (Qt's,
  # the system's and generated headers are not).
  list(JOIN layers "|" topPattern)
  set(includePattern "^[ \t]*#[ \t]*include[ \t]*[\"<]((${topPattern})/[^\">]*)[\">]")

  file(GLOB_RECURSE files CONFIGURE_DEPENDS LIST_DIRECTORIES false RELATIVE "${root}"
       "${root}/*.cpp" "${root}/*.h" "${root}/*.h.in")
  list(SORT files)
  set(watched)
  set(failures 0)
  foreach(file IN LISTS files)
    list(APPEND watched "${root}/${file}")
    _kestrune_layer_of("${file}" "${layers}" fileLayer)
    if(fileLayer LESS 0)
      message(SEND_ERROR "A source is in no layer:\n"
                         "  ${root}/${file}\n"
                         "Give its folder a place among the layers in src/CMakeLists.txt.")
      math(EXPR failures "${failures} + 1")
      continue()
    endif()
    file(STRINGS "${root}/${file}" includes REGEX "${includePattern}")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "${includePattern}" ignored "${line}")
      set(included "${CMAKE_MATCH_1}")
      _kestrune_layer_of("${included}" "${layers}" includedLayer)
      if(includedLayer LESS_EQUAL fileLayer)
        continue()
      endif()
      _kestrune_line_number("${root}/${file}" "${line}" number)
      list(GET layers ${fileLayer} own)
      list(SUBLIST layers 0 ${fileLayer} below)
      list(APPEND below "${own}")
      list(JOIN below ", " allowed)
      # An indented line is printed as it stands, on one line.
      message(SEND_ERROR "An include runs upward:\n"
                         "  ${root}/${file}:${number}: \"${included}\" is above the ${own} layer\n"
                         "The ${own} layer may include only ${allowed}.")
      math(EXPR failures "${failures} + 1")
    endforeach()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${watched})
  if(failures GREATER 0)
    list(JOIN layers " < " order)
    message(FATAL_ERROR "${failures} source(s) or include(s) stand against the layers:\n"
                        "  ${order}\n"
                        "Move each piece to the layer where it belongs.")
  endif()
endfunction()

# The index in `layers` of the layer a path lies in (its first folder), or -1.
function(_kestrune_layer_of path layers result)
  string(REGEX REPLACE "/.*" "" folder "${path}")
  if(folder STREQUAL path)
    set(${result} -1 PARENT_SCOPE)
    return()
  endif()
  list(FIND layers "${folder}" found)
  set(${result} ${found} PARENT_SCOPE)
endfunction()

# The 1-based number of the first line of `file` that is `text`.
function(_kestrune_line_number file text result)
  file(READ "${file}" content)
  string(FIND "\n${content}" "\n${text}" at)
  if(at LESS 0)
    set(${result} "?" PARENT_SCOPE)
    return()
  endif()
  string(SUBSTRING "${content}" 0 ${at} before)
  string(REGEX MATCHALL "\n" breaks "${before}")
  list(LENGTH breaks count)
  math(EXPR number "${count} + 1")
  set(${result} ${number} PARENT_SCOPE)
endfunction()
