#!/usr/bin/env bash
# Drives the installer's wizard under Wine (32-bit for the release) on a virtual X screen, once
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
# Reads INSTALLER OUTDIR [LANGUAGE...] into exe, out and the languages.
source "$(dirname "$0")/screens.sh"
old_driver=$(realpath "$here/../../build/payload/variants/7.1.0.188/HALVIK.SYS")

run_installer() {
  # Started as the disc's autorun starts it, so that it looks for an installed driver first.
  start_program halvinst 'C:\halvinst.exe' AUTORUN
}

# One language in a fresh prefix; returns non-zero when a screen did not come
# or the machine was left in the wrong state.
drive_language() {
  local ok=1 system32
  fresh_prefix
  system32=$WINEPREFIX/drive_c/windows/system32

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

  drop_prefix
  [ $ok = 1 ]
}

for_each_language drive_language "wizard screenshots"
