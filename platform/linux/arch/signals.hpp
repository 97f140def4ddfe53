#pragma once

// The signal numbers and signal-mask constants that every architecture built
// here shares with the kernel's asm-generic headers, but for mips: a 64-signal
// set, SIG_BLOCK 0, SIGXFSZ 25.

namespace linux_sys {

inline constexpr Word SigBlock = 0;        // SIG_BLOCK
inline constexpr int SignalPipe = 13;      // SIGPIPE
inline constexpr int SignalFileSize = 25;  // SIGXFSZ
inline constexpr Word KernelSigsetBytes = 8;

}  // namespace linux_sys
