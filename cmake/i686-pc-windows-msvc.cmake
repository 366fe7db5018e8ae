# Clients built as Visual C++-style toolchains build them: clang targeting
# the Microsoft ABI for 32-bit Windows, linked by lld-link. No Microsoft SDK
# or C run-time library is on the build machines, so the platform headers
# are mingw-w64's, the system DLLs are linked through mingw-w64's import
# libraries under the names the Microsoft linker looks for, and a program
# starts at its main. Those import libraries carry no SafeSEH table, so a
# program's link does without one; the SDK's own libraries are
# SafeSEH-clean.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(triple i686-pc-windows-msvc)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_AR llvm-lib)
set(CMAKE_RC_COMPILER llvm-rc)
set(CMAKE_LINKER lld-link)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

include(${CMAKE_CURRENT_LIST_DIR}/MingwHeadersInMsvcMode.cmake)
list(JOIN QVAPI_MSVC_MODE_FLAGS " " flags)
set(CMAKE_C_FLAGS_INIT "${flags}")
set(CMAKE_CXX_FLAGS_INIT "${flags} -isystem ${CMAKE_CURRENT_LIST_DIR}/msvc-headers")

# The Microsoft names of the system libraries (those CMake and the objects'
# default-library directives ask for), each a link to mingw-w64's archive.
set(system_libraries ${CMAKE_BINARY_DIR}/system-libraries)
file(MAKE_DIRECTORY ${system_libraries})
foreach(name kernel32 user32 gdi32 winspool shell32 ole32 oleaut32 uuid comdlg32 advapi32 msvcrt)
  file(CREATE_LINK ${QVAPI_MINGW_SYSROOT}/lib/lib${name}.a ${system_libraries}/${name}.lib SYMBOLIC)
endforeach()
file(CREATE_LINK ${QVAPI_MINGW_SYSROOT}/lib/libmsvcrt.a ${system_libraries}/msvcrtd.lib SYMBOLIC)
file(CREATE_LINK ${QVAPI_MINGW_SYSROOT}/lib/libmoldname.a ${system_libraries}/oldnames.lib SYMBOLIC)

set(link_flags "-fuse-ld=lld-link -Xlinker /libpath:${system_libraries}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${link_flags} -Xlinker /entry:main -Xlinker /safeseh:no")
