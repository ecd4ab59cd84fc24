#!/usr/bin/env bash
# Makes Debian's source packages reachable for `apt-get source`: a deb-src entry
# for every suite and component that the machine's own Debian entries name, from
# the same archives. Does nothing when the entry exists already.
set -euo pipefail
entry=/etc/apt/sources.list.d/ombrel-deb-src.sources
[ -e "$entry" ] && exit 0

codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

# deb822 entries: each stanza of type deb for this release, again as deb-src.
# One-line entries ("deb URI SUITE COMPONENT...") become stanzas of their own.
{
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] || continue
    awk -v codename="$codename" '
      function flush() {
        if (stanza != "" && types ~ /(^| )deb( |$)/ && suites ~ codename)
          printf "Types: deb-src\n%s\n\n", stanza
        stanza = ""; types = ""; suites = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); next }
      /^Suites:/ { suites = $0 }
      { stanza = stanza (stanza == "" ? "" : "\n") $0 }
      END { flush() }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] || continue
    awk -v codename="$codename" '
      $1 == "deb" && $0 ~ codename {
        i = 2
        if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
        for (j = i + 2; j <= NF; j++) printf " %s", $j
        printf "\n\n"
      }' "$file"
  done
} | $sudo tee "$entry.new" >/dev/null

if [ ! -s "$entry.new" ]; then
  $sudo rm -f "$entry.new"
  echo "No Debian entry for $codename in the machine's apt sources" >&2
  exit 1
fi
$sudo mv "$entry.new" "$entry"
$sudo apt-get -o DPkg::Lock::Timeout=600 update -q
