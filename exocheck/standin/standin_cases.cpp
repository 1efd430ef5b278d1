// TEMPORARY STAND-IN for the cases, replaced at merge: the typical input as the one dialogue,
// a few boundary inputs, and generated inputs from the hostile grammar.
#include <map>
#include <vector>

#include "cases.h"
#include "grammar.h"

namespace {

const std::map<std::string_view, std::vector<std::string>> BOUNDARY = {
    {"tickup", {"23:59:59\n", "00:00:59\n", "12:59:59\n", "24:00:00\n"}},
    {"tickdown", {"00:00:00\n", "00:01:00\n"}},
    {"dialtotal", {"23:59:59\n", "00:00:00\n"}},
    {"quadroots", {"1 2 1\n", "1 2 5\n", "1 -3 2\n", "x\n"}},
    {"pairrule", {"1 1\n", "0 1\n", "x\n"}},
    {"ratioscale", {"1 3 1 0\n", "2 3 1 0\n", "1 0 1 0\n"}},
    {"digittally", {"-7\n", "1 11\n", "x\n"}},
    {"gradebook", {"5 5 x 1 1 x -1\n", "12 12 x 1 1 x 20\n"}},
};

const std::vector<std::string> &boundary(std::string_view name) {
    static const std::vector<std::string> none;
    const auto found = BOUNDARY.find(name);
    return found == BOUNDARY.end() ? none : found->second;
}

}  // namespace

Cases::Cases(const ProgramData &program, std::uint64_t seed, std::size_t generated)
    : program_(program), seed_(seed), generated_(generated) {}

std::size_t Cases::size() const { return 1 + boundary(program_.name).size() + 1 + generated_; }

Case Cases::at(std::size_t index) const {
    if (index == 0) return {Case::Origin::dialogue, 1, std::string(program_.typical)};
    const auto &limits = boundary(program_.name);
    if (index <= limits.size()) return {Case::Origin::boundary, index, limits[index - 1]};
    if (index == limits.size() + 1) return {Case::Origin::boundary, index, ""};
    const std::size_t number = index - limits.size() - 1;
    InputGenerator generator(program_, seed_ * 1000003 + number);
    for (std::size_t skip = number % 5; skip > 0; --skip) generator.next();
    return {Case::Origin::generated, number, generator.next()};
}
