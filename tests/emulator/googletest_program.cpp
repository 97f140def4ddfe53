// A GoogleTest program with GoogleTest built in, and one test that passes:
// whether qemu-user runs it, linked statically or dynamically, decides how
// the unit tests are linked (tests/emulator/unit_linkage.cmake). Under
// qemu-alpha no static program of the C library runs, and under qemu-hppa
// none as large as this one.

#include "src/gtest-all.cc"
#include "src/gtest_main.cc"

TEST(Emulator, RunsAGoogleTestProgram) {
  EXPECT_EQ(1 + 1, 2);
}
