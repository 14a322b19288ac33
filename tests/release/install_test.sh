#!/usr/bin/env bash
# The installer under Wine, as a user would use it (with a shortcut in the
# user's Send To folder, and the program offered by Open with):
#   install_test.sh MSI WXS_TEMPLATE MAKE_MSI_SCRIPT
# msiexec /i installs per user into %LOCALAPPDATA%\Programs\Sanvelle with a
# Start menu shortcut and an Add/Remove Programs entry; the installed
# programs run (Sanvelle.exe opens its window, on a display); a later version
# (the same files as 9.9.9, made here from the same template) replaces it;
# msiexec /x removes the programs, the shortcuts (the Start menu's and
# Send To's) and the Open with entries, and leaves a settings file
# the user has changed. The file lists before and after are printed.
set -euo pipefail
msi=$1 template=$2 make_msi=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
run() { "$root/tools/wine-run" "$@"; }
: "${WINEPREFIX:=${QUILLMERE_WINEPREFIX:?}}"
export WINEPREFIX
msi_win=$(run winepath -w "$msi" 2>/dev/null)
users=$WINEPREFIX/drive_c/users
fail() { echo "install_test: $*" >&2; exit 1; }
send_to() { echo "$users"/*/AppData/Roaming/Microsoft/Windows/SendTo/Sanvelle.lnk; }
listing() { find "$users"/*/AppData/Local/Programs/Sanvelle "$users"/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Sanvelle.lnk "$(send_to)" 2>/dev/null | sed "s|^$users/[^/]*/||" | sort || true; }

# Nothing of an earlier run.
run msiexec /x "$msi_win" /qn </dev/null >/dev/null 2>&1 || true
rm -rf "$users"/*/AppData/Local/Programs/Sanvelle
echo "before:"; listing

run msiexec /i "$msi_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /i failed ($?)"
echo "installed:"; listing
folder=$(echo "$users"/*/AppData/Local/Programs/Sanvelle)
for f in Sanvelle.exe quillmere.exe README.txt Brackwen.ini; do
  [ -f "$folder/$f" ] || fail "$f not installed"
done
cmp "$folder/Brackwen.ini" "$root/resources/release/Brackwen.ini" || fail "Brackwen.ini differs"
ls "$users"/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Sanvelle.lnk >/dev/null ||
  fail "no Start menu shortcut"
[ -f "$(send_to)" ] || fail "no Send To shortcut"
# "Open with" offers the program for .htm and .html files, handing it the
# file on its command line; the files' own program is left as it was.
open_with() {
  run reg query 'HKCU\Software\Classes\Sanvelle.htm\shell\open\command' 2>/dev/null
  run reg query 'HKCU\Software\Classes\Applications\Sanvelle.exe\shell\open\command' 2>/dev/null
  for ext in .htm .html; do
    run reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v Sanvelle.htm 2>/dev/null
    run reg query 'HKCU\Software\Classes\Applications\Sanvelle.exe\SupportedTypes' /v $ext 2>/dev/null
  done
  true
}
commands=$(open_with | tr -d '\r')
[ "$(grep -c 'Programs\\Sanvelle\\Sanvelle.exe" "%1"' <<<"$commands")" = 2 ] ||
  fail "no Open with command for the installed program: $commands"
[ "$(grep -c -E '^ +(Sanvelle\.htm|\.html?) +REG_SZ' <<<"$commands")" = 4 ] ||
  fail "not offered for .htm and .html files: $commands"
entry=$(run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null;
        run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null) || true
grep -q 'DisplayName    REG_SZ    Quillmere' <<<"$entry" || fail "no Add/Remove Programs entry"
grep -q 'DisplayVersion    REG_SZ    1.1.0' <<<"$entry" || fail "no version 1.1.0 in the entry"
# A later version replaces this one: the upgrade code is the fixed one.
# (Tables read whole first: grep -q stops reading early, which pipefail
# would count as msiinfo failing.)
upgrade=$(msiinfo export "$msi" Upgrade)
grep -q '{6B1C2F0E-3A5D-4E8B-9C71-2D4F6A8B0C13}' <<<"$upgrade" ||
  fail "not the upgrade code of every version"
# The entry's icon: Windows takes it from ARPPRODUCTICON (Wine shows none).
properties=$(msiinfo export "$msi" Property)
grep -q $'^ARPPRODUCTICON\tSanvelle.ico' <<<"$properties" || fail "no product icon"

version=$(run "$folder/quillmere.exe" --version | tr -d '\r')
[ "$version" = "quillmere 1.1.0" ] || fail "installed quillmere.exe says \"$version\""
if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null; then
  run "$folder/Sanvelle.exe" </dev/null >/dev/null 2>&1 &
  program=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --name '^Sanvelle$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.2
  done
  # Ended as Task Manager would end it, and waited for: a running
  # program's file could not be removed.
  run taskkill /F /IM Sanvelle.exe >/dev/null 2>&1 || kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  [ -n "$window" ] || fail "the installed Sanvelle.exe opened no window"
  echo "the installed Sanvelle.exe opened its window"
fi

# The user changes the settings; a later version replaces this one.
printf '[HTML]\r\nHR=0\r\n' > "$folder/Brackwen.ini"
later=$(mktemp -d)
trap 'rm -rf "$later"' EXIT
package=$(basename "$msi" .msi)
cp -r "$(dirname "$msi")/$package" "$(dirname "$msi")/Sanvelle.ico" "$later/"
sed "s/@PROJECT_VERSION@/9.9.9/g; s/@package@/$package/g" "$template" > "$later/later.wxs"
cmake -DRELEASE="$later" -DWXS=later.wxs -DMSI=later.msi -P "$make_msi" >/dev/null
later_win=$(run winepath -w "$later/later.msi" 2>/dev/null)
run msiexec /i "$later_win" /qn </dev/null >/dev/null 2>&1 || fail "the later version failed ($?)"
entry=$(run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null;
        run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null) || true
[ "$(grep -c 'DisplayName    REG_SZ    Quillmere' <<<"$entry")" = 1 ] ||
  fail "the later version did not replace 1.1.0"
grep -q 'DisplayVersion    REG_SZ    9.9.9' <<<"$entry" || fail "the later version is not installed"
[ "$(cat "$folder/Brackwen.ini")" = $'[HTML]\r\nHR=0\r' ] ||
  fail "the later version overwrote the changed settings file"

# Uninstalling: a settings file the user has changed stays; everything
# else goes.
run msiexec /x "$later_win" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /x failed ($?)"
echo "after uninstalling:"; listing
[ "$(listing)" = "AppData/Local/Programs/Sanvelle
AppData/Local/Programs/Sanvelle/Brackwen.ini" ] || fail "uninstalling left more than the settings file"
[ "$(cat "$folder/Brackwen.ini")" = $'[HTML]\r\nHR=0\r' ] || fail "the changed settings file was not kept"
[ -z "$(open_with | tr -d '\r' | grep 'REG_SZ')" ] || fail "the Open with entries were left behind"
rm -rf "$folder"
echo "install_test: passed"
