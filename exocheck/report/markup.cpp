#include "report/markup.h"

#include <cstdio>

#include "report/visible.h"

namespace exocheck {

namespace {

std::string hex(unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    return escape;
}

}  // namespace

std::string clean_text(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        const auto byte = static_cast<unsigned char>(text[i]);
        // U+FFFE and U+FFFF are no characters of XML.
        const bool non_character = length == 3 && text.substr(i, 2) == "\xef\xbf" &&
                                   (static_cast<unsigned char>(text[i + 2]) & 0xFEU) == 0xBEU;
        if (non_character) {
            for (std::size_t k = 0; k < 3; ++k) out += hex(static_cast<unsigned char>(text[i + k]));
            i += 3;
            continue;
        }
        if (length == 0 || (length == 1 && ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F))) {
            if (byte == '\r') {
                out += "\\r";
            } else {
                out += hex(byte);
            }
            ++i;
            continue;
        }
        out += text.substr(i, length);
        i += length;
    }
    return out;
}

namespace {

std::string escaped(std::string_view text, bool attribute) {
    std::string out;
    for (const char c : clean_text(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\n': out += attribute ? "&#10;" : "\n"; break;
        case '\t': out += attribute ? "&#9;" : "\t"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string xml_text(std::string_view text) { return escaped(text, false); }
std::string xml_attribute(std::string_view text) { return escaped(text, true); }

}  // namespace exocheck
