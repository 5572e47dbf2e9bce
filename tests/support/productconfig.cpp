#include "productconfig.h"

namespace testkit {

static std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ProductConfigXml(const std::vector<std::pair<std::string, std::string>>& elements, const std::string& root)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + root + ">\r\n";
    for (const auto& e : elements)
        xml += "    <" + e.first + ">" + Escape(e.second) + "</" + e.first + ">\r\n";
    xml += "</" + root + ">\r\n";
    return xml;
}

} // namespace testkit
