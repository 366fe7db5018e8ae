# The product's subsystems. Each folder is a static library that sees only
# its own headers and those of the subsystems it links: its headers are
# reached as "folder/name.h" through a folder of the build tree that holds
# one link, to the subsystem's folder, and that only the library and what
# links it have on their include path. An include of a subsystem that a
# library may not use fails to compile.
function(qvapi_subsystem target folder)
  set(view ${CMAKE_BINARY_DIR}/subsystem-headers/${folder})
  if(NOT EXISTS ${view}/${folder})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${view})
  if(WIN32)
    qvapi_module_without_exceptions(${target})
    target_compile_options(${target} PRIVATE -g)  # kept apart from the DLL (ReleaseBinary.cmake)
  endif()
endfunction()
