#pragma once

// Points the process's standard output elsewhere for the length of a call, so
// tests can see what the program's writer sends there. Test assertions must
// stay outside `body`: GoogleTest reports failures on standard output too.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

// Runs `body` with standard output sent to a new temporary file; returns the
// file's contents afterwards.
std::string CaptureStdout(const std::function<void()>& body);

enum class UnusableStdout : std::uint8_t {
  Closed,        // No standard output at all.
  ReadOnlyFile,  // A file opened for reading only: every write is refused.
};

// Runs `body` with standard output in the given unusable state.
void WithUnusableStdout(UnusableStdout state, const std::function<void()>& body);

// The state's name, which GoogleTest shows in a test's name in place of the
// value's bytes.
void PrintTo(UnusableStdout state, std::ostream* out);

#if !defined(_WIN32)
// A new, already unlinked temporary file, open for reading and writing.
int OpenTemporaryFile();
#endif
