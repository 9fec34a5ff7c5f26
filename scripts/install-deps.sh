#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, only when one is missing,
# and makes a decimal-comma locale (ru_RU.UTF-8) for the locale tests. With --windows, also what
# the Windows leg (scripts/test-windows.sh) needs; with --only P..., just the packages named.
set -euo pipefail

# libtbb-dev: Debian's Open CASCADE CMake files link libtbb.so without the package depending on it.
# python3-ezdxf, python3-gmsh: the readers the tests check DXF and STEP files with.
packages=(cmake ninja-build g++ python3 libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
          libdxflib-dev libocct-modeling-algorithms-dev libocct-data-exchange-dev libocct-ocaf-dev
          libtbb-dev python3-ezdxf python3-gmsh dbus dbus-x11 xvfb xauth imagemagick locales
          fonts-dejavu-core)
packages+=(clang libclang-rt-14-dev) # libFuzzer and the sanitizer runtimes of the fuzz leg
packages+=(openbox xdotool x11-utils) # the window-manager test: a real window manager, real keys
# The programs designers open the exporter's files with, which the tests open them with: LibreCAD
# (prints the DXF with the layers' colours), FreeCAD (imports the DXF, its layers included) and
# LibreOffice Calc (reads the index).
packages+=(librecad freecad libreoffice-calc-nogui)
# FreeCAD as a CAD host (host/freecad/): the object model as a Python module (pybind11, the
# system's Python headers) and the session bus inside FreeCAD (dbus-python on GLib).
packages+=(pybind11-dev python3-dev python3-dbus python3-gi)
if [[ "${1:-}" == "--windows" ]]; then # the Windows leg: MinGW-w64 cross compilers and Wine
    packages+=(g++-mingw-w64-x86-64 wine googletest openbox) # openbox: the Qt programs' leg
    packages+=(nsis) # makensis: the Windows installer
elif [[ "${1:-}" == "--only" ]]; then
    shift
    packages=("$@")
fi
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    # Waits for another apt run (a second build in parallel) instead of failing on its lock.
    apt-get -o DPkg::Lock::Timeout=600 update
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y \
        --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    if [[ $(id -u) -eq 0 ]]; then
        sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
        locale-gen >/dev/null
    fi
fi
