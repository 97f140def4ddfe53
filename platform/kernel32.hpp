#pragma once

// The three operating-system operations the program uses, with the names and
// types kernel32 gives them. On Windows they are kernel32's own; elsewhere they
// are a small stand-in over raw system calls (platform/linux).

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using HANDLE = void*;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;
inline constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);

// A handle is a file descriptor carried in a pointer. A macro, as in
// <windows.h>: a reinterpret_cast is no constant expression, and a variable
// would need run-time initialization, which this program never gets.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(std::intptr_t{-1}))

extern "C" {

// Standard output's handle for STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE for any
// other value. Makes no system call.
HANDLE GetStdHandle(DWORD std_handle);

// Writes the whole buffer, or fails, as WriteFile on a synchronous handle does:
// short and interrupted writes are resumed, and a descriptor in non-blocking
// mode is waited on. Stores the count actually written, also on failure.
// `overlapped` must be null. A reader that has gone away or a file-size limit
// fails the call instead of ending the process with a signal.
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written,
               void* overlapped);

// Ends the process, every thread of it, with `exit_code`.
[[noreturn]] void ExitProcess(UINT exit_code);
}

#endif
