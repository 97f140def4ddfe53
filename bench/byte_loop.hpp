#pragma once

#include <cstdint>

// The number of bytes before the first zero byte of `text`, read one byte at a
// time: the baseline TextLength's word-at-a-time scan is measured against.
std::uint32_t ByteLoopLength(const char* text);
