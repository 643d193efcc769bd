# How the project's Windows programs are built with mingw-w64: small,
# hardened and the same to the byte wherever and whenever they are built.
# Quorvane.exe and the benchmark's yardsticks both use it, so they are built
# alike.

set(quorvane_release $<NOT:$<CONFIG:Debug>>)

# Small: optimise for size, one section per function and object so the
# linker can drop the unused ones, and none of the exception, type
# information and unwind tables the programs never use. Also for the
# libraries linked into a program.
set(QUORVANE_SIZE_COMPILE_FLAGS -ffunction-sections -fdata-sections $<${quorvane_release}:-Os>
    -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)

# root: the source tree, whose paths the compiler must not write into the
# program (they would differ between two checkouts).
function(quorvane_windows_program target root)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-municode ${QUORVANE_SIZE_COMPILE_FLAGS}
                              -ffile-prefix-map=${root}=.>)
  # The runtime is linked in statically, so the program runs alone; the
  # symbols are stripped except in a debug build.
  target_link_options(${target} PRIVATE -municode -static -Wl,--gc-sections
                      $<${quorvane_release}:-s>)
  # Hardened: loaded at a random address with its relocations kept (ld
  # strips them from programs unless told), data never executable, and no
  # compatibility shims for terminal-server sessions.
  target_link_options(${target} PRIVATE -Wl,--dynamicbase -Wl,--enable-reloc-section
                      -Wl,--nxcompat -Wl,--tsaware)
  # A 64-bit program can be placed anywhere in its larger address space.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
  endif()
  # Reproducible: no link time in the header (the checksum, computed over
  # the rest, then follows).
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
endfunction()

# The manifest the resource script embeds names the program's processor, and
# Windows refuses to start a program whose Common Controls dependency is of
# another: a 64-bit build gets a copy of res/quorvane.manifest naming amd64
# wherever it names x86, written into `generated` (which the resource script
# must have on its include path). A 32-bit build uses the file as it is.
function(quorvane_program_manifest repo generated)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${repo}/res/quorvane.manifest)
    file(READ ${repo}/res/quorvane.manifest manifest)
    string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"amd64\"" manifest
           "${manifest}")
    file(CONFIGURE OUTPUT ${generated}/quorvane-amd64.manifest CONTENT "${manifest}" @ONLY)
  endif()
endfunction()
