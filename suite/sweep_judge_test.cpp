// The sweep's verdict must reject every undocumented ending, or the sweep
// proves nothing.
#include "sweep_judge.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "run_results.h"

using namespace exocheck;

namespace {

TEST(SweepJudge, AcceptsOnlyDocumentedEndings) {
    const ProgramData &barmax = *find_program("barmax");
    const ProgramData &pairrule = *find_program("pairrule");
    const ProgramData &tickup = *find_program("tickup");
    const std::string diagnostic = "tickup: clock/clockwrap.cpp:17: add_1s: Assertion `*heure >= 0 && *heure <= 23' failed.\n";
    RunResult hang = exited(0, "", "");
    hang.timed_out = true;
    struct Case { RunResult r; const ProgramData &p; bool documented; };
    const std::vector<Case> cases = {
        {exited(0, "12\n", ""), barmax, true},
        {exited(0, "12\n", "warning\n"), barmax, false},
        {exited(1, "", "Erreur: aucun entier valide lu\n"), barmax, true},
        {exited(1, "", "==1==ERROR: AddressSanitizer: heap-buffer-overflow\n"), barmax, false},
        {exited(1, "x", "Erreur: aucun entier valide lu\n"), barmax, false},
        {exited(1, std::string(pairrule.read_error), ""), pairrule, true},
        {exited(1, "", std::string(pairrule.read_error)), pairrule, false},
        {exited(1, "", ""), tickup, false},
        {exited(2, "", ""), tickup, false},
        {signalled(SIGABRT, "", diagnostic), tickup, true},
        {signalled(SIGABRT, "", diagnostic + diagnostic), tickup, false},
        {signalled(SIGABRT, "", "other: clock/clockwrap.cpp:17: add_1s: Assertion `x' failed.\n"), tickup, false},
        {signalled(SIGABRT, "", "tickup: /home/me/clock/tickup.cpp:9: main: Assertion `x' failed.\n"), tickup, false},
        {signalled(SIGABRT, "", "tickup: clock/tickup.cpp:9: void main(): Assertion `x' failed.\n"), tickup, false},
        {signalled(SIGABRT, "", "tickup: clock/tickup.cpp:9: main: Assertion `' failed.\n"), tickup, false},
        {signalled(SIGABRT, "", ""), tickup, false},
        {signalled(SIGSEGV, "", ""), tickup, false},
        {hang, tickup, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(judge(c.r, c.p).empty(), c.documented) << c.p.name << ": [" << c.r.out << "] [" << c.r.err << "]";
}

}  // namespace
