#include "Fixtures.h"

#include <string>

namespace fixtures {

std::filesystem::path FixturePath(std::string_view name) {
    // Names are UTF-8 whatever the platform's narrow code page; char8_t makes the path read them so.
    const std::u8string utf8(name.begin(), name.end());
    return std::filesystem::path(KELVARA_TEST_DATA) / utf8;
}

}  // namespace fixtures
