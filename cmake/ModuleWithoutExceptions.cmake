# Modules that hosts load and unload (the DLL and the stand-ins of the
# tool's modules) are built without C++ exceptions. The static runtime's
# exception support brings the POSIX thread library, which takes a
# thread-local-storage index at every load and never frees it: a host that
# loads and unloads such a module about a thousand times (COM unloads idle
# servers) runs out of them, and the next load aborts the process.
function(qvapi_module_without_exceptions target)
  target_compile_options(${target} PRIVATE -fno-exceptions)
endfunction()
