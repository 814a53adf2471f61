#include "TagInvariants.h"

#include "BuildTagV2.h"
#include "ByteFields.h"
#include "ReadTagV1.h"
#include "SongTexts.h"
#include "SplitFile.h"
#include "TagText.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace tagcheck {
namespace {

using Broken = std::optional<std::string>;
using tags::TagText;
using tags::TextOf;

constexpr std::size_t kBuiltOverhead = 32;  // tag header, two frame headers, two encoding bytes

// Each piece is read from a copy of exactly its size, so that the sanitizer sees any read past its end.
std::vector<char> Copy(std::span<const char> bytes) {
    return {bytes.begin(), bytes.end()};
}

// What may lie between the audio and the ID3v1 block: only tags the split recognises, so the last of them ends
// where the ID3v1 block starts (an APE tag without header starts with its items, so only its end is certain).
bool EndsInOtherTag(std::span<const char> beforeTagV1) {
    const std::size_t size = beforeTagV1.size();
    const auto endsIn = [&](std::string_view id, std::size_t from) {
        return size >= from && tags::HasIdAt(beforeTagV1, size - from, id);
    };
    return endsIn("TAG", 128) || endsIn("APETAGEX", 32) || endsIn("LYRICS200", 9) || endsIn("LYRICSEND", 9);
}

Broken CheckSplit(std::span<const char> file, const tags::FileSplit& split) {
    const std::size_t size = file.size();
    if (split.tagV2Size > split.audioOffset || split.audioOffset > size || split.audioSize > size ||
        split.tagV1Size > size || split.audioOffset + split.audioSize + split.tagV1Size > size ||
        (split.tagV1Size != 0 && (split.tagV1Size != 128 || !tags::HasIdAt(file, size - 128, "TAG")))) {
        return "split pieces do not lie in order within the file, or the ID3v1 piece is no 128-byte TAG block";
    }
    const bool hasHeader = size >= 10 && tags::HasIdAt(file, 0, "ID3");
    if (hasHeader != (split.tagV2Size != 0) || (hasHeader && split.tagV2Size < 10)) {
        return "ID3v2 piece does not match the header";
    }
    // A rewrite keeps the audio piece: unless the split is refused as damaged, it must start where the announced
    // block ends or where another ID3v2 tag does, and only tags may follow it.
    std::size_t announced = hasHeader ? tags::SynchsafeAt(file, 6) + 10 : 0;
    if (hasHeader && file[3] == 4 && (static_cast<unsigned char>(file[5]) & 0x10) != 0) {
        announced += 10;
    }
    const bool fits = announced <= size - split.tagV1Size;
    if (split.damaged == fits) {
        return "split marked damaged where the announced tag fits, or the reverse";
    }
    const std::size_t audioEnd = split.audioOffset + split.audioSize;
    if (fits &&
        (split.tagV2Size != announced || (split.audioOffset != announced && !tags::HasIdAt(file, announced, "ID3")) ||
         (audioEnd != size - split.tagV1Size && !EndsInOtherTag(file.first(size - split.tagV1Size))))) {
        return "audio piece is not the bytes between the announced tag and the other tags";
    }
    return std::nullopt;
}

// Every text written must show on a display that knows nothing but plain printable ASCII.
Broken CheckTexts(const Texts& texts, const std::string& name) {
    for (const std::string* text : {&texts.first, &texts.second}) {
        if (text->size() >= tags::kTagTextSize ||
            !std::all_of(text->begin(), text->end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
            return name + " is not terminated within its array, or holds a byte that is not printable ASCII";
        }
    }
    return std::nullopt;
}

std::string Transliterated(std::string_view source) {
    TagText text;
    tags::CopyTransliterated(std::span<const char>(source.data(), source.size()), text);
    return std::string(TextOf(text));
}

// `title` and `artist` go in as given; what is read back must be their transliteration, cut to one text. A zero
// byte separates values, which come back joined; any other text must come back as it went in.
Broken CheckBuiltTag(std::string_view title, std::string_view artist, const std::string& name) {
    const std::vector<char> tag = tags::RenderTagV2(title, artist);
    title = title.substr(0, tags::kMaxTextLength);
    artist = artist.substr(0, tags::kMaxTextLength);
    const bool synchsafe = std::all_of(tag.begin() + 6, tag.begin() + 10, [](char c) { return (c & 0x80) == 0; });
    if (tag.size() != kBuiltOverhead + title.size() + artist.size() || !tags::HasIdAt(tag, 0, "ID3") || tag[3] != 3 ||
        !synchsafe || tags::SynchsafeAt(tag, 6) + 10 != tag.size()) {
        return name + ": built tag has the wrong size or header";
    }
    const Texts read = Read(kReadTagV2Block, tag);
    if (auto broken = CheckTexts(read, name + ": text read back")) {
        return broken;
    }
    const bool holdsZero = title.find('\0') != title.npos || artist.find('\0') != artist.npos;
    if (!holdsZero && (read.first != Transliterated(title) || read.second != Transliterated(artist))) {
        return name + ": built tag reads back different texts";
    }
    return std::nullopt;
}

// Texts read are already transliterated, so where they read back unchanged they must come back exactly.
Broken CheckReader(TagReader read, std::span<const char> bytes, const std::string& name) {
    const Texts texts = Read(read, bytes);
    auto broken = CheckTexts(texts, name + " text");
    return broken ? broken : CheckBuiltTag(texts.first, texts.second, name);
}

// A v2.2 or v2.3 writer that unsynchronises sets the header flag and puts a 00 after every FF of the body, frame
// sizes untouched and the tag size counting the stored bytes; the texts read must stay the same. Only for a
// header whose flag byte is 0, which no frame identifier can then begin in or cross.
Broken CheckUnsynchronisedCopy(std::span<const char> tag) {
    constexpr std::size_t kHeaderSize = 10;
    if (tag.size() < kHeaderSize || (tag[3] != 2 && tag[3] != 3) || tag[5] != 0) {
        return std::nullopt;
    }
    std::vector<char> copy(tag.begin(), tag.begin() + kHeaderSize);
    copy[5] = static_cast<char>(0x80);
    for (const char byte : tag.subspan(kHeaderSize)) {
        copy.push_back(byte);
        if (static_cast<unsigned char>(byte) == 0xFF) {
            copy.push_back(0);
        }
    }
    const auto bodySize = static_cast<std::uint32_t>(copy.size() - kHeaderSize);  // the stored bytes count
    for (std::size_t i = 0; i < 4; ++i) {
        copy[6 + i] = static_cast<char>(bodySize >> (7 * (3 - i)) & 0x7Fu);
    }
    return Read(kReadTagV2Block, copy) != Read(kReadTagV2Block, tag)
               ? Broken("an unsynchronised copy of a v2.2 or v2.3 tag reads different texts")
               : std::nullopt;
}

// The converter's new content for a file split as `split`, and the texts it took.
std::vector<char> Conversion(std::span<const char> file, const tags::FileSplit& split, Texts& texts) {
    const std::vector<char> tagV2 = Copy(file.first(split.tagV2Size));
    const std::vector<char> tagV1 = Copy(file.last(split.tagV1Size));
    TagText title{};
    TagText artist{};
    tags::ReadSongTexts({tags::ReaderOf(tagV2), tagV2.size(), tagV1, "Name \xCF.mp3"}, title, artist);
    texts = {std::string(TextOf(title)), std::string(TextOf(artist))};
    std::vector<char> converted = tags::RenderTagV2(texts.first, texts.second);
    const std::span<const char> audio = file.subspan(split.audioOffset, split.audioSize);
    converted.insert(converted.end(), audio.begin(), audio.end());
    return converted;
}

// A converted file converts to itself: same pieces, same texts, byte for byte the same content.
Broken CheckSecondRun(std::span<const char> file, const tags::FileSplit& split) {
    if (split.damaged) {
        return std::nullopt;  // never rewritten
    }
    Texts texts;
    const std::vector<char> once = Conversion(file, split, texts);
    if (auto broken = CheckTexts(texts, "converted text")) {
        return broken;
    }
    const tags::FileSplit again = tags::SplitPieces(once);
    if (again.damaged || again.tagV1Size != 0 || again.audioOffset != again.tagV2Size ||
        again.audioSize != split.audioSize) {
        return "a converted file splits differently";
    }
    return Conversion(once, again, texts) != once ? Broken("a second conversion changes the converted file")
                                                  : std::nullopt;
}

}  // namespace

Texts Read(TagReader read, std::span<const char> bytes) {
    TagText title;
    title.fill('#');
    TagText artist = title;
    read(Copy(bytes), title, artist);
    return {std::string(TextOf(title)), std::string(TextOf(artist))};
}

std::optional<std::string> FindBrokenInvariant(std::span<const char> file) {
    const tags::FileSplit split = tags::SplitPieces(file);
    if (auto broken = CheckSplit(file, split)) {
        return broken;
    }
    const std::span<const char> tagV2 = file.first(split.tagV2Size);
    const std::span<const char> tagV1 = file.last(split.tagV1Size);
    const std::size_t half = file.size() / 2;  // arbitrary texts, longer ones included, must still give a good tag
    for (auto broken :
         {CheckReader(kReadTagV2Block, tagV2, "ID3v2 piece"), CheckReader(tags::ReadTagV1Texts, tagV1, "ID3v1 piece"),
          CheckReader(kReadTagV2Block, file, "ID3v2 on raw bytes"),
          CheckReader(tags::ReadTagV1Texts, file, "ID3v1 on raw bytes"), CheckUnsynchronisedCopy(tagV2),
          CheckSecondRun(file, split),
          CheckBuiltTag(std::string_view(file.data(), half), std::string_view(file.data() + half, file.size() - half),
                        "raw texts")}) {
        if (broken) {
            return broken;
        }
    }
    return std::nullopt;
}

}  // namespace tagcheck
