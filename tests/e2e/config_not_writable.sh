# The configuration file at exit, for a player who is not root (CI runs as root:
# the game runs as nobody here): an ombrel.cfg the player may not write, read-only
# or someone else's, is left byte for byte as it was, with nothing reported; a
# symbolic link named ombrel.cfg stays the link, and the file it leads to gets the
# new configuration.
source "$(dirname "$0")/game_common.bash"
need_display

player=()
if [ "$(id -u)" = 0 ]; then
  player=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$work"
fi
chmod 755 "$work"
# own FILE...: the files become the player's.
own() { if [ ${#player[@]} -gt 0 ]; then chown nobody:nogroup "$@"; fi; }

printf '\nAppConfig\n{\n  fps = 60\n  pps = 120\n}\n' >"$work/old.cfg"

# quit_from_menu: starts the game as the player and quits it with Esc on the menu.
quit_from_menu() {
  start_game "${player[@]}"
  wait_menu
  key Escape
  wait_game
  [ "$rc" = 0 ] || fail "$1: exit code $rc"
  grep -qxF "Using configuration file: $work/ombrel.cfg" "$work/out.txt" ||
    fail "$1: the configuration was not read"
  if grep -F '!!' "$work/out.txt" | grep -qF 'ombrel.cfg'; then
    fail "$1: a message about the configuration file"
  fi
  if find "$work" -name '*.tmp' | grep -q .; then fail "$1: a temporary file was left"; fi
}

# A file the player may not write, in a folder the player may write.
kinds=("read-only file")
if [ ${#player[@]} -gt 0 ]; then kinds+=("someone else's file"); fi
for kind in "${kinds[@]}"; do
  cp "$work/old.cfg" "$work/ombrel.cfg"
  if [ "$kind" = "read-only file" ]; then
    own "$work/ombrel.cfg"
    chmod 444 "$work/ombrel.cfg"
  else
    chmod 644 "$work/ombrel.cfg"
  fi
  before=$(stat -c '%i %a %U' "$work/ombrel.cfg")
  quit_from_menu "$kind"
  cmp -s "$work/ombrel.cfg" "$work/old.cfg" || fail "$kind: ombrel.cfg was changed"
  [ "$(stat -c '%i %a %U' "$work/ombrel.cfg")" = "$before" ] ||
    fail "$kind: ombrel.cfg was replaced: $before, now $(stat -c '%i %a %U' "$work/ombrel.cfg")"
  rm -f "$work/ombrel.cfg"
done

# A link to a file in a folder of its own.
mkdir "$work/settings"
cp "$work/old.cfg" "$work/settings/ombrel.cfg"
own "$work/settings" "$work/settings/ombrel.cfg"
ln -s settings/ombrel.cfg "$work/ombrel.cfg"
quit_from_menu "symbolic link"
[ -L "$work/ombrel.cfg" ] || fail "symbolic link: ombrel.cfg is no longer a link"
[ "$(readlink "$work/ombrel.cfg")" = settings/ombrel.cfg ] ||
  fail "symbolic link: the link now leads to $(readlink "$work/ombrel.cfg")"
cmp -s "$work/settings/ombrel.cfg" "$work/old.cfg" && fail "symbolic link: its file kept the old settings"
for line in AppConfig VideoConfig AudioConfig "  pps = 500" "  minWidth = 800" "  fade = true"; do
  grep -qxF "$line" "$work/settings/ombrel.cfg" || fail "symbolic link: its file lacks: $line"
done
echo "configuration not writable: ok"
