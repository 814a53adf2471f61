#pragma once

#include "FaultyFileSystem.h"
#include "TempFolder.h"
#include "TrackList.h"

#include <memory>
#include <string>
#include <vector>

// A working folder with "Kelvara.ini", a playlist "list.m3u" and an out folder "out".
class TrackListTest : public CTempFolderTest {
  protected:
    void WriteConfig(const std::string& outDir, const std::string& playlist) {
        WriteFileBytes("Kelvara.ini", outDir + "\r\n" + playlist + "\r\n");
    }
    void WritePlaylist(const std::vector<std::string>& entries, const std::string& name = "list.m3u") {
        std::string text = "#EXTM3U\r\n";
        for (const std::string& entry : entries) {
            text += "#EXTINF:1,x\r\n" + entry + "\r\n";
        }
        WriteFileBytes(name, text);
    }
    // Songs song1.mp3 ... songN.mp3 in the working folder, listed by absolute path.
    void SetUpSongs(int count) {
        std::vector<std::string> entries;
        for (int i = 1; i <= count; ++i) {
            const std::string name = "song" + std::to_string(i) + ".mp3";
            WriteFileBytes(name, "audio " + std::to_string(i));
            entries.push_back(PathOf(name));
        }
        WriteConfig("out", "list.m3u");
        WritePlaylist(entries);
    }
    std::unique_ptr<CTrackList> MakeList() { return std::make_unique<CTrackList>(m_fs); }
    static std::string Entry(const CTrackList& list, std::int32_t number) { return list.Entry(number); }

    CFaultyFileSystem m_fs;
};
