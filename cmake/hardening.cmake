# Optimised builds outside Windows get the protections Debian builds every
# package with (see dpkg-buildflags): checked string and memory functions,
# stack protector, read-only relocations resolved at load, and a
# position-independent executable. Each is used only where the compiler and
# linker take it, so other Unix compilers build the game all the same.
# Sanitizer and fuzzer builds do their own checking and are left alone, and
# so is WebAssembly, whose return addresses are out of the program's reach.
if(WIN32 OR EMSCRIPTEN OR TENFALL_SANITIZE OR TENFALL_FUZZ)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(tenfall_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)

# The fortified functions need optimisation to be checked; the -U first
# keeps compilers that define it already from warning about a redefinition.
# Modules are left out: nothing shipped is one, and the tests' modules are
# preloaded to stand in for poll and read, which clang refuses to define
# next to the headers' fortified inline versions.
set(tenfall_fortify $<AND:${tenfall_optimised},$<NOT:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,MODULE_LIBRARY>>>)
add_compile_options($<${tenfall_fortify}:-U_FORTIFY_SOURCE>
                    $<${tenfall_fortify}:-D_FORTIFY_SOURCE=2>)

check_cxx_compiler_flag(-fstack-protector-strong tenfall_has_stack_protector)
if(tenfall_has_stack_protector)
  add_compile_options($<${tenfall_optimised}:-fstack-protector-strong>)
endif()

foreach(flag relro now)
  check_linker_flag(CXX -Wl,-z,${flag} tenfall_has_z_${flag})
  if(tenfall_has_z_${flag})
    add_link_options($<${tenfall_optimised}:LINKER:-z,${flag}>)
  endif()
endforeach()

# A static game is not position-independent: a static PIE relocates itself
# and so keeps a dynamic section, which "any Linux" cannot count on.
if(TENFALL_STATIC)
  set(CMAKE_POSITION_INDEPENDENT_CODE OFF)
  add_link_options(-static -no-pie)
  return()
endif()
check_pie_supported(LANGUAGES CXX OUTPUT_VARIABLE tenfall_pie_output)
if(CMAKE_CXX_LINK_PIE_SUPPORTED)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
