#pragma once

// What makes a Windows file the user's own beyond its content: its security, creation time and attributes.

#include <string>

#include <windows.h>

// For a new file holding a song's content before it is the song: only its owner may open it (a private song is
// never readable by others through it).
SECURITY_ATTRIBUTES* OwnerOnlySecurity();

// Gives `replacement` the security (its access list and whether it inherits the folder's), the creation time and
// the attributes of `target`, before it takes target's place: a new file would otherwise carry the folder's
// inherited security, and its creation time would depend on the file system's name tunnelling. The owner is left:
// only an administrator may give a file away. Each part that cannot be taken is left as it is.
void TakeIdentityOf(const std::wstring& target, const std::wstring& replacement);
