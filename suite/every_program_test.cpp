// What every program does alike: its command line, and a report that cannot
// be written is a failure (with standard output on a full device, every
// program says so on standard error and exits 1).
#include <gtest/gtest.h>

#include <vector>

#include "built_programs.h"
#include "diagnostic.h"
#include "cases/programs.h"
#include "run/run_program.h"
#include "version.h"

using namespace exocheck;

namespace {

// The typical input of a program: it succeeds on it and prints something.
std::string typical_input(const std::string &name) { return find_program(name)->typical.value(); }

TEST(WriteError, EveryProgramReportsAnUnwritableStandardOutput) {
    RunOptions full;
    full.stdout_path = "/dev/full";
    for (const auto &[name, path] : BUILT_PROGRAMS) {
        const std::string input = typical_input(name);
        RunResult ok = run_program(path, input);
        EXPECT_TRUE(exited_cleanly(ok)) << name;
        EXPECT_FALSE(ok.out.empty()) << name;
        RunResult r = run_program(path, input, full);
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

// The whole --help text of a program: what it does and its exit statuses
// come from its .inputs file, the rest is the same for all.
std::string expected_help(const std::string &name) {
    const ProgramData &program = *find_program(name);
    return "Utilisation : " + name + " [--help | --version]\n" + program.help +
           "\n  --help     affiche cette aide et termine\n"
           "  --version  affiche la version et termine\n\n" +
           program.exit_status + "\nVoir " + name + "(1).\n";
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
        {{"--help", "-x"}, "option non reconnue « -x »"},
        {{"-h", "--help"}, "option non reconnue « -h »"},
        // A known option refused as unknown read as a fault: the second of
        // two is superfluous, whichever they are.
        {{"--version", "--help"}, "option superflue « --help » : une seule option à la fois"},
        {{"--help", "--version"}, "option superflue « --version » : une seule option à la fois"},
        {{"--help", "--help", "--help"}, "option superflue « --help » : une seule option à la fois"},
    };
    for (const auto &[name, path] : BUILT_PROGRAMS) {
        for (const CommandLine &row : rows) {
            RunOptions options;
            options.arguments = row.arguments;
            RunResult r = run_program(path, typical_input(name), options);
            const std::string shown = name + " " + testing::PrintToString(row.arguments);
            if (!row.refusal.empty()) {
                EXPECT_TRUE(exited_with(r, 2)) << shown << ": " << describe_end(r);
                EXPECT_EQ(r.out, "") << shown;
                EXPECT_EQ(r.err, name + ": " + row.refusal + "\nSaisissez « " + name +
                                     " --help » pour plus d'informations.\n");
            } else if (row.arguments[0] == "--help") {
                EXPECT_TRUE(exited_cleanly(r)) << shown;
                EXPECT_EQ(r.out, expected_help(name));
            } else {
                EXPECT_TRUE(exited_cleanly(r)) << shown;
                EXPECT_EQ(r.out, name + " (petits-calculs) " + PETITS_VERSION +
                                     "\nLicence MIT : logiciel libre, fourni sans aucune garantie.\n");
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
