# The Windows conformance suite's build: GoogleTest needs std::mutex, which
# only MinGW's posix thread model has. The product library is never taken
# from this build: its runtime would bring a threads library into the module,
# so the suite loads the library of the plain build (VORLAT_MODULE).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(VORLAT_CONFORMANCE ON CACHE BOOL "Build the Windows conformance suite")
