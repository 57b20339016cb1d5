#!/usr/bin/env bash
# Drives the win64 installer's wizard under wine64 on a virtual X screen, once
# per language, each in a fresh prefix whose locale (and so code page) is that
# language's, and saves every screen a person sees as a PNG:
#   1 the question whether to install the missing driver, 2 the language page,
#   3 the welcome page, 4 the restart page after a real installation; then,
#   with an older driver in place and a directory where the uninstaller must
#   go, 5 the question whether to upgrade and 6 the error page of the failed
#   installation.
# On the way it cancels from the welcome page and answers No. Wine 8 leaves a
# message box black when its owner was moved before it was first shown (a
# dialog that centres itself in WM_INITDIALOG, as this one does), so that
# question is answered but not saved.
# Each step waits until the screen has changed and settled; a screen that does
# not come, or a prefix left without the driver or with a half-done upgrade,
# fails the run.
#
# usage: screenshots.sh INSTALLER OUTDIR [LANGUAGE...]   (default: all 13)
set -uo pipefail
exe=$(realpath "$1")
out=$2
shift 2
mkdir -p "$out"
out=$(realpath "$out")
here=$(cd "$(dirname "$0")" && pwd)
old_driver=$(realpath "$here/../../build/payload/variants/7.1.0.188/HALVIK.SYS")
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all

# tag LANGID locale
languages="en 0409 en_US
de 0407 de_DE
fr 040c fr_FR
it 0410 it_IT
es 040a es_ES
nl 0413 nl_NL
sv 041d sv_SE
pt-br 0416 pt_BR
ja 0411 ja_JP
ko 0412 ko_KR
zh-cn 0804 zh_CN
zh-tw 0404 zh_TW
th 041e th_TH"
[ $# -gt 0 ] && languages=$(grep -E "^($(tr ' ' '|' <<<"$*")) " <<<"$languages")

work=$(mktemp -d /tmp/halvinst-shots.XXXXXX)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The locales are built into the work folder, so the machine's own set stays as it is.
export LOCPATH=$work/locales
mkdir -p "$LOCPATH"
while read -r _ _ locale; do
  localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" >/dev/null 2>&1 \
    || { echo "FAIL: cannot build the locale $locale"; exit 1; }
done <<<"$languages"

# Every Windows 2000/XP has the CD/DVD device class; a bare prefix does not. A
# Chinese, Japanese or Korean Windows has its own fonts under their own names;
# here one Debian font stands in for all of them. Thai text reaches a Thai font
# through font linking, as on Windows.
cat >"$work/common.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class\{4D36E965-E325-11CE-BFC1-08002BE10318}]
"Class"="CDROM"

EOF
cat >"$work/cjk.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="WenQuanYi Micro Hei"
"MS Gothic"="WenQuanYi Micro Hei"
"MS PGothic"="WenQuanYi Micro Hei"
"MS Mincho"="WenQuanYi Micro Hei"
"MS PMincho"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"
"PMingLiU"="WenQuanYi Micro Hei"
"MingLiU"="WenQuanYi Micro Hei"
"Gulim"="WenQuanYi Micro Hei"
"GulimChe"="WenQuanYi Micro Hei"
"Batang"="WenQuanYi Micro Hei"

EOF
thai_link='hex(7):4c,00,6f,00,6d,00,61,00,2e,00,74,00,74,00,66,00,2c,00,4c,00,6f,00,6d,00,61,00,00,00,00,00'
{
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n'
  for face in Tahoma "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Times New Roman"; do
    printf '"%s"=%s\n' "$face" "$thai_link"
  done
  printf '\n'
} >"$work/thai.reg"

# The screen's checksum; a step waits until it differs from the one before and
# has held still for a second (or the given number of quarter seconds: a page
# that comes after an installation must not be taken from a pause within it).
screen_sum() { xwd -root -silent 2>/dev/null | md5sum | cut -d' ' -f1; }
last_sum=
wait_for_screen() {
  local what=$1 still=${2:-4} tries=0 sum same=0 previous=
  while [ $tries -lt 480 ]; do
    sleep 0.25
    tries=$((tries + 1))
    sum=$(screen_sum)
    if [ "$sum" != "$last_sum" ] && [ "$sum" = "$previous" ]; then
      same=$((same + 1))
      if [ $same -ge "$still" ]; then
        last_sum=$sum
        return 0
      fi
    else
      same=0
    fi
    previous=$sum
  done
  echo "FAIL: $tag: no new screen for $what within 2 minutes"
  xwd -root -silent | convert xwd:- "$out/$tag-timeout-$what.png" 2>/dev/null
  return 1
}

# Saves the screen cut to what differs from the desktop around it: the dialog.
# The desktop window gets the X focus first, so that Wine draws the wizard's
# caption as active.
shot() {
  focus_desktop
  sleep 0.5
  xwd -root -silent | convert xwd:- -trim +repage "$out/$tag-$1.png"
  last_sum=$(screen_sum)
  echo "  $tag-$1.png"
}

focus_desktop() {
  local desktop
  desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1)
  [ -n "$desktop" ] && xdotool windowfocus --sync "$desktop" 2>/dev/null
}

keys() {
  focus_desktop
  xdotool key --delay 100 "$@"
}

# regedit reads the file through the prefix's drive Z:, which is the root.
import_registry() { "$wine" regedit /S "Z:${work//\//\\}\\$1" >/dev/null 2>&1; }

run_installer() {
  last_sum=$(screen_sum)
  # Started as the disc's autorun starts it, so that it looks for an installed driver first.
  "$wine" explorer /desktop=halvinst,1024x768 'C:\halvinst.exe' AUTORUN >/dev/null 2>&1 &
  installer=$!
}

wait_for_end() {
  local tries=0
  while kill -0 "$installer" 2>/dev/null && [ $tries -lt 120 ]; do
    sleep 0.5
    tries=$((tries + 1))
  done
  if kill -0 "$installer" 2>/dev/null; then
    echo "FAIL: $tag: the installer did not end"
    return 1
  fi
  "$wineserver" -w
}

# One language in a fresh prefix; returns non-zero when a screen did not come
# or the machine was left in the wrong state.
drive_language() {
  local ok=1 system32
  export LANG=$locale.UTF-8 WINEPREFIX=$work/prefix-$tag
  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  import_registry common.reg
  case $tag in
    ja | ko | zh-*) import_registry cjk.reg ;;
    th) import_registry thai.reg ;;
  esac
  "$wineserver" -w
  system32=$WINEPREFIX/drive_c/windows/system32
  cp "$exe" "$WINEPREFIX/drive_c/halvinst.exe"
  # This Wine does not find the caption buttons' font in its own data folder;
  # in the prefix's font folder it does.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true

  # A first installation, looking at the way out through Cancel on the way.
  run_installer
  { wait_for_screen install-question && shot 1-install-question && keys Return &&
    wait_for_screen language && shot 2-language && keys Return &&
    wait_for_screen welcome && shot 3-welcome && keys Escape &&
    wait_for_screen cancel-question && keys Tab Return &&
    wait_for_screen welcome-again && keys Return &&
    wait_for_screen restart 12 && shot 4-restart && keys Escape &&
    wait_for_end; } || ok=0
  if [ $ok = 1 ] && ! cmp -s "$system32/drivers/Halvik.sys" "$here/../../build/payload/HALVIK2K.SYS"; then
    echo "FAIL: $tag: the installation did not put the driver in place"
    ok=0
  fi

  # An upgrade over an older driver that fails: a directory stands where the
  # uninstaller goes. The older driver must be back afterwards.
  if [ $ok = 1 ]; then
    cp "$old_driver" "$system32/drivers/Halvik.sys"
    rm -f "$system32/halvunin.exe"
    mkdir "$system32/halvunin.exe"
    run_installer
    { wait_for_screen upgrade-question && shot 5-upgrade-question && keys Return &&
      wait_for_screen language-again && keys Return &&
      wait_for_screen welcome-again && keys Return &&
      wait_for_screen error 12 && shot 6-error && keys Return &&
      wait_for_end; } || ok=0
    if [ $ok = 1 ] && ! cmp -s "$system32/drivers/Halvik.sys" "$old_driver"; then
      echo "FAIL: $tag: the failed upgrade did not leave the older driver in place"
      ok=0
    fi
  fi

  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  rm -rf "$WINEPREFIX"
  [ $ok = 1 ]
}

passed=0
failed=0
while read -r tag langid locale; do
  echo "$tag ($langid, $locale)"
  # A loaded machine can be slow to bring up a prefix or a window; a second
  # try in a new prefix tells that apart from a wizard that is wrong.
  if drive_language || { echo "  $tag: trying once more in a new prefix" && drive_language; }; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done <<<"$languages"

echo "wizard screenshots: $passed passed, $failed failed"
[ "$failed" = 0 ]
