// What every program does alike: its command line, and a report that cannot
// be written is a failure (with standard output on a full device, every
// program says so on standard error and exits 1).
#include <gtest/gtest.h>

#include <vector>

#include "built_programs.h"
#include "diagnostic.h"
#include "programs.h"
#include "run_program.h"
#include "version.h"

namespace {

// The typical input of a program: it succeeds on it and prints something.
std::string typical_input(const std::string &name) { return std::string(find_program(name)->typical); }

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

// What each program's --help says of itself: what it does, then its exit
// statuses. The rest of the text is the same for all (expected_help).
struct Help {
    std::string name;
    std::string description;
    std::string exit_statuses;
};

const std::string WRITTEN_OR_REFUSED =
    "Code de sortie : 0 si le résultat est écrit, 1 si la sortie standard ne peut\n"
    "pas l'être, 2 pour un argument refusé.\n";
const std::string OR_ASSERTION =
    "Code de sortie : 0 si le résultat est écrit, 1 si la sortie standard ne peut\n"
    "pas l'être, 2 pour un argument refusé ; une entrée refusée arrête le\n"
    "programme par une assertion (SIGABRT).\n";

const std::vector<Help> HELP = {
    {"gradebook",
     "Lit sur l'entrée standard les notes d'un étudiant, leurs coefficients (chaque\n"
     "table terminée par un caractère tel que x) et la note de l'épreuve facultative\n"
     "(-1 : non passée), puis affiche le relevé : les tables, les nouvelles notes, la\n"
     "somme et la moyenne pondérées, la note minimale qui amène la moyenne à 10 et\n"
     "le verdict.\n",
     OR_ASSERTION},
    {"tickup",
     "Lit une heure hh:mm:ss sur l'entrée standard et affiche l'heure une seconde\n"
     "plus tard : 23:59:59 devient 00:00:00.\n",
     OR_ASSERTION},
    {"tickdown",
     "Lit une heure hh:mm:ss sur l'entrée standard et affiche l'heure une seconde\n"
     "plus tôt : 00:00:00 devient 23:59:59.\n",
     OR_ASSERTION},
    {"dialshow",
     "Lit un nombre de secondes (0 ou plus) sur l'entrée standard et l'affiche en\n"
     "heures : minutes : secondes, les heures sans limite d'un jour.\n",
     OR_ASSERTION},
    {"dialsplit",
     "Lit un nombre de secondes, négatif compris, sur l'entrée standard et\n"
     "l'affiche en hh:mm:ss ; un nombre négatif donne des champs négatifs ou nuls.\n",
     OR_ASSERTION},
    {"dialtotal",
     "Lit une heure hh:mm:ss sur l'entrée standard et affiche son nombre de\n"
     "secondes.\n",
     OR_ASSERTION},
    {"dialsum",
     "Lit hh:mm:ss sur l'entrée standard, champs de toute valeur, et affiche les\n"
     "champs lus et leur nombre de secondes.\n",
     OR_ASSERTION},
    {"quadroots",
     "Lit a, b et c sur l'entrée standard et résout a x² + b x + c = 0 : une racine\n"
     "double, deux racines réelles distinctes ou les deux racines complexes.\n",
     OR_ASSERTION},
    {"digittally",
     "Lit des entiers sur l'entrée standard jusqu'au premier mot qui n'en est\n"
     "pas un, et affiche combien se terminent par chaque chiffre. Au terminal,\n"
     "terminez la saisie par Ctrl-D en début de ligne.\n",
     WRITTEN_OR_REFUSED},
    {"barmax",
     "Lit des entiers séparés par des barres (|) sur l'entrée standard et affiche\n"
     "le plus grand ; seul le premier entier de chaque champ compte. Au terminal,\n"
     "terminez la saisie par Ctrl-D en début de ligne.\n",
     "Code de sortie : 0 si le maximum est écrit, 1 si aucun entier n'est lu ou si\n"
     "la sortie standard ne peut pas être écrite, 2 pour un argument refusé.\n"},
    {"pairrule",
     "Lit deux entiers x et y sur l'entrée standard ; si x > 0 et y <= 1, affiche\n"
     "x + 1, 0 et 1, sinon 0, y × 2 et 0.\n",
     "Code de sortie : 0 si le résultat est écrit, 1 si les deux entiers ne\n"
     "peuvent pas être lus ou si la sortie standard ne peut pas être écrite, 2\n"
     "pour un argument refusé.\n"},
    {"ratioscale",
     "Lit deux entiers p et q et deux réels x et y sur l'entrée standard et affiche\n"
     "p × x / q calculé en simple précision.\n",
     OR_ASSERTION},
    {"bytepeek",
     "Lit un entier et un entier de 64 bits sur l'entrée standard et les réaffiche,\n"
     "le second aussi par ses six premiers octets bruts, dans l'ordre de la mémoire.\n",
     OR_ASSERTION},
    {"greetjoin",
     "Construit « Bonjour tout le monde » par concaténation dans un tampon fixe et\n"
     "affiche sa longueur et le texte. Ne lit rien.\n",
     WRITTEN_OR_REFUSED},
    {"decaydemo",
     "Affiche la taille d'une table de 80 octets dans main, puis dans une fonction\n"
     "qui la reçoit comme pointeur. Ne lit rien.\n",
     WRITTEN_OR_REFUSED},
};

// The whole --help text of a program; a program without a row fails.
std::string expected_help(const std::string &name) {
    for (const Help &h : HELP) {
        if (h.name == name)
            return "Utilisation : " + name + " [--help | --version]\n" + h.description +
                   "\n  --help     affiche cette aide et termine\n"
                   "  --version  affiche la version et termine\n\n" +
                   h.exit_statuses + "\nVoir " + name + "(1).\n";
    }
    ADD_FAILURE() << name << " has no row in HELP";
    return "";
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
    EXPECT_EQ(HELP.size(), BUILT_PROGRAMS.size()) << "one HELP row per program";
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
