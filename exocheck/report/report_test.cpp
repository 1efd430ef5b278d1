// The report's parts, each a table: bytes made visible, the command that
// gives an input back (run by real shells), how a run ended, the likely
// cause of a difference, the line diff, the text report and the JSON (read
// back by Python's parser), the scores and the class's common mistakes, and
// every format read by the program made to read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "report/cause.h"
#include "report/diff.h"
#include "report/ending.h"
#include "report/formats.h"
#include "report/groups.h"
#include "report/json_report.h"
#include "report/score.h"
#include "report/report.h"
#include "report/text_report.h"
#include "run/run_program.h"
#include "run_results.h"
#include "report/visible.h"

namespace exocheck {

namespace {

std::string assertion(const std::string &program, const std::string &function, const std::string &condition) {
    return program + ": " + program + ".c:12: " + function + ": Assertion `" + condition + "' failed.\n";
}

TEST(Visible, EveryByteCanBeSeen) {
    struct Row {
        std::string line;
        bool unterminated;
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"abc", false, "abc"},
        {"abc", true, "abc\u23ce"},
        {"a b c", false, "a b c"},
        {"a  b", false, "a\u2423\u2423b"},
        {"ab ", false, "ab\u2423"},
        {"ab  ", true, "ab\u2423\u2423\u23ce"},
        {" a", false, " a"},
        {" ", false, "\u2423"},
        {"a\tb\r", false, "a\\tb\\r"},
        {"a\\b", false, "a\\\\b"},
        {"\x01\x7f", false, "\\x01\\x7f"},
        {"été à", false, "été à"},
        {"ajout\xe9", false, "ajout\\xe9"},
        {"a\u00a0: b\u202f!", false, "a\\u00a0: b\\u202f!"},
        {"\xc3", false, "\\xc3"},                   // a sequence cut short
        {"\xc0\xaf", false, "\\xc0\\xaf"},          // an overlong '/'
        {"\xed\xa0\x80", false, "\\xed\\xa0\\x80"},  // a surrogate
        {"\xf4\x90\x80\x80", false, "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
        {"\xf0\x9f\x98\x80", false, "\xf0\x9f\x98\x80"},
        {"\xf0\x8f\xbf\xbf", false, "\\xf0\\x8f\\xbf\\xbf"},  // an overlong U+FFFF
        {"\xf1\x80\x80\x80", false, "\xf1\x80\x80\x80"},      // U+40000
    };
    for (const Row &row : rows) EXPECT_EQ(visible_line(row.line, row.unterminated), row.shown) << row.line;

    EXPECT_EQ(quoted_input("23:59:59\n"), "\"23:59:59\\n\"");
    EXPECT_EQ(quoted_input("dit \"oui\"\t "), "\"dit \\\"oui\\\"\\t \"");
    EXPECT_EQ(quoted_input(std::string("\0\xff", 2)), "\"\\x00\\xff\"");
    EXPECT_TRUE(is_utf8("été"));
    EXPECT_FALSE(is_utf8("\xe9t\xe9"));
}

// The command to reproduce gives the input back byte for byte, in the
// shells a learner may paste it into.
TEST(Visible, ReproduceCommandGivesTheInputBack) {
    const std::vector<std::string> inputs = {
        "23:59:59\n", "-61\n", "--5", "%d %s\n", "100%", "it's\n", "\\n is not a newline\\", "a\r\n\tb",
        std::string("\0\x01\x1f\x7f\xff\xe9", 6), "0\0017", "été\n", "'''", " lead and trail ",
    };
    for (const char *shell : {"/bin/sh", "/bin/bash"}) {
        if (access(shell, X_OK) != 0) continue;
        for (const std::string &input : inputs) {
            const std::string command = reproduce_command(input, "/bin/cat");
            RunOptions options;
            options.arguments = {"-c", command};
            const RunResult r = run_program(shell, "", options);
            EXPECT_EQ(r.out, input) << shell << ": " << command;
            EXPECT_EQ(r.err, "") << shell << ": " << command;
        }
    }
    EXPECT_EQ(reproduce_command("23:59:59\n", "mon_tickup"), "printf '23:59:59\\n' | ./mon_tickup");
    EXPECT_EQ(reproduce_command("-61\n", "./a"), "printf -- '-61\\n' | ./a");
    EXPECT_EQ(reproduce_command("", "./a"), "./a < /dev/null");
    EXPECT_EQ(reproduce_command("été\x01\n", "./a"), "printf 'été\\001\\n' | ./a");
    EXPECT_EQ(reproduce_command("1", "./mon prog"), "printf '1' | './mon prog'");
    EXPECT_EQ(shell_word("l'exo"), "'l'\\''exo'");
}

TEST(Ending, SaysHowARunEnded) {
    RunResult late, flood, unstartable;
    late.timed_out = true;
    flood.out_capped = true;
    flood.signal = SIGKILL;
    unstartable.start_error = ENOEXEC;
    struct Row {
        RunResult run;
        int timeout_ms;
        std::string text;
    };
    const std::vector<Row> rows = {
        {exited(0, ""), 2000, "code de sortie 0"},
        {exited(1, ""), 2000, "code de sortie 1"},
        {signalled(SIGSEGV), 2000, "erreur de segmentation (SIGSEGV)"},
        {signalled(SIGABRT), 2000, "abandon (SIGABRT)"},
        {signalled(SIGFPE), 2000, "exception arithmétique (SIGFPE)"},
        {signalled(99), 2000, "signal 99"},
        {late, 2000, "limite de temps dépassée (2 s)"},
        {late, 500, "limite de temps dépassée (0,5 s)"},
        {late, 1250, "limite de temps dépassée (1,25 s)"},
        {flood, 2000, "sortie trop longue (plus de 1 Mio)"},
        {unstartable, 2000, "lancement impossible (format d'exécutable non reconnu)"},
    };
    for (const Row &row : rows) EXPECT_EQ(describe_ending(row.run, row.timeout_ms), row.text);
}

// The verdict of two runs as a comparison of their bytes and endings.
Verdict differing(const RunResult &e, const RunResult &o) {
    Verdict v;
    v.kind = Verdict::Kind::differ;
    v.stdout_differs = e.out != o.out;
    v.stderr_differs = e.err != o.err;
    v.ending_differs = e.exited != o.exited || e.status != o.status || e.signal != o.signal || o.timed_out ||
                       o.out_capped;
    return v;
}

TEST(Cause, NamesTheKnownPatterns) {
    RunResult late = exited(0, ""), flood = exited(0, std::string(100, 'x')), unstartable;
    unstartable.start_error = ENOEXEC;
    late.exited = false;
    late.timed_out = true;
    late.signal = SIGKILL;
    flood.out_capped = true;
    const std::string read = "scanf(\"%d:%d:%d\", &heure, &minute, &seconde) == 3";
    const std::string prompt = "Veuillez entrer une heure sous la forme hh:mm:ss :\n";
    struct Row {
        const char *name;
        RunResult expected, obtained;
        std::string cause;  // the start of it; empty: none
        std::string code;   // its code
    };
    const std::vector<Row> rows = {
        {"time limit", exited(0, "x\n"), late, "le candidat ne s'arrête pas dans la limite de 2 s", "timeout"},
        {"not started", exited(0, "x\n"), unstartable, "le candidat n'a pas pu être lancé (format d'exécutable non reconnu)", "not-started"},
        {"flood", exited(0, "x\n"), flood, "le candidat écrit plus de 1 Mio", "output-too-long"},
        {"segfault", exited(0, "x\n"), signalled(SIGSEGV, "x\n"),
         "le candidat s'arrête : erreur de segmentation (SIGSEGV), un accès hors d'un tableau", "segfault"},
        {"division", exited(0, "x\n"), signalled(SIGFPE), "le candidat s'arrête : exception arithmétique (SIGFPE), une division", "division-by-zero"},
        {"abort", exited(0, "x\n"), signalled(SIGABRT), "le candidat s'arrête : abandon (SIGABRT), un appel à abort() ?", "abort"},
        {"another signal", exited(0, "x\n"), signalled(SIGBUS), "le candidat s'arrête : erreur de bus (SIGBUS)", "signal"},
        {"an assertion of its own", exited(0, "x\n"), signalled(SIGABRT, "", assertion("c", "main", "x > 0")),
         "une assertion du candidat échoue (« x > 0 ») là où la référence n'en a pas", "candidate-assertion"},
        {"an assertion left out", signalled(SIGABRT, prompt, assertion("tickup", "add_1s", "*heure >= 0 && *heure <= 23")),
         exited(0, prompt + "\nL'heure : 25:00:00\n"),
         "la référence refuse cette entrée (assertion « *heure >= 0 && *heure <= 23 » dans add_1s) ; "
         "le candidat l'accepte et termine avec le code 0", "accepts-refused-input"},
        {"condition", signalled(SIGABRT, prompt, assertion("tickup", "main", read)),
         signalled(SIGABRT, prompt, assertion("c", "main", "scanf(\"%d:%d:%d\", &h, &m, &s) == 3")),
         "la condition de l'assertion diffère : « scanf(\"%d:%d:%d\", &h, &m, &s) == 3 » au lieu de", "assertion-text"},
        {"condition, C++ names", signalled(SIGABRT, prompt, assertion("tickup", "main", read)),
         signalled(SIGABRT, prompt, assertion("c", "int main()", "ok")), "la condition de l'assertion diffère : « ok »", "assertion-text"},
        {"function", signalled(SIGABRT, prompt, assertion("tickup", "main", read)),
         signalled(SIGABRT, prompt, assertion("c", "void lire_heure()", read)),
         "l'assertion qui échoue est dans la fonction « lire_heure » au lieu de « main »", "assertion-function"},
        {"both", signalled(SIGABRT, "", assertion("tickup", "main", read)),
         signalled(SIGABRT, "", assertion("c", "lire", "ok")), "l'assertion qui échoue n'est pas la même : « ok » dans lire", "assertion-other"},
        {"message on stdout", exited(1, "", "Erreur: aucun entier valide lu\n"), exited(1, "Erreur: aucun entier valide lu\n"),
         "le message « Erreur: aucun entier valide lu » est écrit sur la sortie standard au lieu de la sortie d'erreur", "message-on-stdout"},
        {"message on stderr", exited(1, "Erreur : échec\n"), exited(1, "", "Erreur : échec\n"),
         "le message « Erreur : échec » est écrit sur la sortie d'erreur au lieu de la sortie standard", "message-on-stderr"},
        {"final newline missing", exited(0, "a\nb\n"), exited(0, "a\nb"), "il manque le saut de ligne à la fin de la sortie standard", "missing-final-newline"},
        {"final newline extra", exited(0, "a\nb"), exited(0, "a\nb\n"), "un saut de ligne de trop à la fin de la sortie standard", "extra-final-newline"},
        {"newline missing", exited(0, prompt + "\nL'heure\n"), exited(0, prompt + "L'heure\n"),
         "il manque un saut de ligne (ligne 2 attendue)", "missing-newline"},
        {"newline extra", exited(0, "a : 1\n"), exited(0, "a :\n 1\n"), "un saut de ligne en trop (ligne 1 attendue)", "extra-newline"},
        {"carriage returns", exited(0, "a\nb\n"), exited(0, "a\r\nb\r\n"), "des retours chariot (\\r) en trop dans la sortie standard", "carriage-returns"},
        {"trailing space extra", exited(0, "12.00 8.00\n"), exited(0, "12.00 8.00 \n"), "une espace de trop en fin de ligne (ligne 1)", "trailing-space"},
        {"trailing space missing", exited(0, "x\n12.00 8.00 \n"), exited(0, "x\n12.00 8.00\n"),
         "il manque l'espace en fin de ligne (ligne 2)", "missing-trailing-space"},
        {"space doubled", exited(0, "a : b\n"), exited(0, "a  : b\n"), "une espace de trop (ligne 1)", "extra-space"},
        {"space missing", exited(0, "a : b\n"), exited(0, "a: b\n"), "il manque une espace (ligne 1)", "missing-space"},
        {"tab", exited(0, "a : b\n"), exited(0, "a\t: b\n"), "une tabulation au lieu d'espaces", "tab-for-spaces"},
        {"no-break space", exited(0, "a : b\n"), exited(0, "a\u00a0: b\n"), "une espace insécable au lieu d'une espace ordinaire", "no-break-space"},
        {"blanks in stderr", exited(1, "", "Erreur: rien\n"), exited(1, "", "Erreur : rien\n"), "une espace de trop (ligne 1)", "extra-space"},
        {"Latin-1", exited(0, "ajouté une seconde\n"), exited(0, "ajout\xe9 une seconde\n"),
         "les accents sont écrits en Latin-1 (ISO-8859-1) et non en UTF-8", "latin1-accents"},
        {"accent missing", exited(0, "après avoir ajouté\n"), exited(0, "apres avoir ajouté\n"),
         "un accent manque : « apres » au lieu de « après »", "missing-accent"},
        {"accent missing on a capital", exited(0, "À bientôt\n"), exited(0, "A bientôt\n"),
         "un accent manque : « A » au lieu de « À »", "missing-accent"},
        {"accent extra", exited(0, "deux solutions reelles\n"), exited(0, "deux solutions réelles\n"),
         "un accent en trop : « réelles » au lieu de « reelles »", "extra-accent"},
        {"accent other", exited(0, "une fenêtre\n"), exited(0, "une fenètre\n"), "un accent diffère : « fenètre » au lieu de « fenêtre »", "other-accent"},
        {"decimals", exited(0, "Le resultat est : 1.88"), exited(0, "Le resultat est : 1.875"),
         "les nombres n'ont pas le même nombre de décimales : « 1.875 » au lieu de « 1.88 » (%.2f ?)", "decimals"},
        {"decimals of a whole number", exited(0, "est : 135"), exited(0, "est : 135.00"), "les nombres n'ont pas le même nombre de décimales : « 135.00 » au lieu de « 135 » (%d ?)", "decimals"},
        {"rounding", exited(0, "moyenne de 11.75\n"), exited(0, "moyenne de 11.74\n"),
         "un arrondi diffère : « 11.74 » au lieu de « 11.75 »", "rounding"},
        {"leading zeros", exited(0, "est : 00:01:05\n"), exited(0, "est : 0:1:5\n"),
         "les zéros en tête diffèrent : « 0 » au lieu de « 00 » (%02d ?)", "leading-zeros"},
        {"midnight", exited(0, "est : 00:00:00\n"), exited(0, "est : 24:00:00\n"), "les heures ne repassent pas à 00 après 23", "no-midnight-wrap"},
        // The wrap is named on the field that did not wrap, not on the one
        // after it that was not carried into.
        {"minute", exited(0, "est : 00:01:00\n"), exited(0, "est : 00:00:60\n"),
         "les minutes ou les secondes ne repassent pas à 00 après 59", "no-minute-wrap"},
        {"hours backward", exited(0, "est : 23:59:59\n"), exited(0, "est : -1:59:59\n"), "les heures ne repassent pas à 23 avant 00", "no-midnight-wrap-back"},
        {"seconds backward", exited(0, "est : 23:59:59\n"), exited(0, "est : 00:00:-1\n"),
         "les minutes ou les secondes ne repassent pas à 59 avant 00", "no-minute-wrap-back"},
        {"sign", exited(0, "1 nombre se terminant par -7\n"), exited(0, "1 nombre se terminant par 7\n"),
         "le signe diffère : « 7 » au lieu de « -7 »", "sign"},
        {"off by one", exited(0, "3 nombres\n"), exited(0, "2 nombres\n"), "une valeur diffère de 1 : « 2 » au lieu de « 3 »", "value-off-by-one"},
        {"prompt", exited(0, "Veullez entrer :\nLe nombre est : 5\n"), exited(0, "Veuillez entrer :\nLe nombre est : 5\n"),
         "l'invite (la première ligne) diffère : « Veuillez » au lieu de « Veullez »", "prompt-text"},
        {"prompt, no word", exited(0, "Entrez :\n5\n"), exited(0, "Entrez ?\n5\n"),
         "l'invite (la première ligne) diffère : « Entrez ? » au lieu de « Entrez : »", "prompt-text"},
        {"prompt alone", exited(0, "Veullez entrer :\n"), exited(0, "Veuillez entrer :\n"),
         "l'invite (la première ligne) diffère", "prompt-text"},
        {"a line that is no prompt", exited(0, "x = 4\nfin\n"), exited(0, "x = 9\nfin\n"), "", ""},
        {"prompt missing", exited(0, "Veullez entrer :\nLe nombre est : 5\n"), exited(0, "Le nombre est : 5\n"),
         "l'invite (la première ligne, « Veullez entrer : ») manque", "prompt-missing"},
        {"stops early", exited(0, "a\nb\nc\n"), exited(0, "a\n"), "la sortie standard s'arrête trop tôt : il manque « b »", "output-stops-early"},
        {"text extra", exited(0, "a\n"), exited(0, "a\nbonus\n"), "du texte en trop à la fin de la sortie standard : « bonus »", "extra-output"},
        {"exit status", exited(1, "Erreur\n"), exited(0, "Erreur\n"), "le code de sortie est 0 au lieu de 1", "exit-status"},
        {"nothing known", exited(0, "abc\n"), exited(0, "xyz\n"), "", ""},
        {"values far apart", exited(0, "x = 4\n"), exited(0, "x = 9\n"), "", ""},
        // A full stop after a number ends the sentence: it is no decimal point.
        {"full stop, not decimals", exited(0, "la note est 12.\n"), exited(0, "la note est 12.5\n"), "", ""},
        {"numbers too long to compare", exited(0, "12345678901234567890\n"), exited(0, "012345678901234567891\n"), "", ""},
    };
    for (const Row &row : rows) {
        const LikelyCause cause = likely_cause(differing(row.expected, row.obtained), row.expected, row.obtained, 2000);
        if (row.cause.empty())
            EXPECT_EQ(cause.text, "") << row.name;
        else
            EXPECT_TRUE(cause.text.starts_with(row.cause)) << row.name << ": " << cause.text;
        EXPECT_EQ(cause.code, row.code) << row.name;
        EXPECT_TRUE(row.code.empty() || std::ranges::find(cause_codes(), row.code) != cause_codes().end()) << row.code;
    }
    Verdict same;
    EXPECT_EQ(likely_cause(same, exited(0, "a"), exited(0, "a"), 2000).code, "");
}

// The hints that need more than the two runs: the input, what the
// candidate's other runs showed, a cosmetic difference hiding another.
TEST(Cause, FromTheInputOtherRunsAndLayers) {
    using Evidence = std::vector<std::pair<std::string, std::string>>;  // expected and obtained outputs
    const std::string at = "est : 00:00:01\n", off = "est : 00:00:02\n";
    struct Row {
        const char *name;
        std::string expected, obtained, input;
        Evidence evidence;
        std::vector<std::string> codes;  // every cause, in order
        std::string first;               // the start of the first one's text
    };
    const std::vector<Row> rows = {
        {"swapped values", "x1 = 1.00 et x2 = 2.00\n", "x1 = 2.00 et x2 = 1.00\n", "", {}, {"swapped-values"},
         "deux valeurs sont échangées : « 2.00 » puis « 1.00 » au lieu de « 1.00 » puis « 2.00 »"},
        {"swapped lines", "a\nb\nc\n", "b\na\nc\n", "", {}, {"swapped-lines"}, "deux lignes sont dans l'ordre inverse"},
        {"a maximum from 0", "-1\n", "0\n", "-1", {{"5\n", "5\n"}}, {"starting-value"}, "le résultat est 0 là où la référence donne « -1 »"},
        {"a maximum from 0, among others", "max = -3\n", "max = 0\n", "-5|-3|-9", {{"max = 7\n", "max = 7\n"}},
         {"starting-value"}, ""},
        // Right nowhere: not a value that starts at 0.
        {"a maximum plus one", "-1\n", "0\n", "-1", {{"5\n", "6\n"}}, {"value-off-by-one"}, ""},
        {"a maximum never seen right", "-1\n", "0\n", "-1", {}, {"value-off-by-one"}, ""},
        {"a minimum from 0", "min = 4\n", "min = 0\n", "9 4 12", {{"min = -2\n", "min = -2\n"}}, {"starting-value"}, ""},
        {"0 read, no starting value", "-1\n", "0\n", "0|-1", {}, {"value-off-by-one"}, "une valeur diffère de 1"},
        {"a value not read, no starting value", "-1\n", "0\n", "-3", {}, {"value-off-by-one"}, ""},
        {"a value among others on its line, no starting value", "est : 23:59:02\n", "est : 00:59:02\n", "23:59:1", {},
         {""}, ""},
        {"a prompt's newline", "Entrez a : L'equation\n", "Entrez a :\nL'equation\n", "", {}, {"prompt-newline"},
         "l'invite se termine par un saut de ligne au lieu d'une espace"},
        {"a prompt's newline after its space", "Entrez a : x\n", "Entrez a : \nx\n", "", {}, {"prompt-newline"}, ""},
        {"a newline for a space", "a b\n", "a\nb\n", "", {}, {"newline-for-space"}, "un saut de ligne au lieu d'une espace (ligne 1)"},
        {"a prompt's space, then a trailing space", "Entrez d :\n00 : 01 \n", "Entrez d : 00 : 01\n", "", {},
         {"prompt-space", "missing-trailing-space"}, "l'invite se termine par une espace au lieu d'un saut de ligne"},
        {"a prompt's newline, then Latin-1", "Entrez a : x é\n", "Entrez a :\nx \xe9\n", "", {},
         {"latin1-accents", "prompt-newline"}, ""},
        {"off by 1 everywhere", at, off, "", {{"est : 00:00:05\n", "est : 00:00:06\n"}, {"est : 10:00:01\n", "est : 10:00:02\n"}},
         {"constant-offset"}, "une valeur est décalée de +1 partout où elle apparaît : « 02 » au lieu de « 01 »"},
        {"off by 7 everywhere", at, "est : 00:00:08\n", "", {{"est : 00:00:02\n", "est : 00:00:09\n"}, {at, "est : 00:00:08\n"}},
         {"constant-offset"}, "une valeur est décalée de +7"},
        {"off by 0.25 everywhere", "x = 1.00\n", "x = 1.25\n", "", {{"x = 2.00\n", "x = 2.25\n"}, {"x = 1.00\n", "x = 1.25\n"}},
         {"constant-offset"}, "une valeur est décalée de +0.25"},
        {"off by 1, right elsewhere", at, off, "", {{"est : 00:00:05\n", "est : 00:00:05\n"}}, {"boundary"},
         "une valeur diffère de 1 à une borne seulement"},
        {"off by 1, offsets that vary", at, off, "", {{"est : 00:00:05\n", "est : 00:00:07\n"}, {at, off}}, {"value-off-by-one"}, ""},
        {"off by 1 here, right or off by more elsewhere", at, off, "", {{"est : 00:00:05\n", "est : 00:00:05\n"},
         {"est : 00:00:05\n", "est : 00:00:08\n"}}, {"value-off-by-one"}, ""},
        {"off by 7 once: silent", at, "est : 00:00:08\n", "", {}, {""}, ""},
        {"Latin-1, then the midnight wrap", "L'heure après : 00:00:00\n", "L'heure apr\xe8s : 24:00:00\n", "", {},
         {"latin1-accents", "no-midnight-wrap"}, "les accents sont écrits en Latin-1"},
        {"Latin-1, then the final newline", "après 1\n", "apr\xe8s 1", "", {}, {"latin1-accents", "missing-final-newline"}, ""},
        {"carriage returns, then a value", "a 1\nb\n", "a 2\r\nb\r\n", "", {}, {"carriage-returns", "value-off-by-one"}, ""},
        {"a space missing, then a value", "Message de longueur 21 : Bonjour tout le monde\n",
         "Message de longueur 20 : Bonjourtout le monde\n", "", {}, {"missing-space", "value-off-by-one"},
         "il manque une espace (ligne 1)"},
    };
    for (const Row &row : rows) {
        ValueEvidence evidence;
        for (const auto &[e, o] : row.evidence) evidence.add(e, o);
        const RunResult e = exited(0, row.expected), o = exited(0, row.obtained);
        const std::vector<LikelyCause> causes = likely_causes(differing(e, o), e, o, 2000, row.input, &evidence);
        std::vector<std::string> codes;
        for (const LikelyCause &c : causes) codes.push_back(c.code);
        EXPECT_EQ(codes, row.codes) << row.name;
        if (!causes.empty()) {
            EXPECT_TRUE(causes[0].text.starts_with(row.first)) << row.name << ": " << causes[0].text;
        }
    }
    const RunResult e = signalled(SIGABRT, "", assertion("tickup", "add_1s", "*heure >= 0 && *heure <= 23"));
    const RunResult o = signalled(SIGABRT, "", assertion("t", "add_1s", "*heure >= 0 && *heure < 24"));
    EXPECT_EQ(condition_written_otherwise(e, o, 40).text,
              "condition écrite autrement : « *heure >= 0 && *heure < 24 » au lieu de « *heure >= 0 && *heure <= 23 », "
              "le même comportement sur les 40 cas essayés ; l'énoncé donne le texte de la condition");
    // Every code once, and the manual page lists each.
    std::ifstream file(EXOCHECK_PAGE);
    std::ostringstream read;
    read << file.rdbuf();
    const std::string page = read.str();
    std::set<std::string_view> seen;
    for (const std::string_view code : cause_codes()) {
        EXPECT_TRUE(seen.insert(code).second) << code;
        std::string written;  // as roff writes it: "\-" for "-"
        for (const char c : code) written += c == '-' ? std::string("\\-") : std::string(1, c);
        const bool listed = page.find("\n.B " + written + "\n") != std::string::npos ||
                            page.find("\n.BR " + written + " ") != std::string::npos;
        EXPECT_TRUE(listed) << code;
    }
}

TEST(Diff, ShowsLinesSideBySideInOrder) {
    const std::string prompt = "Veuillez :\n\n";
    std::string ten, hundred_e, hundred_o, many_e, many_o;
    for (int i = 0; i < 10; ++i) ten += "l" + std::to_string(i) + "\n";
    for (int i = 0; i < 100; ++i) {
        hundred_e += "ligne e" + std::to_string(i) + "\n";
        hundred_o += "ligne o" + std::to_string(i) + "\n";
    }
    // Too many lines to match one by one (501 x 501 pairs).
    for (int i = 0; i < 501; ++i) {
        many_e += "e" + std::to_string(i) + "\n";
        many_o += "o" + std::to_string(i) + "\n";
    }
    struct Row {
        const char *name;
        std::string expected, obtained, shown;
    };
    const std::vector<Row> rows = {
        {"a value", prompt + "L'heure : 00:00:00\n", prompt + "L'heure : 24:00:00\n",
         "  Veuillez :\n\n- L'heure : 00:00:00\n+ L'heure : 24:00:00\n            ^\n"},
        {"an empty line", "a\n\nb\n", "a\nb\n\n", "  a\n-\n  b\n+\n"},
        {"the final newline", "a\nb\n", "a\nb", "  a\n- b\n+ b\u23ce\n   ^\n"},
        {"a trailing space", "a\n", "a \n", "- a\n+ a\u2423\n   ^\n"},
        {"identical lines cut short", ten + "x\n", ten + "y\n",
         "  … (7 lignes identiques)\n  l7\n  l8\n  l9\n- x\n+ y\n"},
        {"identical lines after", "x1\n" + ten, "x2\n" + ten, "- x1\n+ x2\n   ^\n  l0\n  l1\n  l2\n  … (7 lignes identiques)\n"},
        {"a line added", "a\nc\n", "a\nb\nc\n", "  a\n+ b\n  c\n"},
        {"a line in common between changes", "a\nb\nc\nd\n", "a\nx\nc\ny\n", "  a\n- b\n+ x\n  c\n- d\n+ y\n"},
        {"a line removed", "a\nb\nc\n", "a\nc\n", "  a\n- b\n  c\n"},
        // The program and the file of a diagnostic are not compared: no caret.
        {"assertions", assertion("tickup", "main", "x"), assertion("c", "main", "y"),
         "- " + assertion("tickup", "main", "x") + "+ " + assertion("c", "main", "y")},
        {"nothing expected", "", "x\n", "+ x\n"},
        {"nothing obtained", "x\n", "", "- x\n"},
    };
    for (const Row &row : rows) EXPECT_EQ(line_diff(row.expected, row.obtained), row.shown) << row.name;

    // Past 40 lines, the others are counted, with no caret for them.
    const std::string long_diff = line_diff(hundred_e, hundred_o);
    EXPECT_TRUE(long_diff.starts_with("- ligne e0\n+ ligne o0\n        ^\n- ligne e1\n")) << long_diff;
    EXPECT_TRUE(long_diff.ends_with("- ligne e19\n+ ligne o19\n        ^\n  … (160 lignes différentes de plus)\n"))
        << long_diff;
    const std::string many = line_diff(many_e, many_o);
    EXPECT_TRUE(many.starts_with("- e0\n+ o0\n- e1\n+ o1\n")) << many.substr(0, 100);
    EXPECT_TRUE(many.ends_with("  … (962 lignes différentes de plus)\n")) << many;
}

Finding midnight() {
    Finding f;
    f.origin = Case::Origin::generated;
    f.number = 17;
    f.original_size = 31;
    f.input = "23:59:59\n";
    f.expected = exited(0, "est : 00:00:00\n");
    f.obtained = exited(0, "est : 24:00:00\n");
    f.verdict = differing(f.expected, f.obtained);
    f.cause = likely_cause(f.verdict, f.expected, f.obtained, 2000);
    return f;
}

CandidateReport candidate(const std::string &name, std::size_t cases_run, std::size_t differences,
                          std::optional<Finding> difference = std::nullopt) {
    CandidateReport c;
    c.candidate = name;
    c.cases_run = cases_run;
    c.differences = differences;
    c.difference = std::move(difference);
    return c;
}

CheckReport report_of(std::vector<CandidateReport> candidates) {
    CheckReport r;
    r.program = "tickup";
    r.seed = 7;
    r.dialogues = 1;
    r.boundaries = 4;
    r.generated = 5;
    r.timeout_ms = 2000;
    r.candidates = std::move(candidates);
    return r;
}

TEST(Report, SummaryAndDetails) {
    const CandidateReport agrees = candidate("./a", 10, 0);
    const CandidateReport differs = candidate("./b", 3, 1, midnight());
    CandidateReport missing = candidate("./d", 0, 0);
    missing.cannot_run = "« ./d » n'existe pas";
    Finding statement = midnight();
    statement.verdict.kind = Verdict::Kind::follows_statement;
    statement.verdict.statement = "la référence borne la recherche.";
    statement.input = statement.expected.out;
    statement.original_size = statement.input.size();
    CandidateReport follows = candidate("./c", 10, 0);
    follows.follows_statement = 2;
    follows.statement = statement;

    struct Row {
        const char *name;
        std::vector<CandidateReport> candidates;
        bool all;
        int status;
        std::vector<std::string> lines;  // each found in the report, in this order
    };
    CandidateReport cut_short = differs;
    cut_short.difference->shrink_finished = false;
    CandidateReport differs_all = differs;
    differs_all.cases_run = 10;
    differs_all.differences = 4;
    differs_all.mistakes = {Mistake{"no-midnight-wrap", 3, midnight()}, Mistake{"", 1, midnight()}};
    differs_all.mistakes[1].example.input = "23:59:58\n";
    differs_all.mistakes[1].example.cause = {};
    // A source: its warnings above the report, its build before each command.
    CandidateReport source = candidate("mon_tickup.c", 10, 1, midnight());
    source.build = SourceBuild{"cc -g -o mon_tickup mon_tickup.c -lm", "mon_tickup", true, "", 3,
                               {"mon_tickup.c:4:9: warning: unused variable ‘x’", "mon_tickup.c:9:1: warning: ‘y’"}};
    CandidateReport broken = candidate("faux.c", 0, 0);
    broken.build = SourceBuild{"cc -g -o faux faux.c -lm", "faux", false,
                               "faux.c:3:5: error: expected ‘;’ before ‘}’ token\n    3 | x = 1\n", 0, {}};
    // Memory errors, whatever the output: counted apart, a leak a warning.
    CandidateReport silent = candidate("./e", 10, 0);
    silent.memory = MemoryCheck{"Valgrind", 10, 10, "", {}, {}};
    MemoryFinding read;
    read.error = {MemoryKind::read_out_of_bounds, "e.c", 12, "main", "Invalid read of size 4"};
    read.source_line = "    while (t[i] != x && i < n)";
    read.cases = 2;
    read.origin = Case::Origin::boundary;
    read.number = 5;
    read.original_size = 25;
    read.input = "10\n0 0 0 0 0 0 0 0 0 0\n1";
    read.output_agrees = true;
    read.reproduce = "printf '10\\n0 0 0 0 0 0 0 0 0 0\\n1' | valgrind -q ./e";
    MemoryFinding leak = read;
    leak.error = {MemoryKind::leak, "", 0, "main", "6 bytes in 1 blocks are definitely lost"};
    leak.source_line.clear();
    leak.cases = 1;
    CandidateReport leaks_only = silent;
    leaks_only.memory->warnings = {leak};
    silent.memory->errors = {read};
    silent.memory->warnings = {leak};
    // The checker's words come from the candidate's standard error.
    CandidateReport forged = candidate("./f", 10, 0);
    forged.memory = MemoryCheck{"Valgrind", 10, 10, "", {read}, {}};
    forged.memory->errors[0].error = {MemoryKind::read_out_of_bounds, "e\r.c", 12, "main\n\x1b[2J", "Invalid\x1b]0;x\x07"};
    const std::vector<Row> rows = {
        {"agrees", {agrees}, false, 0,
         {"tickup : 10 cas (1 dialogue du manuel, 4 cas limites, 5 cas générés, graine 7).\n",
          "./a : 10 cas, aucune différence.\n"}},
        {"differs", {agrees, differs}, false, 1,
         {"./a : 10 cas, aucune différence.\n", "./b : 3 cas sur 10, 1 différence (arrêt à la première).\n",
          "\n./b, première différence : cas généré n° 17, graine 7.\n",
          "Entrée minimale (réduite de 31 octets à 9) : \"23:59:59\\n\"\n",
          "Sortie standard (- attendue, + obtenue) :\n- est : 00:00:00\n+ est : 24:00:00\n", "Sortie d'erreur : vide, comme attendu.\n",
          "Fin : code de sortie 0, comme attendu.\n", "Piste : les heures ne repassent pas à 00 après 23.\n",
          "Pour reproduire : printf '23:59:59\\n' | ./b\n"}},
        {"every difference, and the score", {differs_all}, true, 1,
         {"./b : 10 cas, 4 différences, 2 erreurs distinctes ; note ",
          "\n./b, erreur 1 sur 2, 3 cas, le premier : cas généré n° 17, graine 7.\n",
          "Piste : les heures ne repassent pas à 00 après 23.\n", "\n./b, erreur 2 sur 2, 1 cas : cas généré n° 17",
          "Entrée minimale (réduite de 31 octets à 9) : \"23:59:58\\n\"\n", "Fin : code de sortie 0, comme attendu.\n",
          "Pour reproduire : printf '23:59:58\\n' | ./b\n"}},
        {"shrinking cut short", {cut_short}, false, 1,
         {"Entrée minimale (réduite de 31 octets à 9 ; réduction arrêtée par sa limite de temps) : "}},
        {"follows the statement", {follows}, false, 0,
         {"./c : 10 cas, aucune différence ; 2 cas conformes à l'énoncé.\n",
          "\n./c, conforme à l'énoncé et non à la référence : cas généré n° 17, graine 7.\n",
          "Entrée minimale (15 octets, non réduite) : ",
          "Conforme à l'énoncé : la référence borne la recherche.\n"}},
        {"cannot run", {agrees, differs, missing}, false, 1, {"./d : non vérifié, impossible à lancer.\n"}},
        {"a source", {source}, false, 1,
         {"mon_tickup.c : 3 avertissements du compilateur, les premiers :\n  mon_tickup.c:4:9: warning: unused variable ‘x’\n",
          "tickup : 10 cas", "mon_tickup.c : 10 cas, 1 différence.\n",
          "Pour reproduire : cc -g -o mon_tickup mon_tickup.c -lm && printf '23:59:59\\n' | ./mon_tickup\n"}},
        {"a source that does not compile", {agrees, broken}, false, 2,
         {"faux.c : ne compile pas.\n", "\nfaux.c, ne compile pas (cc -g -o faux faux.c -lm) :\n"
                                         "faux.c:3:5: error: expected ‘;’ before ‘}’ token\n    3 | x = 1\n"}},
        {"a silent memory error", {silent}, false, 1,
         {"./e : 10 cas, aucune différence ; mémoire : 1 erreur, 1 avertissement (10 exécutions sous Valgrind).\n",
          "\n./e, erreur de mémoire 1 sur 1 : lecture hors d'un tableau, ligne 12 de e.c, dans main.\n"
          "2 cas, le premier : cas limite n° 5.\nLigne 12 :     while (t[i] != x && i < n)\n"
          "Entrée minimale (réduite de 25 octets à 24) : \"10\\n0 0 0 0 0 0 0 0 0 0\\n1\"\n"
          "La sortie y est pourtant celle de la référence : seul le vérificateur de mémoire le voit.\n"
          "Message du vérificateur : Invalid read of size 4\n"
          "Pour reproduire : printf '10\\n0 0 0 0 0 0 0 0 0 0\\n1' | valgrind -q ./e\n",
          "\n./e, avertissement : fuite de mémoire, dans main.\n1 cas : cas limite n° 5.\n"}},
        {"a leak is a warning", {leaks_only}, false, 0, {"mémoire : aucune erreur, 1 avertissement"}},
        {"a forged report's words, escaped", {forged}, false, 1,
         {"ligne 12 de e\\r.c, dans main\\n\\x1b[2J.\n", "Message du vérificateur : Invalid\\x1b]0;x\\x07\n"}},
    };
    for (const Row &row : rows) {
        CheckReport r = report_of(row.candidates);
        r.all = row.all;
        EXPECT_EQ(exit_status(r), row.status) << row.name;
        const std::string text = text_report(r);
        std::size_t at = 0;
        for (const std::string &line : row.lines) {
            const std::size_t found = text.find(line, at);
            EXPECT_NE(found, std::string::npos) << row.name << ": " << line << "\nin:\n" << text;
            if (found != std::string::npos) at = found + line.size();
        }
    }
    EXPECT_EQ(case_name(Case::Origin::dialogue, 2, 1), "dialogue du manuel n° 2");
    EXPECT_EQ(case_name(Case::Origin::boundary, 5, 1), "cas limite n° 5");
}

// Python's parser reads the report back, the bytes of a text that is not
// UTF-8 included.
TEST(Report, JsonIsWellFormedWhateverTheBytes) {
    Finding f = midnight();
    f.input = std::string("\"\\\0\x01\xff\xe9t\xe9\n", 9);
    f.obtained = exited(0, "ajout\xe9\n", "\t\x1b[31m");
    f.verdict = differing(f.expected, f.obtained);
    CandidateReport c = candidate("./mon \"prog\"", 3, 1, f);
    MemoryFinding uaf;
    uaf.error = {MemoryKind::use_after_free, "mon.c", 13, "main", "Invalid read of size 4"};
    uaf.input = "6\n\xff";
    c.memory = MemoryCheck{"AddressSanitizer", 5, 5, "", {uaf}, {}};
    const std::string json = json_report(report_of({c}));
    RunOptions options;
    options.arguments = {"-c",
                         "import base64, json, sys\n"
                         "text = sys.stdin.read()\n"
                         "d = json.loads(text)\n"
                         "margins = lambda t: [len(l) - len(l.lstrip(' ')) for l in t.splitlines()]\n"
                         "assert margins(text) == margins(json.dumps(d, indent=2)), 'each level indented by 2'\n"
                         "c = d['candidates'][0]\n"
                         "f = c['first_difference']\n"
                         "out = sys.stdout.buffer\n"
                         "out.write(base64.b64decode(f['input_base64']) + b'|')\n"
                         "out.write(base64.b64decode(f['obtained']['stdout_base64']) + b'|')\n"
                         "out.write(f['obtained']['stderr'].encode() + b'|')\n"
                         "out.write(('%s %s %d %s' % (c['candidate'], c['verdict'], c['cases_run'],"
                         " f['expected']['ending']['kind'])).encode())\n"
                         "m = c['memory']['errors'][0]\n"
                         "out.write(('|%s %s %d ' % (m['kind_code'], m['file'], m['line'])).encode())\n"
                         "out.write(base64.b64decode(m['minimal_input_base64']))\n"};
    const RunResult r = run_program("python3", json, options);
    EXPECT_EQ(r.err, "") << json;
    EXPECT_EQ(r.out, f.input + "|ajout\xe9\n|\t\x1b[31m|./mon \"prog\" differ 3 exit|use-after-free mon.c 13 6\n\xff") << json;
}

// A candidate that ran every case of report_of's (1 dialogue, 4 boundary
// cases, 5 generated), `differ` of each kind differing.
CandidateReport ran_all(const std::string &name, std::size_t d, std::size_t b, std::size_t g) {
    CandidateReport c;
    c.candidate = "./" + name;
    c.name = name;
    c.cases_run = 10;
    c.differences = d + b + g;
    c.dialogues = {1, d, 0, 0.01};
    c.boundaries = {4, b, 0, 0.04};
    c.generated = {5, g, 0, 0.05};
    return c;
}

Mistake mistake(const std::string &code, std::size_t d, std::size_t b, std::size_t g) {
    Mistake m;
    m.cause_code = code;
    m.cases = d + b + g;
    m.dialogues = d;
    m.boundaries = b;
    m.example = midnight();
    return m;
}

TEST(Report, ScoresBuiltOnDistinctMistakes) {
    struct Row {
        const char *name;
        CandidateReport candidate;
        std::vector<Mistake> mistakes;
        std::map<std::string, double> causes;
        bool all;
        double out_of_100;  // -1: no score, and a reason
    };
    CandidateReport missing = ran_all("e", 0, 0, 0), broken = ran_all("d", 0, 0, 0), cut = ran_all("f", 1, 0, 0);
    missing.not_handed_in = "aucun fichier tickup dans e";
    broken.cannot_run = "« ./d » n'existe pas";
    cut.cases_run = 1;
    cut.difference = midnight();
    const std::vector<Row> rows = {
        {"agrees", ran_all("a", 0, 0, 0), {}, {}, true, 100},
        {"agrees, without --all: every case ran all the same", ran_all("a", 0, 0, 0), {}, {}, false, 100},
        // 0 + 30 * 3/4 + 30 * 2/3.
        {"one mistake everywhere", ran_all("b", 1, 1, 2), {mistake("no-midnight-wrap", 1, 1, 2)}, {}, true, 42.5},
        {"the same, weighed 0.5", ran_all("b", 1, 1, 2), {mistake("no-midnight-wrap", 1, 1, 2)},
         {{"no-midnight-wrap", 0.5}}, true, 71.5},
        {"the same, weighed 0", ran_all("b", 1, 1, 2), {mistake("no-midnight-wrap", 1, 1, 2)},
         {{"no-midnight-wrap", 0}}, true, 100},
        // Counted once, however many generated cases show it.
        {"one generated mistake", ran_all("g", 0, 0, 5), {mistake("latin1-accents", 0, 0, 5)}, {}, true, 90},
        {"three generated mistakes", ran_all("g", 0, 0, 3),
         {mistake("a", 0, 0, 1), mistake("b", 0, 0, 1), mistake("c", 0, 0, 1)}, {}, true, 70},
        // 40 + 30 * 2/4 + 30 * 2/3.
        {"no mistake list: the first difference stands for all", ran_all("h", 0, 2, 1), {}, {}, true, 75},
        {"not handed in", missing, {}, {}, true, -1},
        {"cannot run", broken, {}, {}, true, -1},
        {"stopped at its first difference", cut, {}, {}, false, -1},
    };
    for (const Row &row : rows) {
        CandidateReport c = row.candidate;
        c.mistakes = row.mistakes;
        if (c.differs() && !c.difference) c.difference = midnight();
        CheckReport r = report_of({c});
        r.all = row.all;
        r.weights.causes = row.causes;
        grade(r);
        const Score &s = r.candidates[0].score;
        EXPECT_EQ(s.given, row.out_of_100 >= 0) << row.name;
        EXPECT_EQ(s.given ? s.out_of_100 : -1, row.out_of_100) << row.name;
        EXPECT_EQ(s.out_of_20 * 5, s.out_of_100) << row.name;
        EXPECT_EQ(s.why.empty(), s.given) << row.name;
    }
    // A kind of case the check did not have is left out, the others scaled.
    CheckReport none = report_of({ran_all("g", 0, 0, 5)});
    none.candidates[0].dialogues = {};
    none.candidates[0].mistakes = {mistake("x", 0, 0, 5)};
    none.all = true;
    grade(none);
    EXPECT_EQ(none.candidates[0].score.out_of_100, 83.5);  // (30 + 20) / 60

    ScoreWeights w;
    EXPECT_EQ(set_weight(w, "dialogues=50"), "");
    EXPECT_EQ(set_weight(w, "latin1-accents=0,25"), "");
    EXPECT_EQ(w.dialogues, 50);
    EXPECT_EQ(w.causes["latin1-accents"], 0.25);
    for (const char *wrong : {"dialogues", "dialogues=101", "Latin=1", "x=11", "x=-1", "x=1.2345", "x=", "x=1..2"})
        EXPECT_NE(set_weight(w, wrong), "") << wrong;
    // A file of weights as a teacher writes it, on any system; a wrong line named.
    const std::string file = testing::TempDir() + "poids-" + std::to_string(getpid());
    std::ofstream(file) << "# barème\r\n\r\ngenerated = 20\r\n latin1-accents=0.5\t\r\n";
    EXPECT_EQ(read_weights(w, file), "");
    EXPECT_EQ(w.generated, 20);
    EXPECT_EQ(w.causes["latin1-accents"], 0.5);
    std::ofstream(file) << "dialogues=40\nboundaries=x\n";
    EXPECT_EQ(read_weights(w, file), file + ", ligne 2 : poids incorrect pour « boundaries » : « x » ; attendu : des "
                                            "points de 0 à 100, avec au plus trois décimales");
    std::remove(file.c_str());
}

// The submissions of a class, one of each standing, a differing one with
// bytes that no format may let through as they are.
CheckReport class_report() {
    CandidateReport agrees = ran_all("a", 0, 0, 0), strange = ran_all("élève <b>&\"'", 1, 1, 2),
                    shares = ran_all("moi", 0, 0, 1), broken = ran_all("d", 0, 0, 0), missing = ran_all("e", 0, 0, 0),
                    follows = ran_all("c", 0, 0, 0);
    strange.candidate = "./élève <b>&\"'/tick\xffup\n#1\\";
    Finding f = midnight();
    f.input = std::string("23:59:59\0\xff]]>\n", 14);
    f.obtained = exited(0, "est : 24:00:00\x01\xfe</pre><script>x</script>]]>", "\t\x1b[31m\r\n");
    f.verdict = differing(f.expected, f.obtained);
    Mistake m = mistake("no-midnight-wrap", 1, 1, 2);
    m.example = f;
    strange.mistakes = {m};
    strange.difference = f;
    m = mistake("no-midnight-wrap", 0, 0, 1);
    m.example = f;
    shares.mistakes = {m};
    shares.difference = f;
    broken.cannot_run = "« ./d » n'existe pas";
    missing.not_handed_in = "aucun fichier tickup dans eleves/e";
    Finding statement = midnight();
    statement.verdict.kind = Verdict::Kind::follows_statement;
    statement.verdict.statement = "la référence borne la recherche.";
    follows.follows_statement = 2;
    follows.generated.follows_statement = 2;
    follows.statement = statement;
    CheckReport r = report_of({agrees, strange, shares, broken, missing, follows});
    r.all = true;
    grade(r);
    group_mistakes(r);
    return r;
}

// What the reader of `format` finds in the report, or its complaint.
RunResult read_report(const std::string &format, const std::string &report, const std::string &screenshot = "") {
    RunOptions options;
    options.arguments = {READ_REPORT, format};
    if (!screenshot.empty()) options.arguments.push_back(screenshot);
    options.timeout_ms = 100000;
    return run_program("python3", report, options);
}

// Every format carries the same facts, read back by the program made to
// read it: Python's json and csv modules, xmllint and ElementTree, Perl's
// TAP::Parser (the parser of prove), the fields Gradescope requires.
TEST(Report, EveryFormatReadByItsReader) {
    const CheckReport whole = class_report();
    const auto only = [&](std::vector<std::size_t> members) {
        CheckReport r = whole;
        r.candidates.clear();
        for (std::size_t k : members) r.candidates.push_back(whole.candidates[k]);
        group_mistakes(r);
        return r;
    };
    // A memory error where the output agrees (on an exercise without
    // boundary cases), a source that does not compile: standings of their own.
    CandidateReport checked = ran_all("m", 0, 0, 0), broken;
    checked.boundaries = {};
    checked.cases_run = 6;
    MemoryFinding uaf;
    uaf.error = {MemoryKind::use_after_free, "m.c", 13, "main", "Invalid read of size 4"};
    uaf.input = "6\n";
    uaf.reproduce = "printf '6\\n' | valgrind -q ./m";
    checked.memory = MemoryCheck{"Valgrind", 10, 10, "", {uaf}, {}};
    broken.candidate = "n.c";
    broken.name = "n";
    broken.build = SourceBuild{"cc -g -o n n.c -lm", "n", false, "n.c:3:5: error: expected ‘;’ before ‘}’ token\n", 0, {}};
    const auto with = [&](std::vector<CandidateReport> candidates) {
        CheckReport r = whole;
        r.candidates = std::move(candidates);
        grade(r);
        group_mistakes(r);
        return r;
    };
    struct Row {
        const char *name;
        CheckReport report;
        std::vector<std::string> formats;
        std::string facts;  // name|verdict|score out of 20, a line per submission
    };
    const std::vector<std::string> every = {"json", "csv", "csv;", "junit", "tap", "gradescope"};
    const std::vector<std::string> several = {"json", "csv", "csv;", "junit", "tap"};
    const std::vector<Row> rows = {
        {"agrees", only({0}), every, "a|agree|20\n"},
        {"differs, with invisible bytes", only({1, 2}), several, "élève <b>&\"'|differ|8.5\nmoi|differ|18\n"},
        {"cannot run, not handed in", only({0, 3, 4}), several, "a|agree|20\nd|cannot_run|0\ne|not_handed_in|0\n"},
        {"follows the statement", only({5}), every, "c|follows_statement|20\n"},
        {"a memory error", with({checked}), every, "m|memory_errors|20\n"},
        {"does not compile", with({broken}), every, "n|does_not_compile|0\n"},
    };
    // Each reader runs once, on every report of its format, each ended by a NUL.
    for (const std::string &format : every) {
        FormatSettings settings;
        if (format == "csv;") settings.csv_separator = ';';
        std::string written;
        std::vector<const Row *> read;
        for (const Row &row : rows)
            if (std::find(row.formats.begin(), row.formats.end(), format) != row.formats.end()) {
                written += write_report(row.report, *format_named(format == "csv;" ? "csv" : format), settings) + '\0';
                read.push_back(&row);
            }
        const RunResult r = read_report(format, written);
        EXPECT_EQ(r.err, "") << format << ":\n" << written;
        std::size_t at = 0;
        for (const Row *row : read) {
            std::string facts;
            while (at < r.out.size() && !r.out.substr(at).starts_with("==\n")) {
                const std::size_t end = r.out.find('\n', at) + 1;
                if (!r.out.substr(at).starts_with("fact|")) facts += r.out.substr(at, end - at);
                at = end;
            }
            at += 3;
            EXPECT_EQ(facts, row->facts) << row->name << ", " << format << ":\n" << r.out;
        }
    }
    // What each reader finds beyond those: the group of two in the JSON,
    // the failure's details in JUnit, the input in the CSV, prove's counts,
    // Gradescope's tests adding up to the score.
    const std::vector<std::pair<std::string, std::string>> facts = {
        {"json", "fact|group|2|élève <b>&\"',moi\n"},
        {"junit", "fact|failure|cas limites|True|True\n"},
        {"csv", "fact|input|\"23:59:59\\x00\\xff]]>\\n\"\n"},
        {"tap", "fact|tap|1|2|3\n"},
    };
    const CheckReport differs = only({0, 1, 2});
    std::string written;
    for (const auto &[format, fact] : facts) written += write_report(differs, *format_named(format), {}) + '\0';
    for (const auto &[format, fact] : facts) {
        const RunResult r = read_report(format, written.substr(0, written.find('\0') + 1));
        written.erase(0, written.find('\0') + 1);
        EXPECT_NE(r.out.find(fact), std::string::npos) << format << ": " << r.out << r.err;
    }
    // The class's summary closes the TAP of several submissions only.
    EXPECT_EQ(write_report(only({0}), Format::tap, {}).find("# Bilan"), std::string::npos);
    EXPECT_NE(write_report(differs, Format::tap, {}).find("\n# Bilan : 3 rendus"), std::string::npos);
    const RunResult graded = read_report("gradescope", write_report(only({1}), Format::gradescope, {}));
    EXPECT_NE(graded.out.find("fact|tests|failed:0/40,failed:22.5/30,failed:20/30\n"), std::string::npos) << graded.out;
    // The memory check a test of its own, of no points; the kinds of case
    // there are scaled to 100, to the hundredth; a build's messages where
    // the learner reads them.
    const std::string memory = write_report(with({checked}), Format::gradescope, {});
    EXPECT_NE(read_report("gradescope", memory).out.find("fact|tests|passed:57.1/57.1,passed:42.9/42.9,failed:0/0\n"),
              std::string::npos) << memory;
    EXPECT_NE(memory.find("\"max_score\": 57.14,"), std::string::npos) << memory;
    EXPECT_NE(memory.find("utilisation après libération, ligne 13 de m.c"), std::string::npos) << memory;
    const std::string build = write_report(with({broken}), Format::gradescope, {});
    EXPECT_NE(build.find("n.c:3:5: error: expected"), std::string::npos) << build;
}

// The page as a browser shows it: headless Chromium renders it and gives
// its DOM, with the class table and a difference whose newline is visible.
TEST(Report, HtmlPageInABrowser) {
    const CheckReport r = class_report();
    const std::string shot = ::testing::TempDir() + "exocheck-report.png";
    const RunResult read = read_report("html", html_report(r), shot);
    EXPECT_EQ(read.err, "");
    EXPECT_EQ(read.out, "a|agree|20\nfact|mistakes|0\n"
                        "élève <b>&\"'|differ|8.5\nfact|mistakes|1\nmoi|differ|18\nfact|mistakes|1\n"
                        "d|cannot_run|0\nfact|mistakes|0\ne|not_handed_in|0\nfact|mistakes|0\n"
                        "c|follows_statement|20\nfact|mistakes|0\n"
                        "fact|pre|True|True\nfact|pre|True|True\nfact|pre|False|True\n");
    std::remove(shot.c_str());
}

// The common mistakes in the text report: the largest group first, its
// cause once, its submissions, every line within 80 columns.
TEST(Report, CommonMistakesInTheText) {
    CheckReport r = class_report();
    for (int k = 0; k < 12; ++k) {
        CandidateReport c = r.candidates[2];
        // The first a column longer: unwrapped, the first line of names would take 81 columns.
        c.name = "eleve-" + std::to_string(10 + k) + (k == 0 ? "b" : "");
        r.candidates.push_back(c);
    }
    r.candidates[2].mistakes.push_back(mistake("latin1-accents", 0, 0, 1));
    r.candidates[2].mistakes.back().example.input = "12:00:00\n";
    group_mistakes(r);
    ASSERT_EQ(r.groups.size(), 2U);
    EXPECT_EQ(r.groups[0].members.size(), 14U);
    EXPECT_EQ(r.groups[1].members, std::vector<std::size_t>{2});
    const std::string text = text_report(r);
    const std::size_t at = text.find("\nErreurs communes, par cause et entrée minimale :\n- 14 rendus, entrée ");
    EXPECT_NE(at, std::string::npos) << text;
    EXPECT_NE(text.find("\n- 1 rendu, entrée \"12:00:00\\n\" (latin1-accents) :\n  "), std::string::npos) << text;
    EXPECT_NE(text.find("Bilan : 18 rendus ; 1 sans différence, 1 conforme à l'énoncé, 14 différents, 1 impossible "
                        "à lancer, 1 rien rendu.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("e : rien rendu (aucun fichier tickup dans eleves/e) ; note 0/20.\n"), std::string::npos) << text;
    for (std::size_t line = at + 1, end = 0; line < text.size(); line = end + 1) {
        end = text.find('\n', line);
        const std::string shown = text.substr(line, end - line);
        if (shown.starts_with("élève")) break;  // the details, as long as their inputs
        std::size_t columns = 0;
        for (char c : shown) columns += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
        EXPECT_LE(columns, 80U) << shown;
    }
}

}  // namespace

}  // namespace exocheck
