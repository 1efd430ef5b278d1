#include "gradebook_statement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "gradecalc.h"
#include "realstream.h"

namespace exocheck {

namespace {

constexpr double SEARCH_START = 2.0;
constexpr double SEARCH_STEP = 0.01;
constexpr double PASS_MARK = 10.0;
// Past this many steps a search "takes ages": a learner's program that
// follows the statement may well be stopped by the time limit first.
constexpr std::uint64_t STEPS_IN_REACH = 1000000;
// The steps of the search tried one by one where the average is not
// monotonic, at most: beyond, how the search ends is left unknown.
constexpr std::uint64_t STEPS_TRIED = 1000000;
// Room for a line with a number written "%.2lf", the largest double's 309
// digits included.
constexpr std::size_t LINE_ROOM = 512;
// More steps than a search can take before the grade stops growing (2^47
// and more): where the search for that last step starts.
constexpr std::uint64_t FAR_PAST_GROWING = std::uint64_t{1} << 62;

// One number read as the program reads it.
bool read_double(MemoryInput &in, double &value) {
    return in.stream() != nullptr && std::fscanf(in.stream(), "%lf", &value) == 1;
}

// A table of the grade report read as it reads one: numbers up to the first
// item that is not one, of which one character is dropped.
std::size_t read_table(MemoryInput &in, std::vector<double> &table, std::size_t capacity) {
    for (;;) {
        double value = 0;
        if (!read_double(in, value)) {
            if (in.stream() != nullptr) std::fgetc(in.stream());
            return table.size();
        }
        if (table.size() == capacity) return SCAN_OVERFLOW;
        table.push_back(value);
    }
}

// The grade report's line of the minimal grade.
std::string minimal_line(double grade) {
    std::array<char, LINE_ROOM> text{};
    std::snprintf(text.data(), text.size(), "la note minimale est %.2lf\n", grade);
    return text.data();
}

// The grades as the search has raised them after `steps` steps, and their
// average: the grade module's own arithmetic.
class Search {
public:
    Search(std::span<const double> grades, std::span<const double> coefficients)
        : grades_(grades), coefficients_(coefficients) {}

    double average_at(double grade) const {
        std::array<double, NB_MAX> raised{};
        std::ranges::copy(grades_, raised.begin());
        modif_notes(raised.data(), grades_.size(), grade);
        return moyenne_ponderee(raised.data(), coefficients_.data(), grades_.size());
    }
    bool stops_at(double grade) const { return !(average_at(grade) < PASS_MARK); }

    // Within steps where the same grades are raised, the average moves one
    // way only when their coefficients all have one sign: the stop is then
    // found by halving.
    bool monotonic_at(double grade) const {
        bool plus = false, minus = false;
        for (size_t i = 0; i < grades_.size(); ++i) {
            if (!(grade > grades_[i])) continue;
            plus = plus || coefficients_[i] > 0;
            minus = minus || coefficients_[i] < 0;
        }
        return !(plus && minus);
    }

    // The first step at or after `from`, and before `end`, at which the
    // grade passes a grade not yet raised: where the raised grades change.
    std::uint64_t next_change(std::uint64_t from, std::uint64_t end) const {
        const double now = grade_after(from);
        for (double grade : grades_) {
            if (!(now <= grade)) continue;  // raised already, or NaN: never raised
            std::uint64_t low = from, high = end;  // grade_after(high) > grade, or high == end
            while (low < high) {
                const std::uint64_t middle = low + (high - low) / 2;
                if (grade_after(middle) > grade) high = middle;
                else low = middle + 1;
            }
            end = low;
        }
        return end;
    }

private:
    std::span<const double> grades_, coefficients_;
};

// The last step after which the grade no longer grows (0.01 is below half
// its spacing, past 2^47).
std::uint64_t last_growing_step() {
    std::uint64_t low = 0, high = FAR_PAST_GROWING;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (grade_after(middle + 1) == grade_after(middle)) high = middle;
        else low = middle + 1;
    }
    return low;
}

}  // namespace

double grade_after(std::uint64_t steps) {
    double grade = SEARCH_START;
    while (steps > 0) {
        const double next = grade + SEARCH_STEP;
        if (next == grade) return grade;
        // Within [2^(e-1), 2^e) every double is a multiple of the same
        // spacing and 0.01 rounds to the same multiple of it: each step adds
        // the same amount, exactly, until the steps near the top.
        const double step = next - grade;
        int exponent = 0;
        std::frexp(grade, &exponent);
        const double room = (std::ldexp(1.0, exponent) - grade) / step;
        const std::uint64_t safe = room > 3 ? static_cast<std::uint64_t>(room) - 3 : 0;
        if (safe == 0) {
            grade = next;
            --steps;
            continue;
        }
        const std::uint64_t jump = std::min(steps, safe);
        grade += static_cast<double>(jump) * step;
        steps -= jump;
    }
    return grade;
}

namespace {

// Where the search stops within the steps from..end-1, where the same grades
// stay raised; nothing when it does not stop there. `tried` counts the steps
// tried one by one, and a search that would take too many gives up.
std::optional<SearchEnd> stop_between(const Search &search, std::uint64_t from, std::uint64_t end,
                                      std::uint64_t &tried) {
    if (search.monotonic_at(grade_after(from))) {
        if (search.stops_at(grade_after(from))) return SearchEnd{true, true, from};
        if (!search.stops_at(grade_after(end - 1))) return std::nullopt;
        std::uint64_t low = from + 1, high = end - 1;
        while (low < high) {
            const std::uint64_t middle = low + (high - low) / 2;
            if (search.stops_at(grade_after(middle))) high = middle;
            else low = middle + 1;
        }
        return SearchEnd{true, true, low};
    }
    double grade = grade_after(from);
    for (std::uint64_t step = from; step < end; ++step) {
        if (++tried > STEPS_TRIED) return SearchEnd{false, false, 0};
        if (search.stops_at(grade)) return SearchEnd{true, true, step};
        grade += SEARCH_STEP;
    }
    return std::nullopt;
}

}  // namespace

SearchEnd unbounded_search(std::span<const double> grades, std::span<const double> coefficients) {
    const Search search(grades, coefficients);
    // The steps the reference takes, one by one, as it takes them.
    double grade = SEARCH_START;
    for (std::uint64_t step = 0; step <= BOUNDED_SEARCH_STEPS; ++step) {
        if (search.stops_at(grade)) return {true, true, step};
        grade += SEARCH_STEP;
    }
    // Beyond, from one change of the raised grades to the next.
    static const std::uint64_t LAST = last_growing_step();
    std::uint64_t tried = 0;
    for (std::uint64_t from = BOUNDED_SEARCH_STEPS + 1; from <= LAST;) {
        const std::uint64_t end = search.next_change(from, LAST + 1);
        if (const auto stop = stop_between(search, from, end, tried)) return *stop;
        from = end;
    }
    return {true, false, 0};
}

std::optional<SearchEnd> statement_search(std::string_view gradebook_input) {
    MemoryInput in(gradebook_input);
    std::vector<double> grades, coefficients;
    const std::size_t count = read_table(in, grades, NB_MAX);
    if (count > NB_MAX || read_table(in, coefficients, count) != count) return std::nullopt;
    double optional_exam = 0;
    if (!read_double(in, optional_exam) || count < NB_MIN) return std::nullopt;
    if (!(optional_exam >= 0 || optional_exam == DEF)) return std::nullopt;
    modif_notes(grades.data(), count, optional_exam);
    return unbounded_search(grades, coefficients);
}

std::optional<StatementRun> gradebook_statement_run(std::string_view input, const RunResult &reference) {
    const std::optional<SearchEnd> found = statement_search(input);
    if (!found) return std::nullopt;
    const SearchEnd end = *found;
    if (end.known && end.ends && end.steps <= BOUNDED_SEARCH_STEPS) return std::nullopt;

    // The reference printed the bounded search's result: check it, so that
    // nothing is said of an input read otherwise.
    constexpr std::string_view MINIMAL = "la note minimale est ";
    const std::string bounded = minimal_line(grade_after(BOUNDED_SEARCH_STEPS));
    if (reference.out.find("\n" + bounded) == std::string::npos) return std::nullopt;

    StatementRun run;
    const std::string scale =
        "la référence arrête la recherche de la note minimale au-delà de 20, le haut de l'échelle, "
        "et affiche alors 20.01 (aucune note de l'échelle ne suffit) ; la recherche de l'énoncé, de "
        "2.00 par pas de 0.01, n'a pas de borne";
    if (end.known && end.ends) {
        const double grade = grade_after(end.steps);
        const std::string line = minimal_line(grade);
        run.out = with_line(reference.out, MINIMAL, line);
        // "la note minimale est 25.01\n": the value as the program prints it.
        run.mend = scale + " : ici elle donne " + line.substr(MINIMAL.size(), line.size() - MINIMAL.size() - 1);
        if (end.steps > STEPS_IN_REACH) run.mend += " après plus d'un million de pas";
    } else {
        run.mend = scale + (end.known ? " : ici elle ne finit jamais" : " : ici elle ne finit pas en moins d'un million de pas");
    }
    if (!end.known || !end.ends || end.steps > STEPS_IN_REACH)
        run.out_before_endless = reference.out.substr(0, reference.out.find("\n" + bounded) + 1);
    return run;
}

}  // namespace exocheck
