# GoogleTest: Debian's packages natively; when cross-compiling, built from the
# sources Debian ships in /usr/src/googletest with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Single-threaded: no std::mutex in MinGW's default thread model, and no helper
  # threads under 32-bit Wine (tests/conformance/gtest_single_thread.h says why).
  target_compile_definitions(gtest PUBLIC GTEST_IS_THREADSAFE=0)
  target_compile_options(gtest PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/conformance/gtest_single_thread.h)
  # Newer googletest sources define the GTest:: aliases themselves.
  foreach(_gtest_lib IN ITEMS gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${_gtest_lib})
      add_library(GTest::${_gtest_lib} ALIAS ${_gtest_lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
