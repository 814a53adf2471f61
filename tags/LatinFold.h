#pragma once

#include <string_view>

namespace tags {

// The plain Latin form of a character the Windows-1251 code page lacks: a Latin letter without its diacritics,
// in its own case (é -> e, Ł -> L, ß -> ss, æ -> ae, ø -> o), or a Greek letter as ELOT 743 spells it, letter by
// letter, in capitals (Χ -> CH, ψ -> PS). Empty for every other character.
std::string_view PlainLatinOf(char32_t codePoint);

}  // namespace tags
