#pragma once
// File steps of a download attempt: part files and their clean-up.
#include <cstdint>
#include <cstdio>
#include <string>

#include "Handles.h"

// Size of a file; 0 when it cannot be opened.
uint64_t QueryFileSize(const std::string& file);

// Appends one received chunk to a part file, opening it into `stream` on the first chunk; `written`
// counts the part file's bytes (those found at start included).
bool WriteChunk(const std::string& partFile, uint32_t present, const char* chunk, size_t length, uint32_t& written,
                ScopedFile& stream);

// Deletes a file; a missing file is no error.
void RemoveFile(const std::string& file);
