// Text made safe for XML and HTML (JUnit, the HTML page), whatever the
// bytes: each writer escapes only what its own syntax needs on top of this.
#pragma once

#include <string>
#include <string_view>

namespace exocheck {

// `text` as valid UTF-8 with no control character but newline and tab: a
// byte that is not UTF-8, or another control character, is written as the
// text report writes it (\xNN, \r).
std::string clean_text(std::string_view text);

// clean_text(text) with &, <, >, " and ' as entities: fit for an XML or HTML
// element or attribute. In an attribute, newlines and tabs are kept as
// character references, so that a reader gets them back.
std::string xml_text(std::string_view text);
std::string xml_attribute(std::string_view text);

}  // namespace exocheck
