// The kernel's numbers that the stand-in spells out, held to the kernel's own
// headers for the architecture being built. Makes no code.

#include "platform/linux/syscall.hpp"

#include <asm/errno.h>
#include <asm/poll.h>
#include <asm/signal.h>

namespace linux_sys {

static_assert(SigBlock == SIG_BLOCK);
static_assert(SignalPipe == SIGPIPE);
static_assert(SignalFileSize == SIGXFSZ);
// rt_sigprocmask's set holds at least 64 signals; where the header has no
// _NSIG, or one of the 32 signals of the calls before it (sparc), it holds 64.
#if defined(_NSIG) && _NSIG > 64
static_assert(KernelSigsetBytes == _NSIG / 8);
#else
static_assert(KernelSigsetBytes == 64 / 8);
#endif
static_assert(ErrorInterrupted == EINTR);
static_assert(ErrorAgain == EAGAIN);
static_assert(PollOut == POLLOUT);

}  // namespace linux_sys
