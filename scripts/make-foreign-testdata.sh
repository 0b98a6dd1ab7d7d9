#!/usr/bin/env bash
# Makes the files of files/testdata/foreign/: deal files and PBN files laid
# out the way dealing machines and other programs write them, made from one
# set this program deals (no file is copied from anywhere).  Run from the
# top of the tree after a build; the files are committed, so the tests do not
# depend on this script, and running it again gives the same bytes.
#
#   scripts/make-foreign-testdata.sh [build/bin/tarrow-cli]
#
#   | file                   | what it is                                               |
#   |------------------------|----------------------------------------------------------|
#   | record128.bri          | boards 1-24 in 128-byte records (78 digits, 32 blanks,   |
#   |                        | 18 zero bytes), no line ends                             |
#   | run1-24.dup            | boards 1-24 in 156-byte records with run data "YN1  1 24 "|
#   | linebreaks.ber         | 36 boards, a CR LF after every 52 digits and one more in |
#   |                        | the middle of board 7                                    |
#   | two_events.pbn         | "Monday" boards 1-4 and "Tuesday" boards 1-4 (other deals)|
#   | bom.pbn                | boards 1-4 after a UTF-8 byte-order mark                 |
#   | deal_before_board.pbn  | boards 1-4, board 3's Deal tag before its Board tag      |
#   | table_vs_ddt.pbn       | boards 1-2 with DoubleDummyTricks; board 2's table says  |
#   |                        | one trick more for North in notrump than its tricks      |
#   | results.pbn            | boards 1-2 as a scoring program writes results: players, |
#   |                        | auction, play, commentary, a score table                 |
set -euo pipefail

cli=${1:-build/bin/tarrow-cli}
out=files/testdata/foreign
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out" "$tmp/config"
export TARROW_CONFIG_DIR="$tmp/config"

"$cli" deal --seed "foreign corpus" --event "Monday" --site "Hall" --date 2026-12-09 \
  --out "$tmp/monday.pbn" --threads 2 --no-pdf >/dev/null
"$cli" deal --seed "foreign corpus, second" --event "Tuesday" --site "Hall" --date 2026-12-10 \
  --out "$tmp/tuesday.pbn" --threads 2 --no-pdf >/dev/null

"$cli" export "$tmp/monday.pbn" --format bri --last-board 24 --out "$out/record128.bri" >/dev/null
"$cli" export "$tmp/monday.pbn" --format dup --last-board 24 --out "$out/run1-24.dup" >/dev/null
"$cli" export "$tmp/monday.pbn" --format ber --out "$tmp/set.ber" >/dev/null
tr -d '\r\n' <"$tmp/set.ber" | fold -w 52 | awk 'NR == 7 { print substr($0, 1, 20); print substr($0, 21); next } { print }' |
  sed 's/$/\r/' >"$out/linebreaks.ber"

# Games 1..n of a PBN file of this program, header tags on every game as
# other programs write them, CR LF line ends.
games() {
  tr -d '\r' <"$1" | awk -v last="$2" -v event="$3" '
    BEGIN { RS = ""; FS = "\n" }
    NR > last { exit }
    {
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^\[(Generator|Application|Eventsponsor)/) continue
        if ($i ~ /^\[Event /) { print "[Event \"" event "\"]"; continue }
        if ($i ~ /^\[Site /) { print "[Site \"Hall\"]"; continue }
        if ($i ~ /^\[Date /) { print "[Date \"" (event == "Tuesday" ? "2026.12.10" : "2026.12.09") "\"]"; continue }
        print $i
      }
      print ""
    }'
}
crlf() { sed 's/$/\r/'; }

{ games "$tmp/monday.pbn" 4 Monday; games "$tmp/tuesday.pbn" 4 Tuesday; } | crlf >"$out/two_events.pbn"
{ printf '\xEF\xBB\xBF'; games "$tmp/monday.pbn" 4 Monday | crlf; } >"$out/bom.pbn"
# Board 3: the Deal line first, then the Board line.
games "$tmp/monday.pbn" 4 Monday |
  awk '/^\[Board "3"\]/ { board = $0; next } board != "" && /^\[Deal / { print; print board; board = ""; next } { print }' |
  crlf >"$out/deal_before_board.pbn"

# DoubleDummyTricks from each board's own table (declarers N S E W, strains
# NT S H D C, hexadecimal), then board 2's North notrump row one trick more.
games "$tmp/monday.pbn" 2 Monday |
  awk '
    function flush() {
      if (deal == "") return
      line = ""
      split("N S E W", seats, " "); split("NT S H D C", strains, " ")
      for (s = 1; s <= 4; s++) for (t = 1; t <= 5; t++) line = line sprintf("%x", tricks[seats[s] " " strains[t]])
      print deal; print "[DoubleDummyTricks \"" line "\"]"
      for (r = 1; r <= rows; r++) print row[r]
      deal = ""; rows = 0
    }
    /^\[Deal / { deal = $0; next }
    deal != "" && /^\[OptimumResultTable/ { row[++rows] = $0; next }
    deal != "" && /^[NESW] (NT|S|H|D|C) [0-9]+$/ {
      tricks[$1 " " $2] = $3
      if (board == 2 && $1 == "N" && $2 == "NT") $3 = $3 + 1
      row[++rows] = $1 " " $2 " " $3; next
    }
    /^\[Board / { board = substr($2, 2) + 0 }
    /^$/ { flush() }
    { print }
    END { flush() }' | crlf >"$out/table_vs_ddt.pbn"

deal1=$(tr -d '\r' <"$tmp/monday.pbn" | awk -F'"' '/^\[Deal /{ print $2; exit }')
deal2=$(tr -d '\r' <"$tmp/monday.pbn" | awk -F'"' '/^\[Deal /{ n++; if (n == 2) { print $2; exit } }')
sed 's/$/\r/' >"$out/results.pbn" <<EOF
% PBN 2.1
% EXPORT
%Creator: a club's scoring program
[Event "Monday Pairs"]
[Site "Hall"]
[Date "2026.12.09"]
[Board "1"]
[West "Ann"]
[North "Bob"]
[East "Cid"]
[South "Dee"]
[Dealer "N"]
[Vulnerable "None"]
[Deal "$deal1"]
[Scoring "MP"]
[Declarer "S"]
[Contract "3NT"]
[Result "9"]
{Opening lead: the fourth best of the longest suit.}
[Auction "N"]
1C Pass 1H Pass
1NT Pass 3NT Pass
Pass Pass
[Play "W"]
- - - -
[ScoreTable "PairId_NS\2R;PairId_EW\2R;Contract\5L;Declarer\1R;Result\2R"]
 1  2 3NT   S  9
 3  4 4S    E 10

[Event "Monday Pairs"]
[Site "Hall"]
[Date "2026.12.09"]
[Board "2"]
[West "Ann"]
[North "Bob"]
[East "Cid"]
[South "Dee"]
[Dealer "E"]
[Vulnerable "NS"]
[Deal "$deal2"]
[Scoring "MP"]
[Declarer "W"]
[Contract "2H"]
[Result "8"]
; passed out at the other table
[Auction "E"]
Pass Pass 1H Pass
2H Pass Pass Pass
EOF
ls -l "$out"
