#include "cases/shrink.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace exocheck {

namespace {

using Clock = std::chrono::steady_clock;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The input cut into words, each with the white space after it; white space
// at the start is a token of its own.
std::vector<std::string_view> tokens(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        if (start == 0)
            while (end < text.size() && is_space(text[end])) ++end;
        if (end == start) {
            while (end < text.size() && !is_space(text[end])) ++end;
            while (end < text.size() && is_space(text[end])) ++end;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::vector<std::string_view> bytes(std::string_view text) {
    std::vector<std::string_view> pieces;
    pieces.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) pieces.push_back(text.substr(i, 1));
    return pieces;
}

// The pieces but those in [skip_begin, skip_end), joined.
std::string join_without(const std::vector<std::string_view> &pieces, std::size_t skip_begin,
                         std::size_t skip_end) {
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (i < skip_begin || i >= skip_end) joined += pieces[i];
    return joined;
}

class Shrinker {
public:
    Shrinker(std::string input, const std::function<bool(const std::string &)> &still_fails,
             Clock::time_point deadline)
        : current_(std::move(input)), still_fails_(still_fails), deadline_(deadline) {}

    ShrinkResult run(bool shortest_first) {
        if (shortest_first) try_shortest();
        bool shrunk = true;
        while (shrunk && !out_of_time()) {
            // Each pass cuts the pieces of its own copy of the input.
            shrunk = remove_pieces(tokens);
            shrunk = remove_pieces(bytes) || shrunk;
            shrunk = simplify_numbers() || shrunk;
        }
        return {current_, tests_, !out_of_time()};
    }

private:
    // The shortest inputs made of the input's bytes and words, tried in
    // order of length until one fails.
    void try_shortest() {
        constexpr std::size_t MOST_TRIES = 64;
        std::vector<std::string> tries = {""};
        const std::vector<std::string_view> each = bytes(current_);
        tries.insert(tries.end(), each.begin(), each.end());
        for (const std::string_view token : tokens(current_)) {
            std::string_view word = token;
            while (!word.empty() && is_space(word.back())) word.remove_suffix(1);
            tries.emplace_back(word);
            tries.push_back(std::string(word) + "\n");
        }
        std::ranges::stable_sort(tries, {}, &std::string::size);
        std::vector<std::string> distinct;
        for (std::string &t : tries)
            if (t.size() < current_.size() && std::ranges::find(distinct, t) == distinct.end()) distinct.push_back(std::move(t));
        if (distinct.size() > MOST_TRIES) distinct.resize(MOST_TRIES);
        const auto failing = std::ranges::find_if(distinct, [this](const std::string &t) { return fails(t); });
        if (failing != distinct.end()) current_ = std::move(*failing);
    }

    // Out of time when the slowest try so far would not end before the
    // deadline: a try may cost a whole time limit.
    bool out_of_time() const { return Clock::now() + slowest_ >= deadline_; }

    bool fails(const std::string &input) {
        if (out_of_time()) return false;
        ++tests_;
        const auto start = Clock::now();
        const bool failed = still_fails_(input);
        slowest_ = std::max(slowest_, Clock::now() - start);
        return failed;
    }

    // Delta debugging: tries to remove one of n chunks of the pieces, and
    // cuts finer (n doubles) while none can go, down to single pieces.
    bool remove_pieces(std::vector<std::string_view> (*cut)(std::string_view)) {
        const std::string source = current_;
        std::vector<std::string_view> pieces = cut(source);
        bool shrunk = false;
        std::size_t chunks = 2;
        while (!pieces.empty() && !out_of_time()) {
            chunks = std::min(chunks, pieces.size());
            const std::size_t size = (pieces.size() + chunks - 1) / chunks;
            bool removed = false;
            for (std::size_t begin = 0; begin < pieces.size() && !removed; begin += size) {
                const std::size_t end = std::min(begin + size, pieces.size());
                std::string smaller = join_without(pieces, begin, end);
                if (fails(smaller)) {
                    pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(begin),
                                 pieces.begin() + static_cast<std::ptrdiff_t>(end));
                    current_ = std::move(smaller);
                    chunks = std::max<std::size_t>(chunks - 1, 2);
                    removed = shrunk = true;
                }
            }
            if (!removed) {
                if (size == 1) break;
                chunks *= 2;
            }
        }
        return shrunk;
    }

    // Each number keeps as few digits as it can, then each digit becomes the
    // smallest that still fails.
    bool simplify_numbers() {
        bool shrunk = false;
        std::size_t at = 0;
        while (at < current_.size() && !out_of_time()) {
            if (!is_digit(current_[at])) {
                ++at;
                continue;
            }
            std::size_t end = at;
            while (end < current_.size() && is_digit(current_[end])) ++end;
            for (std::size_t i = at; i < end && end - at > 1;) {
                std::string fewer = current_;
                fewer.erase(i, 1);
                if (fails(fewer)) {
                    current_ = std::move(fewer);
                    --end;
                    shrunk = true;
                } else {
                    ++i;
                }
            }
            for (std::size_t i = at; i < end; ++i) {
                for (char digit = '0'; digit < current_[i]; ++digit) {
                    std::string smaller = current_;
                    smaller[i] = digit;
                    if (fails(smaller)) {
                        current_ = std::move(smaller);
                        shrunk = true;
                        break;
                    }
                }
            }
            at = end;
        }
        return shrunk;
    }

    std::string current_;
    const std::function<bool(const std::string &)> &still_fails_;
    Clock::time_point deadline_;
    Clock::duration slowest_{0};
    std::size_t tests_ = 0;
};

}  // namespace

ShrinkResult shrink(std::string input, const std::function<bool(const std::string &)> &still_fails,
                    Clock::time_point deadline, bool shortest_first) {
    return Shrinker(std::move(input), still_fails, deadline).run(shortest_first);
}

}  // namespace exocheck
