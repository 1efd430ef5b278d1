#include "quadroots_statement.h"

#include <array>
#include <cstdio>

namespace exocheck {

namespace {

// Room for the line of the complex roots, four numbers written "%.2lf", the
// largest doubles' digits included.
constexpr std::size_t LINE_ROOM = 2048;

}  // namespace

std::optional<StatementRun> quadroots_statement_run(std::string_view input, const RunResult &reference) {
    const MemoryInput in(input);
    double a = 0, b = 0, c = 0;
    if (in.stream() == nullptr || std::fscanf(in.stream(), "%lf %lf %lf", &a, &b, &c) != 3) return std::nullopt;
    const double delta = b * b - (a * 4) * c;
    if (delta == 0.0 || delta > 0) return std::nullopt;
    constexpr std::string_view COMPLEX = "Les solutions complexes sont : ";
    constexpr const char *LINE = "Les solutions complexes sont : x1 = %.2lf - iv|%.2lf| et x2 = %.2lf + iv|%.2lf|\n";
    std::array<char, LINE_ROOM> mended{}, statement{};
    const double r = -b / (a + a), d = delta / ((a + a) * (a + a));
    std::snprintf(mended.data(), mended.size(), LINE, r, d, r, d);
    std::snprintf(statement.data(), statement.size(), LINE, b, delta, b, delta);
    if (std::string_view(mended.data()) == statement.data() || !reference.out.ends_with(mended.data()))
        return std::nullopt;
    StatementRun run;
    run.out = with_line(reference.out, COMPLEX, statement.data());
    run.mend =
        "l'énoncé remplit la ligne des solutions complexes avec b, Δ, b, Δ ; la référence y écrit "
        "r = -b/(2a) et d = Δ/(4a²), pour que « r - iv|d| » se lise r − i√|d|";
    return run;
}

}  // namespace exocheck
