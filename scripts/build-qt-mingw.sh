#!/usr/bin/env bash
# Builds Qt 6 for Windows (MinGW-w64, 64-bit, shared libraries) from Debian's own qt6-base source,
# against the host tools of qt6-base-dev, and installs it into a cache folder outside the checkout.
# The build takes a quarter of an hour or more, so it runs only when the cache is missing or was made
# for another Qt version or other options (stamp file). Prints the install prefix on its last line.
#
# Environment: QUORVEL_CACHE (default /var/cache/quorvel), QUORVEL_QT_JOBS (default: all cores).
set -euo pipefail

cache_root=${QUORVEL_CACHE:-/var/cache/quorvel}

bash "$(dirname "$0")/install-deps.sh" --only cmake ninja-build perl xz-utils qt6-base-dev \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64

# The cross build must be the very version of the host tools it runs (moc, rcc, uic).
debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_version=${debian_version%%+*}
qt_version=${qt_version%%-*}
prefix="$cache_root/qt6-mingw-$qt_version"

# Everything that shapes the result; a change here rebuilds the cache.
configure_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_widgets=ON -DFEATURE_testlib=ON
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
    -DFEATURE_accessibility=OFF -DFEATURE_tabletevent=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
    # Qt's own copies of the third-party libraries, so that the result does not depend on which
    # MinGW library packages happen to be installed.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
)
stamp_text="qt6-base $debian_version x86_64-w64-mingw32-posix ${configure_options[*]}"
stamp="$prefix/.quorvel-stamp"

mkdir -p "$cache_root"
# Two builds at once (two checkouts on one machine) would fight over the same folders.
exec 9>"$cache_root/qt6-mingw.lock"
flock 9

if [[ -f "$stamp" && "$(cat "$stamp")" == "$stamp_text" ]]; then
    echo "Qt $qt_version for MinGW is cached in $prefix"
    echo "$prefix"
    exit 0
fi

work="$cache_root/qt6-mingw-build"
log="$cache_root/qt6-mingw-build.log"
toolchain="$prefix/mingw-w64-x86_64.cmake"
# An interrupted build of the same version and options goes on where it stopped.
if [[ -f "$work/build/build.ninja" && -f "$work/.quorvel-options" &&
      "$(cat "$work/.quorvel-options")" == "$stamp_text" && -f "$toolchain" ]]; then
    echo "Continuing the build of Qt $qt_version for MinGW in $work (log: $log)"
else
    echo "Building Qt $qt_version for MinGW into $prefix (log: $log); this takes a while"
    rm -rf "$work" "$prefix"
    : > "$log"
    mkdir -p "$prefix" "$work/src"
    fetch="$(dirname "$0")/debian-source.sh"
    # The installed revision, or else whatever revision the archive has now (checked below).
    source_dir=$(bash "$fetch" "qt6-base=$debian_version" "$work/src" 2>>"$log") ||
        source_dir=$(bash "$fetch" qt6-base "$work/src" 2>>"$log")
    if [[ "$source_dir" != *"-$qt_version" ]]; then
        echo "Debian's qt6-base source is not Qt $qt_version: $source_dir (see $log)" >&2
        exit 1
    fi
    # Qt 6.4's Windows platform plugin asks the dynamic OpenGL loader about software rendering
    # even when OpenGL is off, which does not compile; without OpenGL the answer is "no".
    sed -i '/^static inline bool isSoftwareGl()/,/^}/ s/#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        "$source_dir/src/plugins/platforms/windows/qwindowswindow.cpp"

    # Kept in the prefix: Qt's own qt.toolchain.cmake loads it again when a project is configured.
    cat > "$toolchain" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
    if ! cmake -G Ninja -S "$source_dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
             -DCMAKE_INSTALL_PREFIX="$prefix" "${configure_options[@]}" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "Qt configuration failed (full log: $log)" >&2
        exit 1
    fi
    echo "$stamp_text" > "$work/.quorvel-options"
fi

jobs=${QUORVEL_QT_JOBS:-$(nproc)}
started=$SECONDS
if ! { cmake --build "$work/build" --parallel "$jobs" &&
       cmake --install "$work/build"; } >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Qt build failed (full log: $log)" >&2
    exit 1
fi

# The runtime libraries of the compiler, so that a folder with the Qt libraries is complete.
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")" "$prefix/bin/"
done

echo "$stamp_text" > "$stamp"
rm -rf "$work"
echo "Qt $qt_version for MinGW built in $(((SECONDS - started) / 60)) min"
echo "$prefix"
