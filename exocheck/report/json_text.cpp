#include "report/json_text.h"

#include "report/visible.h"

namespace exocheck {

std::string json_text(std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 0) {
            out += "\ufffd";
            ++i;
            continue;
        }
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            out += "\\u00";
            out += HEX[byte >> 4U];
            out += HEX[byte & 0xFU];
        } else {
            out += text.substr(i, length);
        }
        i += length;
    }
    return out + "\"";
}

std::string base64(std::string_view bytes) {
    static constexpr char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const auto byte = [&](std::size_t at) -> unsigned {
            return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0U;
        };
        const unsigned group = byte(i) << 16U | byte(i + 1) << 8U | byte(i + 2);
        out += DIGITS[(group >> 18U) & 63U];
        out += DIGITS[(group >> 12U) & 63U];
        out += i + 1 < bytes.size() ? DIGITS[(group >> 6U) & 63U] : '=';
        out += i + 2 < bytes.size() ? DIGITS[group & 63U] : '=';
    }
    return "\"" + out + "\"";
}

}  // namespace exocheck
