# The programs the product ships (the installer's stub and the uninstaller it
# carries) stay small: the stub because its payload archive is found only
# within its first 400,000 bytes and its image is to stay within 258,048
# bytes, the uninstaller because it travels inside that payload.

# Compile options for a program's own code and for the libraries it links.
function(halvinst_small_code target)
  # Functions nothing calls are dropped by the linker.
  target_compile_options(${target} PRIVATE -ffunction-sections)
  if(NOT HALVINST_WINDOWS)
    return()
  endif()
  # The C runtime's own printf family: mingw's C99 replacement (with its
  # floating-point formatting) is 26 KB that would format the programs'
  # integers and strings no differently.
  target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # No C++ exceptions and no unwind tables: the programs throw no C++
    # exception and call nothing that does, and with no unwind tables in
    # their frames none could travel to the guard anyway. The guard, built
    # without them too, has no catch, so the runtime's unwinder and
    # exception support (about 33 KB of code, unwind tables and data, and
    # the threading imports of its locks) stay out. The 64-bit build keeps
    # them: its stack walks need them.
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-asynchronous-unwind-tables)
  endif()
endfunction()

# A shipped program: its code as above, size-optimised, without symbols.
function(halvinst_small_program target)
  halvinst_small_code(${target})
  target_compile_options(${target} PRIVATE -Os)
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
  if(NOT HALVINST_WINDOWS)
    return()
  endif()
  # No time stamp in the header, so that two builds of one commit match.
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # No base relocations: Windows 95 to XP load an executable at its own
    # base (the 64-bit build for wine64 keeps them, for address randomisation).
    target_link_options(${target} PRIVATE -Wl,--disable-reloc-section)
    # The runtime's verbose terminate handler prints the demangled type of an
    # uncaught exception and so brings the C++ demangler (46 KB) along. The
    # guard catches every exception, so terminate is never reached; should
    # it be, it simply aborts.
    target_link_options(${target} PRIVATE -Wl,--defsym=__ZN9__gnu_cxx27__verbose_terminate_handlerEv=_abort)
  endif()
endfunction()
