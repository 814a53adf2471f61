#include "ConfigInvariants.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// One input is an ini, a playlist and an entry number text; see ConfigInvariants.h for how it is split.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // 20 MB: made once, zeroed, and left zeroed again by every check.
    static const auto table = std::make_unique<CEntryTable>();
    const std::span<const char> input(reinterpret_cast<const char*>(data), size);
    if (const auto broken = configcheck::FindBrokenInvariant(input, *table)) {
        std::fprintf(stderr, "broken invariant: %s\n", broken->c_str());
        __builtin_trap();
    }
    return 0;
}
