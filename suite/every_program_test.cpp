// What every program does alike: its command line, and a report that cannot
// be written is a failure (with standard output on a full device, every
// program says so on standard error and exits 1).
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "built_programs.h"
#include "diagnostic.h"
#include "run_program.h"
#include "version.h"

namespace {

// An input on which each program succeeds and prints something.
const std::map<std::string, std::string> TYPICAL_INPUT = {
    {"gradebook", "12 8 15 x 2 1 1 x -1\n"}, {"tickup", "12:59:59\n"},   {"tickdown", "00:00:00\n"},
    {"dialshow", "125\n"},                   {"dialsplit", "125\n"},     {"dialtotal", "00:02:05\n"},
    {"dialsum", "0:1:75\n"},                 {"quadroots", "1 -3 2\n"},  {"digittally", "12 22 -7 30\n"},
    {"barmax", "3|17|-4\n"},                 {"pairrule", "3 1\n"},      {"ratioscale", "3 4 2.5 0\n"},
    {"bytepeek", "7 65\n"},                  {"greetjoin", ""},          {"decaydemo", ""},
};

TEST(WriteError, EveryProgramReportsAnUnwritableStandardOutput) {
    RunOptions full;
    full.stdout_path = "/dev/full";
    for (const auto &[name, path] : BUILT_PROGRAMS) {
        auto input = TYPICAL_INPUT.find(name);
        ASSERT_NE(input, TYPICAL_INPUT.end()) << "no typical input for " << name;
        RunResult ok = run_program(path, input->second);
        EXPECT_TRUE(exited_cleanly(ok)) << name;
        EXPECT_FALSE(ok.out.empty()) << name;
        RunResult r = run_program(path, input->second, full);
        EXPECT_TRUE(exited_with(r, 1)) << name << ": " << describe_end(r);
        EXPECT_EQ(r.err, name + ": erreur d'écriture sur la sortie standard\n");
    }
}

TEST(WriteError, TheAssertionPathStaysAsItIs) {
    RunOptions full;
    full.stdout_path = "/dev/full";
    RunResult r = run_program(program_path("gradebook"), "12 8 x 2 1 x -2", full);
    EXPECT_TRUE(aborted_with(r, "gradebook", "gradebook/gradecalc.cpp", "modif_notes", "EF >= 0 || EF == DEF"));
}

// One row per command line, run by every program, with its typical input on
// standard input: nothing of the dialogue may show, the input is not read.
struct CommandLine {
    std::vector<std::string> arguments;
    std::string refusal;  // empty when the arguments are accepted
};

TEST(CommandLine, HelpAndVersionAnswerAnyOtherArgumentIsRefused) {
    const std::vector<CommandLine> rows = {
        {{"--help"}, ""},
        {{"--version"}, ""},
        {{"-h"}, "option non reconnue « -h »"},
        {{"--aide"}, "option non reconnue « --aide »"},
        {{"fichier"}, "argument superflu « fichier »"},
        {{"-"}, "argument superflu « - »"},
        {{"--help", "extra"}, "argument superflu « extra »"},
        {{"--version", "--help"}, "option non reconnue « --help »"},
    };
    for (const auto &[name, path] : BUILT_PROGRAMS) {
        for (const CommandLine &row : rows) {
            RunOptions options;
            options.arguments = row.arguments;
            RunResult r = run_program(path, TYPICAL_INPUT.at(name), options);
            const std::string shown = name + " " + testing::PrintToString(row.arguments);
            if (!row.refusal.empty()) {
                EXPECT_TRUE(exited_with(r, 2)) << shown << ": " << describe_end(r);
                EXPECT_EQ(r.out, "") << shown;
                EXPECT_EQ(r.err, name + ": " + row.refusal + "\nSaisissez « " + name +
                                     " --help » pour plus d'informations.\n");
            } else if (row.arguments[0] == "--help") {
                EXPECT_TRUE(exited_cleanly(r)) << shown;
                EXPECT_EQ(r.out.rfind("Utilisation : " + name + " [--help | --version]\n", 0), 0u) << r.out;
                EXPECT_TRUE(r.out.ends_with("\n\nVoir " + name + "(1).\n")) << r.out;
            } else {
                EXPECT_TRUE(exited_cleanly(r)) << shown;
                const std::string first = name + " (petits-calculs) " + PETITS_VERSION + "\n";
                EXPECT_EQ(r.out.rfind(first, 0), 0u) << r.out;
                EXPECT_EQ(r.out.find('\n', first.size()), r.out.size() - 1) << "one line of licence";
            }
            options.stdout_path = "/dev/full";
            if (row.refusal.empty()) {
                EXPECT_EQ(run_program(path, "", options).err,
                          name + ": erreur d'écriture sur la sortie standard\n") << shown;
            }
        }
    }
}

}  // namespace
