# CMake toolchain file: 64-bit Windows programs built with Debian's mingw-w64 (g++, POSIX thread
# model, which std::thread and std::mutex need) and run under Wine.
#
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64-x86_64.cmake \
#       -DTONQUELLE_WINDOWS_PREFIXES="<Qt>;<PortAudio>;<GoogleTest>"
#
# tools/windows/build-deps.sh builds the prefixes (the Windows Qt, PortAudio and GoogleTest) and
# prints them. Without TONQUELLE_WINDOWS_PREFIXES only the compiler's own libraries are found,
# as when build-deps.sh builds those prefixes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Doubles in SSE2 registers (the x86-64 default, spelled out): never x87's 80-bit intermediates,
# so a double computation rounds as it does on Linux.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# Headers, libraries and CMake packages only from the Windows side (the compiler's root and the
# prefixes); programs (moc, uic, rcc, …) from the build machine.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TONQUELLE_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TONQUELLE_WINDOWS_PREFIXES})
list(APPEND CMAKE_PREFIX_PATH ${TONQUELLE_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config likewise: only the prefixes' .pc files (PortAudio's), never the build machine's.
list(TRANSFORM TONQUELLE_WINDOWS_PREFIXES APPEND /lib/pkgconfig OUTPUT_VARIABLE pkgconfig_folders)
string(JOIN : pkgconfig_path ${pkgconfig_folders})
set(ENV{PKG_CONFIG_LIBDIR} "${pkgconfig_path}")
set(ENV{PKG_CONFIG_PATH} "")

# A Qt built for Windows takes its build tools from the build machine's Qt of the same version
# (Debian's qt6-base-dev-tools), whose CMake files lie in the multiarch folder.
set(QT_HOST_PATH /usr)
file(GLOB host_qt_info LIST_DIRECTORIES true /usr/lib/*/cmake/Qt6HostInfo)
if(host_qt_info)
    list(GET host_qt_info 0 host_qt_info)
    cmake_path(GET host_qt_info PARENT_PATH QT_HOST_PATH_CMAKE_DIR)
endif()

# Test programs (and GoogleTest's test discovery at build time) run under Wine; run-under-wine.sh
# finds the mingw runtime DLLs and those of the prefixes.
list(TRANSFORM TONQUELLE_WINDOWS_PREFIXES APPEND /bin OUTPUT_VARIABLE dll_folders)
string(JOIN : dll_path ${dll_folders})
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh "--dlls=${dll_path}")
