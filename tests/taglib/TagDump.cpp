// kelvara_tag_dump FILE: the tag of an MP3 file as TagLib reads it, for scripts that check converted files.
// Prints the ID3v2 version and frames (and "ID3v1" if that block is there), then the title and the artist
// as the bytes of their Latin-1 form.

#include "TagProbe.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kelvara_tag_dump FILE\n";
        return 2;
    }
    const fixtures::CTagProbe probe = fixtures::ProbeWithTagLib(argv[1]);
    if (!probe.isValid) {
        std::cerr << "not an MP3 file TagLib can read: " << argv[1] << '\n';
        return 1;
    }
    std::cout << "tag:";
    if (probe.tagV2Version != 0) {
        std::cout << " ID3v2." << probe.tagV2Version;
        for (const std::string& id : probe.frameIds) {
            std::cout << ' ' << id;
        }
    }
    std::cout << (probe.hasTagV1 ? " ID3v1" : "") << '\n';
    std::cout << "title: " << probe.title << '\n' << "artist: " << probe.artist << '\n';
    return 0;
}
