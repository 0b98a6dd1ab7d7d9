#!/usr/bin/env bash
# Checks a Debian package that scripts/package-deb.sh made:
#   scripts/check-deb.sh dist/tarrow_VERSION_ARCH.deb
# Without installing it: its fields and files, that its programs are
# stripped, that Depends names the package of every library they load and
# the plugins and fonts they open (and never the peer solver), that the
# manual pages hold every command's help word for word, the AppStream
# description, and lintian (no errors).  Then, where this machine allows it
# (root or password-less sudo, apt-get, no tarrow installed already), it
# installs the package, runs the installed programs from PATH in an empty
# folder with an empty configuration folder (deal, pdf, render, print to a
# cups-pdf queue, the window as the menu starts it), removes the package and
# checks that none of its files is left.  Where it cannot install it says why
# and skips only that part.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PACKAGE.deb" >&2
  exit 2
fi
deb="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"

fail() { echo "check-deb: FAILED: $*" >&2; exit 1; }
note() { echo "check-deb: $*"; }

tmp=$(mktemp -d)
sudo=()
installed_by_us=0
cleanup() {
  local status=$?
  if [ "$installed_by_us" = 1 ]; then
    note "removing the package after a failure"
    "${sudo[@]}" apt-get remove -y -q tarrow >/dev/null 2>&1 || true
  fi
  rm -rf "$tmp"
  exit "$status"
}
trap cleanup EXIT

# --- fields and files -------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
[ "$(field Package)" = tarrow ] || fail "Package is '$(field Package)', not tarrow"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
  fail "Architecture is '$(field Architecture)', not $(dpkg --print-architecture)"
banner=$("$root/usr/bin/tarrow-cli" --version)
[ "Tarrow $(field Version)" = "$banner" ] ||
  fail "Version is '$(field Version)' but the packaged tarrow-cli says '$banner'"
case "$deb" in
  */tarrow_"$(field Version)"_"$(field Architecture)".deb) ;;
  *) fail "$(basename "$deb") is not named tarrow_$(field Version)_$(field Architecture).deb" ;;
esac

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 3)}' | LC_ALL=C sort)
for required in usr/bin/tarrow usr/bin/tarrow-cli \
    usr/share/applications/tarrow.desktop usr/share/metainfo/tarrow.metainfo.xml \
    usr/share/man/man1/tarrow.1.gz usr/share/man/man1/tarrow-cli.1.gz \
    usr/share/doc/tarrow/copyright usr/share/doc/tarrow/changelog.gz \
    usr/share/tarrow/web/index.html usr/share/tarrow/web/page.js usr/share/tarrow/web/tarrow.js \
    usr/share/tarrow/web/tarrow-wasm.js; do
  grep -qx "$required" <<<"$files" || fail "the package lacks /$required"
done
# Only the two programs: no test, benchmark or build helper is shipped.
programs=$(grep '^usr/bin/' <<<"$files" | tr '\n' ' ')
[ "$programs" = "usr/bin/tarrow usr/bin/tarrow-cli " ] || fail "the programs shipped are: $programs"
if grep -v '^usr/\(bin\|share\)/' <<<"$files" | grep -q .; then
  fail "files outside /usr/bin and /usr/share: $(grep -v '^usr/\(bin\|share\)/' <<<"$files" | tr '\n' ' ')"
fi
for program in tarrow tarrow-cli; do
  sections=$(readelf -S -W "$root/usr/bin/$program")
  if grep -qE '\.symtab|\.debug_' <<<"$sections"; then fail "/usr/bin/$program is not stripped"; fi
done

# Each icon is a PNG as large as the folder it sits in says.
icons=$(grep '^usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/tarrow\.png$' <<<"$files" || true)
[ -n "$icons" ] || fail "no tarrow.png under /usr/share/icons/hicolor/"
for icon in $icons; do
  folder=$(cut -d / -f 5 <<<"$icon")
  # The PNG header: 8 signature bytes, the IHDR chunk's length and type, then
  # width and height as 32-bit big-endian numbers.
  [ "$(head -c 8 "$root/$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "/$icon is not a PNG"
  read -r width height < <(od -An -tu1 -j 16 -N 8 "$root/$icon" |
    awk '{print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8}')
  [ "${width}x${height}" = "$folder" ] || fail "/$icon is ${width}x${height}"
done
desktop="$root/usr/share/applications/tarrow.desktop"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = tarrow ] || fail "the desktop entry's Icon is not tarrow"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the desktop entry starts '${exec_line%% *}', which is not in /usr/bin"

# --- Depends ----------------------------------------------------------------

depends=$(field Depends)
depends_names=$(tr ',|' '\n\n' <<<"$depends" | sed -e 's/(.*)//' -e 's/ //g' | grep .)
for needed in qt6-qpa-plugins fonts-liberation fonts-urw-base35; do
  grep -qx "$needed" <<<"$depends_names" || fail "Depends lacks $needed: $depends"
done
if grep -q 'dds' <<<"$depends_names"; then fail "Depends names the peer solver's library: $depends"; fi
if grep -q -- '-dev$' <<<"$depends_names"; then fail "Depends names a development package: $depends"; fi
# Every library the programs link must come from a package Depends names.
ldconfig -p >"$tmp/ldconfig"
for program in tarrow tarrow-cli; do
  sonames=$(readelf -d "$root/usr/bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for soname in $sonames; do
    if grep -q dds <<<"$soname"; then fail "/usr/bin/$program links the peer solver ($soname)"; fi
    path=$(awk -v so="$soname" '$1 == so && /x86-64|64bit/ {print $NF; exit}' "$tmp/ldconfig")
    [ -n "$path" ] || path=$(awk -v so="$soname" '$1 == so {print $NF; exit}' "$tmp/ldconfig")
    [ -n "$path" ] || fail "/usr/bin/$program needs $soname, which this machine does not have"
    owner=""
    for candidate in "$path" "$(readlink -f "$path")" "${path#/usr}" "/usr$path"; do
      owner=$(dpkg -S "$candidate" 2>/dev/null | sed -n '1s/:.*//p') && [ -n "$owner" ] && break
    done
    [ -n "$owner" ] || fail "no package owns $path ($soname, needed by /usr/bin/$program)"
    grep -qx "$owner" <<<"$depends_names" ||
      fail "/usr/bin/$program needs $soname from $owner, which Depends lacks: $depends"
  done
done
note "Depends: $depends"

# --- manual pages and AppStream ---------------------------------------------

# A page as man shows it, wide enough that no line is broken.
rendered() { MANWIDTH=250 man -l "$1" 2>/dev/null | sed -e 's/[[:space:]]*$//'; }
# The lines of a page's subsection, from its heading (three columns in) to
# the next heading, without the text's own indent of seven columns.
subsection() {
  awk -v name="   $2" '$0 == name {on = 1; next} on && (/^[^ ]/ || /^   [^ ]/) {exit} on' <<<"$1" |
    sed -e 's/^       //'
}
trim() { sed -e 's/[[:space:]]*$//' -e '/./,$!d' | sed -e ':a' -e '/^\n*$/{$d;N;ba' -e '}'; }
cli_page="$root/usr/share/man/man1/tarrow-cli.1.gz"
cli_text=$(rendered "$cli_page")
cli_help=$("$root/usr/bin/tarrow-cli" --help)
names=$(awk '/^Commands:$/ {on = 1; next} on && /^$/ {exit} on {print $1}' <<<"$cli_help")
[ "$(wc -w <<<"$names")" -ge 10 ] || fail "tarrow-cli --help lists only: $names"
for name in $names; do
  expected=$("$root/usr/bin/tarrow-cli" "$name" --help | trim)
  got=$(subsection "$cli_text" "$name" | trim)
  [ "$got" = "$expected" ] || fail "tarrow-cli(1) differs from 'tarrow-cli $name --help':
$(diff <(echo "$expected") <(echo "$got") | head -20)"
done
exit_status=$(sed -n '/^Exit status:/,$p' <<<"$cli_help")
[ -n "$exit_status" ] || fail "tarrow-cli --help says nothing about the exit status"
grep -qF "$(head -n 1 <<<"$exit_status")" <<<"$cli_text" || fail "tarrow-cli(1) lacks the exit status"
window_help=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/tarrow" --help 2>/dev/null)
window_text=$(rendered "$root/usr/share/man/man1/tarrow.1.gz")
while IFS= read -r line; do
  [ -z "$line" ] || grep -qF -- "${line#Usage: }" <<<"$window_text" || fail "tarrow(1) lacks the help line '$line'"
done <<<"$window_help"
# apropos and whatis find a page by its NAME line.
for page in tarrow tarrow-cli; do
  lexgrog "$root/usr/share/man/man1/$page.1.gz" >/dev/null || fail "$page(1) has no NAME line man-db can read"
done

# The window program's id is the desktop entry's name, tarrow, not a
# reverse domain name: no domain is Tarrow's to use.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$root/usr/share/metainfo/tarrow.metainfo.xml" || fail "the AppStream description does not validate"
released=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$root/usr/share/metainfo/tarrow.metainfo.xml" | sed -n 1p)
[ "$released" = "$(field Version)" ] || fail "the AppStream description's latest release is $released"

# --- lintian ----------------------------------------------------------------

lintian_out=$(lintian --fail-on error --display-info "$deb" 2>&1 | grep -v 'running with root privileges') ||
  fail "lintian reports errors:
$lintian_out"
note "lintian: ${lintian_out:-no tags}"

# --- install, run, remove ---------------------------------------------------

skip=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then sudo=(sudo -n); else skip="not root and no password-less sudo"; fi
fi
command -v apt-get >/dev/null || skip="apt-get is missing"
if [ -z "$skip" ] && dpkg-query -W -f='${db:Status-Status}' tarrow 2>/dev/null | grep -qx installed; then
  skip="a tarrow package is installed already, and this test would remove it"
fi
if [ -n "$skip" ]; then
  note "install test SKIPPED: $skip"
  note "package checks passed (without installing)"
  exit 0
fi

note "installing $deb"
export DEBIAN_FRONTEND=noninteractive
installed_by_us=1
"${sudo[@]}" apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" |
  grep -v '^(Reading database'

# The installed programs, from PATH, with nothing of the build around them:
# an empty folder, an empty home and configuration folder, a plain PATH.
run="$tmp/run"
mkdir -p "$run" "$tmp/home" "$tmp/config"
in_clean() {
  (cd "$run" && env -i HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" PATH=/usr/bin:/bin \
     LANG=C.UTF-8 "$@")
}
[ "$(in_clean sh -c 'command -v tarrow-cli')" = /usr/bin/tarrow-cli ] || fail "tarrow-cli is not found in PATH"
[ "$(in_clean tarrow-cli --version)" = "$banner" ] || fail "the installed tarrow-cli says '$(in_clean tarrow-cli --version)'"

in_clean tarrow-cli deal --seed abc --out set.pbn --threads 2 2>/dev/null
for file in set.pbn set.pdf; do [ -s "$run/$file" ] || fail "deal wrote no $file"; done
# The set holds the boards the seed deals, every table complete.
dealt=$(in_clean tarrow-cli boards --seed abc | cut -f 3)
saved=$(sed -n 's/^\[Deal "\(.*\)"\].*/\1/p' "$run/set.pbn")
[ "$saved" = "$dealt" ] || fail "the set written by deal does not hold the boards of seed abc"
[ "$(grep -c '^\[OptimumResultTable ' "$run/set.pbn")" = 36 ] || fail "set.pbn lacks double-dummy tables"
if grep -q ' ?'$'\r''\?$' "$run/set.pbn"; then fail "set.pbn has results still unknown after deal"; fi
qpdf --check "$run/set.pdf" >/dev/null || fail "set.pdf is damaged"
grep -qF "$banner" <<<"$(pdftotext "$run/set.pdf" -)" || fail "set.pdf does not carry '$banner'"
in_clean tarrow-cli pdf set.pbn --what travelers --out travelers.pdf
qpdf --check "$run/travelers.pdf" >/dev/null || fail "travelers.pdf is damaged"
# Drawing with Qt off any display needs its offscreen platform plugin.
in_clean tarrow-cli render set.pbn --board 1 --out board1.png
[ "$(od -An -tx1 -N 8 "$run/board1.png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "render wrote no PNG"
[ ! -e "$tmp/config/tarrow/Tarrow.ini" ] || fail "the commands wrote settings"
note "deal, pdf and render ran from /usr/bin"

# Printing: a cups-pdf queue whose paper is a PDF file, on the running
# scheduler or on one started here (and stopped again).
print_test() {
  local tool
  for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/backend/cups-pdf \
      /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd; do
    [ -e "$tool" ] || { note "print test SKIPPED: $tool is missing"; return 0; }
  done
  [ "$(id -u)" -eq 0 ] || { note "print test SKIPPED: adding a print queue needs root"; return 0; }
  local cupsd_pid="" queue="Tarrow_Deb_$$" instance="tarrowdeb$$" paper="$tmp/paper"
  local config="/etc/cups/cups-pdf-$instance.conf"
  if ! lpstat -r 2>/dev/null | grep -q 'scheduler is running'; then
    /usr/sbin/cupsd -f &
    cupsd_pid=$!
    for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q 'scheduler is running' && break; sleep 0.2; done
  fi
  mkdir -p "$paper"
  chmod 0777 "$paper"
  printf 'Out %s\nAnonDirName %s\nLabel 2\nUserUMask 0000\nAnonUMask 0000\n' "$paper" "$paper" >"$config"
  local status=0
  lpadmin -p "$queue" -E -v "cups-pdf:/$instance" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
    -o pdftops-renderer-default=pdftocairo || status=$?
  if [ "$status" = 0 ]; then
    in_clean tarrow-cli print set.pbn --what travelers --last-board 3 --printer "$queue" || status=$?
    local printed=""
    for _ in $(seq 300); do
      printed=$(find "$paper" -name '*.pdf' -print -quit)
      [ -n "$printed" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && break
      sleep 0.2
    done
    if [ "$status" = 0 ] && { [ -z "$printed" ] || ! qpdf --check "$printed" >/dev/null; }; then status=1; fi
  fi
  lpadmin -x "$queue" 2>/dev/null || true
  rm -f "$config"
  if [ -n "$cupsd_pid" ]; then kill "$cupsd_pid"; wait "$cupsd_pid" 2>/dev/null || true; fi
  [ "$status" = 0 ] || fail "printing to the cups-pdf queue $queue gave no printed PDF"
  note "print ran from /usr/bin and its pages came out of the queue"
}
print_test

# The window, started as the menu starts it (the desktop entry's command
# without its file argument), on a virtual X display where there is one:
# still running after five seconds means it came up and waits for the user.
window=(${exec_line%% %*})
status=0
if command -v xvfb-run >/dev/null; then
  in_clean xvfb-run -a timeout 5 "${window[@]}" >/dev/null 2>&1 || status=$?
  display="a virtual X display"
else
  in_clean env QT_QPA_PLATFORM=offscreen timeout 5 "${window[@]}" >/dev/null 2>&1 || status=$?
  display="Qt's offscreen platform"
fi
[ "$status" = 124 ] || fail "the window program (${window[*]}) ended with status $status on $display"
note "the window came up from the desktop entry on $display"

owned=$(dpkg -L tarrow)
"${sudo[@]}" apt-get remove -y -q -o DPkg::Lock::Timeout=300 tarrow | grep -v '^(Reading database'
installed_by_us=0
left=$(dpkg-query -W -f='${db:Status-Status}' tarrow 2>/dev/null || true)
[ "$left" = not-installed ] || [ -z "$left" ] || fail "after removal dpkg still lists tarrow as '$left'"
while IFS= read -r path; do
  [ -z "$path" ] || [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after removal"
done <<<"$owned"
[ ! -e /usr/share/doc/tarrow ] || fail "/usr/share/doc/tarrow is left after removal"
note "installed, ran and removed; nothing of the package is left"
note "package checks passed"
