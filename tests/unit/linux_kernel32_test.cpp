// The Linux stand-in must behave as kernel32 does on a synchronous handle:
// whole writes or failed calls with the true count, never a signal's death.

#include "platform/kernel32.hpp"
#include "tests/unit/stdout_redirect.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

HANDLE FdHandle(int fd) {
  return reinterpret_cast<HANDLE>(std::intptr_t{fd});
}

struct Pipe {
  int read = -1;
  int write = -1;
  explicit Pipe(int flags = 0) {
    int fds[2];
    if (pipe2(fds, flags) != 0) throw std::runtime_error("pipe2");
    read = fds[0];
    write = fds[1];
  }
  ~Pipe() {
    if (read >= 0) close(read);
    if (write >= 0) close(write);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  Pipe(Pipe&&) = delete;
  Pipe& operator=(Pipe&&) = delete;
};

std::string ReadAll(int fd, std::chrono::microseconds pause = {}) {
  std::string data;
  char chunk[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, chunk, sizeof chunk)) != 0) {
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    data.append(chunk, static_cast<std::size_t>(got));
    std::this_thread::sleep_for(pause);
  }
  return data;
}

TEST(LinuxGetStdHandle, GivesDescriptorOneForStandardOutputOnly) {
  EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), FdHandle(1));
  for (const DWORD other : {static_cast<DWORD>(-10), static_cast<DWORD>(-12), DWORD{0}, DWORD{1}}) {
    EXPECT_EQ(GetStdHandle(other), INVALID_HANDLE_VALUE) << other;
  }
}

struct FailingTarget {
  const char* name;
  int (*open)(Pipe& pipe);  // Returns the descriptor to write to.
  bool opens = true;        // False for the one case whose descriptor is invalid.
};

// By name: GoogleTest would otherwise print the pointers' bytes, which move
// from run to run, into the test's listed name.
void PrintTo(const FailingTarget& target, std::ostream* out) {
  *out << target.name;
}

class LinuxWriteFileFails : public testing::TestWithParam<FailingTarget> {};

// Reaching the end of the test body at all shows that no signal ended it.
TEST_P(LinuxWriteFileFails, ReportsNothingWrittenAndReturns) {
  Pipe pipe;
  const int fd = GetParam().open(pipe);
  if (GetParam().opens) {
    ASSERT_GE(fd, 0) << "could not open the descriptor: errno " << errno;
  }
  const std::string text(8000, 'A');
  DWORD written = 12345;
  EXPECT_EQ(WriteFile(FdHandle(fd), text.data(), 8000, &written, nullptr), FALSE);
  EXPECT_EQ(written, 0U);
  if (fd != pipe.write && GetParam().opens) close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LinuxWriteFileFails,
    testing::Values(FailingTarget{"InvalidHandle", [](Pipe&) { return -1; }, false},
                    FailingTarget{"ReadOnlyDescriptor",
                                  [](Pipe&) { return open("/dev/null", O_RDONLY); }},
                    FailingTarget{"DeviceFull", [](Pipe&) { return open("/dev/full", O_WRONLY); }},
                    FailingTarget{"ReaderGone",
                                  [](Pipe& pipe) {
                                    close(pipe.read);
                                    pipe.read = -1;
                                    return pipe.write;
                                  }}),
    [](const testing::TestParamInfo<FailingTarget>& info) { return info.param.name; });

// A write of nothing still goes to the kernel, so a bad handle fails it.
TEST(LinuxWriteFile, WritesNothingOnlyToAGoodHandle) {
  const Pipe pipe;
  DWORD written = 12345;
  EXPECT_EQ(WriteFile(FdHandle(pipe.write), "", 0, &written, nullptr), TRUE);
  EXPECT_EQ(written, 0U);
  written = 12345;
  EXPECT_EQ(WriteFile(INVALID_HANDLE_VALUE, "", 0, &written, nullptr), FALSE);
  EXPECT_EQ(written, 0U);
}

struct PipedWrite {
  BOOL ok = FALSE;
  DWORD written = 0;
  std::string received;
};

// Writes `text` into `pipe` while another thread reads it all, pausing after
// each read. The reader blocks every signal, so signals land in the writer.
PipedWrite WriteWhileReading(Pipe& pipe, const std::string& text, std::chrono::microseconds pause) {
  PipedWrite result;
  std::thread reader([&] {
    sigset_t all{};
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    result.received = ReadAll(pipe.read, pause);
  });
  result.ok = WriteFile(FdHandle(pipe.write), text.data(), static_cast<DWORD>(text.size()),
                        &result.written, nullptr);
  close(pipe.write);
  pipe.write = -1;
  reader.join();
  return result;
}

// A pipe left non-blocking and smaller than the text: the write must wait
// for the reader rather than give up half way.
TEST(LinuxWriteFile, WaitsOnANonBlockingPipeUntilAllIsWritten) {
  Pipe pipe(O_NONBLOCK);
  ASSERT_GE(fcntl(pipe.write, F_SETPIPE_SZ, 4096), 4096);
  fcntl(pipe.read, F_SETFL, 0);
  std::string text(100000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);

  const PipedWrite result = WriteWhileReading(pipe, text, std::chrono::milliseconds(1));
  EXPECT_EQ(result.ok, TRUE);
  EXPECT_EQ(result.written, text.size());
  EXPECT_EQ(result.received, text);
}

#if defined(__x86_64__) && defined(__ILP32__)
// x32, 32-bit addresses on a 64-bit kernel: a buffer above 2 GiB, where the
// stack is, fails the write if its address reaches the kernel sign-extended,
// or with the register's upper half left as it was.
TEST(LinuxWriteFile, WritesFromABufferAbove2GiB) {
  constexpr std::uintptr_t high = 0xa0000000;
  constexpr std::size_t size = 4096;
  void* const page = mmap(reinterpret_cast<void*>(high), size, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  ASSERT_EQ(page, reinterpret_cast<void*>(high)) << std::strerror(errno);
  auto* const bytes = static_cast<char*>(page);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
  Pipe pipe;
  DWORD written = 0;
  EXPECT_EQ(WriteFile(FdHandle(pipe.write), bytes, DWORD{size}, &written, nullptr), TRUE);
  EXPECT_EQ(written, size);
  close(pipe.write);
  pipe.write = -1;
  EXPECT_EQ(ReadAll(pipe.read), std::string(bytes, size));
  munmap(page, size);
}
#endif

// Signals with handlers that do not restart system calls cut writes short or
// fail them with EINTR; the write carries on from where it stopped.
TEST(LinuxWriteFile, ResumesWritesCutShortBySignals) {
  // Set, with the reason, under an emulator that cannot join a thread here.
  if (const char* fault = std::getenv("PACKTEXT_NO_SIGNALS_WITH_THREADS")) GTEST_SKIP() << fault;
  struct sigaction action = {};
  action.sa_handler = [](int) {};
  struct sigaction saved = {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &saved), 0);
  const itimerval often{{0, 500}, {0, 500}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &often, nullptr), 0);

  Pipe pipe;
  const std::string text(1 << 18, 'z');
  const PipedWrite result = WriteWhileReading(pipe, text, std::chrono::milliseconds(2));

  const itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &saved, nullptr);
  EXPECT_EQ(result.ok, TRUE);
  EXPECT_EQ(result.written, text.size());
  EXPECT_EQ(result.received, text);
}

// Hands the calling thread's writes to `fd` to a supervisor, which answers
// them through the descriptor returned in place of the kernel; -errno where
// that cannot be set up, as under qemu-user, which has no seccomp filters.
int SuperviseWrites(int fd) {
  // The descriptor is the low word of the first argument.
  constexpr std::uint32_t descriptor =
      offsetof(seccomp_data, args) + (std::endian::native == std::endian::big ? 4 : 0);
  sock_filter filter[] = {
      {BPF_LD | BPF_W | BPF_ABS, 0, 0, offsetof(seccomp_data, nr)},
      {BPF_JMP | BPF_JEQ | BPF_K, 0, 3, __NR_write},
      {BPF_LD | BPF_W | BPF_ABS, 0, 0, descriptor},
      {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, static_cast<std::uint32_t>(fd)},
      {BPF_RET | BPF_K, 0, 0, SECCOMP_RET_USER_NOTIF},
      {BPF_RET | BPF_K, 0, 0, SECCOMP_RET_ALLOW},
  };
  const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return -errno;
  const long listener =
      syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program);
  return listener >= 0 ? static_cast<int>(listener) : -errno;
}

// A write result that no kernel gives for a pipe, which a supervisor gives in
// its place, from a thread whose writes it takes over.
struct FakedWrite {
  const char* name;
  std::int64_t (*result)(std::uint64_t asked);
};

void PrintTo(const FakedWrite& faked, std::ostream* out) {
  *out << faked.name;
}

class LinuxWriteFileFaked : public testing::TestWithParam<FakedWrite> {};

// Such a result fails the call at once, with nothing counted: going on after
// more than was asked would write from past the end of the buffer, and after
// nothing would write nothing forever.
TEST_P(LinuxWriteFileFaked, FailsAtOnceWithNothingCounted) {
  Pipe pipe;
  Pipe done;
  std::promise<int> supervised;
  BOOL ok = TRUE;
  DWORD written = 12345;
  std::thread writer([&] {
    const int listener = SuperviseWrites(pipe.write);
    supervised.set_value(listener);
    if (listener >= 0) ok = WriteFile(FdHandle(pipe.write), "four", 4, &written, nullptr);
    close(done.write);
    done.write = -1;
  });
  const int listener = supervised.get_future().get();
  if (listener < 0) {
    writer.join();
    GTEST_SKIP() << "no seccomp user notification here (errno " << -listener << ")";
  }
  // The first write gets the faked result, any other EIO, until the writer
  // is done.
  int writes = 0;
  pollfd events[2] = {{listener, POLLIN, 0}, {done.read, POLLIN, 0}};
  while (poll(events, 2, -1) > 0 && (events[0].revents & POLLIN) != 0) {
    seccomp_notif request = {};
    if (ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, &request) != 0) break;
    seccomp_notif_resp response = {};
    response.id = request.id;
    if (++writes == 1) {
      response.val = GetParam().result(request.data.args[2]);
    } else {
      response.error = -EIO;
    }
    ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, &response);
  }
  writer.join();
  close(listener);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(ok, FALSE);
  EXPECT_EQ(written, 0U);
}

INSTANTIATE_TEST_SUITE_P(
    Results, LinuxWriteFileFaked,
    testing::Values(FakedWrite{"MoreThanAsked",
                               [](std::uint64_t asked) {
                                 return static_cast<std::int64_t>(asked + 1);
                               }},
                    FakedWrite{"Nothing", [](std::uint64_t) { return std::int64_t{0}; }}),
    [](const testing::TestParamInfo<FakedWrite>& info) { return info.param.name; });

// Writes 8,000 bytes to `fd` under a 4,096-byte file-size limit, with SIGXFSZ
// at its default, and exits 0 if the write failed having written 4,096.
[[noreturn]] void WriteUnderFileSizeLimit(int fd) {
  static_cast<void>(signal(SIGXFSZ, SIG_DFL));
  const rlimit limit{4096, RLIM_INFINITY};
  setrlimit(RLIMIT_FSIZE, &limit);
  const std::string text(8000, 'A');
  DWORD written = 0;
  const BOOL ok = WriteFile(FdHandle(fd), text.data(), 8000, &written, nullptr);
  _exit(ok == FALSE && written == 4096 ? 0 : 1);
}

// Past a file-size limit the write fails with the count that did fit, where
// the kernel's default would end the process with SIGXFSZ. In a child, so the
// limit stays out of the test program.
TEST(LinuxWriteFile, StopsAtAFileSizeLimitWithTheCountThatFit) {
  const int fd = OpenTemporaryFile();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) WriteUnderFileSizeLimit(fd);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "wrong result or count";
  EXPECT_EQ(lseek(fd, 0, SEEK_END), 4096);
  close(fd);
}

}  // namespace
