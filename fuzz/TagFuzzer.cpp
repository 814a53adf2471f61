#include "TagInvariants.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The tag functions take chars; the bytes are only reinterpreted, never changed.
    const std::span<const char> file(reinterpret_cast<const char*>(data), size);
    if (const auto broken = tagcheck::FindBrokenInvariant(file)) {
        std::fprintf(stderr, "broken invariant: %s\n", broken->c_str());
        __builtin_trap();
    }
    return 0;
}
