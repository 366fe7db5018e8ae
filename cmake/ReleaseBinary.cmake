# Modules that ship (the DLL, and the stand-ins of the test kit) are
# stripped: no debug sections and no symbol table. The debug information
# goes into <module>.debug beside the module, which names it (a GNU debug
# link) so that gdb and winedbg find it; the product's subsystems are
# compiled with -g for it (Subsystem.cmake). Link and strip run under cmake/with-source-date-epoch: two builds of a
# commit give the same bytes, whatever the folder or the time.
# A module is linked again whenever the epoch changes (a new commit).
function(qvapi_release_binary target)
  set(epoch ${PROJECT_SOURCE_DIR}/cmake/with-source-date-epoch)
  set(recorded ${CMAKE_BINARY_DIR}/source-date-epoch)
  if(NOT TARGET qvapi_source_date_epoch)
    add_custom_target(qvapi_source_date_epoch COMMAND ${epoch} --record ${recorded}
      BYPRODUCTS ${recorded} VERBATIM)
  endif()
  add_dependencies(${target} qvapi_source_date_epoch)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${recorded})
  set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK ${epoch})
  set(module $<TARGET_FILE_NAME:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${epoch} ${CMAKE_OBJCOPY} --only-keep-debug ${module} ${module}.debug
    COMMAND ${epoch} ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${module}.debug ${module}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
