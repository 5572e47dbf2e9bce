#pragma once
// The extraction library "zlib.dll": writes every entry of a ZIP package into a folder.

#ifdef ZLIBDLL_BUILD
#define ZLIBDLL_API extern "C" __declspec(dllexport)
#else
#define ZLIBDLL_API extern "C" __declspec(dllimport)
#endif

// Result of ExtractZipToDir: 0 when every entry was written, the number of entries that could
// not be written, or one of these.
const int kExtractBadArguments = -1;
const int kExtractOpenFailed = -2;
const int kExtractFolderFailed = -3;

// `flags` must be 0. Entry names are made safe first: no drive, no leading separator, no "."
// or ".." segments, so nothing is written outside `folder`.
ZLIBDLL_API int ExtractZipToDir(const wchar_t* zipPath, const wchar_t* folder, int flags);
