#include "report/groups.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "report/ending.h"

namespace exocheck {

namespace {

// What makes two submissions' mistakes the same one.
using Key = std::tuple<std::string, std::string, std::string, std::string, std::string>;

Key key_of(const Mistake &m) {
    const Finding &f = m.example;
    if (!m.cause_code.empty()) return {m.cause_code, f.input, "", "", ""};
    return {"", f.input, f.obtained.out, f.obtained.err, describe_ending(f.obtained, 0)};
}

}  // namespace

void group_mistakes(CheckReport &report) {
    report.groups.clear();
    std::map<Key, std::size_t> found;  // the group of each key
    for (std::size_t k = 0; k < report.candidates.size(); ++k) {
        if (report.candidates[k].standing() != Standing::differ) continue;
        for (Mistake &m : mistakes_of(report.candidates[k])) {
            const auto [at, added] = found.emplace(key_of(m), report.groups.size());
            if (added) report.groups.push_back({m.cause_code, std::move(m.example), {}});
            std::vector<std::size_t> &members = report.groups[at->second].members;
            if (members.empty() || members.back() != k) members.push_back(k);
        }
    }
    std::stable_sort(report.groups.begin(), report.groups.end(), [](const MistakeGroup &a, const MistakeGroup &b) {
        return a.members.size() > b.members.size();
    });
}

}  // namespace exocheck
