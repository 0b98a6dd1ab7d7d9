#!/usr/bin/env bash
# Builds the Debian package of Tarrow, dist/tarrow_VERSION_ARCH.deb, and
# prints its path (the only thing it writes to standard output):
#   scripts/package-deb.sh
# It installs what it needs (scripts/install-deps.sh), builds the Release
# build in build/ (TARROW_BUILD_DIR names another folder) or reuses it when
# it is there, installs it into a staging tree with `cmake --install`, adds
# the manual pages, the copyright file and the changelog, and packs the tree
# with dpkg-deb.
#
# dpkg-deb on an install tree rather than CPack: the tree is exactly what
# `cmake --install` gives everyone else; the package's own files (control
# template, copyright, changelog) sit in scripts/deb/ as Debian writes them,
# not as CPack variables in the build files; the Depends come from
# dpkg-shlibdeps, as Debian's own packages get theirs; and the CI packs the
# very build it has just tested, without configuring it again for CPack.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
cd "$root"
umask 022

"$here/install-deps.sh" >&2

fail() { echo "package-deb: $*" >&2; exit 1; }

build=${TARROW_BUILD_DIR:-$root/build}
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
if [ -f "$build/CMakeCache.txt" ]; then
  # A build made for tests or debugging must not be shipped.
  [ "$(cache_value CMAKE_BUILD_TYPE)" = Release ] ||
    fail "$build is a '$(cache_value CMAKE_BUILD_TYPE)' build; the package needs a Release build"
  for option in TARROW_SANITIZE TARROW_TSAN TARROW_FUZZ; do
    [ "$(cache_value $option)" != ON ] || fail "$build is built with $option=ON; the package needs a plain Release build"
  done
  [ "$(cache_value TARROW_BUILD_UI)" != OFF ] || fail "$build is built without the window program (TARROW_BUILD_UI=OFF)"
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
fi
# Only what the package holds; tests and benchmarks are not built for it.
cmake --build "$build" --parallel "$(nproc)" --target tarrow tarrow-cli tarrow_icon >&2

# dpkg-shlibdeps expects a source tree with the package's files in
# debian/PACKAGE/ beside its DEBIAN/; an empty debian/control will do.
work="$build/deb"
stage="$work/debian/tarrow"
rm -rf "$work"
mkdir -p "$stage/DEBIAN"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null
# The browser version, for directors to copy to any computer or web space.
web="$("$here/build-web.sh")"
mkdir -p "$stage/usr/share/tarrow/web"
cp "$web"/* "$stage/usr/share/tarrow/web/"
# The compilers' version notes are of no use in an installed program.
strip --remove-section=.comment "$stage"/usr/bin/*

changelog="$here/deb/changelog"
version=$("$stage/usr/bin/tarrow-cli" --version)
version=${version#Tarrow }
logged=$(dpkg-parsechangelog -l "$changelog" -S Version)
[ "$logged" = "$version" ] ||
  fail "the program is version $version but scripts/deb/changelog's latest entry is $logged; add an entry"
released=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$root/ui/tarrow.metainfo.xml" | sed -n 1p)
[ "$released" = "$version" ] ||
  fail "the program is version $version but ui/tarrow.metainfo.xml's latest release is $released; add one"
maintainer=$(dpkg-parsechangelog -l "$changelog" -S Maintainer)
# Dates inside the package (manual pages, file times) are the changelog's,
# so the same source makes the same package.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
export SOURCE_DATE_EPOCH
arch=$(dpkg --print-architecture)

man="$stage/usr/share/man/man1"
mkdir -p "$man"
"$here/make-manpages.sh" "$stage/usr/bin" "$man"
doc="$stage/usr/share/doc/tarrow"
mkdir -p "$doc"
cp "$here/deb/copyright" "$doc/copyright"
cp "$changelog" "$doc/changelog"
for file in "$man"/*.1 "$doc/changelog"; do
  touch -d "@$SOURCE_DATE_EPOCH" "$file"
  gzip -9n "$file"
done

# Depends: the packages of the libraries the programs load, as Debian's
# shlibs files name them, plus what they open at run time without linking
# it: Qt's platform plugins (the window's display, and the offscreen
# platform that printing and "render" use without one) and the fonts the
# PDF writer resolves "Arial", "Arial Narrow", "Times New Roman" and "Symbol"
# to.
: >"$work/debian/control"
shlibs=$(cd "$work" && dpkg-shlibdeps -O debian/tarrow/usr/bin/tarrow debian/tarrow/usr/bin/tarrow-cli)
shlibs=${shlibs#shlibs:Depends=}
[ -n "$shlibs" ] || fail "dpkg-shlibdeps found no libraries"
depends="$shlibs, qt6-qpa-plugins, fonts-liberation, fonts-urw-base35"

find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage"/usr/bin/*
size=$(du -sk --apparent-size "$stage" | cut -f 1)

sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@MAINTAINER@/$maintainer/" \
    -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" "$here/deb/control.in" >"$stage/DEBIAN/control"
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$root/dist"
package="$root/dist/tarrow_${version}_${arch}.deb"
rm -f "$package"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$package" >/dev/null
echo "$package"
