# GoogleTest for both trees and a helper to declare one test binary.
if(IW_TESTS)
  if(WIN32 OR NOT EXISTS /usr/lib/x86_64-linux-gnu/libgtest.a)
    # Built from source with the cross compiler (Debian package googletest).
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    if(WIN32)
      set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    endif()
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(WIN32)
      # The win32 thread model of GCC 12 has no std::mutex, on which GoogleTest's
      # Notification is built; tests/support supplies a replacement, forced into
      # GoogleTest and (PUBLIC) into every test that includes it.
      target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
      target_compile_options(gtest PUBLIC
        "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${CMAKE_SOURCE_DIR}/tests/support/GTestWin32Notification.h>")
    endif()
    set(IW_GTEST_LIBS GTest::gtest)
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
    endif()
  else()
    find_package(GTest REQUIRED)
    set(IW_GTEST_LIBS GTest::gtest)
  endif()
endif()

# iw_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib... [GUI] [RUN_SERIAL] [TIMEOUT s])
# One test binary = one CTest test; the binary prints GoogleTest's own counts.
function(iw_add_gtest name)
  cmake_parse_arguments(A "GUI;RUN_SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} ${IW_GTEST_LIBS} iw_test_main)
  if(WIN32 AND A_GUI)
    # Still a console program so that GoogleTest's output reaches the terminal.
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
  if(A_RUN_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  set_property(GLOBAL APPEND PROPERTY IW_TEST_TARGETS ${name})
endfunction()

# iw_check_win95_imports(NAME FILE)
# A test "win95_imports_NAME" of the win32 tree: FILE (a path, or $<TARGET_FILE:target>)
# must ask for no OS or subsystem above 4.0 in its PE header and import only what
# Windows 95 exports (tests/imports/check-win95-imports.sh). Every exe that ships is
# declared with it; a file that is missing when the test runs fails it.
if(WIN32)
  find_program(IW_OBJDUMP_PATH NAMES ${IW_OBJDUMP} ${IW_MINGW_PREFIX}-objdump REQUIRED)
endif()
function(iw_check_win95_imports name file)
  if(NOT WIN32)
    return()
  endif()
  add_test(NAME win95_imports_${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/imports/check-win95-imports.sh ${IW_OBJDUMP_PATH} ${file})
endfunction()
