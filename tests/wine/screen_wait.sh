# Waiting for a Wine window to show its next screen, for the scripts that
# drive the programs' windows with xdotool (sourced).
#
# wait_for_screen WHAT [STILL]: waits until the screen's checksum differs from
# the one the last wait ended on and has held still for a second (or STILL
# quarter seconds: a page that comes after an installation must not be taken
# from a pause within it); two minutes at most. On a time-out it prints a FAIL
# line (prefixed with $screen_tag when set) and calls screen_timeout WHAT when
# the caller defines it. Set last_sum=$(screen_sum) before starting a program.
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
  echo "FAIL: ${screen_tag:+$screen_tag: }no new screen for $what within 2 minutes"
  if declare -F screen_timeout >/dev/null; then screen_timeout "$what"; fi
  return 1
}
