# Sourced by the Wine checks: `select_wine FILE` picks the Wine that runs the
# Windows program FILE: Debian's 32-bit loader (wine32:i386) with a 32-bit
# prefix for an i386 image (the release build), wine64 for an x86-64 one. It
# sets wine, wineserver, wine_bits (32 or 64), wine_dlls (the folder of that
# Wine's own PE files) and exports WINEARCH. A 32-bit Wine that cannot run
# here is reported in capitals by wine32_usable, never passed over silently.
wineserver=/usr/lib/wine/wineserver

# The machine field of a PE image's header: 014c for i386, 8664 for x86-64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}

select_wine() {
  case "$(pe_machine "$1")" in
    014c)
      wine=/usr/lib/wine/wine wine_bits=32 wine_dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
      export WINEARCH=win32
      ;;
    8664)
      wine=/usr/lib/wine/wine64 wine_bits=64 wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
      export WINEARCH=win64
      ;;
    *)
      echo "FAIL: $1 is no i386 or x86-64 Windows program" >&2
      return 1
      ;;
  esac
  [ -x "$wine" ] || { echo "FAIL: no ${wine_bits}-bit Wine at $wine" >&2; return 1; }
}

# Whether the 32-bit Wine starts here (the kernel may refuse 32-bit programs).
wine32_usable() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
