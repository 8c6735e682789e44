#pragma once
// Shared by the fuzz targets: the entry point every target defines, and the
// check that turns a broken invariant into a crash the fuzzer records.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

inline std::span<const std::uint8_t> FuzzBytes(const std::uint8_t* data, std::size_t size) {
    return size == 0 ? std::span<const std::uint8_t>() : std::span<const std::uint8_t>(data, size);
}
