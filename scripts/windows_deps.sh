#!/usr/bin/env bash
# Builds the Windows executables' libraries from Debian's source packages, as
# static libraries, once per mingw-w64 target:
#   windows_deps.sh TRIPLET...   (the Windows build's: i686-w64-mingw32)
# Prints the folder that holds one prefix per target. The builds are cached
# outside the clone, keyed by this script and the source package versions, so
# a second run only checks the key. zlib and the OpenGL and GLU import
# libraries come with mingw-w64's Debian packages; SDL_image is left out (its
# source cannot be fetched; the Windows texture manager reads BMP through SDL).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || { echo "usage: $0 TRIPLET..." >&2; exit 2; }

sources=(libsdl1.2 sdl-mixer1.2 freetype glew libogg libvorbis ftgl googletest)

# Standard output carries only the folder this script prints; apt talks on stderr.
"$here/apt_sources.sh" >&2

# The version of each source package as apt would fetch it, from its .dsc name.
versions=""
for package in "${sources[@]}"; do
  dsc=$(apt-get source --print-uris -q "$package" 2>/dev/null | grep -o "[^ ']*\.dsc" | tail -1)
  [ -n "$dsc" ] || { echo "No source package $package" >&2; exit 1; }
  versions+="$dsc "
done
key=$( (cat "$0"; echo "$versions") | sha256sum | cut -c1-16)

cache_root=/var/cache/ombrel
[ -w /var/cache ] || cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/ombrel
cache=$cache_root/windows-deps-$key
mkdir -p "$cache"

jobs=$(nproc)

missing=()
for triplet in "$@"; do
  [ -e "$cache/$triplet/.complete" ] || missing+=("$triplet")
done
# Each run marks the build it uses; see the end.
touch "$cache/.used"
if [ ${#missing[@]} -eq 0 ]; then
  echo "$cache"
  exit 0
fi

# Sources: fetched and unpacked once for all targets. A source package whose
# Debian part the archive no longer serves is built from its upstream tarball.
fetch() {
  local package=$1 folder=$cache/src/$1
  [ -e "$folder/.complete" ] && return 0
  rm -rf "$folder" && mkdir -p "$folder/download"
  (cd "$folder/download" && apt-get source -q --download-only "$package" >/dev/null 2>&1) || true
  local dsc orig
  dsc=$(ls "$folder/download"/*.dsc 2>/dev/null | head -1)
  if ls "$folder/download"/*.debian.tar.* >/dev/null 2>&1; then
    dpkg-source --no-check -x "$dsc" "$folder/tree" >/dev/null
  else
    orig=$(ls "$folder/download"/*.orig.tar.* | grep -v '\.asc$' | grep -v -- '-[a-z0-9]*\.tar' | head -1)
    mkdir -p "$folder/tree"
    tar -xf "$orig" -C "$folder/tree" --strip-components=1
  fi
  touch "$folder/.complete"
}

echo "Fetching the Windows libraries' sources into $cache/src" >&2
for package in "${sources[@]}"; do fetch "$package" & done
wait
for package in "${sources[@]}"; do
  [ -e "$cache/src/$package/.complete" ] || { echo "Could not fetch $package" >&2; exit 1; }
done

# Every library is static: the .pc files name what a static link needs in
# their Libs and Requires. -mwindows goes, the programs are console programs;
# so does SDLmain, which only the game links (the tests have their own main).
merge_private() {
  local pc
  for pc in "$1"/lib/pkgconfig/*.pc; do
    awk '
      /^Libs:/ { libs = $0; next }
      /^Libs.private:/ { sub(/^Libs.private:/, ""); extra_libs = $0; next }
      /^Requires:/ { requires = $0; next }
      /^Requires.private:/ { sub(/^Requires.private:/, ""); extra_requires = $0; next }
      { print }
      END {
        if (requires == "") requires = "Requires:"
        print requires (extra_requires == "" ? "" : " " extra_requires)
        line = libs " " extra_libs
        gsub(/ -mwindows| -lmingw32 -lSDLmain/, "", line)
        print line
      }' "$pc" >"$pc.new"
    mv "$pc.new" "$pc"
  done
}

# build_autotools NAME TRIPLET PREFIX [configure options...]
build_autotools() {
  local name=$1 triplet=$2 prefix=$3
  shift 3
  local build=$cache/work/$triplet/$name
  rm -rf "$build" && mkdir -p "$build"
  (cd "$build" &&
    "$cache/src/$name/tree/configure" --host="$triplet" --prefix="$prefix" \
      --disable-shared --enable-static "$@" \
      CC="$triplet-gcc-posix" CXX="$triplet-g++-posix" \
      CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
      PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$triplet/lib/pkgconfig" &&
    make -j "$jobs" && make install)
}

build_sdl() { build_autotools libsdl1.2 "$1" "$2" --disable-stdio-redirect; }
build_ogg() { build_autotools libogg "$1" "$2"; }
build_vorbis() { build_autotools libvorbis "$1" "$2" --disable-examples --disable-docs; }
# Static Vorbis: configure's test of vorbisfile needs the libraries under it.
build_mixer() {
  build_autotools sdl-mixer1.2 "$1" "$2" --with-sdl-prefix="$2" LIBS="-lvorbis -logg" \
    --enable-music-ogg --disable-music-ogg-shared --disable-music-mod --disable-music-midi \
    --disable-music-mp3 --disable-music-flac --disable-music-fluidsynth-midi &&
    echo "Requires.private: vorbisfile" >>"$2/lib/pkgconfig/SDL_mixer.pc"
}
build_freetype() {
  # mingw-w64's zlib: FreeType's own copy would clash with it in one static link.
  build_autotools freetype "$1" "$2" --with-zlib=yes --without-bzip2 --without-png \
    --without-harfbuzz --without-brotli
}

# GLEW and FTGL: their own builds do not cross-compile cleanly; each is a
# plain set of sources.
build_glew() {
  local triplet=$1 prefix=$2 src=$cache/src/glew/tree build=$cache/work/$1/glew
  rm -rf "$build" && mkdir -p "$build" "$prefix/include/GL" "$prefix/lib/pkgconfig"
  "$triplet-gcc-posix" -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$src/include" -c "$src/src/glew.c" \
    -o "$build/glew.o" &&
    "$triplet-ar" rcs "$prefix/lib/libglew32.a" "$build/glew.o" &&
    cp "$src/include/GL/glew.h" "$src/include/GL/wglew.h" "$prefix/include/GL/" &&
    cat >"$prefix/lib/pkgconfig/glew.pc" <<EOF
Name: glew
Description: The OpenGL Extension Wrangler library
Version: 2.2.0
Cflags: -I$prefix/include -DGLEW_STATIC
Libs: -L$prefix/lib -lglew32 -lopengl32
EOF
}

build_ftgl() {
  local triplet=$1 prefix=$2 src=$cache/src/ftgl/tree build=$cache/work/$1/ftgl
  rm -rf "$build" && mkdir -p "$build" "$prefix/include/FTGL"
  local version
  version=$(sed -n 's/^AC_INIT([^,]*, *\[\?\([0-9.]*\).*/\1/p' "$src/configure.ac")
  # Each source file's base name is unique, so the objects share one folder.
  (cd "$build" &&
    printf '%s\n' "$src"/src/*.cpp "$src"/src/FT*/*.cpp |
    xargs -P "$jobs" -I{} "$triplet-g++-posix" -O2 -DFTGL_LIBRARY_STATIC -D_USE_MATH_DEFINES \
      -DPACKAGE_VERSION="\"$version\"" -I"$src/cmake" -I"$src/src" -I"$prefix/include/freetype2" \
      -c {}) &&
    "$triplet-ar" rcs "$prefix/lib/libftgl.a" "$build"/*.o &&
    cp "$src"/src/FTGL/*.h "$prefix/include/FTGL/" &&
    cat >"$prefix/lib/pkgconfig/ftgl.pc" <<EOF
Name: ftgl
Description: OpenGL font rendering over FreeType
Version: $version
Requires: freetype2
Cflags: -I$prefix/include -DFTGL_LIBRARY_STATIC
Libs: -L$prefix/lib -lftgl -lglu32 -lopengl32
EOF
}

build_googletest() {
  local triplet=$1 prefix=$2 build=$cache/work/$1/googletest
  rm -rf "$build" && mkdir -p "$build"
  cmake -S "$cache/src/googletest/tree" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$triplet-gcc-posix" \
    -DCMAKE_CXX_COMPILER="$triplet-g++-posix" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=ON &&
    cmake --build "$build" -j "$jobs" && cmake --install "$build"
}

# step NAME TRIPLET PREFIX: one library, its output in a log that is shown
# when it fails.
step() {
  local log=$cache/work/$2/$1.log
  mkdir -p "$(dirname "$log")"
  if ! "build_$1" "$2" "$3" >"$log" 2>&1; then
    echo "Building $1 for $2 failed; the end of $log:" >&2
    tail -30 "$log" >&2
    return 1
  fi
}

# The libraries of one target, independent ones at the same time.
build_target() {
  local triplet=$1 prefix=$cache/$1
  rm -rf "$prefix" "$cache/work/$triplet"
  mkdir -p "$prefix/lib/pkgconfig"
  local failed=0
  {
    step sdl "$triplet" "$prefix" &
    local sdl=$!
    step ogg "$triplet" "$prefix" && step vorbis "$triplet" "$prefix" && wait $sdl &&
      step mixer "$triplet" "$prefix"
  } &
  local audio=$!
  { step freetype "$triplet" "$prefix" && step ftgl "$triplet" "$prefix"; } &
  local fonts=$!
  step glew "$triplet" "$prefix" &
  local glew=$!
  step googletest "$triplet" "$prefix" &
  local tests=$!
  for job in $audio $fonts $glew $tests; do wait "$job" || failed=1; done
  [ $failed -eq 0 ] || return 1
  merge_private "$prefix"
  # mingw-w64's own import libraries, under the names the build asks for.
  printf 'Name: gl\nDescription: OpenGL\nVersion: 1.1\nLibs: -lopengl32\n' >"$prefix/lib/pkgconfig/gl.pc"
  printf 'Name: glu\nDescription: GLU\nVersion: 1.3\nLibs: -lglu32\n' >"$prefix/lib/pkgconfig/glu.pc"
  rm -rf "$cache/work/$triplet"
  touch "$prefix/.complete"
}

echo "Building the Windows libraries for ${missing[*]} (once; cached in $cache)" >&2
pids=()
for triplet in "${missing[@]}"; do
  build_target "$triplet" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ $status -eq 0 ] || exit 1

# Builds under other keys may serve another clone on this machine whose script
# is older or newer: each goes once no run has used or made it for a week.
for other in "$cache_root"/windows-deps-*; do
  [ "$other" != "$cache" ] || continue
  [ -n "$(find "$other" -maxdepth 1 \( -path "$other" -o -name .used \) -mtime -7)" ] || rm -rf "$other"
done
echo "$cache"
