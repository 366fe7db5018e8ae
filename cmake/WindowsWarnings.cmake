# Settings for every Windows target: warnings, and no runtime DLL of the
# compiler (libgcc, libstdc++ and winpthread are linked in).
add_compile_options(-Wall -Wextra)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
add_link_options(-static)
