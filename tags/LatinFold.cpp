#include "LatinFold.h"

#include <array>

namespace tags {
namespace {

// U+00C0-U+00FF; '.' where the character is no letter (×, ÷) and '#' where it takes two letters.
constexpr std::string_view kLatin1 = "AAAAAA#CEEEEIIIIDNOOOOO.OUUUUY##aaaaaa#ceeeeiiiidnooooo.ouuuuy#y";
// U+0100-U+017F, Latin Extended-A, marked the same way.
constexpr std::string_view kExtendedA =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi##JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo##RrRrRrSsSsSsSsTtTtTtUu"
    "UuUuUuUuUuWwYyYZzZzZzs";
static_assert(kLatin1.size() == 64 && kExtendedA.size() == 128);

struct Pair {
    char32_t codePoint;
    std::string_view latin;
};

constexpr std::array<Pair, 10> kTwoLetters = {{
    {0x00C6, "AE"},
    {0x00DE, "TH"},
    {0x00DF, "ss"},
    {0x00E6, "ae"},
    {0x00FE, "th"},
    {0x0132, "IJ"},
    {0x0133, "ij"},
    {0x0152, "OE"},
    {0x0153, "oe"},
    {0x1E9E, "SS"},
}};

// ELOT 743, one Greek letter at a time, indexed from U+0391 (Α) to U+03A9 (Ω); U+03A2 is unassigned.
constexpr std::array<std::string_view, 25> kGreek = {
    "A", "V", "G", "D", "E", "Z", "I", "TH", "I", "K",  "L",  "M", "N",
    "X", "O", "P", "R", "",  "S", "T", "Y",  "F", "CH", "PS", "O",
};

// Accented and small Greek letters as their plain capital: the code point of Α..Ω, or 0.
constexpr char32_t GreekCapitalOf(char32_t c) {
    if (c >= 0x03B1 && c <= 0x03C9) {
        return c == 0x03C2 ? 0x03A3 : c - 0x20;  // final sigma
    }
    switch (c) {
        case 0x0386:
        case 0x03AC:
            return 0x0391;
        case 0x0388:
        case 0x03AD:
            return 0x0395;
        case 0x0389:
        case 0x03AE:
            return 0x0397;
        case 0x038A:
        case 0x03AA:
        case 0x03AF:
        case 0x03CA:
        case 0x0390:
            return 0x0399;
        case 0x038C:
        case 0x03CC:
            return 0x039F;
        case 0x038E:
        case 0x03AB:
        case 0x03CD:
        case 0x03CB:
        case 0x03B0:
            return 0x03A5;
        case 0x038F:
        case 0x03CE:
            return 0x03A9;
        default:
            break;
    }
    return c >= 0x0391 && c <= 0x03A9 ? c : 0;
}

std::string_view OneLetter(std::string_view table, char32_t index) {
    const std::string_view letter = table.substr(index, 1);
    return letter == "." || letter == "#" ? std::string_view{} : letter;
}

}  // namespace

std::string_view PlainLatinOf(char32_t codePoint) {
    for (const Pair& pair : kTwoLetters) {
        if (pair.codePoint == codePoint) {
            return pair.latin;
        }
    }
    if (codePoint >= 0x00C0 && codePoint <= 0x00FF) {
        return OneLetter(kLatin1, codePoint - 0x00C0);
    }
    if (codePoint >= 0x0100 && codePoint <= 0x017F) {
        return OneLetter(kExtendedA, codePoint - 0x0100);
    }
    if (const char32_t capital = GreekCapitalOf(codePoint); capital != 0) {
        return kGreek[capital - 0x0391];
    }
    return {};
}

}  // namespace tags
