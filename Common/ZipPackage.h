// Extraction of a whole package with the ZIP extraction layer, on several threads: what the
// callers that install an update see is what extracting the entries one by one in order gives.
#pragma once

#include "ZipExtractor.h"

#include <functional>
#include <string>

// Chooses an entry's target name below the base folder: false refuses the entry (its result is
// ZR_BAD_NAME), an empty target skips it (ZR_OK). Called on the calling thread, in entry order.
typedef std::function<bool(const ZipEntry& entry, std::wstring* target)> ZipTargetFn;
// Receives every entry's result on the calling thread, in entry order. entry is what GetZipEntry
// gives for it (its name is empty when the stored name is unsafe or could not be read).
typedef std::function<void(int index, const ZipEntry& entry, unsigned int result)> ZipReportFn;

// One thread per processor, at most 8.
int DefaultZipThreads();

// Extracts every entry of the open archive below its base folder, the way GetZipEntry then
// ExtractZipEntry to the chosen target would one entry after the other. Up to threads threads
// write entries (0: DefaultZipThreads; 1: only the calling thread), each with its own reader of
// the archive; entries whose targets are one file, or a folder and something in it, are written
// in entry order, and so is every entry whose name holds a '~' (a short name or a partial file's
// name) with all the others. The calling thread makes every folder, in entry order, so the first
// entry that names a folder gives it its spelling. Memory stays bounded whatever the number of
// entries, apart from the names of those that end like partial files. Returns the number of
// entries that failed, or -1 for a bad handle; g_zipLastResult holds the last entry's result.
[[nodiscard]] int ExtractZipPackage(ZipHandle* handle, const ZipTargetFn& target, const ZipReportFn& report,
                                    int threads = 0);
