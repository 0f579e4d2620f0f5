# The C runtime of every exe of the win32 tree is crtdll.dll, not msvcrt.dll.
#
# No Windows 95 release (RTM, OSR1, OSR2) has msvcrt.dll: Internet Explorer 4 or
# a Visual C++ runtime brings it. Every Windows 95, 98, ME and NT has crtdll.dll,
# the older C runtime, in its system directory.
#
# - GCC's built-in specs put -lmsvcrt among the libraries of every link.
#   crtdll.specs, made here at configure time from `gcc -dumpspecs` with that one
#   -lmsvcrt replaced by -lcrtdll (mingw-w64's import library of crtdll.dll), is
#   passed to every link with -specs. mingw-w64's start-up code and libmingwex
#   work on crtdll as they are: libcrtdll.a carries the few pieces they expect
#   of msvcrt (__getmainargs and the like, mapped onto crtdll's exports).
# - crt/crtdll_compat.c gives what the headers and libstdc++ still ask of
#   msvcrt: _time32, _localtime32 and _mktime32 (the headers' names for time,
#   localtime, mktime), and rand_s, close and read for libstdc++'s random.o.
#   Nothing of the program uses std::random_device, but random.o comes with
#   any std::string that can throw: __throw_length_error (functexcept.o) ->
#   logic_error (cow-stdexcept.o) -> the copy-on-write string
#   (cow-string-inst.o) -> random_device::_M_init (random.o). It is linked into
#   every exe: program, tools, tests and benchmarks run on the runtime that
#   ships.
#
# tests/imports fails when a shipped exe imports anything from msvcrt.dll or a
# crtdll.dll function that Windows 95's crtdll.dll does not export.
execute_process(COMMAND ${CMAKE_C_COMPILER} -dumpspecs
                OUTPUT_VARIABLE specs RESULT_VARIABLE status)
string(REGEX MATCHALL "-lmsvcrt( |\n)" found "${specs}")
list(LENGTH found count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "${CMAKE_C_COMPILER} -dumpspecs: expected one -lmsvcrt to replace "
    "by -lcrtdll (exit status ${status}, found ${count})")
endif()
string(REGEX REPLACE "-lmsvcrt( |\n)" "-lcrtdll\\1" specs "${specs}")
set(IW_CRTDLL_SPECS ${CMAKE_BINARY_DIR}/crtdll.specs)
file(WRITE ${IW_CRTDLL_SPECS} "${specs}")
#
# A test exe that cannot run on crtdll.dll sets its property IW_MSVCRT and links
# msvcrt.dll as GCC does by default; nothing that ships may.
set(IW_USES_CRTDLL "$<NOT:$<BOOL:$<TARGET_PROPERTY:IW_MSVCRT>>>")
add_link_options("$<${IW_USES_CRTDLL}:-specs=${IW_CRTDLL_SPECS}>")

add_library(iw_crtdll_compat OBJECT ${CMAKE_SOURCE_DIR}/crt/crtdll_compat.c)
# Executables only: a static library would take the object in as well.
link_libraries("$<$<AND:${IW_USES_CRTDLL},$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>>:iw_crtdll_compat>")
