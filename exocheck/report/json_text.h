// Texts and bytes as JSON values, for every writer of JSON.
#pragma once

#include <string>
#include <string_view>

namespace exocheck {

// A JSON string of `text`; a byte that is not UTF-8 becomes U+FFFD.
std::string json_text(std::string_view text);

// The bytes in base64, as a JSON string.
std::string base64(std::string_view bytes);

}  // namespace exocheck
