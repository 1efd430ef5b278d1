#include "report/formats.h"

#include "report/json_report.h"
#include "report/text_report.h"

namespace exocheck {

namespace {

constexpr std::pair<std::string_view, Format> NAMES[] = {
    {"text", Format::text}, {"json", Format::json}, {"csv", Format::csv}, {"junit", Format::junit},
    {"tap", Format::tap},   {"gradescope", Format::gradescope}, {"html", Format::html},
};

}  // namespace

std::optional<Format> format_named(std::string_view name) {
    for (const auto &[n, format] : NAMES)
        if (n == name) return format;
    return std::nullopt;
}

bool grades(Format format) { return format != Format::text && format != Format::json; }

std::string write_report(const CheckReport &report, Format format, const FormatSettings &settings) {
    switch (format) {
    case Format::text: return text_report(report);
    case Format::json: return json_report(report);
    case Format::csv: return csv_report(report, settings.csv_separator);
    case Format::junit: return junit_report(report);
    case Format::tap: return tap_report(report);
    case Format::gradescope: return gradescope_report(report);
    case Format::html: break;
    }
    return html_report(report);
}

}  // namespace exocheck
