# Settings for every Windows target: warnings, and no runtime DLL of the
# compiler (libgcc, libstdc++ and winpthread are linked in).
add_compile_options(-Wall -Wextra)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
add_link_options(-static)
# Debug information names the sources and the build as "src" and "build",
# never the folders a build happened in.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=src
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
