# Sourced by the Windows scripts: where the mingw-w64 compiler keeps the runtime DLLs a program
# built with it needs beside it (libstdc++-6, libgcc_s_seh-1, libwinpthread-1).
mingw_runtime_folders() {  # prints the folders, one a line
    local dll
    for dll in libstdc++-6.dll libwinpthread-1.dll; do
        dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")")"
    done
}
