// The one rule for names that the two ZIP layers (the Launcher's extraction layer and the
// toolkit's skin reader) write to disk: no drive, no device, nothing that leaves the base folder.
#pragma once

#include <cstddef>

// A character that may stand in a name: not a control character, ':' or < > " | ? *.
bool ZipNameCharIsAllowed(wchar_t c);

// One folder or file name: false when it is empty, holds ':' or another character Windows refuses
// in names (control characters, < > " | ? *), or names a device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, CONIN$, CONOUT$), also with an extension or trailing dots and blanks ("aux.txt", "CON.").
bool ZipNameSegmentIsSafe(const wchar_t* segment, size_t length);

// A path below a base folder: false for an empty path, a drive prefix, a leading separator, a
// segment of only dots and blanks ("..", which Windows also makes of ". ."), or an unsafe segment.
// Both separators split it; empty segments ("a//b", a trailing '/') are allowed.
bool ZipRelativePathIsSafe(const wchar_t* path);
