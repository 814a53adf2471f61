#include "SongTexts.h"

#include "ReadTagV1.h"
#include "ReadTagV2.h"

#include <algorithm>

namespace tags {
namespace {

bool IsMissing(const TagText& text) {
    const std::string_view letters = TextOf(text);
    return std::all_of(letters.begin(), letters.end(), [](char c) { return c == ' '; });
}

void FallBack(TagText& text, const TagText& other) {
    if (IsMissing(text)) {
        text = other;
    }
}

}  // namespace

void ReadSongTexts(const SongTags& tags, TagText& title, TagText& artist) {
    title[0] = '\0';
    artist[0] = '\0';
    if (tags.tagV2Size != 0) {
        ReadTagV2Texts(tags.readTagV2, tags.tagV2Size, title, artist);
    }
    if (!tags.tagV1.empty() && (IsMissing(title) || IsMissing(artist))) {
        TagText tagV1Title{};
        TagText tagV1Artist{};
        ReadTagV1Texts(tags.tagV1, tagV1Title, tagV1Artist);
        FallBack(title, tagV1Title);
        FallBack(artist, tagV1Artist);
    }
    if (IsMissing(title)) {
        CopyTransliterated(std::span<const char>(tags.nameAsTitle.data(), tags.nameAsTitle.size()), title);
    }
    if (IsMissing(artist)) {
        artist[0] = '\0';  // spaces alone are no artist
    }
}

}  // namespace tags
