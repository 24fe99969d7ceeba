# Compiler settings shared by every target of ours (not by GoogleTest's).
set(LANTERN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)
# GCC 12 at -O3 reports impossible overlapping copies inside libstdc++'s own
# std::string assignments (GCC bug 105651); the warning says nothing about
# our code there, so it is off for that compiler only.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND LANTERN_WARNINGS -Wno-restrict)
endif()

if(LANTERN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(LANTERN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzz targets see coverage of all of our code, not only of their own file.
if(LANTERN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(lantern_target target)
  target_compile_options(${target} PRIVATE ${LANTERN_WARNINGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

function(lantern_library target)
  add_library(${target} STATIC ${ARGN})
  lantern_target(${target})
endfunction()

# GoogleTest: Debian's packaged library natively, built from Debian's sources
# for the Windows build.
if(WIN32)
  if(NOT TARGET GTest::gtest_main)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
