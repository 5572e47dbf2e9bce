#pragma once
#include <string>
#include <vector>

// Builds a ZIP archive of stored entries; badCrc gives an entry whose data fails its check.
struct ZipItem
{
    std::string name;
    std::string data;
    bool badCrc = false;
};

std::string BuildZip(const std::vector<ZipItem>& items);
