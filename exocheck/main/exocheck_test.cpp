// exocheck end to end: candidates written for the purpose, each with the
// verdict and likely cause it must get; every program checked against
// itself; the command line's refusals; the JSON; the same report whatever
// the number of jobs; an interrupt that leaves nothing behind; the progress
// line at a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "built_programs.h"
#include "processes.h"
#include "cases/programs.h"
#include "run/launcher.h"
#include "run/run_program.h"
#include "run/start.h"
#include "run/terminal.h"

namespace exocheck {

namespace {

namespace fs = std::filesystem;

std::string fixture(const std::string &name) { return std::string(VERDICT_PROGRAMS) + "/" + name; }
std::string script(const std::string &name) { return std::string(VERDICT_SCRIPTS) + "/" + name; }

RunResult exocheck(const std::vector<std::string> &arguments) {
    RunOptions options;
    options.arguments = arguments;
    options.timeout_ms = 60000;
    return run_program(EXOCHECK, "", options);
}

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// One of the fifteen programs' exercise file, in the source tree.
std::string inputs_file(const std::string &program) {
    return std::string(SOURCE_DIR) + "/" + find_program(program)->folder + "/" + program + ".inputs";
}

// Cases enough for every fault below to show, few enough to be quick.
const std::vector<std::string> FEW_CASES = {"--cases", "30"};

// Under qemu-user, which runs the tests of a cross build, each run of a
// program costs tens of milliseconds: there, a check of a few programs
// shows exocheck at work on that machine, and the checks of its judgement,
// which reads bytes and does not depend on the machine, stay native.
#define NATIVE_ONLY() \
    if (emulated()) GTEST_SKIP() << "thousands of emulated runs: checked in the native build"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SANITIZED = true;
#elif defined(__has_feature)
constexpr bool SANITIZED = __has_feature(address_sanitizer);
#else
constexpr bool SANITIZED = false;
#endif

// One candidate checked, and what its report must say.
struct VerdictRow {
    const char *name;
    std::string program, candidate;
    std::vector<std::string> options;
    int status;
    std::string summary;  // a part of the candidate's summary line
    std::string cause;    // the start of the "Piste" line's text; empty: no such line
    std::vector<std::string> shown = {};   // more parts of the report, in this order
    std::vector<std::string> hidden = {};  // parts it must not have
    int at_most_seconds = 0;               // the check's time; 0: not measured
};

const std::string AGREES = "aucune différence.", DIFFERS = "1 différence (arrêt à la première).";

// Each row checked, and also, with `as_exercise`, with the program's own
// file and reference given as a teacher gives theirs.
void check_verdicts(const std::vector<VerdictRow> &rows, bool as_exercise) {
    for (const VerdictRow &row : rows) {
        // A time bound measures the build users run, not one slowed by the sanitizers.
        if (row.at_most_seconds > 0 && SANITIZED) continue;
        std::vector<std::string> arguments = FEW_CASES;
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        // The same verdict from the program's own file and reference, given
        // as a teacher gives theirs, but for the statement's mends: they are
        // exocheck's knowledge of the fifteen, not their file's.
        if (as_exercise) {
            std::vector<std::string> exercise = arguments;
            exercise.insert(exercise.end(), {"--exercice", inputs_file(row.program), "--reference",
                                             program_path(row.program), row.candidate});
            const bool mended = row.summary == "conformes à l'énoncé.";
            const RunResult e = exocheck(exercise);
            EXPECT_TRUE(exited_with(e, mended ? 1 : row.status))
                << row.name << ", as an exercise: " << describe_end(e) << "\n" << e.out << e.err;
            EXPECT_TRUE(has(e.out, mended ? DIFFERS : row.summary)) << row.name << ", as an exercise\n" << e.out;
        }
        arguments.insert(arguments.end(), {row.program, row.candidate});
        const auto start = std::chrono::steady_clock::now();
        const RunResult r = exocheck(arguments);
        const auto took = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
        EXPECT_TRUE(exited_with(r, row.status)) << row.name << ": " << describe_end(r) << "\n" << r.out << r.err;
        EXPECT_TRUE(has(r.out, row.candidate + " : ") && has(r.out, row.summary)) << row.name << "\n" << r.out;
        if (row.cause.empty())
            EXPECT_FALSE(has(r.out, "Piste : ")) << row.name << "\n" << r.out;
        else
            EXPECT_TRUE(has(r.out, "\nPiste : " + row.cause)) << row.name << "\n" << r.out;
        std::size_t at = 0;
        for (const std::string &part : row.shown) {
            at = r.out.find(part, at);
            EXPECT_NE(at, std::string::npos) << row.name << ": " << part << "\n" << r.out;
            if (at == std::string::npos) break;
        }
        for (const std::string &part : row.hidden) EXPECT_FALSE(has(r.out, part)) << row.name << ": " << part << "\n" << r.out;
        if (row.at_most_seconds > 0) {
            EXPECT_LE(took.count(), row.at_most_seconds) << row.name;
        }
        EXPECT_EQ(r.err, "") << row.name;
    }
}

TEST(Exocheck, VerdictsAndLikelyCauses) {
    NATIVE_ONLY();
    const std::vector<VerdictRow> rows = {
        {"correct, with C's assert", "tickup", fixture("tickup_ok"), {}, 0, AGREES, ""},
        {"correct, in shell", "greetjoin", script("verdict_greetjoin.sh"), {}, 0, AGREES, ""},
        // C's assert loses the prompt through a pipe; a person at a terminal sees it.
        {"correct only at a terminal", "quadroots", fixture("quadroots_ok"), {}, 0, AGREES, ""},
        {"the statement's letter", "quadroots", fixture("quadroots_statement"), {}, 0, "conformes à l'énoncé.", ""},
        {"Latin-1", "tickup", fixture("tickup_latin1"), {}, 1, DIFFERS,
         "les accents sont écrits en Latin-1 (ISO-8859-1) et non en UTF-8 : enregistrez le source en UTF-8."},
        // A condition that behaves the same on every case is a difference of its own kind.
        {"condition", "tickup", fixture("tickup_wrong_condition"), {}, 1,
         " 12 différences (12 où une condition est écrite autrement).",
         "condition écrite autrement : « 3 == scanf(\"%d:%d:%d\", &heure, &minute, &seconde) » au lieu de "
         "« scanf(\"%d:%d:%d\", &heure, &minute, &seconde) == 3 », le même comportement sur les "},
        {"function", "tickup", fixture("tickup_wrong_function"), {}, 1, DIFFERS,
         "l'assertion qui échoue est dans la fonction « lire_heure » au lieu de « main »."},
        {"loop", "tickup", fixture("tickup_loop"), {"--timeout", "0.5"}, 1, DIFFERS,
         "le candidat ne s'arrête pas dans la limite de 0,5 s : une boucle sans fin, comme une lecture ratée "
         "répétée ?"},
        {"flood", "tickup", fixture("tickup_flood"), {}, 1, DIFFERS,
         "le candidat écrit plus de 1 Mio : une boucle qui écrit sans fin ?"},
        {"segmentation fault", "tickup", fixture("tickup_segfault"), {}, 1, DIFFERS,
         "le candidat s'arrête : erreur de segmentation (SIGSEGV), un accès hors d'un tableau ou par un pointeur "
         "erroné ?"},
        {"every difference counted, and scored", "tickup", fixture("tickup_latin1"), {"--all"}, 1,
         " différences, 1 erreur distincte ; note ", "les accents"},
    };
    check_verdicts(rows, true);
}

// Each mistake with its own minimal input, which shows the same mistake,
// and the right hint; a loop that costs little; no prompt shown missing.
TEST(Exocheck, EachMistakeItsInputAndHint) {
    NATIVE_ONLY();
    const std::vector<VerdictRow> rows = {
        // A minimal input shows the same mistake: two real roots, a != 0.
        {"swapped roots", "quadroots", fixture("quadroots_swapped"), {}, 1, DIFFERS, "deux valeurs sont échangées",
         {"Entrée minimale", "\n- Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : "
                             "L'equation admet deux solutions reelles distinctes : x1 = "},
         {"nan", "inf"}},
        {"maximum from 0", "barmax", fixture("barmax_from_zero"), {}, 1, DIFFERS,
         "le résultat est 0 là où la référence donne « -1 », la valeur extrême de l'entrée : un maximum ou un minimum qui "
         "part de 0", {" octets à 2) : \"-1\"\n"}},
        {"maximum from 0, every case", "barmax", fixture("barmax_from_zero"), {"--all"}, 1, "1 erreur distincte",
         "le résultat est 0 là où la référence donne « -1 »"},
        // Off by one everywhere but past the largest int, where it wraps: no
        // constant offset, and no maximum from 0 where the result is 0.
        {"maximum plus one", "barmax", fixture("barmax_plus_one"), {"--all"}, 1, "53 différences, 1 erreur distincte",
         "une valeur diffère de 1 : « 1 » au lieu de « 0 »."},
        // Each case costs a short limit, not --timeout, and a single byte loops.
        {"loop on every case", "barmax", fixture("barmax_loop"), {"--all"}, 1, "62 cas, 62 différences, 1 erreur distincte ; note ",
         "le candidat ne s'arrête pas dans la limite de 2 s", {" octets à 1) : \"", "Fin obtenue  : limite de temps dépassée (2 s)"},
         {}, 30},
        {"two mistakes", "tickup", fixture("tickup_two_mistakes"), {"--all"}, 1, "43 différences, 2 erreurs distinctes ; note ",
         "les accents sont écrits en Latin-1",
         {"erreur 1 sur 2, 43 cas, le premier : dialogue du manuel n° 1.", "réduite de 17 octets à 5) : \"0:0:0\"",
          "erreur 2 sur 2, 4 cas, le premier", "\"23:59:59\"", "Piste : les heures ne repassent pas à 00 après 23."}},
        {"condition written otherwise", "tickup", fixture("tickup_condition_otherwise"), {}, 1,
         "65 cas, 6 différences (6 où une condition est écrite autrement).",
         "condition écrite autrement : « *heure >= 0 && *heure < 24 » au lieu de « *heure >= 0 && *heure <= 23 »"},
        {"condition counted apart", "tickup", fixture("tickup_condition_otherwise"), {"--conditions-libres"}, 0,
         "65 cas, aucune différence ; 6 cas où une condition est écrite autrement, comptés à part.",
         "condition écrite autrement"},
        // The prompt C's assert() loses through a pipe is never shown missing.
        {"unflushed prompt, another condition", "quadroots", fixture("quadroots_condition"), {}, 1,
         "(9 où une condition est écrite autrement)", "condition écrite autrement",
         {"Sortie standard : identique.", "(Jugé à un terminal"}, {"\n- Entrer"}},
        // Runs that reach a short limit run again with --timeout.
        {"slow but correct", "tickup", fixture("tickup_slow"), {}, 0, AGREES, ""},
    };
    check_verdicts(rows, false);
}

// A load made for the purpose: processes that spin, and one that forks
// without end, each bounded by an alarm, all gone with the object.
class Load {
public:
    explicit Load(int spinners) {
        for (int i = 0; i <= spinners; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                alarm(60);
                if (i == spinners)
                    for (;;) {  // a fork storm, one child at a time
                        const pid_t child = fork();
                        if (child == 0) _exit(0);
                        if (child > 0) waitpid(child, nullptr, 0);
                    }
                volatile unsigned long spin = 0;
                for (;;) spin = spin + 1;
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~Load() {
        for (const pid_t pid : pids_) kill(pid, SIGKILL);
        for (const pid_t pid : pids_) waitpid(pid, nullptr, 0);
    }
    Load(const Load &) = delete;
    Load &operator=(const Load &) = delete;

private:
    std::vector<pid_t> pids_;
};

// Thirty correct submissions checked on a loaded machine: none too slow.
TEST(Exocheck, ALoadedMachineMakesNoCorrectCandidateTooSlow) {
    NATIVE_ONLY();
    const fs::path dir = fs::temp_directory_path() / ("exocheck-load-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::vector<std::string> arguments = {"--cases", "0", "tickup"};
    for (int i = 0; i < 30; ++i) {
        const fs::path copy = dir / ("mon_tickup_" + std::to_string(i));
        fs::copy_file(fixture("tickup_ok"), copy);
        arguments.push_back(copy.string());
    }
    RunResult r;
    {
        const Load load(4 * static_cast<int>(std::thread::hardware_concurrency()));
        r = exocheck(arguments);
    }
    EXPECT_TRUE(exited_with(r, 0)) << describe_end(r) << "\n" << r.out << r.err;
    std::size_t agree = 0;
    for (std::size_t at = r.out.find(", aucune différence.\n"); at != std::string::npos;
         at = r.out.find(", aucune différence.\n", at + 1))
        ++agree;
    EXPECT_EQ(agree, 30U) << r.out;
    fs::remove_all(dir);
}

TEST(Exocheck, EveryProgramAgreesWithItself) {
    // Emulated, those whose results depend on the machine: byte order,
    // floating point.
    const std::vector<std::string> machine_dependent = {"bytepeek", "quadroots", "ratioscale"};
    for (const ProgramData &program : all_programs()) {
        const std::string name(program.name);
        if (emulated() && std::find(machine_dependent.begin(), machine_dependent.end(), name) == machine_dependent.end())
            continue;
        for (const std::vector<std::string> &exercise :
             {std::vector<std::string>{name}, {"--exercice", inputs_file(name), "--reference", program_path(name)}}) {
            std::vector<std::string> arguments = {"--cases", "20"};
            arguments.insert(arguments.end(), exercise.begin(), exercise.end());
            arguments.push_back(program_path(name));
            const RunResult r = exocheck(arguments);
            EXPECT_TRUE(exited_with(r, 0)) << exercise[0] << ": " << describe_end(r) << "\n" << r.out << r.err;
            EXPECT_TRUE(has(r.out, program_path(name) + " : ") && has(r.out, "aucune différence.")) << name << "\n" << r.out;
        }
    }
}

TEST(Exocheck, CommandLine) {
    NATIVE_ONLY();
    struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string out, err;  // the start of each
    };
    const std::string ok = fixture("tickup_ok");
    const std::vector<Row> rows = {
        {{"--help"}, 0, "Utilisation : exocheck [OPTION]... PROGRAMME CANDIDAT...\n", ""},
        {{"--version"}, 0, "exocheck (petits-calculs) ", ""},
        {{"--cases", "0", "tickup", ok}, 0, "tickup : ", ""},
        {{"tickup", ok, "--cases=0", "--jobs=1", "--seed", "0", "--timeout", "1,5", "--no-sandbox"}, 0, "tickup : ", ""},
        {{}, 2, "", "exocheck: il manque le programme et le candidat\nSaisissez « exocheck --help »"},
        {{"tickup"}, 2, "", "exocheck: il manque le candidat à vérifier, après « tickup »\n"},
        {{"tickupp", ok}, 2, "", "exocheck: programme inconnu « tickupp » ; les programmes sont :\n  barmax, bytepeek,"},
        {{"--cases", "-1", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --cases » : « -1 »"},
        {{"--cases=12x", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --cases » : « 12x »"},
        {{"--jobs", "0", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --jobs » : « 0 »"},
        {{"--timeout", "0", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --timeout » : « 0 »"},
        {{"--timeout", "1.2345", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --timeout »"},
        {{"--cases", "0", "--timeout", "3600", "tickup", ok}, 0, "tickup : ", ""},
        {{"--timeout", "3600.001", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --timeout »"},
        {{"--seed", "18446744073709551616", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --seed »"},
        {{"tickup", ok, "--seed"}, 2, "", "exocheck: l'option « --seed » demande une valeur"},
        {{"--all=yes", "tickup", ok}, 2, "", "exocheck: l'option « --all » ne prend pas de valeur\n"},
        {{"--help=yes"}, 2, "", "exocheck: l'option « --help » ne prend pas de valeur\n"},
        // Names are whole: an abbreviation would change meaning as options are added.
        {{"--al", "tickup", ok}, 2, "", "exocheck: option non reconnue « --al »\n"},
        {{"-x", "tickup", ok}, 2, "", "exocheck: option non reconnue « -x »\n"},
        {{"--format", "xml", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --format » : « xml » ; attendu : text,"},
        {{"--csv-separator", "|", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --csv-separator »"},
        {{"--weight", "latin1=11", "tickup", ok}, 2, "", "exocheck: valeur incorrecte pour « --weight » : « latin1=11 »"},
        {{"--weight", "dialogues=0", "--weight", "boundaries=0", "--weight", "generated=0", "tickup", ok}, 2, "",
         "exocheck: les points des genres de cas"},
        {{"--weights", "/nonexistent", "tickup", ok}, 2, "", "exocheck: impossible de lire le fichier de poids"},
        {{"--file", "x", "tickup", ok}, 2, "", "exocheck: l'option « --file » va avec --class\n"},
        {{"--class", VERDICT_SCRIPTS, "tickup", ok}, 2, "", "exocheck: avec --class, les rendus sont ceux de la classe"},
        {{"--class", "/nonexistent", "tickup"}, 2, "", "exocheck: la classe « /nonexistent » n'est pas un dossier\n"},
        {{"--format", "gradescope", "tickup", ok, ok}, 2, "", "exocheck: --format gradescope note un seul rendu"},
        {{"--reference", ok, ok}, 2, "", "exocheck: l'option « --reference » va avec « --exercice »\n"},
        {{"--exercice", inputs_file("tickup"), ok}, 2, "", "exocheck: il manque le programme de référence de l'exercice"},
        {{"--exercice", inputs_file("tickup"), "--reference", program_path("tickup")}, 2, "",
         "exocheck: il manque le candidat à vérifier\n"},
        {{"--exercice", "/nonexistent.exo", "--reference", ok, ok}, 2, "", "exocheck: /nonexistent.exo : fichier introuvable\n"},
        {{"--exercice", script("verdict_tickup.c"), "--reference", ok, ok}, 2, "",
         "exocheck: " + script("verdict_tickup.c") + ", ligne 1 : champ inconnu « /* »"},
        {{"--exercice", inputs_file("tickup"), "--reference", "./absent", ok}, 2, "",
         "exocheck: le programme de référence ne peut pas être lancé : « ./absent » n'existe pas.\n"},
        // What follows "--" is an operand, even when it looks like an option.
        {{"tickup", "--", "--all"}, 1, "tickup : ", "exocheck: "},
        {{"tickup", "./absent"}, 1, "tickup : ", "exocheck: "},
        {{"tickup", VERDICT_SCRIPTS}, 1, "tickup : ", "exocheck: "},
        // A source is compiled first: this one is a correct tickup.
        {{"--cases", "0", "tickup", script("verdict_tickup.c")}, 0, "tickup : ", ""},
        {{"tickup", script("verdict_missing_interpreter.sh")}, 1, "tickup : ", "exocheck: "},
    };
    for (const Row &row : rows) {
        const RunResult r = exocheck(row.arguments);
        const std::string shown = row.arguments.empty() ? "(none)" : row.arguments[0];
        EXPECT_TRUE(exited_with(r, row.status)) << shown << ": " << describe_end(r) << "\n" << r.err;
        EXPECT_TRUE(r.out.starts_with(row.out)) << shown << ":\n" << r.out;
        EXPECT_TRUE(r.err.starts_with(row.err)) << shown << ":\n" << r.err;
        // A candidate that cannot run is named on standard error and in its summary.
        const std::string &last = row.arguments.empty() ? shown : row.arguments.back();
        if (row.status == 1) {
            EXPECT_TRUE(has(r.err, last)) << r.err;
            EXPECT_TRUE(has(r.out, last + " : non vérifié, impossible à lancer.\n")) << r.out;
        }
    }
}

// Two exercises of teachers: each faulty learner's solution is found, each
// correct one passes; the exercise's own options hold unless the command
// line overrides them.
TEST(Exocheck, ATeachersOwnExercise) {
    NATIVE_ONLY();
    struct Row {
        std::string exercise, candidate;
        std::vector<std::string> options;
        int status;
        std::string header;  // a part of the report's first line
    };
    const std::vector<Row> rows = {
        {"somme", "somme_ok", {}, 0, "somme : 1012 cas (12 cas limites, 1000 cas générés, graine 1)."},
        {"somme", "somme_entiers", {}, 1, ""},
        {"somme", "somme_pluriel", {}, 1, ""},
        {"somme", "somme_une_decimale", {}, 1, ""},
        {"somme", "somme_erreur_ignoree", {}, 1, ""},
        {"mots", "mots_ok", {}, 0, "mots : 310 cas (10 cas limites, 300 cas générés, graine 1)."},
        {"mots", "mots_ok", {"--cases", "20"}, 0, "mots : 30 cas"},
        {"mots", "mots_espaces", {}, 1, ""},
        {"mots", "mots_sans_tabulation", {}, 1, ""},
        {"mots", "mots_toute_l_entree", {}, 1, ""},
        {"mots", "mots_zero_mots", {}, 1, ""},
        // Its file's time limit, 1 s, as the likely cause says it.
        {"mots", "tickup_loop", {"--cases", "0"}, 1, "la limite de 1 s"},
    };
    for (const Row &row : rows) {
        std::vector<std::string> arguments = {"--exercice", std::string(EXERCISES) + "/" + row.exercise + ".exo",
                                              "--reference", fixture(row.exercise + "_reference")};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        arguments.push_back(fixture(row.candidate));
        const RunResult r = exocheck(arguments);
        EXPECT_TRUE(exited_with(r, row.status)) << row.candidate << ": " << describe_end(r) << "\n" << r.out << r.err;
        EXPECT_TRUE(has(r.out, row.header)) << row.candidate << "\n" << r.out;
        EXPECT_TRUE(has(r.out, row.status == 0 ? "aucune différence." : "1 différence (arrêt à la première).")) << r.out;
        EXPECT_EQ(r.err, "") << row.candidate;
    }
}

TEST(Exocheck, SeveralCandidatesEachSummedUp) {
    const RunResult r = exocheck({"--cases", "10", "tickup", fixture("tickup_ok"), fixture("tickup_latin1"), "./absent"});
    EXPECT_TRUE(exited_with(r, 1)) << describe_end(r);
    const std::size_t ok = r.out.find(fixture("tickup_ok") + " : "), latin1 = r.out.find(fixture("tickup_latin1") + " : "),
                      absent = r.out.find("./absent : non vérifié");
    EXPECT_TRUE(ok < latin1 && latin1 < absent && absent != std::string::npos) << r.out;
    EXPECT_TRUE(has(r.out, "\n" + fixture("tickup_latin1") + ", première différence : dialogue du manuel n° 1.\n")) << r.out;
}

// The first difference is the lowest-numbered case and every count is the
// same whatever the number of jobs running cases at once.
TEST(Exocheck, SameReportWhateverTheJobs) {
    NATIVE_ONLY();
    for (const std::vector<std::string> &mode : std::vector<std::vector<std::string>>{{}, {"--all"}}) {
        std::vector<std::string> arguments = {"--cases", "200", "tickup", fixture("tickup_segfault")};
        arguments.insert(arguments.end(), mode.begin(), mode.end());
        arguments.insert(arguments.end(), {"--jobs", "1"});
        const RunResult one = exocheck(arguments);
        arguments.back() = "4";
        const RunResult four = exocheck(arguments);
        EXPECT_TRUE(exited_with(one, 1)) << one.out;
        EXPECT_EQ(one.out, four.out);
    }
}

TEST(Exocheck, JsonParsesWhateverTheBytes) {
    NATIVE_ONLY();
    const RunResult r = exocheck({"--json", "--cases", "10", "--seed", "7", "tickup", fixture("tickup_latin1"),
                                  fixture("tickup_ok"), fixture("tickup_flood")});
    const RunResult statement = exocheck({"--json", "--cases", "30", "quadroots", fixture("quadroots_statement")});
    EXPECT_TRUE(exited_with(r, 1)) << describe_end(r);
    EXPECT_TRUE(exited_with(statement, 0)) << describe_end(statement);
    RunOptions options;
    options.arguments = {"-c",
                         "import json, sys\n"
                         "d = json.load(sys.stdin)\n"
                         "import re\n"
                         "assert re.fullmatch(r'\\d+\\.\\d+\\.\\d+', d['exocheck_version'])\n"
                         "assert re.fullmatch(r'\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ', d['checked_at'])\n"
                         "for c in d['candidates']:\n"
                         "    f = c['first_difference'] or {'obtained': {'ending': {'kind': '-'}}}\n"
                         "    m = c['mistakes'][0] if c['mistakes'] else {'cause_code': '-', 'cases': 0}\n"
                         "    print(d['program'], d['seed'], d['cases']['generated'], c['program'], c['verdict'],\n"
                         "          c['cases_run'] > 0, 0 < c['follows_statement'] <= c['cases_run'],\n"
                         "          'stdout_base64' in f['obtained'], f['obtained']['ending']['kind'],\n"
                         "          len(c['mistakes']), m['cause_code'], m['cases'], m.get('minimal_input') == f.get('input'),\n"
                         "          m.get('reproduce') == f.get('reproduce'))\n"};
    const RunResult parsed = run_program("python3", r.out, options);
    EXPECT_EQ(parsed.err, "") << r.out;
    EXPECT_EQ(parsed.out, "tickup 7 10 tickup differ True False True exit 1 latin1-accents 1 True True\n"
                          "tickup 7 10 tickup agree True False False - 0 - 0 True True\n"
                          "tickup 7 10 tickup differ True False False output_too_long 1 output-too-long 1 True True\n");
    const RunResult follows = run_program("python3", statement.out, options);
    EXPECT_EQ(follows.err, "") << statement.out;
    EXPECT_EQ(follows.out, "quadroots 1 30 quadroots follows_statement True True False - 0 - 0 True True\n");
    // With --all, every mistake with its count, its own minimal input and both runs.
    const RunResult all = exocheck({"--json", "--all", "--cases", "30", "tickup", fixture("tickup_two_mistakes")});
    options.arguments = {"-c",
                         "import json, sys\n"
                         "c = json.load(sys.stdin)['candidates'][0]\n"
                         "for m in c['mistakes']:\n"
                         "    print(m['cause_code'], m['cases'], m['case']['name'], repr(m['minimal_input']),\n"
                         "          m['expected']['ending']['kind'], m['obtained']['ending']['kind'], m['reproduce'][:6])\n"};
    const RunResult mistakes = run_program("python3", all.out, options);
    EXPECT_EQ(mistakes.err, "") << all.out;
    EXPECT_EQ(mistakes.out, "latin1-accents 43 dialogue du manuel n° 1 '0:0:0' exit exit printf\n"
                            "no-midnight-wrap 4 dialogue du manuel n° 2 '23:59:59' exit exit printf\n");
}

// A class folder with a learner of each kind: correct, two with the same
// mistake (one named eleve-10, after eleve-2), one with another, one who
// handed in nothing, a hidden folder to skip, and a list of the learners
// with one more who has no folder.
fs::path make_class(const std::string &tag) {
    const fs::path root = fs::temp_directory_path() / ("exocheck-class-" + tag + "-" + std::to_string(getpid()));
    fs::remove_all(root);
    const std::vector<std::pair<std::string, std::string>> learners = {
        {"eleve-1", "tickup_ok"}, {"eleve-2", "tickup_no_midnight_wrap"}, {"eleve-10", "tickup_no_midnight_wrap"},
        {"eleve-3", "tickup_latin1"}, {"eleve-4", ""}, {".git", ""}};
    for (const auto &[learner, program] : learners) {
        fs::create_directories(root / "eleves" / learner);
        if (!program.empty()) fs::copy_file(fixture(program), root / "eleves" / learner / "tickup");
    }
    std::ofstream(root / "liste") << "# groupe A\neleve-1\neleve-2\n eleve-3 \neleve-4\neleve-10\neleve-99\n";
    return root;
}

TEST(Exocheck, AClassAsAWhole) {
    NATIVE_ONLY();
    const fs::path root = make_class("whole");
    std::ofstream(root / "eleves" / "consignes.txt") << "À rendre lundi.\n";  // a file, not a learner's folder
    const std::string eleves = (root / "eleves").string(), liste = (root / "liste").string();
    const RunResult text = exocheck({"--cases", "30", "--class", eleves, "--learners", liste, "tickup"});
    EXPECT_TRUE(exited_with(text, 1)) << describe_end(text) << text.err;
    EXPECT_EQ(text.err, "");
    const std::vector<std::string> lines = {
        "Classe " + eleves + " : 6 élèves, chacun nommé par son dossier.\n",
        "eleve-1 : 65 cas, aucune différence ; note 20/20.\n", "eleve-2 : 65 cas, ",
        "eleve-3 : 65 cas, ", "eleve-4 : rien rendu (aucun fichier tickup dans " + eleves + "/eleve-4) ; note 0/20.\n",
        "eleve-10 : 65 cas, ", "eleve-99 : rien rendu (pas de dossier eleve-99 dans " + eleves + ") ; note 0/20.\n",
        "Bilan : 6 rendus ; 1 sans différence, 3 différents, 2 rien rendu.\n",
        "\nErreurs communes, par cause et entrée minimale :\n- 2 rendus, entrée \"23:59:59\"",
        "  les heures ne repassent pas à 00 après 23.\n  eleve-2, eleve-10.\n- 1 rendu, entrée ",
        "\neleve-2 (" + eleves + "/eleve-2/tickup), erreur 1 sur 1, "};
    std::size_t at = 0;
    for (const std::string &line : lines) {
        const std::size_t found = text.out.find(line, at);
        EXPECT_NE(found, std::string::npos) << line << "\nin:\n" << text.out;
        if (found != std::string::npos) at = found + line.size();
    }
    // Without a list, the folders in natural order; the JSON's groups.
    const RunResult json = exocheck({"--cases", "30", "--class", eleves, "--json", "tickup"});
    RunOptions options;
    options.arguments = {"-c", "import json, sys\n"
                               "d = json.load(sys.stdin)\n"
                               "print([(c['name'], c['verdict'], c['score']['out_of_20']) for c in d['candidates']])\n"
                               "print(d['summary'], [(g['size'], g['submissions']) for g in d['groups']])\n"};
    const RunResult parsed = run_program("python3", json.out, options);
    EXPECT_EQ(parsed.out, "[('eleve-1', 'agree', 20), ('eleve-2', 'differ', 15.6), ('eleve-3', 'differ', 7.1), "
                          "('eleve-4', 'not_handed_in', 0), ('eleve-10', 'differ', 15.6)]\n"
                          "{'submissions': 5, 'agree': 1, 'follows_statement': 0, 'differ': 3, 'memory_errors': 0, "
                          "'cannot_run': 0, 'does_not_compile': 0, 'not_handed_in': 1} "
                          "[(2, ['eleve-2', 'eleve-10']), (1, ['eleve-3'])]\n")
        << parsed.err << json.out;
    fs::remove_all(root);
}

// The manual's recipe for a class spread over several machines: GNU
// parallel runs a part of the class on each (here, local jobs), and the CSV
// reports merged are the CSV of the whole class.
TEST(Exocheck, AClassSpreadWithGnuParallel) {
    NATIVE_ONLY();
    const fs::path root = make_class("parallel");
    const fs::path recipe = root / "recipe";
    std::ofstream(recipe) << "cd " << root << " || exit 2\n"
                          << "ls eleves > liste && split -n r/2 liste partie-\n"
                          << "parallel --will-cite -k -S 2/: " << EXOCHECK
                          << " --cases 30 --format csv --class eleves --learners {} tickup ::: partie-* > parties.csv\n"
                          << "awk 'NR == 1 || !/^name,path,/' parties.csv > classe.csv\n"
                          << EXOCHECK << " --cases 30 --format csv --class eleves tickup > seule.csv\n"
                          << "python3 -c 'import csv, sys\n"
                          << "rows = lambda name: sorted(map(tuple, csv.reader(open(name, newline=\"\"))))\n"
                          << "print(len(rows(\"classe.csv\")), rows(\"classe.csv\") == rows(\"seule.csv\"))'\n";
    RunOptions options;
    options.arguments = {recipe.string()};
    options.timeout_ms = 120000;
    const RunResult r = run_program("/bin/sh", "", options);
    EXPECT_EQ(r.out, "6 True\n") << r.err;
    fs::remove_all(root);
}

// The reference is found beside exocheck, as built or as installed, never
// through PATH, even for a candidate of the same name.
TEST(Exocheck, ReferencesBesideExocheckNeverThroughPath) {
    NATIVE_ONLY();
    const fs::path root = fs::temp_directory_path() / ("exocheck-layout-" + std::to_string(getpid()));
    const auto put = [&](const fs::path &to, const std::string &from, bool executable) {
        fs::create_directories((root / to).parent_path());
        if (from.starts_with("/"))
            fs::copy_file(from, root / to, fs::copy_options::overwrite_existing);
        else
            std::ofstream(root / to) << from;
        fs::permissions(root / to, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    };
    const std::string wrong = "#!/bin/sh\necho faux\n";  // an executable that is no tickup
    struct Row {
        const char *name;
        std::vector<std::pair<std::string, std::string>> files;  // path under root, and a file to copy or a script
        int status;
        std::string out, err;  // the start of each
    };
    const std::string tickup = program_path("tickup");
    const std::vector<Row> rows = {
        {"installed", {{"bin/tickup", tickup}}, 0, "tickup : ", ""},
        {"built", {{"clock/tickup", tickup}, {"bin/tickup", wrong}}, 0, "tickup : ", ""},
        // A file there that is not executable is no reference.
        {"built, not executable", {{"clock/tickup", "not a program"}, {"bin/tickup", tickup}}, 0, "tickup : ", ""},
        {"missing", {}, 2, "", "exocheck: programme de référence tickup introuvable"},
    };
    const char *old_path = std::getenv("PATH");
    const std::string path = (root / "path").string() + ":" + (old_path == nullptr ? "/usr/bin:/bin" : old_path);
    setenv("PATH", path.c_str(), 1);
    for (const Row &row : rows) {
        fs::remove_all(root);
        put("bin/exocheck", EXOCHECK, true);
        put("path/tickup", wrong, true);
        put("candidate/tickup", tickup, true);
        for (const auto &[to, from] : row.files) put(to, from, from != "not a program");
        RunOptions options;
        options.arguments = {"--cases", "10", "tickup", (root / "candidate/tickup").string()};
        const RunResult r = run_program((root / "bin/exocheck").string(), "", options);
        EXPECT_TRUE(exited_with(r, row.status)) << row.name << ": " << describe_end(r) << "\n" << r.out << r.err;
        EXPECT_TRUE(r.out.starts_with(row.out) && (row.status != 0 || has(r.out, "aucune différence.")))
            << row.name << ":\n" << r.out;
        EXPECT_TRUE(r.err.starts_with(row.err)) << row.name << ":\n" << r.err;
    }
    setenv("PATH", old_path == nullptr ? "/usr/bin:/bin" : old_path, 1);
    fs::remove_all(root);
}

// Where bwrap cannot start a sandbox: one's own program runs unconfined with
// a warning that says why; several candidates are refused, in one line,
// unless --no-sandbox asks for it.
TEST(Exocheck, WithoutASandboxSeveralCandidatesAreRefused) {
    NATIVE_ONLY();
    const fs::path fake = fs::temp_directory_path() / ("exocheck-fake-bwrap-" + std::to_string(getpid()));
    fs::create_directories(fake);
    std::ofstream(fake / "bwrap") << "#!/bin/sh\necho 'bwrap: No permissions to create new namespace' >&2\nexit 1\n";
    fs::permissions(fake, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);  // root starts bwrap as nobody
    fs::permissions(fake / "bwrap", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    const char *old_path = std::getenv("PATH");
    setenv("PATH", (fake.string() + ":" + (old_path == nullptr ? "/usr/bin:/bin" : old_path)).c_str(), 1);
    const std::string ok = fixture("tickup_ok"), why = "exocheck: bac à sable bubblewrap indisponible : "
                                                      "bwrap: No permissions to create new namespace : ";
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> rows = {
        {{"tickup", ok}, 0, why + "le candidat s'exécute sans isolement.\n"},
        {{"tickup", ok, ok}, 2,
         why + "plusieurs candidats ne s'exécutent pas sans isolement (--no-sandbox les exécute sans bac à sable).\n"},
        {{"--no-sandbox", "tickup", ok, ok}, 0, ""},
    };
    for (const auto &[arguments, status, err] : rows) {
        std::vector<std::string> with_cases = {"--cases", "5"};
        with_cases.insert(with_cases.end(), arguments.begin(), arguments.end());
        const RunResult r = exocheck(with_cases);
        EXPECT_TRUE(exited_with(r, status)) << arguments.size() << ": " << describe_end(r) << "\n" << r.err;
        EXPECT_EQ(r.err, err);
    }
    setenv("PATH", old_path == nullptr ? "/usr/bin:/bin" : old_path, 1);
    fs::remove_all(fake);
}

// A submission that looks for the reference, where the installed layout
// puts it (beside exocheck), in the build tree, and in the system's
// folders, runs it if it finds it: it would then agree on every case. In
// the sandbox it finds nothing; unconfined (--no-sandbox) it cheats, which
// shows it works.
TEST(Exocheck, ASubmissionFindsNoReferenceToRun) {
    NATIVE_ONLY();
    if (std::system("bwrap --ro-bind / / --unshare-all true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sandbox here";
    const fs::path build = fs::path(EXOCHECK).parent_path().parent_path();
    const fs::path prefix = build / ("exocheck-installed-" + std::to_string(getpid()));
    ASSERT_EQ(std::system(("cmake --install '" + build.string() + "' --prefix '" + prefix.string() + "' >/dev/null").c_str()), 0);
    const fs::path cheat = prefix / "triche.sh";
    std::ofstream(cheat) << "#!/bin/sh\n"
                         << "for r in '" << (prefix / "bin/tickup").string() << "' '" << program_path("tickup")
                         << "' /usr/bin/tickup /usr/local/bin/tickup; do\n"
                         << "  [ -x \"$r\" ] && exec \"$r\"\n"
                         << "done\necho rien\n";
    fs::permissions(cheat, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read |
                               fs::perms::group_exec | fs::perms::others_exec);
    for (const auto &[mode, status] : {std::pair{"--no-sandbox", 0}, std::pair{"", 1}}) {
        // A reference built with AddressSanitizer cannot start under a plain
        // program's address-space limit: unconfined, the cheat shows nothing.
        if (SANITIZED && status == 0) continue;
        RunOptions options;
        options.arguments = {"--cases", "10", "tickup", cheat.string()};
        if (*mode != '\0') options.arguments.insert(options.arguments.begin(), mode);
        options.timeout_ms = 60000;
        const RunResult r = run_program((prefix / "bin/exocheck").string(), "", options);
        EXPECT_TRUE(exited_with(r, status)) << mode << ": " << describe_end(r) << "\n" << r.out << r.err;
    }
    fs::remove_all(prefix);
}

// Driven from a real pseudo-terminal, as a teacher runs it: a submission
// that writes on the terminal or pushes keys into it (TIOCSTI), through
// /dev/tty or its worker's standard error, reaches it only unconfined.
TEST(Exocheck, ASubmissionNeitherWritesOnNorTypesIntoTheTerminal) {
    NATIVE_ONLY();
    if (std::system("bwrap --ro-bind / / --unshare-all true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sandbox here";
    const fs::path dir = fs::temp_directory_path() / ("exocheck-tty-" + std::to_string(getpid()));
    fs::create_directories(dir);
    for (const auto &[mode, reached] : {std::pair{"--no-sandbox", true}, std::pair{"", false}}) {
        const fs::path run = dir / "run";
        // What the terminal has in its input afterwards is read back.
        std::ofstream(run) << "#!/bin/sh\n" << EXOCHECK << " " << mode << " --cases 0 greetjoin " << CONFINE_BUILT
                           << "/confine-tty\necho FIN\nread -t 1 line\necho \"LU:$line:\"\n";
        fs::permissions(run, fs::perms::owner_all);
        Terminal terminal(run.string());
        EXPECT_TRUE(terminal.wait_for("LU:", 20000)) << terminal.screen();
        terminal.finish(5000);
        const std::string &screen = terminal.screen();
        EXPECT_EQ(has(screen, "INJECTED"), reached) << mode << "\n" << screen;
        if (!reached) {
            EXPECT_TRUE(has(screen, "LU::")) << screen;
            EXPECT_FALSE(has(screen, "PWNED")) << screen;
        }
    }
    fs::remove_all(dir);
}

// --- Nothing left behind -------------------------------------------------

// Waits for `pid` at most `seconds`; its wait status, or -1.
int wait_at_most(pid_t pid, int seconds) {
    for (int waited = 0; waited < seconds * 100; ++waited) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(Exocheck, InterruptLeavesNothingBehind) {
    // Orphans come back to this test, so that none can hide from it; qemu-user,
    // which runs the tests of a cross build, refuses that (and this test
    // starts exocheck itself, as a shell would).
    if (emulated()) GTEST_SKIP() << "qemu-user cannot make this test a subreaper";
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    // A source's compiler that takes its time (20 s), unconfined: what it
    // starts (sleep) is no child of exocheck's.
    const fs::path slow = fs::temp_directory_path() / ("exocheck-slow-cc-" + std::to_string(getpid()));
    fs::create_directories(slow);
    std::ofstream(slow / "cc") << "#!/bin/sh\nsleep 20\nexit 1\n";
    fs::permissions(slow / "cc", fs::perms::owner_all);
    const std::vector<std::string> looping = {"--timeout", "20", "--jobs", "2", "tickup", fixture("tickup_loop")};
    const std::vector<std::string> compiling = {"--no-sandbox", "--exercice", std::string(EXERCISES) + "/somme.exo",
                                                "--reference", fixture("somme_reference"),
                                                std::string(EXERCISES) + "/somme_eleve.c"};
    struct Row {
        int signal, status;
        std::vector<std::string> arguments;
        std::string awaited;  // interrupted once this command runs
    };
    for (const Row &row : {Row{SIGINT, 130, looping, "tickup_loop"}, Row{SIGTERM, 143, looping, "tickup_loop"},
                           Row{SIGINT, 130, compiling, "sleep"}}) {
        const int signal = row.signal, status = row.status;
        const fs::path temporary = fs::temp_directory_path() / ("exocheck-interrupt-" + std::to_string(getpid()));
        fs::create_directories(temporary);
        ProcessSetup setup;
        setup.command = {EXOCHECK};
        setup.command.insert(setup.command.end(), row.arguments.begin(), row.arguments.end());
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        // Nothing is said once interrupted: no report of runs cut short.
        const fs::path said = slow / "dit";
        const int out = open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        setup.descriptors = {null, out, out};
        setup.environment.emplace();
        for (char **e = environ; *e != nullptr; ++e)
            if (!std::string_view(*e).starts_with("TMPDIR=") && !std::string_view(*e).starts_with("PATH="))
                setup.environment->emplace_back(*e);
        setup.environment->push_back("TMPDIR=" + temporary.string());
        setup.environment->push_back("PATH=" + slow.string() + ":" + std::getenv("PATH"));
        const Started started = start_process(setup);
        close(null);
        close(out);
        ASSERT_TRUE(started) << started.describe();
        const pid_t pid = started.pid;

        bool awaited = false;
        for (int tries = 0; tries < 1000 && !awaited; ++tries) {
            for (pid_t p : descendants(pid)) awaited = awaited || command_of(p) == row.awaited;
            if (!awaited) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(awaited) << row.awaited;
        kill(pid, signal);
        const int ended = wait_at_most(pid, 10);
        EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == status) << strsignal(signal) << ": " << ended;

        std::vector<pid_t> left;
        for (int tries = 0; tries < 200; ++tries) {
            while (waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            left = descendants(getpid());
            if (left.empty()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (pid_t p : left) {
            ADD_FAILURE() << strsignal(signal) << ": left running: " << p << " " << command_of(p);
            kill(p, SIGKILL);
        }
        EXPECT_TRUE(fs::is_empty(temporary)) << temporary << " " << row.awaited;
        std::ostringstream text;
        text << std::ifstream(said).rdbuf();
        EXPECT_EQ(text.str(), "") << row.awaited;
        fs::remove_all(temporary);
    }
    fs::remove_all(slow);
}

// --memoire on a learner's digittally, in C and C++, given as sources or
// built as programs: each memory fault found with its kind, at its line,
// on a minimal input, though the output agrees; the correct ones raise
// nothing. Checked as a teacher's exercise of few cases, since each costs a
// run under Valgrind.
struct MemoryRow {
    const char *name;
    std::string candidate;
    std::string verdict;
    // Each error, then each warning, as "kind-code:line:input" (the input
    // as Python's repr writes it); "*" for an input left unchecked, "#11"
    // for one of 11 numbers.
    std::vector<std::string> errors, warnings;
};

std::string memory_source(const std::string &name) { return std::string(MEMORY_SOURCES) + "/" + name; }

// The line of the memory fixture's source that holds `text`.
std::string line_of(const std::string &text) {
    std::ifstream in(script("memory_digittally.c"));
    int n = 1;
    for (std::string line; std::getline(in, line); ++n)
        if (has(line, text)) return std::to_string(n);
    return "?";
}

// exocheck --memoire on the rows' candidates at once; each row's verdict,
// errors and warnings as the JSON gives them.
void check_memory(const std::vector<MemoryRow> &rows, int status) {
    std::vector<std::string> arguments = {"--json", "--memoire", "--exercice", std::string(EXERCISES) + "/chiffres.exo",
                                          "--reference", program_path("digittally")};
    for (const MemoryRow &row : rows) arguments.push_back(row.candidate);
    const RunResult r = exocheck(arguments);
    EXPECT_TRUE(exited_with(r, status)) << describe_end(r) << "\n" << r.out << r.err;
    RunOptions options;
    options.arguments = {"-c",
                         "import json, sys\n"
                         "for c in json.load(sys.stdin)['candidates']:\n"
                         "    m = c['memory'] or {'errors': [], 'warnings': []}\n"
                         "    show = lambda f: '%s:%s:%r' % (f['kind_code'], f['line'], f['minimal_input'])\n"
                         "    print(c['verdict'])\n"
                         "    print('\\t'.join(show(f) for f in m['errors']))\n"
                         "    print('\\t'.join(show(f) for f in m['warnings']))\n"
                         "    b = c['build'] or {}\n"
                         "    print(([l for l in b.get('messages', '').split('\\n') if ': error: ' in l] + [''])[0])\n"};
    const RunResult parsed = run_program("python3", r.out, options);
    ASSERT_EQ(parsed.err, "") << r.out;
    std::istringstream lines(parsed.out);
    for (const MemoryRow &row : rows) {
        std::string verdict, errors, warnings, compile_error;
        std::getline(lines, verdict);
        std::getline(lines, errors);
        std::getline(lines, warnings);
        std::getline(lines, compile_error);
        EXPECT_EQ(verdict, row.verdict) << row.name << "\n" << r.out;
        const auto matches = [](const std::string &got, const std::vector<std::string> &wanted) {
            std::istringstream fields(got);
            std::vector<std::string> found;
            for (std::string f; std::getline(fields, f, '\t');) found.push_back(f);
            if (found.size() != wanted.size()) return false;
            for (std::size_t i = 0; i < found.size(); ++i) {
                const std::size_t colon = wanted[i].rfind(':');
                const std::string place = wanted[i].substr(0, colon + 1), input = wanted[i].substr(colon + 1);
                if (!found[i].starts_with(place)) return false;
                std::string numbers = found[i].substr(place.size());
                std::ranges::replace(numbers, '\'', ' ');
                if (const std::size_t newline = numbers.find("\\n"); newline != std::string::npos) numbers.erase(newline, 2);
                std::istringstream words(numbers);
                const auto count = std::distance(std::istream_iterator<std::string>(words), {});
                if (input != "*" && found[i] != wanted[i] && !(input == "#11" && count == 11)) return false;
            }
            return true;
        };
        EXPECT_TRUE(matches(errors, row.errors)) << row.name << ": " << errors << "\n" << r.out;
        EXPECT_TRUE(matches(warnings, row.warnings)) << row.name << ": " << warnings << "\n" << r.out;
        if (row.verdict == "does_not_compile") {
            EXPECT_TRUE(has(compile_error, "erreur_de_syntaxe.c:" + line_of("faute : ERREUR_DE_SYNTAXE") + ":"))
                << compile_error;
        }
    }
}

TEST(Exocheck, MemoryFaultsOfSources) {
    NATIVE_ONLY();
    // Each on the smallest input that shows it: no number at all, one, or
    // the 11 that make the double free (their digits shrunk as time allows).
    check_memory({{"read past the end", memory_source("lecture_hors_tableau.c"), "memory_errors",
                   {"read-out-of-bounds:" + line_of("faute : LECTURE_HORS_TABLEAU") + ":''"}, {}},
                  {"uninitialised", memory_source("non_initialise.c"), "memory_errors",
                   {"uninitialised:" + line_of("faute : NON_INITIALISE") + ":''"}, {}},
                  {"use after free", memory_source("apres_liberation.c"), "memory_errors",
                   {"use-after-free:" + line_of("faute : APRES_LIBERATION") + ":'0'"}, {}},
                  {"double free", memory_source("double_liberation.c"), "memory_errors",
                   {"double-free:" + line_of("faute : DOUBLE_LIBERATION") + ":#11"}, {}},
                  {"leak", memory_source("fuite.c"), "agree", {}, {"leak:" + line_of("int *compte = malloc") + ":''"}}},
                 1);
}

TEST(Exocheck, SourcesThatAreRightRaiseNothing) {
    NATIVE_ONLY();
    check_memory({{"C", memory_source("correct.c"), "agree", {}, {}},
                  {"C with assert", memory_source("avec_assert.c"), "agree", {}, {}},
                  {"C with the maths library", memory_source("avec_libm.c"), "agree", {}, {}},
                  {"C++", memory_source("cpp_correct.cpp"), "agree", {}, {}},
                  {"C++ with assert", memory_source("cpp_avec_assert.cc"), "agree", {}, {}},
                  {"a syntax error", memory_source("erreur_de_syntaxe.c"), "does_not_compile", {}, {}}},
                 2);
}

TEST(Exocheck, MemoryFaultsOfPrograms) {
    NATIVE_ONLY();
    // Under Valgrind, which sees a double free's block as leaked too; and a
    // program built with AddressSanitizer, read from its own reports.
    check_memory({{"correct", fixture("memory_correct"), "agree", {}, {}},
                  {"read past the end", fixture("memory_lecture_hors_tableau"), "memory_errors",
                   {"read-out-of-bounds:" + line_of("faute : LECTURE_HORS_TABLEAU") + ":''"}, {}},
                  {"uninitialised", fixture("memory_non_initialise"), "memory_errors",
                   {"uninitialised:" + line_of("faute : NON_INITIALISE") + ":''"}, {}},
                  {"double free", fixture("memory_double_liberation"), "memory_errors",
                   {"double-free:" + line_of("faute : DOUBLE_LIBERATION") + ":*"}, {"leak:*"}},
                  // Its own report makes its runs differ too.
                  {"built with AddressSanitizer", fixture("memory_apres_liberation_asan"), "differ",
                   {"use-after-free:" + line_of("faute : APRES_LIBERATION") + ":'0'"}, {}}},
                 1);
}

bool sandbox_here() { return std::system("bwrap --ro-bind / / --unshare-all true >/dev/null 2>&1") == 0; }

// Without a Valgrind that a run can start (none at all, one outside the
// system's folders, which the sandbox does not show, or one under an
// emulator), --memoire says so before anything runs.
TEST(Exocheck, MemoryNeedsValgrind) {
    NATIVE_ONLY();
    const fs::path own = fs::temp_directory_path() / ("exocheck-own-valgrind-" + std::to_string(getpid()));
    fs::create_directories(own);
    std::ofstream(own / "valgrind") << "#!/bin/sh\nexit 1\n";
    fs::permissions(own / "valgrind", fs::perms::owner_all);
    // Each row: a variable of the environment, and what exocheck says.
    std::vector<std::pair<std::string, std::string>> rows = {
        {"PATH=/nonexistent",
         "--memoire demande Valgrind, absent de cette machine : installez-le (sudo apt-get install valgrind)"},
        {"PETITS_EMULATOR=qemu-aarch64", "--memoire ne fonctionne pas sous un émulateur (PETITS_EMULATOR)"}};
    if (sandbox_here())
        rows.emplace_back("PATH=" + own.string() + ":" + std::getenv("PATH"),
                          "--memoire : Valgrind (" + (own / "valgrind").string() +
                              ") est hors de /usr, que le bac à sable ne montre pas : installez celui du système "
                              "(sudo apt-get install valgrind)");
    for (const auto &[variable, said] : rows) {
        RunOptions options;
        options.arguments = {"-c", "export \"$2\"; exec \"$0\" --memoire tickup \"$1\"", EXOCHECK, fixture("tickup_ok"),
                             variable};
        const RunResult r = run_program("/bin/sh", "", options);
        EXPECT_TRUE(exited_with(r, 2)) << describe_end(r) << "\n" << r.out << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "exocheck: " + said + "\n");
    }
    fs::remove_all(own);
}

// The compiler of a source is confined like a candidate: it sees the source
// alone, neither a file beside it nor the teacher's solution elsewhere on
// the machine, which a learner's source could otherwise include whole. It
// is started under the name PATH finds it by, from a folder the sandbox
// shows. None leaves a file in TMPDIR.
TEST(Exocheck, ACompilerSeesTheSourceAlone) {
    NATIVE_ONLY();
    if (!sandbox_here()) GTEST_SKIP() << "no sandbox here";
    const fs::path dir = fs::temp_directory_path() / ("exocheck-compiler-" + std::to_string(getpid()));
    // TMPDIR outside /tmp, in a folder the sandbox does not show.
    const fs::path tmp = fs::path(VERDICT_PROGRAMS) / ("tmp-" + std::to_string(getpid()));
    fs::create_directories(tmp);
    fs::create_directories(dir / "lien");
    fs::create_directories(dir / "propre");
    std::ofstream(dir / "voisin.h") << "int voisin(void);\n";
    std::ofstream(dir / "voisin.c") << "#include \"voisin.h\"\nint main(void) { return 0; }\n";
    std::ofstream(dir / "tricheur.c") << "#include \"" << EXERCISES << "/somme.c\"\n";
    fs::copy_file(std::string(EXERCISES) + "/somme.c", dir / "somme.c");
    // Links only with the C++ library: clang++ started as clang would not.
    std::ofstream(dir / "somme.cpp") << "#include <iostream>\nstatic const bool linked = bool(std::cout);\n"
                                     << std::ifstream(std::string(EXERCISES) + "/somme.c").rdbuf();
    fs::create_symlink("/usr/bin/clang++", dir / "lien" / "c++");
    std::ofstream(dir / "propre" / "cc") << "#!/bin/sh\nexit 1\n";
    fs::permissions(dir / "propre" / "cc", fs::perms::owner_all);
    const std::vector<std::string> somme = {"--cases", "30", "--exercice", std::string(EXERCISES) + "/somme.exo",
                                            "--reference", fixture("somme_reference")};
    struct Row {
        std::string source, path;  // PATH, when another
        int status;
        std::vector<std::string> said;  // in its output or its errors
    };
    std::vector<Row> rows = {
        {"somme.c", "", 0, {"aucune différence"}},
        {"voisin.c", "", 2, {" : ne compile pas.\n", "No such file or directory"}},
        {"tricheur.c", "", 2, {" : ne compile pas.\n", "No such file or directory"}},
        {"somme.c", "PATH=" + (dir / "propre").string() + ":\"$PATH\"", 1,
         {"le compilateur cc (" + (dir / "propre" / "cc").string() + ") est hors de /usr"}},
    };
    if (fs::exists("/usr/bin/clang++"))
        rows.push_back({"somme.cpp", "PATH=" + (dir / "lien").string() + ":\"$PATH\"", 0, {"aucune différence"}});
    for (const Row &row : rows) {
        RunOptions options;
        options.arguments = {"-c", "export TMPDIR=\"$1\" " + row.path + "; shift; exec \"$0\" \"$@\"", EXOCHECK,
                             tmp.string()};
        options.arguments.insert(options.arguments.end(), somme.begin(), somme.end());
        options.arguments.push_back((dir / row.source).string());
        options.timeout_ms = 60000;
        const RunResult r = run_program("/bin/sh", "", options);
        EXPECT_TRUE(exited_with(r, row.status)) << row.source << ": " << describe_end(r) << "\n" << r.out << r.err;
        for (const std::string &part : row.said) EXPECT_TRUE(has(r.out + r.err, part)) << part << "\n" << r.out << r.err;
        EXPECT_TRUE(fs::is_empty(tmp)) << row.source;
    }
    // Unconfined, the same source compiles: the sandbox is what keeps it out.
    std::vector<std::string> unconfined = somme;
    unconfined.insert(unconfined.end(), {"--no-sandbox", (dir / "tricheur.c").string()});
    const RunResult r = exocheck(unconfined);
    EXPECT_TRUE(exited_with(r, 0)) << describe_end(r) << "\n" << r.out << r.err;
    fs::remove_all(dir);
    fs::remove_all(tmp);
}

// At a terminal, a check longer than a second shows its progress on one
// line, erased before the report.
TEST(Exocheck, ProgressAtATerminal) {
    NATIVE_ONLY();
    const fs::path dir = fs::temp_directory_path() / ("exocheck-progress-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path run = dir / "run";
    std::ofstream(run) << "#!/bin/sh\nexec ${PETITS_EMULATOR:-} " << EXOCHECK << " --timeout 1.2 --jobs 1 tickup "
                       << fixture("tickup_loop") << "\n";
    fs::permissions(run, fs::perms::owner_all);
    Terminal terminal(run.string());
    EXPECT_TRUE(terminal.wait_for("Pour reproduire", 20000)) << terminal.screen();
    const std::string &screen = terminal.screen();
    const std::size_t progress = screen.find("\rexocheck : tickup, "), report = screen.find("tickup : ");
    EXPECT_NE(progress, std::string::npos) << screen;
    EXPECT_TRUE(has(screen, " cas sur ")) << screen;
    // Erased: blanks over it, then the cursor back at the start of the line.
    const std::size_t erased = screen.find("      \r", progress);
    EXPECT_TRUE(progress < erased && erased < report) << screen;
    fs::remove_all(dir);
}

}  // namespace

}  // namespace exocheck
