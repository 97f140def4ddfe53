#include "tests/unit/stdout_redirect.hpp"

#include <cstdio>
#include <ostream>
#include <stdexcept>

void PrintTo(UnusableStdout state, std::ostream* out) {
  switch (state) {
    case UnusableStdout::Closed:
      *out << "Closed";
      return;
    case UnusableStdout::ReadOnlyFile:
      *out << "ReadOnlyFile";
      return;
  }
}

#if defined(_WIN32)

#include "platform/kernel32.hpp"

namespace {

HANDLE OpenTemporaryFile(DWORD access) {
  char directory[MAX_PATH];
  char path[MAX_PATH];
  if (GetTempPathA(MAX_PATH, directory) == 0 || GetTempFileNameA(directory, "ptx", 0, path) == 0) {
    throw std::runtime_error("no temporary file name");
  }
  HANDLE file = CreateFileA(path, access, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a temporary file");
  return file;
}

void WithStdoutHandle(HANDLE handle, const std::function<void()>& body) {
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, handle);
  body();
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
}

}  // namespace

std::string CaptureStdout(const std::function<void()>& body) {
  HANDLE file = OpenTemporaryFile(GENERIC_READ | GENERIC_WRITE);
  WithStdoutHandle(file, body);
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string contents;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got != 0)
    contents.append(chunk, got);
  CloseHandle(file);
  return contents;
}

void WithUnusableStdout(UnusableStdout state, const std::function<void()>& body) {
  if (state == UnusableStdout::Closed) {
    WithStdoutHandle(nullptr, body);
    return;
  }
  HANDLE file = OpenTemporaryFile(GENERIC_READ);
  WithStdoutHandle(file, body);
  CloseHandle(file);
}

#else

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>

namespace {

constexpr int StdoutFd = 1;

// Runs `body` with descriptor 1 a copy of `fd`, or closed if `fd` is -1.
void WithStdoutFd(int fd, const std::function<void()>& body) {
  static_cast<void>(std::fflush(stdout));
  const int saved = dup(StdoutFd);
  if (saved < 0) throw std::runtime_error("cannot save standard output");
  if (fd < 0) {
    close(StdoutFd);
  } else if (dup2(fd, StdoutFd) < 0) {
    throw std::runtime_error("cannot redirect standard output");
  }
  body();
  dup2(saved, StdoutFd);
  close(saved);
}

}  // namespace

int OpenTemporaryFile() {
  char path[] = "/tmp/packtext-test-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot create a temporary file");
  unlink(path);
  return fd;
}

std::string CaptureStdout(const std::function<void()>& body) {
  const int fd = OpenTemporaryFile();
  WithStdoutFd(fd, body);
  std::string contents;
  char chunk[4096];
  ssize_t got = 0;
  lseek(fd, 0, SEEK_SET);
  while ((got = read(fd, chunk, sizeof chunk)) > 0)
    contents.append(chunk, static_cast<size_t>(got));
  close(fd);
  return contents;
}

void WithUnusableStdout(UnusableStdout state, const std::function<void()>& body) {
  if (state == UnusableStdout::Closed) {
    WithStdoutFd(-1, body);
    return;
  }
  const int read_only = open("/dev/null", O_RDONLY);
  if (read_only < 0) throw std::runtime_error("cannot open /dev/null");
  WithStdoutFd(read_only, body);
  close(read_only);
}

#endif
