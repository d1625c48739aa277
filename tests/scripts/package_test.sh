#!/usr/bin/env bash
# Checks the Debian package scripts/package.sh builds, without installing it: unpacked into a
# scratch folder (dpkg-deb -x), its files are the ones listed below and the production make-demo
# writes, each program's shared libraries come from packages its Depends names, the programs run
# from there (the player finds the production beside it, the capture tool draws a frame of it),
# the desktop entry and the manual pages are valid, and lintian reports neither errors nor
# warnings. Every check runs; the script fails, naming each problem, when any does.
#   package_test.sh sarnoj_VERSION_ARCH.deb
set -uo pipefail
deb=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}
field() { dpkg-deb -f "$deb" "$1"; }

dpkg-deb -x "$deb" "$root" || { echo "FAILED: dpkg-deb cannot unpack $deb" >&2; exit 1; }
version=$(field Version)
arch=$(field Architecture)

# The name, and the version the player, the changelog and the package agree on.
[ "$(field Package)" = sarnoj ] || fail "the package is called $(field Package), not sarnoj"
[ "$(basename "$deb")" = "sarnoj_${version}_${arch}.deb" ] ||
  fail "the file $(basename "$deb") is not sarnoj_${version}_${arch}.deb"
[ "$arch" = "$(dpkg --print-architecture)" ] || fail "architecture $arch"
player_version=$("$root/usr/bin/sarnoj" --version)
[ "$player_version" = "sarnoj $version" ] ||
  fail "sarnoj --version says \"$player_version\", the package is $version"
changelog_version=$(zcat "$root/usr/share/doc/sarnoj/changelog.gz" | head -n 1 |
                    sed -n 's/^sarnoj (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's last entry is \"$changelog_version\", the package is $version"

# The contents: exactly these files, and the production as make-demo writes it.
make_demo=$scratch/make-demo
"$root/usr/bin/sarnoj-make-demo" "$make_demo" > /dev/null ||
  fail "sarnoj-make-demo failed"
diff -r "$make_demo" "$root/usr/share/sarnoj" > /dev/null ||
  fail "usr/share/sarnoj is not the production sarnoj-make-demo writes"
expected=$({
  printf '%s\n' usr/bin/sarnoj usr/bin/sarnoj-capture usr/bin/sarnoj-scene-dump \
    usr/bin/sarnoj-make-demo usr/share/applications/sarnoj.desktop \
    usr/share/icons/hicolor/256x256/apps/sarnoj.png usr/share/man/man6/sarnoj.6.gz \
    usr/share/man/man1/sarnoj-capture.1.gz usr/share/man/man1/sarnoj-scene-dump.1.gz \
    usr/share/man/man1/sarnoj-make-demo.1.gz usr/share/doc/sarnoj/copyright \
    usr/share/doc/sarnoj/changelog.gz
  (cd "$make_demo" && find . -type f | sed 's|^\./|usr/share/sarnoj/|')
} | sort)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort)
if [ "$expected" != "$actual" ]; then
  fail "the package's files differ from those expected (< expected, > packaged):"
  diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2
fi
for program in "$root"/usr/bin/*; do
  [ -x "$program" ] || fail "${program#"$root"/} is not executable"
done

# The dependencies: every shared library a program needs comes from a package Depends names.
# The package holding the library the dynamic linker finds for a name: dpkg knows each file by
# the path it was installed under, /lib or /usr/lib (merged on newer systems), the link or its
# target.
library_package() {
  local path candidate owner
  path=$(ldconfig -p | awk -v lib="$1" '$1 == lib { print $NF; exit }')
  [ -n "$path" ] || return 0
  for candidate in "$path" "$(realpath "$path")"; do
    for candidate in "$candidate" "${candidate#/usr}" "/usr$candidate"; do
      owner=$(dpkg -S "$candidate" 2> /dev/null) || continue
      echo "${owner%%:*}"
      return 0
    done
  done
}
depends=" $(field Depends | sed 's/ *([^)]*)//g; s/,/ /g') "
for library in $(for program in "$root"/usr/bin/*; do readelf -d "$program"; done |
                 sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
  owner=$(library_package "$library")
  if [ -z "$owner" ]; then
    fail "a program needs $library, which no package on this machine holds"
  elif [[ $depends != *" $owner "* ]]; then
    fail "a program needs $library from $owner, which Depends leaves out:$depends"
  fi
done
for package in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libjpeg62-turbo libpng16-16 libc6; do
  [[ $depends == *" $package "* ]] || fail "Depends lacks $package:$depends"
done
# sarnoj-make-demo runs lame; sarnoj-capture --video runs ffmpeg.
for package in lame ffmpeg; do
  [[ " $(field Recommends | tr -d ,) " == *" $package "* ]] ||
    fail "Recommends lacks $package: $(field Recommends)"
done

# The capture tool draws a frame of the installed production, at the size asked for, not blank.
frames=$scratch/frames
if "$root/usr/bin/sarnoj-capture" "$root/usr/share/sarnoj" "$frames" --frames 575 \
     --size 320x240 > /dev/null; then
  png=$frames/frame-00575.0.png
  size=$(od -An -tu1 -j16 -N8 "$png" 2> /dev/null | tr -s ' ' | sed 's/^ //')
  [ "$size" = "0 0 1 64 0 0 0 240" ] || fail "the captured frame's size is not 320 x 240 ($size)"
  # The scene's textured, lit meshes do not compress like a blank picture.
  [ "$(stat -c %s "$png" 2> /dev/null || echo 0)" -gt 20000 ] ||
    fail "the captured frame is (nearly) blank"
else
  fail "sarnoj-capture cannot draw a frame of usr/share/sarnoj"
fi

# The player: its command line, and the production it finds beside itself from a folder that
# holds no scene (still playing when stopped, where a missing scene ends it at once).
player=$root/usr/bin/sarnoj
empty=$scratch/empty
mkdir "$empty"
"$player" --help | grep -q '^usage: sarnoj \[DIR\]' || fail "sarnoj --help gives no usage"
for args in "--no-such-option" "one two"; do
  # shellcheck disable=SC2086
  "$player" $args > /dev/null 2>&1
  code=$?
  [ $code -eq 2 ] || fail "sarnoj $args ends with $code, not 2"
done
(cd "$empty" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 "$player" 2> /dev/null)
code=$?
[ $code -eq 124 ] || fail "sarnoj from a folder without a scene did not play the installed" \
  "production (it ended with $code)"
(cd "$scratch" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 "$player" "$empty" \
   > /dev/null 2>&1)
code=$?
[ $code -eq 1 ] || fail "sarnoj EMPTY_FOLDER ends with $code, not 1 for the missing scene"

# The desktop entry: valid, starting a program of the package in the production's folder, with
# an icon of the size its folder says.
desktop=$root/usr/share/applications/sarnoj.desktop
desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects sarnoj.desktop"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ -x "$root/usr/bin/$(entry Exec | cut -d' ' -f1)" ] || fail "Exec=$(entry Exec) is not in usr/bin"
[ "$(entry Path)" = /usr/share/sarnoj ] || fail "Path=$(entry Path), not /usr/share/sarnoj"
icon=$root/usr/share/icons/hicolor/256x256/apps/$(entry Icon).png
[ "$(od -An -tu1 -j16 -N8 "$icon" 2> /dev/null | tr -s ' ' | sed 's/^ //')" = \
  "0 0 1 0 0 0 1 0" ] || fail "the icon $(entry Icon) is no 256 x 256 PNG"

# The manual pages: each program has its own, and each renders without a warning.
for program in "$root"/usr/bin/*; do
  name=$(basename "$program")
  page=$(ls "$root"/usr/share/man/man[16]/"$name".[16].gz 2> /dev/null)
  if [ -z "$page" ]; then
    fail "$name has no manual page"
    continue
  fi
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "man $name warns: $warnings"
  LC_ALL=C.UTF-8 man -l "$page" 2> /dev/null | grep -q "^NAME" || fail "man $name has no NAME"
done

# lintian: neither errors nor warnings (information tags are listed, and pass).
lintian --fail-on error,warning "$deb" > "$scratch/lintian" 2>&1
lintian_status=$?
grep -v 'root privileges' "$scratch/lintian" >&2
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors or warnings"

if [ "$failures" -ne 0 ]; then
  echo "package: $failures problems in $(basename "$deb")" >&2
  exit 1
fi
echo "package: $(basename "$deb") passed"
