#pragma once

#include "FileSystem.h"
#include "TagConverter.h"

#include <cstdint>
#include <string>
#include <vector>

// What becomes of one song, decided from its tags alone: new content to write (its new tag, then its audio range
// copied from the open song), or an outcome without writing. Its status and log lines wait to be settled.
struct CSongPlan {
    std::string strPath;
    CTagConverter::EOutcome eOutcome = CTagConverter::EOutcome::Converted;
    bool bWrite = false;  // new content is to replace the song
    std::string strStatus;
    std::vector<std::string> lines;
    // For the writing: the song, open since its reading (on Windows refusing writers), and what it was then.
    CFileHandle hIn;
    CFileInfo info;
    std::vector<char> newTag;
    std::uint64_t nAudioOffset = 0;
    std::uint64_t nAudioSize = 0;

    std::uint64_t NewSize() const { return newTag.size() + nAudioSize; }
    void Fail(const std::string& text) {
        eOutcome = CTagConverter::EOutcome::Failed;
        bWrite = false;
        strStatus.clear();
        lines.push_back(text);
    }
    // The message, then the file where the message names none, then the reason.
    void FailBecause(const std::string& text, const std::string& reason) {
        Fail(text + (text.ends_with(strPath) ? "" : " " + strPath) + ": " + reason);
    }
    void Report(const std::string& text) {
        strStatus = text;
        lines.push_back(text);
    }
};
