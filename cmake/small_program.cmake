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
  # The few C routines the programs call are linked in (crt/), not imported
  # from a C runtime DLL: the headers declare them without dllimport.
  target_compile_definitions(${target} PRIVATE _CRTIMP=)
  # No C++ exceptions: the programs throw none and call nothing that does,
  # and they link no C++ runtime that could catch one. The guard, built
  # without them too, has no catch.
  target_compile_options(${target} PRIVATE -fno-exceptions)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # No unwind tables either: with none in their frames no exception could
    # travel anyway. The 64-bit build keeps them: its stack walks need them.
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
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
  endif()
  # No C runtime, no C++ runtime, no start files: the program imports only
  # KERNEL32, USER32, GDI32 and ADVAPI32, and its start and C routines are
  # our own (crt/crt.cpp, which says why); libgcc comes with the codec.
  target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=$<IF:$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>,_,>WinMainCRTStartup)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:halvinst_crt>)
  target_link_libraries(${target} PRIVATE kernel32 user32 gdi32 advapi32 gcc)
endfunction()
