#include "report/diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "judge/assertion.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t CONTEXT = 3;           // identical lines shown around a change
constexpr std::size_t MOST_SHOWN = 40;       // lines of a difference shown at most
constexpr std::size_t MOST_COMPARED = 250000;  // pairs of lines matched at most

struct Line {
    std::string_view text;
    bool unterminated = false;
    bool operator==(const Line &) const = default;
};

std::vector<Line> lines_of(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.push_back({text, true});
            break;
        }
        lines.push_back({text.substr(0, end), false});
        text.remove_prefix(end + 1);
    }
    return lines;
}

enum class Mark { same, expected, obtained };

struct Step {
    Mark mark;
    const Line *line;
};

// The steps between `head` identical lines and `tail` identical lines: the
// longest common subsequence when they are few enough to match, every line
// replaced otherwise.
void middle_steps(const std::vector<Line> &e, const std::vector<Line> &o, std::size_t head, std::size_t tail,
                  std::vector<Step> &steps) {
    const std::size_t n = e.size() - head - tail, m = o.size() - head - tail;
    if (n * m > MOST_COMPARED) {
        for (std::size_t i = 0; i < n; ++i) steps.push_back({Mark::expected, &e[head + i]});
        for (std::size_t j = 0; j < m; ++j) steps.push_back({Mark::obtained, &o[head + j]});
        return;
    }
    // lcs[i][j]: the longest common subsequence of e[head+i..] and o[head+j..].
    std::vector<std::uint32_t> lcs((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t & { return lcs[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) = e[head + i] == o[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && e[head + i] == o[head + j]) {
            steps.push_back({Mark::same, &e[head + i++]});
            ++j;
        } else if (j == m || (i < n && at(i + 1, j) >= at(i, j + 1))) {
            steps.push_back({Mark::expected, &e[head + i++]});
        } else {
            steps.push_back({Mark::obtained, &o[head + j++]});
        }
    }
}

// The edit script of two runs of lines, their identical ends set apart.
std::vector<Step> edit_script(const std::vector<Line> &e, const std::vector<Line> &o) {
    const auto head = static_cast<std::size_t>(std::mismatch(e.begin(), e.end(), o.begin(), o.end()).first - e.begin());
    const auto shift = static_cast<std::ptrdiff_t>(head);
    const auto tail = static_cast<std::size_t>(
        std::mismatch(e.rbegin(), e.rend() - shift, o.rbegin(), o.rend() - shift).first - e.rbegin());
    std::vector<Step> steps;
    for (std::size_t i = 0; i < head; ++i) steps.push_back({Mark::same, &e[i]});
    middle_steps(e, o, head, tail, steps);
    for (std::size_t i = e.size() - tail; i < e.size(); ++i) steps.push_back({Mark::same, &e[i]});
    return steps;
}

std::string shown(const Line &line) { return visible_line(line.text, line.unterminated); }

// The column (in characters) where two visible lines first differ.
std::size_t first_difference(std::string_view a, std::string_view b) {
    std::size_t column = 0, i = 0;
    while (i < a.size() && i < b.size()) {
        const std::size_t length = std::max<std::size_t>(utf8_length(a.substr(i)), 1);
        if (a.substr(i, length) != b.substr(i, length)) break;
        i += length;
        ++column;
    }
    return column;
}

std::string skipped(std::size_t count) {
    return "  … (" + std::to_string(count) + (count == 1 ? " ligne identique)\n" : " lignes identiques)\n");
}

class Printer {
public:
    explicit Printer(const std::vector<Step> &steps) : steps_(steps) {}

    std::string print() {
        for (std::size_t i = 0; i < steps_.size();) i = steps_[i].mark == Mark::same ? same_run(i) : change(i);
        if (hidden_ > 0) out_ += "  … (" + std::to_string(hidden_) + " lignes différentes de plus)\n";
        return out_;
    }

private:
    // Past MOST_SHOWN lines, changed lines are only counted.
    bool line(const char *mark, const Line &l, bool changed) {
        if (shown_ >= MOST_SHOWN) {
            if (changed) ++hidden_;
            return false;
        }
        // An empty line gets its mark alone, without trailing blanks.
        const std::string text = shown(l);
        if (!text.empty())
            out_ += mark + text;
        else if (mark[0] != ' ')
            out_ += mark[0];
        out_ += "\n";
        ++shown_;
        return true;
    }

    // A run of identical lines: the few next to a change, the others counted.
    std::size_t same_run(std::size_t begin) {
        std::size_t end = begin;
        while (end < steps_.size() && steps_[end].mark == Mark::same) ++end;
        const bool first = begin == 0, last = end == steps_.size();
        const std::size_t before = last ? 0 : CONTEXT, after = first ? 0 : CONTEXT;  // next to the changes
        if (end - begin <= before + after + 1) {
            for (std::size_t i = begin; i < end; ++i) line("  ", *steps_[i].line, false);
            return end;
        }
        for (std::size_t i = begin; i < begin + after; ++i) line("  ", *steps_[i].line, false);
        if (shown_ < MOST_SHOWN) out_ += skipped(end - begin - before - after);
        for (std::size_t i = end - before; i < end; ++i) line("  ", *steps_[i].line, false);
        return end;
    }

    // Lines removed and lines added, paired so that a caret shows where
    // each pair first differs.
    std::size_t change(std::size_t begin) {
        std::vector<const Line *> removed, added;
        std::size_t end = begin;
        for (; end < steps_.size() && steps_[end].mark != Mark::same; ++end) {
            if (steps_[end].mark == Mark::expected)
                removed.push_back(steps_[end].line);
            else
                added.push_back(steps_[end].line);
        }
        const std::size_t pairs = std::min(removed.size(), added.size());
        for (std::size_t k = 0; k < pairs; ++k) {
            line("- ", *removed[k], true);
            if (line("+ ", *added[k], true)) caret(*removed[k], *added[k]);
        }
        for (std::size_t k = pairs; k < removed.size(); ++k) line("- ", *removed[k], true);
        for (std::size_t k = pairs; k < added.size(); ++k) line("+ ", *added[k], true);
        return end;
    }

    // A caret under the first column where a replaced line differs, when
    // they have a start in common. Two assertion diagnostics differ first
    // in what is not compared (the program and the file): no caret there.
    void caret(const Line &removed, const Line &added) {
        if (parse_assertion(removed.text) && parse_assertion(added.text)) return;
        const std::size_t column = first_difference(shown(removed), shown(added));
        if (column > 0) out_ += std::string(2 + column, ' ') + "^\n";
    }

    const std::vector<Step> &steps_;
    std::string out_;
    std::size_t shown_ = 0, hidden_ = 0;
};

}  // namespace

std::string line_diff(std::string_view expected, std::string_view obtained) {
    const std::vector<Line> e = lines_of(expected), o = lines_of(obtained);
    return Printer(edit_script(e, o)).print();
}

}  // namespace exocheck
