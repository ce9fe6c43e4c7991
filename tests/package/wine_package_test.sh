#!/usr/bin/env bash
# The release archive as a user meets it: scripts/package packs the 64-bit build, the archive is
# unpacked into a fresh folder, and the host is started from there in a fresh Wine prefix with a
# settings file of one text rule; F2 pressed in notepad types the rule's text.
#   wine_package_test.sh BUILD_DIR     (BUILD_DIR/bin holds the build, wintool.exe and
#                                       resprobe.exe among it)
set -u
BUILD=$(readlink -f "${1:?usage: wine_package_test.sh BUILD_DIR}")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d)
export YV_WINEPREFIX=$WORK/prefix
source "$ROOT/scripts/wine-env"
export YV_BIN=$BUILD/bin YV_LOGDIR=$WORK
source "$ROOT/scripts/wine-harness"
trap 'yv_cleanup; rm -rf "$WORK"' EXIT
passed=0 failed=0

ok() { echo "PASS $1"; passed=$((passed + 1)); }
bad() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# --- the archive: the programs, the 32-bit companion, the guide and the license, nothing else
version=$(sed -n 's/^project(Yorvan2 VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
zip=$WORK/dist/Yorvan2-$version-win64.zip
if ! bash "$ROOT/scripts/package" --no-build --out "$WORK/dist" \
    "win64=$BUILD" >"$WORK/package.out" 2>&1; then
  cat "$WORK/package.out"
  echo "FAIL scripts/package"
  exit 1
fi
want=$(printf '%s\n' Yorvan2.dll Yorvan2.exe YorvanSet.exe Yorvan2x86.exe Yorvan2x86.dll \
  LICENSE.txt Yorvan2.html | sort | tr '\n' ' ')
got=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
if [ "$got" = "$want" ]; then ok "the archive holds $want"; else
  bad "the archive's contents" "want '$want', got '$got'"; fi

APP=$WORK/ユーザーのフォルダ/Yorvan2
mkdir -p "$APP"
unzip -q "$zip" -d "$APP" || { echo "FAIL unzip"; exit 1; }
if grep -q '<meta charset="utf-8">' "$APP/Yorvan2.html" && grep -q '</html>' "$APP/Yorvan2.html"
then ok "the guide is the HTML page"; else bad "the guide" "not the HTML page"; fi
if grep -q 'MIT License' "$APP/LICENSE.txt"; then ok "the license"; else bad "the license" "-"; fi

# Wine is started on the display it keeps for the whole run.
yv_xvfb_start || exit 1
yv_wine_init
# --- every program carries the version and the icon, as Windows reads them
for f in Yorvan2.dll Yorvan2.exe YorvanSet.exe Yorvan2x86.exe; do
  got=$("$WINE" "$YV_BIN/resprobe.exe" "$(yv_winpath "$APP/$f")" 2>/dev/null | tr -d '\r')
  if [ "$got" = "$version 4,2,0,0 $f icons=1" ]; then ok "$f: $got"; else
    bad "$f's version resource and icon" "'$got'"; fi
done

# --- the host, started from the unpacked folder, converts a key in notepad
printf '%s\r\n' "[Config]" "henstart=1" "numlockon=1" "AplAutoOff=0" "key0=123" \
  "key1=113" "data1=展開したフォルダから変換" | iconv -f UTF-8 -t CP932 >"$APP/Yorvan2.ini"
NOTEPAD="(無題) - メモ帳"
yv_start notepad
yv_wait_window "$NOTEPAD" 60 || { echo "FAIL notepad did not start"; exit 1; }
yv_focus "$NOTEPAD"
LOG=$WORK/host.log
"$WINE" "$APP/Yorvan2.exe" /log "$(yv_winpath "$LOG")" >>"$WORK/host.out" 2>&1 &
HOST_PID=$!
if yv_wait 30 grep -q '^ready' "$LOG"; then ok "the host starts from the unpacked folder"; else
  bad "the host starts from the unpacked folder" "$(cat "$LOG" "$WORK/host.out" 2>/dev/null)"
fi
# The log is in Shift-JIS, as is the folder's name in it.
ini_line="ini $(yv_winpath "$APP/Yorvan2.ini" | iconv -f UTF-8 -t CP932) profiles=0 encoding=Shift-JIS"
if LC_ALL=C grep -qxF "$ini_line"$'\r' "$LOG"; then
  ok "it reads Yorvan2.ini beside itself"
else
  bad "it reads Yorvan2.ini beside itself" "$(LC_ALL=C grep -a '^ini' "$LOG" | iconv -f CP932)"
fi
# The 32-bit companion beside it is started too, when this Wine runs 32-bit programs.
if ! yv_wine_has_32bit; then
  echo "SKIP the companion: this machine cannot run 32-bit programs"
elif yv_wait 10 grep -q '^companion ready' "$LOG"; then
  ok "the companion starts beside it"
else
  bad "the companion starts beside it" "$(grep -a companion "$LOG")"
fi
yv_focus "$NOTEPAD"
yv_keys F2
if yv_wait_text "$NOTEPAD" "展開したフォルダから変換" 10; then ok "F2 types the rule's text"; else
  bad "F2 types the rule's text" "notepad holds '$(yv_text_utf8 "$NOTEPAD")'"; fi

yv_tool post Yorvan2 0x111 106 0 >/dev/null  # the menu's exit
if yv_wait 15 bash -c "! kill -0 $HOST_PID 2>/dev/null"; then ok "the host ends"; else
  bad "the host ends" "still running"; fi

if [ "$failed" -gt 0 ]; then
  echo "--- host log"; cat "$LOG" 2>/dev/null
  echo "--- package"; cat "$WORK/package.out"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
