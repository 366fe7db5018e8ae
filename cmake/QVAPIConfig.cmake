# The QVAPI SDK as a CMake package. find_package(QVAPI CONFIG) gives
# QVAPI::QVAPI: the import library of QVAPI.DLL, the headers QVAPI.h and
# QVAPI_exports.h, and the GUID definitions, so a client needs
#   find_package(QVAPI CONFIG REQUIRED)
#   target_link_libraries(client PRIVATE QVAPI::QVAPI)
# Microsoft-style toolchains (the Microsoft compiler, or clang for the
# Microsoft ABI) get the libraries in the Microsoft format, others the GNU
# ones.
get_filename_component(_qvapi_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET QVAPI::QVAPI)
  if(MSVC OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC")
    set(_qvapi_import_library "${_qvapi_prefix}/lib/QVAPI.lib")
    set(_qvapi_guids "${_qvapi_prefix}/lib/qvapi_guids.lib")
  else()
    set(_qvapi_import_library "${_qvapi_prefix}/lib/libQVAPI.dll.a")
    set(_qvapi_guids "${_qvapi_prefix}/lib/libqvapi_guids.a")
  endif()

  add_library(QVAPI::guids STATIC IMPORTED)
  set_target_properties(QVAPI::guids PROPERTIES IMPORTED_LOCATION "${_qvapi_guids}")

  add_library(QVAPI::QVAPI SHARED IMPORTED)
  set_target_properties(QVAPI::QVAPI PROPERTIES
    IMPORTED_LOCATION "${_qvapi_prefix}/bin/QVAPI.DLL"
    IMPORTED_IMPLIB "${_qvapi_import_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${_qvapi_prefix}/include"
    INTERFACE_LINK_LIBRARIES "QVAPI::guids;ole32;oleaut32;uuid")
  unset(_qvapi_import_library)
  unset(_qvapi_guids)
endif()

unset(_qvapi_prefix)
