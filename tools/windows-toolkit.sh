#!/usr/bin/env bash
# Builds what the Windows build links with, once, into a cache outside the
# repository that later builds reuse: wxWidgets for MSW, libpng and
# libjpeg-turbo, all static, from Debian's own source packages (Debian's
# wxWidgets source leaves out the toolkit's copies of those libraries; zlib
# comes from Debian's libz-mingw-w64-dev). The deb-src entry lives in a
# private apt configuration inside the cache, never in the machine's, and
# names the archive the machine's own apt sources name.
#
#   tools/windows-toolkit.sh CACHE
set -euo pipefail

CACHE=$(realpath -m "${1:?usage: windows-toolkit.sh CACHE}")
HERE=$(cd "$(dirname "$0")" && pwd)
TRIPLET=x86_64-w64-mingw32
PREFIX=$CACHE/prefix
STAMP=$PREFIX/.built-from
SOURCES="wxwidgets3.2 libpng1.6 libjpeg-turbo"

if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SOURCES" ]; then
  echo "Windows toolkit: already built in $PREFIX"
  exit 0
fi
start=$(date +%s)
rm -rf "$CACHE/build" "$PREFIX"
mkdir -p "$CACHE/apt/lists/partial" "$CACHE/apt/cache/archives/partial" "$CACHE/apt/sources" "$CACHE/build" "$PREFIX"

# The source packages come from the archive the machine already installs its
# packages from (its mirror, if it has one), as apt itself reports it.
. /etc/os-release
SUITE=${VERSION_CODENAME:?no VERSION_CODENAME in /etc/os-release}
ARCHIVE=$(apt-cache policy | awk -v want="$SUITE/main" '$3 == want && $2 ~ /^(https?|file):/ { print $2; exit }')
if [ -z "$ARCHIVE" ]; then
  echo "windows-toolkit: no apt source for $SUITE/main on this machine (run apt-get update?)" >&2
  exit 1
fi
cat > "$CACHE/apt/sources/debian-src.sources" <<EOT
Types: deb-src
URIs: $ARCHIVE
Suites: $SUITE
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOT
cat > "$CACHE/apt/apt.conf" <<EOT
Dir::Etc::SourceList "/dev/null";
Dir::Etc::SourceParts "$CACHE/apt/sources";
Dir::State::Lists "$CACHE/apt/lists";
Dir::Cache "$CACHE/apt/cache";
APT::Sandbox::User "root";
EOT
export APT_CONFIG=$CACHE/apt/apt.conf
apt-get update -qq
cd "$CACHE/build"
apt-get source -qq $SOURCES > /dev/null

cmake_build() {  # source-folder build-folder cmake-options...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$HERE/../cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release "$@" > /dev/null
  cmake --build "$build" -j"$(nproc)" > /dev/null
  cmake --install "$build" > /dev/null
}
export QUILLORY_WINDOWS_PREFIX=$PREFIX
cmake_build libpng1.6-*/ png -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
cmake_build libjpeg-turbo-*/ jpeg -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
echo "Windows toolkit: image libraries built after $(( $(date +%s) - start )) s"

# Only the parts of the toolkit the program uses (base and core, with the
# toolkit's own regex), so that the first build stays short.
mkdir -p wx && cd wx
../wxwidgets3.2-*/configure --host=$TRIPLET CC=$TRIPLET-gcc-posix CXX=$TRIPLET-g++-posix --prefix="$PREFIX" \
  --disable-shared --with-msw --with-libpng=sys --with-libjpeg=sys --with-zlib=sys --without-libtiff \
  --without-liblzma --with-regex=builtin --without-expat --disable-xrc --disable-html --disable-aui --disable-stc \
  --disable-richtext --disable-ribbon --disable-propgrid --disable-webview --disable-mediactrl --without-opengl \
  --disable-sound --disable-debugreport CPPFLAGS="-I$PREFIX/include" LDFLAGS="-L$PREFIX/lib" > configure.log 2>&1 \
  || { tail -20 configure.log; exit 1; }
make -j"$(nproc)" > make.log 2>&1 || { tail -30 make.log; exit 1; }
make install > /dev/null
echo "$SOURCES" > "$STAMP"
echo "Windows toolkit: built in $PREFIX after $(( $(date +%s) - start )) s"
