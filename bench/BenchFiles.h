#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Writes `count` MP3-like files of about `kilobytes` KB each into `folder`, cycling through every tag
// form the converter meets: none, ID3v1, ID3v2.2, v2.3 in Windows-1251 with a picture and padding, v2.3
// in UTF-16 with an ID3v1 tag behind, v2.4 in UTF-8. Returns the file names.
std::vector<std::string> MakeBenchFiles(const std::string& folder, std::size_t count, std::size_t kilobytes);
