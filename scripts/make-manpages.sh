#!/usr/bin/env bash
# Writes the manual pages tarrow-cli.1 and tarrow.1 from the programs' own
# help, so the manual says what `--help` says, word for word, and cannot
# drift from it:
#   scripts/make-manpages.sh BIN_DIR OUT_DIR
# BIN_DIR holds the built tarrow-cli and tarrow.  tarrow-cli.1 takes its name
# line, synopsis, command list and exit status from `tarrow-cli --help` and
# each command's section from `tarrow-cli COMMAND --help`; tarrow.1 takes its
# text from `tarrow --help` and its name line from the desktop entry's
# comment.  The page date is SOURCE_DATE_EPOCH when set (package builds set it
# from the changelog), else today.  Exits non-zero when a help text lacks a
# part the page needs, rather than writing a page with a hole in it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"

if [ $# -ne 2 ]; then
  echo "usage: $0 BIN_DIR OUT_DIR" >&2
  exit 2
fi
bin=$1
out=$2
cli="$bin/tarrow-cli"
window="$bin/tarrow"
for program in "$cli" "$window"; do
  [ -x "$program" ] || { echo "make-manpages: $program is missing; build it first" >&2; exit 1; }
done
mkdir -p "$out"

fail() { echo "make-manpages: $*" >&2; exit 1; }

date=$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" +%Y-%m-%d)
banner=$("$cli" --version)  # "Tarrow 1.0.0"

# Roff text from plain text, kept line for line (for nofill blocks): a
# backslash, a minus and the quotes would otherwise be read as roff or
# typeset as other characters, and a line starting with "." or "'" would be
# a request.
roff() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/'/\\\\(aq/g" -e 's/`/\\(ga/g' \
      -e 's/^\./\\\&./' -e 's/^\\(aq/\\\&\\(aq/' -e 's/^$/.sp/'
}
# A block of text exactly as the program prints it.
verbatim() {
  printf '.nf\n'
  roff
  printf '.fi\n'
}

# --- tarrow-cli.1 -----------------------------------------------------------

help=$("$cli" --help)
# "Tarrow 1.0.0: duplicate bridge sets from a seed text"
first=$(head -n 1 <<<"$help")
[ "${first%%: *}" = "$banner" ] || fail "tarrow-cli --help does not start with \"$banner: \""
summary=${first#*: }
usage=$(sed -n 's/^Usage: //p' <<<"$help")
[ -n "$usage" ] || fail "tarrow-cli --help has no Usage line"
# The command list: the indented lines after "Commands:", up to a blank line.
commands=$(awk '/^Commands:$/ {on = 1; next} on && /^$/ {exit} on' <<<"$help")
[ -n "$commands" ] || fail "tarrow-cli --help lists no commands"
names=$(awk '{print $1}' <<<"$commands")
exit_status=$(sed -n '/^Exit status:/,$p' <<<"$help")
[ -n "$exit_status" ] || fail "tarrow-cli --help says nothing about the exit status"
# What is left of the help (how to get more of it) is the description.
rest=$(awk 'NR == 1 || /^Usage: / {next} /^Commands:$/ {skip = 1; next}
            skip && /^$/ {skip = 0; next} skip {next} /^Exit status:/ {exit} {print}' <<<"$help" |
       sed -e '/./,$!d')

{
  printf '.TH TARROW\\-CLI 1 "%s" "%s" "User Commands"\n' "$date" "$banner"
  printf '.SH NAME\ntarrow\\-cli \\- %s\n' "$(roff <<<"$summary")"
  printf '.SH SYNOPSIS\n'
  verbatim <<<"$usage"
  printf '.SH DESCRIPTION\n'
  verbatim <<<"$rest"
  printf '.PP\nThe commands:\n'
  verbatim <<<"$commands"
  printf '.SH COMMANDS\n'
  for name in $names; do
    command_help=$("$cli" "$name" --help) || fail "tarrow-cli $name --help failed"
    [ -n "$command_help" ] || fail "tarrow-cli $name --help printed nothing"
    printf '.SS %s\n' "$(roff <<<"$name")"
    verbatim <<<"$command_help"
  done
  printf '.SH "EXIT STATUS"\n'
  verbatim <<<"$exit_status"
  cat <<'EOF'
.SH ENVIRONMENT
.TP
.B TARROW_CONFIG_DIR
The folder of the settings file, instead of the one below.
.TP
.B XDG_CONFIG_HOME
The settings file is \fI$XDG_CONFIG_HOME/tarrow/Tarrow.ini\fR (else
\fI~/.config/tarrow/Tarrow.ini\fR).
.SH FILES
.TP
.I ~/.config/tarrow/Tarrow.ini
The window program's settings.  The commands read them (the threads to use,
what the hand records show, the printer) but never write them.
.SH "SEE ALSO"
.BR tarrow (1)
EOF
} >"$out/tarrow-cli.1"

# --- tarrow.1 ---------------------------------------------------------------

# The window program starts Qt before it reads its arguments; the offscreen
# platform lets it print its help without a display.
window_help=$(QT_QPA_PLATFORM=offscreen "$window" --help 2>/dev/null)
window_usage=$(sed -n 's/^Usage: //p' <<<"$window_help")
[ -n "$window_usage" ] || fail "tarrow --help has no Usage line"
window_text=$(sed -e '/^Usage: /d' <<<"$window_help" | sed -e '/./,$!d')
[ -n "$window_text" ] || fail "tarrow --help has no description"
comment=$(sed -n 's/^Comment=//p' "$root/ui/tarrow.desktop")
[ -n "$comment" ] || fail "ui/tarrow.desktop has no Comment"

{
  printf '.TH TARROW 1 "%s" "%s" "User Commands"\n' "$date" "$banner"
  printf '.SH NAME\ntarrow \\- %s\n' "$(roff <<<"${comment,}")"
  printf '.SH SYNOPSIS\n'
  verbatim <<<"$window_usage"
  printf '.SH DESCRIPTION\n'
  verbatim <<<"$window_text"
  cat <<'EOF'
.PP
The desktop's menu starts it as \fBTarrow\fR, among the card games.
Qt's own options (such as \fB\-platform\fR) are accepted as well.
.SH ENVIRONMENT
.TP
.B TARROW_CONFIG_DIR
The folder of the settings file, instead of the one below.
.TP
.B XDG_CONFIG_HOME
The settings file is \fI$XDG_CONFIG_HOME/tarrow/Tarrow.ini\fR (else
\fI~/.config/tarrow/Tarrow.ini\fR).
.SH FILES
.TP
.I ~/.config/tarrow/Tarrow.ini
The settings: output folder, threads to use, printer, club and event lists,
what the hand records show.
.SH "SEE ALSO"
.BR tarrow\-cli (1)
EOF
} >"$out/tarrow.1"
