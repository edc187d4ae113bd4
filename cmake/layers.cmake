# Layers the build enforces. Headers are included as "folder/file.h" from the project root,
# but no target sees the whole root: each layer's target has a folder of its own in the
# build tree that holds only links named after its source folders (or single headers), and
# that folder is its include folder. A header of another layer is found only through a target
# one links, so a lower layer that includes a higher one fails to build.
#
# setup_layer(TARGET <target> [PATHS <folder-or-header>...]): PATHS relative to the project
# root, the target's own folder by default; the include folder is PUBLIC (INTERFACE for an
# interface library, PRIVATE for a program).
function(setup_layer)
  cmake_parse_arguments(L "" "TARGET" "PATHS" ${ARGN})
  if(NOT L_PATHS)
    file(RELATIVE_PATH _own "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    set(L_PATHS "${_own}")
  endif()
  set(_root "${CMAKE_BINARY_DIR}/layers/${L_TARGET}")
  foreach(_path IN LISTS L_PATHS)
    set(_link "${_root}/${_path}")
    if(NOT IS_SYMLINK "${_link}")
      get_filename_component(_parent "${_link}" DIRECTORY)
      file(MAKE_DIRECTORY "${_parent}")
      file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${_path}" "${_link}" SYMBOLIC)
    endif()
  endforeach()
  get_target_property(_type ${L_TARGET} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    set(_scope INTERFACE)
  elseif(_type STREQUAL "EXECUTABLE")
    set(_scope PRIVATE)
  else()
    set(_scope PUBLIC)
  endif()
  target_include_directories(${L_TARGET} ${_scope} "${_root}")
endfunction()
