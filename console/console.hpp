#pragma once

// Console text output: zero-terminated byte texts to standard output.

#include <cstdint>

// The number of bytes before the first zero byte of `text`.
//
// Precondition: `text` may have any alignment, but the storage must be
// readable up to the end of the 4-byte word holding the terminator, with words
// counted from `text`: for a text of n bytes, every byte from text[0] to
// text[4 * (n / 4) + 3]. The scan reads whole words and so may read up to three
// bytes past the terminator; their values never change the result.
std::uint32_t TextLength(const char* text);

// Writes `text`, without its terminator, to standard output in one write and
// returns the count of bytes written as the platform reports it. Nothing is
// translated or added, and no failure is reported: the standard-output handle
// is fetched on every call and used whatever it is. Same precondition on
// `text` as TextLength.
std::uint32_t PrintText(const char* text);
