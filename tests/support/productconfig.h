#pragma once
#include <string>
#include <utility>
#include <vector>

namespace testkit {

// A UTF-8 "ProductConfig.xml" text with these elements under the root, in the given order.
std::string ProductConfigXml(const std::vector<std::pair<std::string, std::string>>& elements,
                             const std::string& root = "ProductConfig");

} // namespace testkit
