#!/usr/bin/env bash
# Builds the Debian package beatplate_VERSION_ARCH.deb in this directory and checks it with
# lintian; install it with: sudo apt-get install ./beatplate_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
BEATPLATE_PACKAGE_TOOLS=1 BEATPLATE_WEB=1 ./scripts/setup.sh

# Debian's own compiler and linker flags (-O2, hardening), which CMake's Release flags would
# override; CMake reads no CPPFLAGS of its own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

# The page's core for the browser, which the package carries beside the served page.
./scripts/build-web.sh

build_dir=build-package
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBEATPLATE_WEB_PAGE_DIR="$PWD/dist/web" \
  -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DBEATPLATE_TESTS=OFF -DBEATPLATE_WERROR=ON \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
rm -f "$build_dir"/beatplate_*.deb
(cd "$build_dir" && cpack -G DEB)

deb=$(basename "$build_dir"/beatplate_*.deb)
mv "$build_dir/$deb" .
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
lintian --fail-on error,warning "$deb"
echo "package: built $deb; install it with: sudo apt-get install ./$deb"
