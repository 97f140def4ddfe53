// Reproduces a fault of qemu-i386 7.2 (Debian 12), with the C library only:
// once signal handlers have run in a process with two threads, pthread_join
// fails with EDEADLK, as if the main thread had become the one it joins.
// Natively, and under qemu-i386 10, it prints "join: 0" and exits 0.
// Built as a static program (a dynamic one hangs at the first thread under
// that qemu): `qemu-i386 build/linux-x86/bin/join_after_signals`.

#include <pthread.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

void* Sleeper(void* /*unused*/) {
  sigset_t all{};
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
  for (int i = 0; i < 20; ++i) usleep(1000);
  return nullptr;
}

}  // namespace

int main() {
  struct sigaction action = {};
  action.sa_handler = [](int) {};
  sigaction(SIGALRM, &action, nullptr);
  pthread_t sleeper{};
  if (pthread_create(&sleeper, nullptr, Sleeper, nullptr) != 0) return 2;
  const itimerval often{{0, 500}, {0, 500}};
  setitimer(ITIMER_REAL, &often, nullptr);
  for (int i = 0; i < 40; ++i) usleep(1000);
  const itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  const int error = pthread_join(sleeper, nullptr);
  std::printf("join: %d\n", error);
  return error == 0 ? 0 : 1;
}
