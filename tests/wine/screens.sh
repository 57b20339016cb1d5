#!/usr/bin/env bash
# What the screenshot scripts share: the thirteen languages and their
# locales, a virtual X screen, fresh Wine prefixes set up as a Windows of
# that language, waiting for a screen to change and settle, saving it, and
# keys. Sourced by screenshots.sh (the installer's wizard) and
# uninstall_screenshots.sh (the uninstaller's question)
# with their arguments, INSTALLER OUTDIR [LANGUAGE...] (default: all 13):
# sets exe (the installer: the i686 release runs under 32-bit Wine, the
# win64 build under wine64), out (the folder for the PNGs), here (this
# folder) and the languages to run.
exe=$(realpath "$1")
out=$2
shift 2
mkdir -p "$out"
out=$(realpath "$out")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine_select.sh"
select_wine "$exe" || exit 1
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

# The screen waits; a time-out saves the screen as it was.
source "$(dirname "${BASH_SOURCE[0]}")/screen_wait.sh"
screen_timeout() { xwd -root -silent | convert xwd:- "$out/$tag-timeout-$1.png" 2>/dev/null; }

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

# A fresh prefix for the language in $tag and $locale: its locale (and so
# code page), the CD/DVD class, its fonts, and the installer in C:\.
fresh_prefix() {
  export LANG=$locale.UTF-8 WINEPREFIX=$work/prefix-$tag
  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  import_registry common.reg
  case $tag in
    ja | ko | zh-*) import_registry cjk.reg ;;
    th) import_registry thai.reg ;;
  esac
  "$wineserver" -w
  cp "$exe" "$WINEPREFIX/drive_c/halvinst.exe"
  # This Wine does not find the caption buttons' font in its own data folder;
  # in the prefix's font folder it does.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

drop_prefix() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  rm -rf "$WINEPREFIX"
}

# Starts a program of the prefix on its own Wine desktop; wait_for_end waits
# for it (a minute at most).
start_program() {
  last_sum=$(screen_sum)
  program_name=$1
  "$wine" explorer "/desktop=$1,1024x768" "${@:2}" >/dev/null 2>&1 &
  program=$!
}

wait_for_end() {
  local tries=0
  while kill -0 "$program" 2>/dev/null && [ $tries -lt 120 ]; do
    sleep 0.5
    tries=$((tries + 1))
  done
  if kill -0 "$program" 2>/dev/null; then
    echo "FAIL: $tag: $program_name did not end"
    return 1
  fi
  "$wineserver" -w
}

# Runs `drive` (a function: one language in a fresh prefix, non-zero when a
# screen did not come or the machine was left wrong) for every language,
# and reports the counts under `what`.
for_each_language() {
  local drive=$1 what=$2 passed=0 failed=0
  while read -r tag langid locale; do
    echo "$tag ($langid, $locale)"
    screen_tag=$tag
    # A loaded machine can be slow to bring up a prefix or a window; a second
    # try in a new prefix tells that apart from a program that is wrong.
    if "$drive" || { echo "  $tag: trying once more in a new prefix" && "$drive"; }; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done <<<"$languages"
  echo "$what: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}
