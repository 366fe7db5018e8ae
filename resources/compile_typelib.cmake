# Compiles the interface description into the type library that the module
# embeds, without the compiler's custom data, so that every build of the
# same sources gives the same bytes. Run by the build and by the test that
# checks that builds are reproducible.
#
# cmake -DWIDL=... -DPYTHON=... -DIDL=... -DOUTPUT=... -DIDL_DIR=... -DTLB_DIR=...
#       -P compile_typelib.cmake

foreach(variable WIDL PYTHON IDL OUTPUT IDL_DIR TLB_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "compile_typelib.cmake needs -D${variable}=...")
  endif()
endforeach()

set(raw ${OUTPUT}.raw)
execute_process(
  COMMAND ${WIDL} -m32 --win32 -I ${IDL_DIR} -L ${TLB_DIR} -t -o ${raw} ${IDL}
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/strip_typelib_custom_data.py ${raw} ${OUTPUT}
  COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${raw})
