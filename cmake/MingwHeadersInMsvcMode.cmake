# Compiling for the Microsoft ABI with clang, against the platform headers
# of mingw-w64 (no Microsoft SDK is on the build machines): the headers take
# the x86 branch, see a GNU-compatible compiler old enough for their MSVC
# paths, and leave stdio to the system's C library.
set(QVAPI_MINGW_SYSROOT /usr/i686-w64-mingw32)
set(QVAPI_MSVC_MODE_FLAGS
  -D_X86_ -fgnuc-version=4.2.1 -D__USE_MINGW_ANSI_STDIO=0 -isystem ${QVAPI_MINGW_SYSROOT}/include)
