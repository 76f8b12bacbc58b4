#!/usr/bin/env bash
# Builds the Windows (x86_64-w64-mingw32) libraries Tonquelle's Windows build links, from
# Debian's own packages: PortAudio and qtbase from their source packages (apt-get source),
# GoogleTest from the googletest package, and Qt's German translations copied from
# qt6-translations-l10n. Installs the Debian packages it needs first.
#
# Everything goes to a cache folder outside the repository, $TONQUELLE_WINDOWS_CACHE (default
# ~/.cache/tonquelle-windows), one folder per library named after the library, its source
# version and a hash of its key: the source version, the configure line (with the patch and
# the toolchain file's compiler settings) and the compiler's package versions. A folder whose
# key matches is used as it is, so a second run takes seconds; a cold run takes about half an
# hour (qtbase).
#
# The last run's folders are written to <cache>/prefixes.env (shell syntax) for the build:
#   . ~/.cache/tonquelle-windows/prefixes.env
#   cmake … -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64-x86_64.cmake \
#       -DTONQUELLE_WINDOWS_PREFIXES="$TONQUELLE_WINDOWS_PREFIXES"
#
# TONQUELLE_WINDOWS_JOBS sets the number of parallel compile jobs (default: all cores); the
# builds run at the lowest priority (nice 19), so a machine shared with other work stays usable.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${TONQUELLE_WINDOWS_CACHE:-$HOME/.cache/tonquelle-windows}
jobs=${TONQUELLE_WINDOWS_JOBS:-$(nproc)}
toolchain=$here/mingw-w64-x86_64.cmake
started=$SECONDS

"$repo/tools/install-deps.sh" "$repo/tools/debian-packages-run.txt" "$here/debian-packages.txt"
mkdir -p "$cache"/{downloads,logs,work}
exec 9>"$cache/.lock"
flock 9  # one run at a time per cache folder
rm -rf "${cache:?}"/work/*  # what an interrupted or failed run left

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)

installed_version() {  # <Debian binary package> [source]: its version, or its source's version
    local field='${Version}'
    [[ ${2-} == source ]] && field='${source:Version}'
    dpkg-query -W -f="$field" "$1"
}

compiler_identity="g++-mingw-w64-x86-64-posix $(installed_version g++-mingw-w64-x86-64-posix),\
 mingw-w64-x86-64-dev $(installed_version mingw-w64-x86-64-dev)"

# The source package in the version the build machine has installed: for Qt the build tools come
# from the installed Qt, which must be the same version.
fetch_source() {  # <source package> <version> <folder to unpack into>
    local package=$1 version=$2 folder=$3
    if ! apt-cache showsrc "$package" 2>/dev/null | grep -qxF "Version: $version"; then
        add_debian_source_index
    fi
    (cd "$cache/downloads" && apt-get source --download-only "$package=$version")
    rm -rf "$folder"
    dpkg-source -x "$cache/downloads/${package}_${version#*:}.dsc" "$folder"
}

# A deb-src entry for Debian's own mirror, written only when no source index has the package.
add_debian_source_index() {
    local list=/etc/apt/sources.list.d/tonquelle-deb-src.sources codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "Adding Debian's source packages to apt ($list)"
    "${sudo[@]}" tee "$list" >/dev/null <<EOF
# Debian's source packages, for Tonquelle's tools/windows/build-deps.sh (apt-get source)
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
}

# cached <variable> <name> <version> <key text> <build function>
# Sets <variable> to the library's cache folder <name>-<version>-<hash of key>, building it with
# <build function> <folder> <work folder> when the folder is missing or incomplete. The key file,
# written last, marks a complete folder.
cached() {
    local -n result=$1
    local name=$2 version=${3//:/_} key=$4 build=$5
    local hash entry folder work log began
    hash=$(printf '%s\n' "$key" | sha256sum | cut -c1-12)
    entry=$name-$version-$hash
    folder=$cache/$entry
    result=$folder
    if [[ -f $folder/cache-key.txt ]] && [[ $(<"$folder/cache-key.txt") == "$key" ]]; then
        echo "$name: cached in $folder"
        return
    fi
    work=$cache/work/$entry
    log=$cache/logs/$entry.log
    echo "$name: building into $folder (log: $log)"
    rm -rf "$folder" "$work"
    mkdir -p "$work"
    began=$SECONDS
    # In a subshell of its own at the lowest priority, so that its first failing command ends
    # it (set -e) and its cd stays there.
    set +e
    (set -e && renice -n 19 -p "$BASHPID" >/dev/null && "$build" "$folder" "$work") >"$log" 2>&1
    local status=$?
    set -e
    if ((status != 0)); then
        tail -n 15 "$log"
        echo "$name: build failed; the whole log is $log" >&2
        exit 1
    fi
    printf '%s\n' "$key" >"$folder/cache-key.txt"
    rm -rf "$work"
    echo "$name: built in $((SECONDS - began)) s"
}

# --- PortAudio: MME and WASAPI. Its CMake file turns WASAPI off for every compiler but MSVC, so
# the autotools build is used.
portaudio_version=$(installed_version portaudio19-dev source)
portaudio_configure=(--host=x86_64-w64-mingw32 --with-winapi=wmme,wasapi
    CC=x86_64-w64-mingw32-gcc-posix "CFLAGS=-O2 -msse2 -mfpmath=sse")
portaudio_patch=$here/portaudio-wasapi-mingw.patch  # WASAPI with mingw-w64's headers

build_portaudio() {  # <prefix> <work folder>
    local prefix=$1 source=$2/source
    fetch_source portaudio19 "$portaudio_version" "$source"
    cd "$source"
    patch -p1 <"$portaudio_patch"
    ./configure --prefix="$prefix" "${portaudio_configure[@]}"
    make -j"$jobs"
    make install
    # make install copies only portaudio.h; the Windows host APIs have headers of their own.
    cp include/pa_win_*.h "$prefix/include/"
}

# --- qtbase: Core, Gui, Widgets, Test and the Windows platform plugin, shared, with its bundled
# image, font and regular-expression libraries. Debian's source lacks wintab (tablet events);
# Direct2D stays on: the Windows platform plugin does not link without it.
qt_version=$(installed_version qt6-base-dev source)
qt_configure=(-release -shared -xplatform win32-g++ -qt-host-path /usr
    -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network -no-feature-xml
    -no-feature-printsupport -no-feature-concurrent -no-feature-tabletevent
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -no-pkg-config
    -nomake examples -nomake tests)

build_qt() {  # <prefix> <work folder>
    local prefix=$1 source=$2/source build=$2/build
    fetch_source qt6-base "$qt_version" "$source"
    mkdir -p "$build"
    cd "$build"
    "$source/configure" -prefix "$prefix" "${qt_configure[@]}" \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    cmake --build . --parallel "$jobs"
    cmake --install .
}

# --- GoogleTest, for the test programs.
googletest_version=$(installed_version googletest)
googletest_configure=(-DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF)

build_googletest() {  # <prefix> <work folder>
    local prefix=$1 build=$2
    cmake -S /usr/src/googletest -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "${googletest_configure[@]}"
    cmake --build "$build" --parallel "$jobs"
    cmake --install "$build"
}

# --- Qt's German texts (standard dialogs and buttons); the .qm files fit every platform.
translations_version=$(installed_version qt6-translations-l10n)

copy_translations() {  # <folder> <work folder>
    mkdir -p "$1"
    cp /usr/share/qt6/translations/qtbase_de.qm "$1/"
}

# What of the toolchain file shapes the built code: target, compilers, flags. (Comments and the
# settings for finding packages and running tests may change without a rebuild.)
toolchain_key=$(grep -E '^set\(CMAKE_(SYSTEM_[A-Z]+|[A-Z]+_COMPILER|[A-Z]+_FLAGS_INIT) ' "$toolchain" |
    sed 's/^/toolchain /')
cached portaudio portaudio "$portaudio_version" "source portaudio19 $portaudio_version
configure ${portaudio_configure[*]}
patch $(sha256sum <"$portaudio_patch" | cut -c1-16)
compiler $compiler_identity" build_portaudio
cached googletest googletest "$googletest_version" "source googletest $googletest_version
configure ${googletest_configure[*]}
$toolchain_key
compiler $compiler_identity" build_googletest
cached translations qt-translations-de "$translations_version" \
    "source qt6-translations-l10n $translations_version" copy_translations
cached qt qtbase "$qt_version" "source qt6-base $qt_version
configure ${qt_configure[*]}
$toolchain_key
compiler $compiler_identity" build_qt

cat >"$cache/prefixes.env" <<EOF
# Written by Tonquelle's tools/windows/build-deps.sh: the Windows libraries of its last run.
TONQUELLE_WINDOWS_QT='$qt'
TONQUELLE_WINDOWS_PORTAUDIO='$portaudio'
TONQUELLE_WINDOWS_GOOGLETEST='$googletest'
TONQUELLE_WINDOWS_QT_TRANSLATIONS='$translations'
TONQUELLE_WINDOWS_PREFIXES='$qt;$portaudio;$googletest'
EOF

show() {  # <folder> <what it holds>
    printf '  %-42s %5s  %s\n' "$(basename "$1")" "$(du -sh "$1" | cut -f1)" "$2"
}
echo
echo "Windows libraries in $cache:"
show "$qt" "Qt DLLs (Core, Gui, Widgets, Test), plugins/, headers, CMake files"
show "$portaudio" "libportaudio-2.dll (MME, WASAPI), import library, headers"
show "$googletest" "GoogleTest, static, with CMake files"
show "$translations" "qtbase_de.qm: Qt's German texts"
for folder in "$cache"/*/cache-key.txt; do
    folder=$(dirname "$folder")
    case $folder in "$qt" | "$portaudio" | "$googletest" | "$translations") continue ;; esac
    show "$folder" "not used by this run (another version or key)"
done
echo "Their folders for the build: $cache/prefixes.env"
echo "Done in $((SECONDS - started)) s."
