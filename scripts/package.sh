#!/usr/bin/env bash
# Builds the release programs of both Windows builds and writes the portable archives users download:
#   dist/vextral-<version>-win32.zip   the i686 program
#   dist/vextral-<version>-win64.zip   the x86_64 program
#   dist/SHA256SUMS                    both archives' SHA-256 sums (sha256sum -c SHA256SUMS checks them)
# Each archive holds vextral.exe and README.txt (docs/README-windows.txt with the version filled in).
# The version is the project's (scripts/version). Release builds: optimised (CMake's Release), stripped
# at link time, the runtime linked statically as in every build; only the vextral target, in
# build/release-i686 and build/release-x64.
#
# Reproducible: the same commit gives byte-identical archives.
#  - The programs: no link time in the PE header (--no-insert-timestamp, set in CMakeLists.txt), no
#    debug information or symbols (-s), no source paths (-ffile-prefix-map; the release build has no
#    assertions that would name files anyway).
#  - The archives: the entries are added one by one in a fixed order (vextral.exe, README.txt); every
#    file gets the commit's time (UTC, so the machine's time zone does not matter) and fixed
#    permissions; zip -X leaves out the extra fields with owners and precise times.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$("$root/scripts/version")
dist=$root/dist

# The time every archived file carries: the commit's, else SOURCE_DATE_EPOCH, else a fixed date.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)}
stamp=$(TZ=UTC date -d "@$epoch" +%Y%m%d%H%M.%S)

build_release() {  # <kind> <toolchain triple>
  local dir=$root/build/release-$1
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -G Ninja -S "$root" -B "$dir" >/dev/null \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2.cmake" -DCMAKE_BUILD_TYPE=Release -DVX_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$root/=" -DCMAKE_EXE_LINKER_FLAGS=-s
  fi
  ninja --quiet -C "$dir" vextral
}

package() {  # <kind> <archive suffix>
  local stage
  stage=$(mktemp -d)
  cp "$root/build/release-$1/vextral.exe" "$stage/vextral.exe"
  # For Windows users: CRLF line ends and a UTF-8 byte order mark, so Notepad shows the Japanese.
  { printf '\xEF\xBB\xBF'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$root/docs/README-windows.txt"; } \
    > "$stage/README.txt"
  chmod 755 "$stage/vextral.exe"
  chmod 644 "$stage/README.txt"
  TZ=UTC touch -t "$stamp" "$stage/vextral.exe" "$stage/README.txt"
  local archive=$dist/vextral-$version-$2.zip
  rm -f "$archive"
  (cd "$stage" && TZ=UTC zip -q -X -9 "$archive" vextral.exe README.txt)
  rm -rf "$stage"
}

echo "package: version $version"
build_release i686 i686-w64-mingw32
build_release x64 x86_64-w64-mingw32
mkdir -p "$dist"
package i686 win32
package x64 win64
(cd "$dist" && sha256sum "vextral-$version-win32.zip" "vextral-$version-win64.zip" > SHA256SUMS)
for kind in i686 x64; do
  printf 'package: %-46s %9d bytes\n' "build/release-$kind/vextral.exe" "$(stat -c %s "$root/build/release-$kind/vextral.exe")"
done
for suffix in win32 win64; do
  printf 'package: %-46s %9d bytes\n' "dist/vextral-$version-$suffix.zip" "$(stat -c %s "$dist/vextral-$version-$suffix.zip")"
done
sed 's/^/package: /' "$dist/SHA256SUMS"
