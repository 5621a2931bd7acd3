#!/usr/bin/env bash
# package_test.sh <i686-build-dir> - makes the Windows users' package and
# uses it as its guide says, in a fresh copy of the build's prepared Wine
# prefix (a PC without the maker's software): unzips it, follows the
# simulator guide's steps in a batch file (the simulator's DLL beside the
# programs, a demo board, Tarnel2Cmd info), answers the upgrade from the
# console, and opens the dialog up to its main window and closes it.
#
# Before that it checks the zip itself: every program and text the guides
# name is in it, the simulator's DLL only in its own folder, the texts as
# Notepad reads them, both programs' version resources as the zip's name,
# and the checksum file.
set -uo pipefail
build=$(cd "${1:?i686 build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/lib/wine-loader.sh
source "$root/scripts/lib/wine-loader.sh"
work=$build/package-test
simdir=simulator-not-for-real-boards
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
"$root/scripts/package" --out "$work/dist" || { echo "FAILED: scripts/package"; exit 1; }
zips=("$work"/dist/Tarnel2-*-x86.zip)
zip=${zips[0]}
[ -f "$zip" ] || { echo "FAILED: no zip in $work/dist"; exit 1; }
name=$(basename "$zip" .zip)
version=${name#Tarnel2-}
version=${version%-x86}
echo "package: $zip"

(cd "$work/dist" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match the zip"

# --- the zip as it is
files=$(unzip -Z1 "$zip" | grep -v '/$')
sed 's/^/  /' <<<"$files"
has() { grep -qixF "$1" <<<"$files"; }
unpacked=$work/unpacked
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"

# The simulator's DLL only in its own folder.
while read -r f; do
    [ "$f" = "$simdir/LM800MUL.dll" ] || fail "the simulator's library outside $simdir/: $f"
done < <(grep -i 'LM800MUL\.dll$' <<<"$files")
has "$simdir/LM800MUL.dll" || fail "no $simdir/LM800MUL.dll"

# Every program and text a guide names: a path with its folders where it
# has them, a bare name somewhere in the zip.
for guide in README-ja.txt "$simdir/README-ja.txt"; do
    has "$guide" || { fail "no guide $guide"; continue; }
    text=$unpacked/$guide
    [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$guide has no UTF-8 BOM"
    iconv -f UTF-8 -t UTF-8 "$text" > /dev/null 2>&1 || fail "$guide is not UTF-8"
    grep -q $'[^\r]$' "$text" && fail "$guide has a line without CR LF"
    names=$(grep -oE '[A-Za-z0-9_.\\-]+\.(exe|dll|txt)' "$text" | sort -u)
    [ -n "$names" ] || fail "$guide names no file"
    while read -r n; do
        n=${n#..\\}
        if [[ $n == *\\* ]]; then
            has "${n//\\//}" || fail "$guide names $n, not in the zip"
        else
            grep -qi "\(^\|/\)${n//./\\.}$" <<<"$files" || fail "$guide names $n, not in the zip"
        fi
    done <<<"$names"
done
grep -q "$simdir\\\\" "$unpacked/README-ja.txt" || fail "the guide does not name $simdir"

# Both programs' version resources: VS_FIXEDFILEINFO's file version.
for exe in Tarnel2.exe Tarnel2Cmd.exe; do
    at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$unpacked/$exe" | head -n 1 | cut -d: -f1)
    if [ -z "$at" ]; then
        fail "$exe has no version resource"
        continue
    fi
    read -r ms ls < <(od -An -tu4 -j $((at + 8)) -N 8 "$unpacked/$exe")
    got="$((ms >> 16)).$((ms & 0xffff)).$((ls >> 16)).$((ls & 0xffff))"
    [ "$got" = "$version" ] || fail "$exe has version $got, the package $version"
done

# --- used as the guide says, on a PC of its own
use_wine_of "$build"
export WINEPREFIX=$build/prefixes/package_test
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
DISPLAY=$(cat "$build/wine-env/display") && export DISPLAY
rm -rf "$WINEPREFIX"
mkdir -p "$build/prefixes"
cp -a "$build/wineprefix" "$WINEPREFIX"
rm -f "$WINEPREFIX/wineserver"
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Tarnel2
setsid wineserver -p >/dev/null 2>&1 < /dev/null &
trap 'wineserver -k >/dev/null 2>&1' EXIT
# No maker's software on this PC (earlier tests may have left their keys).
"$WINE" reg delete 'HKLM\SOFTWARE\KORVANE' /reg:32 /f >/dev/null 2>&1 < /dev/null

install=Tarnel2-$version-x86
cp -a "$unpacked" "$WINEPREFIX/drive_c/$install"
installwin="C:\\$install"

# The simulator guide's steps, each stopping the batch when it fails, with
# the upgrade answered from the console before the dialog starts (so that
# it opens straight to its main window).
steps=$(tr -d '\r' < "$unpacked/$simdir/README-ja.txt" |
    awk '/^手順/ { on = 1 } on && /^  / { print; seen = 1; next } seen { exit }' |
    sed -e 's/^  //' -e "s/<zip を展開したフォルダー>/${installwin//\\/\\\\}/")
grep -qx 'Tarnel2' <<<"$steps" || fail "the simulator guide's steps do not start Tarnel2"
{
    echo '@echo off'
    n=0
    while read -r step; do
        n=$((n + 1))
        if [ "$step" = Tarnel2 ]; then
            printf '%s\n' 'Tarnel2Cmd upgrade --yes' 'if errorlevel 1 exit /b 90'
            printf '%s\n' 'Tarnel2Cmd info' 'if errorlevel 1 exit /b 91'
        fi
        printf '%s\n' "$step" "if errorlevel 1 exit /b $n"
    done <<<"$steps"
} | sed 's/$/\r/' > "$WINEPREFIX/drive_c/try.bat"
echo "steps:"
sed 's/^/  /' "$WINEPREFIX/drive_c/try.bat" | tr -d '\r'

start=$(date +%s)
"$WINE" cmd /c 'C:\try.bat' > "$work/try.out" 2>&1 < /dev/null &
batch=$!

# The main dialog: a top-level window captioned Tarnel2 of the normal kind
# (the tool's message boxes are dialogs with the same caption).
main=
for _ in $(seq 180); do
    kill -0 $batch 2>/dev/null || break
    for w in $(xdotool search --onlyvisible --name '^Tarnel2$' 2>/dev/null); do
        if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_NORMAL'; then
            main=$w
        fi
    done
    [ -n "$main" ] && break
    sleep 1
done
if [ -n "$main" ]; then
    echo "main dialog: window $main after $(($(date +%s) - start)) s"
    sleep 2
    # Closed as a user would: Escape on the dialog, which is Exit.
    xdotool windowactivate --sync "$main" >/dev/null 2>&1
    xdotool key --window "$main" Escape
else
    fail "no main dialog of Tarnel2"
fi
for _ in $(seq 60); do kill -0 $batch 2>/dev/null || break; sleep 1; done
if kill -0 $batch 2>/dev/null; then
    fail "Tarnel2 did not end after Escape"
    wineserver -k >/dev/null 2>&1
fi
wait $batch
rc=$?
if [ -n "$main" ] && xdotool getwindowname "$main" >/dev/null 2>&1; then
    fail "the main dialog is still there after Escape"
fi
iconv -f CP932 -t UTF-8 "$work/try.out" 2>/dev/null | tr -d '\r' | sed 's/^/  | /'
[ $rc -eq 0 ] || fail "the steps ended with exit code $rc (step $rc of the batch, 90/91: the upgrade)"
echo "steps took $(($(date +%s) - start)) s"

# The board was brought up to date (the second info), and the PC holds what
# the guide says: the history, and no recovery record left after a good write.
out=$(iconv -f CP932 -t UTF-8 "$work/try.out" 2>/dev/null)
[ "$(grep -c '^IPL (ボード): 0x00000100' <<<"$out")" -eq 1 ] || fail "info did not show the old boot ROM"
grep -q '^IPL (ボード): 0x00000200' <<<"$out" || fail "info after the upgrade does not show the new boot ROM"
shopt -s nullglob
appdata=("$WINEPREFIX"/drive_c/users/*/AppData/Local/Tarnel2)
if [ ${#appdata[@]} -eq 0 ] || [ ! -f "${appdata[0]}/history.log" ]; then
    fail "no %LOCALAPPDATA%\\Tarnel2\\history.log"
else
    echo "history.log: $(wc -l < "${appdata[0]}/history.log") lines"
    records=("${appdata[0]}"/Recovery/*.rec "${appdata[0]}"/Recovery/*.spi)
    [ ${#records[@]} -eq 0 ] || fail "recovery records left after a good upgrade: ${records[*]}"
fi

if [ $failures -ne 0 ]; then
    echo "package test: $failures failed"
    exit 1
fi
echo "package test: passed"
