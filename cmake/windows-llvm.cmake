# Cross-build for Windows on ARM64 with clang and lld, for the target whose
# triple is PACKTEXT_TRIPLE (set by its preset; its row in targets.txt).
# Debian has no mingw-w64 compiler, runtime or import libraries for ARM64, and
# the program needs none of them: clang compiles for the triple, lld links,
# kernel32's import library is made from platform/kernel32.def, and the
# headers are mingw-w64's C headers and <windows.h> (mingw-w64-common, the
# same for every architecture) under libc++'s C++ headers. Only headers, and
# they fit: the program links no C++ library, and the configuration Debian
# built libc++ with (__config_site) names no C library or thread API, so its
# headers tell them from the target and choose Windows' own
# (_LIBCPP_WIN32API, _LIBCPP_MSVCRT_LIKE).
#
# LLVM's tools are taken from the folder of the clang that compiles, where
# Debian installs them under their plain names (on the path llvm-windres
# carries a version, llvm-windres-14), so no release's version is named here.
include(${CMAKE_CURRENT_LIST_DIR}/targets-table.cmake)
packtext_toolchain_target(windows aarch64-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)

if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER clang++)
endif()
set(CMAKE_CXX_COMPILER_TARGET ${PACKTEXT_TRIPLE})
# Nothing can link a whole program without the program's own entry, so
# CMake's compiler checks compile and do not link.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

find_program(clang_path NAMES ${CMAKE_CXX_COMPILER} REQUIRED NO_CACHE)
file(REAL_PATH ${clang_path} clang_path)
cmake_path(GET clang_path PARENT_PATH llvm_bin)
cmake_path(GET llvm_bin PARENT_PATH llvm_root)
set(CMAKE_RC_COMPILER ${llvm_bin}/llvm-windres)
set(PACKTEXT_DLLTOOL ${llvm_bin}/llvm-dlltool -m arm64)
set(libcxx_include ${llvm_root}/include/c++/v1)
set(mingw_root /usr/share/mingw-w64)
foreach(needed IN ITEMS ${CMAKE_RC_COMPILER} ${llvm_bin}/llvm-dlltool ${libcxx_include}/cstdint
                        ${mingw_root}/include/windows.h)
  if(NOT EXISTS ${needed})
    message(FATAL_ERROR "${needed} is missing: win-arm64 is built with ${target_packages}")
  endif()
endforeach()

# libc++'s headers, then clang's own, then mingw-w64's (the sysroot's, which
# holds no C++ headers), in the order in which their #include_next find each
# other; none of the host's.
set(CMAKE_CXX_FLAGS_INIT "--sysroot=${mingw_root} -isystem ${libcxx_include}")
set(CMAKE_EXE_LINKER_FLAGS_INIT -fuse-ld=lld)
# Not the libraries CMake links every Windows program with: the program has
# an import library of its own, and nothing for the others to be found in.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_RC_FLAGS_INIT "--target=${PACKTEXT_TRIPLE} -I${mingw_root}/include")
