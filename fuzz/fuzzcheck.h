// What every fuzz target uses to state its promises about the code it drives.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A broken promise is a crash, so libFuzzer keeps the input that broke it.
inline void Require(bool holds, const char* promise) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// Upper-cases ASCII letters only, whatever the C library's locale says.
inline std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}
