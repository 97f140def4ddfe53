# Each vendor's name for a triple finds its row of targets.txt, and a triple
# for another ABI or byte order finds none.
# usage: cmake -P tests/triples.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/targets-table.cmake)
set(cases
    x86_64-redhat-linux=x86_64-linux-gnu x86_64-suse-linux=x86_64-linux-gnu
    x86_64-pc-linux-gnu=x86_64-linux-gnu aarch64-redhat-linux=aarch64-linux-gnu
    s390x-ibm-linux-gnu=s390x-linux-gnu i386-pc-linux-gnu=i686-linux-gnu
    i686-redhat-linux=i686-linux-gnu ppc64le-redhat-linux=powerpc64le-linux-gnu
    armv7hl-unknown-linux-gnueabihf=arm-linux-gnueabihf armv5tel-suse-linux-gnueabi=arm-linux-gnueabi
    riscv64-suse-linux=riscv64-linux-gnu mips64el-unknown-linux-gnuabi64=mips64el-linux-gnuabi64
    mips-unknown-linux-gnu=mips-linux-gnu mips64-unknown-linux-gnuabi64=mips64-linux-gnuabi64
    ppc64-redhat-linux=powerpc64-linux-gnu ppc-linux-gnu=powerpc-linux-gnu
    powerpc-unknown-linux-gnu=powerpc-linux-gnu hppa2.0-unknown-linux-gnu=hppa-linux-gnu
    hppa1.1-unknown-linux-gnu=hppa-linux-gnu alphaev67-unknown-linux-gnu=alpha-linux-gnu
    alpha-unknown-linux-gnu=alpha-linux-gnu sh4-unknown-linux-gnu=sh4-linux-gnu
    sparc64-unknown-linux-gnu=sparc64-linux-gnu m68k-unknown-linux-gnu=m68k-linux-gnu
    x86_64-w64-mingw32=x86_64-w64-mingw32 aarch64-w64-windows-gnu=aarch64-w64-mingw32
    x86_64-linux-gnux32=x86_64-linux-gnux32 x86_64-pc-linux-gnux32=x86_64-linux-gnux32
    aarch64-linux-gnu_ilp32= aarch64-linux-musl= powerpc-linux-gnuspe= mips64el-linux-gnu= x86_64-apple-darwin=
    sh4eb-linux-gnu= hppa64-linux-gnu= sparc-linux-gnu=)
set(failed 0)
foreach(case IN LISTS cases)
  string(REGEX MATCH "^([^=]+)=(.*)$" case ${case})
  set(machine ${CMAKE_MATCH_1})
  set(expected "${CMAKE_MATCH_2}")
  packtext_row_triple(${machine} found)
  if(NOT found STREQUAL expected)
    message("${machine}: row ${found}, expected ${expected}")
    set(failed 1)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "a triple found the wrong row")
endif()
