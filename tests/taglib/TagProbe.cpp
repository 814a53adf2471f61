#include "TagProbe.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>

namespace fixtures {

CTagProbe ProbeWithTagLib(const std::filesystem::path& path) {
    CTagProbe probe;
    // path::c_str() is what TagLib::FileName takes on each platform: wide on Windows, UTF-8 bytes elsewhere.
    TagLib::FileStream stream(path.c_str(), true);  // a file that cannot be opened is not valid
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Accurate);
    probe.isValid = file.isValid();  // an invalid file has no tags and empty texts
    if (file.hasID3v2Tag()) {
        const TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        probe.tagV2Version = static_cast<int>(tag->header()->majorVersion());
        probe.tagV2Size = tag->header()->completeTagSize();
        for (const TagLib::ID3v2::Frame* frame : tag->frameList()) {
            const TagLib::ByteVector id = frame->frameID();
            probe.frameIds.emplace_back(id.data(), id.size());
        }
    }
    probe.hasTagV1 = file.hasID3v1Tag();
    probe.hasApeTag = file.hasAPETag();
    probe.title = file.tag()->title().to8Bit(false);
    probe.artist = file.tag()->artist().to8Bit(false);
    return probe;
}

}  // namespace fixtures
