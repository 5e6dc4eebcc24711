// The buffer a query travels in: the command on the way out, the reply line on return.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

// Every query in the program uses 256 bytes and keeps at most 100 characters of a reply;
// the room beyond the capacity holds the terminating NUL of a reply that used it all.
using ExchangeBuffer = std::array<char, 256>;
inline constexpr std::size_t ReplyCapacity = 100;

// Puts `text` into `buffer` as a NUL-terminated string, cut to fit.
inline void PutText(std::span<char> buffer, std::string_view text) {
    if (buffer.empty())
        return;
    const std::size_t length = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.data(), length, buffer.data());
    buffer[length] = '\0';
}

// The NUL-terminated text at the start of `buffer` (all of it when there is no NUL).
inline std::string_view TextOf(std::span<const char> buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.begin()));
}
