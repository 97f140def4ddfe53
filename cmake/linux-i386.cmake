# Linux i386 programs from the host's compiler (g++-multilib). Not a cross
# build: an x86-64 kernel runs them, so tests run natively.
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
