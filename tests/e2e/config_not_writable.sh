# The configuration file at exit, for a player who is not root (CI runs as root:
# the game runs as nobody here). An ombrel.cfg the player may not write,
# read-only or someone else's, is left byte for byte as it was, and the log says
# the settings could not be written; a symbolic link named ombrel.cfg stays the
# link, and the file it leads to gets the new configuration. Files under the
# temporary's name are left as they are, and ombrel.cfg is a new file. Where a
# rename would lose the player's settings or change the file in a way the player
# did not ask for (a folder the player may not write, a second hard link, a file
# of someone else's that the player may write), the file is written in place:
# the same file, with the new configuration; a disk that fills during that write
# is reported. The game quits with 0 in every case.
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

unwritten="!![App] cannot write $work/ombrel.cfg"

# start_with_file_limit BYTES: as start_game, the game as the player, but no file
# it writes may grow past BYTES: a write beyond fails as on a full disk (the
# signal that would end the game is ignored). Its log reaches out.txt and
# err.txt through pipes, which the limit does not cover; log_pids are the
# processes that write them.
log_pids=()
start_with_file_limit() {
  local out err
  exec {out}> >(exec cat >"$work/out.txt")
  log_pids=($!)
  exec {err}> >(exec cat >"$work/err.txt")
  log_pids+=($!)
  (cd "$work" && trap '' XFSZ &&
    exec env MESA_SHADER_CACHE_DISABLE=true "${player[@]}" prlimit --fsize="$1" stdbuf -oL ./ombrel \
      >&"$out" 2>&"$err") &
  game_pid=$!
  exec {out}>&- {err}>&-
}

# quit_from_menu NAME REPORT [KEPT...]: starts the game as the player (unless
# the caller started it) and quits it with Esc on the menu; the only message
# about the configuration file must be REPORT (none when empty), and no *.tmp
# file but the KEPT ones may be left.
quit_from_menu() {
  [ -n "$game_pid" ] || start_game "${player[@]}"
  wait_menu
  key Escape
  wait_game
  # A log that goes through pipes is whole once their writers have ended.
  for pid in "${log_pids[@]}"; do
    while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
  done
  log_pids=()
  [ "$rc" = 0 ] || fail "$1: exit code $rc"
  grep -qxF "Using configuration file: $work/ombrel.cfg" "$work/out.txt" ||
    fail "$1: the configuration was not read"
  local said
  said=$(grep -F '!!' "$work/out.txt" | grep -F 'ombrel.cfg' || true)
  [ "$said" = "$2" ] || fail "$1: the messages about the configuration file were '$said', not '$2'"
  local left
  left=$(find "$work" -name '*.tmp' | sort)
  [ "$left" = "$(printf '%s\n' "${@:3}" | grep . | sort)" ] || fail "$1: temporary files left: $left"
}

# new_settings NAME FILE: FILE holds the configuration the game wrote at exit.
new_settings() {
  cmp -s "$2" "$work/old.cfg" && fail "$1: $2 kept the old settings"
  for line in AppConfig VideoConfig AudioConfig "  pps = 500" "  minWidth = 800" "  fade = true"; do
    grep -qxF "$line" "$2" || fail "$1: $2 lacks: $line"
  done
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
  quit_from_menu "$kind" "$unwritten"
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
quit_from_menu "symbolic link" ""
[ -L "$work/ombrel.cfg" ] || fail "symbolic link: ombrel.cfg is no longer a link"
[ "$(readlink "$work/ombrel.cfg")" = settings/ombrel.cfg ] ||
  fail "symbolic link: the link now leads to $(readlink "$work/ombrel.cfg")"
new_settings "symbolic link" "$work/settings/ombrel.cfg"
rm -rf "$work/settings" "$work/ombrel.cfg"

# Files under the temporary's name: one of the player's, and a hard link to
# another file of the player's. The save takes the next name, and ombrel.cfg
# is the new file made under it.
for kind in "file of the player's" "hard link"; do
  cp "$work/old.cfg" "$work/ombrel.cfg"
  echo "the player's own" >"$work/mine.txt"
  if [ "$kind" = "hard link" ]; then
    ln "$work/mine.txt" "$work/ombrel.cfg.tmp"
  else
    cp "$work/mine.txt" "$work/ombrel.cfg.tmp"
  fi
  own "$work/ombrel.cfg" "$work/ombrel.cfg.tmp" "$work/mine.txt"
  before=$(stat -c '%i' "$work/ombrel.cfg.tmp")
  old_file=$(stat -c '%i' "$work/ombrel.cfg")
  quit_from_menu "$kind named ombrel.cfg.tmp" "" "$work/ombrel.cfg.tmp"
  new_settings "$kind named ombrel.cfg.tmp" "$work/ombrel.cfg"
  [ "$(cat "$work/ombrel.cfg.tmp")" = "the player's own" ] || fail "$kind named ombrel.cfg.tmp: it was written"
  [ "$(cat "$work/mine.txt")" = "the player's own" ] || fail "$kind named ombrel.cfg.tmp: the file it links to was written"
  [ "$(stat -c '%i' "$work/ombrel.cfg.tmp")" = "$before" ] || fail "$kind named ombrel.cfg.tmp: it was replaced"
  [ "$(stat -c '%i' "$work/ombrel.cfg")" != "$old_file" ] ||
    fail "$kind named ombrel.cfg.tmp: ombrel.cfg was written in place, not replaced"
  rm -f "$work/ombrel.cfg" "$work/ombrel.cfg.tmp" "$work/mine.txt"
done

# Written in place: the same file, its owner and its other names kept.
kinds=("folder the player may not write" "second hard link")
if [ ${#player[@]} -gt 0 ]; then kinds+=("someone else's file the player may write"); fi
for kind in "${kinds[@]}"; do
  cp "$work/old.cfg" "$work/ombrel.cfg"
  case $kind in
    "folder the player may not write")
      own "$work/ombrel.cfg"
      chmod 555 "$work"
      ;;
    "second hard link")
      own "$work/ombrel.cfg"
      ln "$work/ombrel.cfg" "$work/second.cfg"
      ;;
    *) chmod 666 "$work/ombrel.cfg" ;;
  esac
  before=$(stat -c '%i %a %U %G %h' "$work/ombrel.cfg")
  quit_from_menu "$kind" ""
  chmod 755 "$work"
  new_settings "$kind" "$work/ombrel.cfg"
  [ "$(stat -c '%i %a %U %G %h' "$work/ombrel.cfg")" = "$before" ] ||
    fail "$kind: ombrel.cfg was replaced: $before, now $(stat -c '%i %a %U %G %h' "$work/ombrel.cfg")"
  if [ -e "$work/second.cfg" ]; then
    cmp -s "$work/second.cfg" "$work/ombrel.cfg" || fail "$kind: the other name kept the old settings"
  fi
  rm -f "$work/ombrel.cfg" "$work/second.cfg"
done
# The disk fills while the file is written in place (a folder the player may
# not write): the settings are lost, and the log says so.
cp "$work/old.cfg" "$work/ombrel.cfg"
own "$work/ombrel.cfg"
chmod 555 "$work"
start_with_file_limit 40
quit_from_menu "disk full, written in place" "$unwritten"
chmod 755 "$work"
[ "$(stat -c '%s' "$work/ombrel.cfg")" -le 40 ] || fail "disk full, written in place: the file grew past the limit"
rm -f "$work/ombrel.cfg"
echo "configuration not writable: ok"
