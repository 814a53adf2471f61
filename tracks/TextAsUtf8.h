#pragma once

// "Kelvara.ini" and the playlist come from editors on any system; inside Kelvara every text is UTF-8.

#include "Utf16Playlist.h"

#include <span>

// The text as UTF-8: UTF-16 behind its byte-order mark is decoded; UTF-8 is kept when it says so (its
// byte-order mark, or `declaredUtf8`, as for an .m3u8 playlist) or when it is valid UTF-8 holding non-ASCII
// text; anything else is taken in the system's ANSI code page.
CDecodedPlaylist TextAsUtf8(std::span<const char> data, bool declaredUtf8);
