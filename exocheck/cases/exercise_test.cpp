// The exercise reader: what it reads, each mistake it refuses with its line
// and field, the fifteen programs' own files read from disk as the build
// embeds them, and mutated or truncated files that give a message or an
// exercise whose cases can be made, never anything else.
#include "cases/exercise.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "cases/cases.h"
#include "cases/grammar.h"

namespace exocheck {

namespace {

// The message for `text`, or "" when it is read.
std::string mistake_in(const std::string &text) {
    try {
        read_exercise(text, "moyenne.exo");
        return "";
    } catch (const ExerciseMistake &mistake) {
        return mistake.what();
    }
}

TEST(Exercise, ReadsEveryFieldAndItsEscapes) {
    const ProgramData p = read_exercise("# a comment\r\n"
                                        "\n"
                                        "typical\t12 15\\n\r\n"
                                        "  form {#1..3}[{0..20} ]\\n\n"
                                        "form \\{{0|1}\\}\\173\\|\n"
                                        "shape {i}\n"
                                        "boundary\n"
                                        "boundary \\040x\\t\\x41\\101\\0\\\\\\\"\n"
                                        "read-error stderr Erreur : \\073\n"
                                        "cases 50\n"
                                        "timeout 0,25\n"
                                        "help Lit des notes.\n"
                                        "help Et les additionne.\n"
                                        "exit-status Code 0.\n",
                                        "moyenne.exo");
    EXPECT_EQ(p.typical, "12 15\n");
    ASSERT_EQ(p.forms.size(), 2U);
    EXPECT_EQ(p.forms[0], "{#1..3}[{0..20} ]\n");
    EXPECT_EQ(p.forms[1], "\\{{0|1}\\}\\{\\|");  // escapes are bytes, not slots
    EXPECT_EQ(p.shapes, std::vector<std::string>{"{i}"});
    EXPECT_EQ(p.boundary, (std::vector<std::string>{"", std::string(" x\tAA\0\\\"", 8)}));
    EXPECT_EQ(p.read_error, "Erreur : ;");
    EXPECT_FALSE(p.read_error_on_stdout);
    EXPECT_EQ(p.cases, 50U);
    EXPECT_EQ(p.timeout_ms, 250);
    EXPECT_EQ(p.help, "Lit des notes.\nEt les additionne.\n");
    EXPECT_EQ(p.exit_status, "Code 0.\n");
    InputGenerator generator(p, 1);
    for (int i = 0; i < 20; ++i) {
        const std::string filled = generator.fill(p.forms[1]);
        EXPECT_TRUE(filled == "{0}{|" || filled == "{1}{|") << filled;
    }
    // What a teacher may leave out: all but a form or a boundary case.
    EXPECT_EQ(mistake_in("boundary 20\\n\n"), "");
    EXPECT_EQ(mistake_in("form {0..20}\\n\n"), "");
}

TEST(Exercise, AMistakeIsRefusedWithItsLineAndField) {
    struct Row {
        std::string text, message;
    };
    const std::string form = "moyenne.exo, ligne 2, champ « form » : ";
    const std::vector<Row> rows = {
        {"form {0..20}\nmoyenne 3\n", "moyenne.exo, ligne 2 : champ inconnu « moyenne » ; les champs sont typical,"},
        {"form {0..20}\nform {0..20\n", form + "accolade « { » non fermée"},
        {"form {0..20}\nform 1}\n", form + "« } » sans « { » avant"},
        {"form {0..20}\nform {20..0}\n", form + "la plage « 20..0 » : bornes inversées"},
        {"form {0..20}\nform {1.5..0.5}\n", form + "la plage « 1.5..0.5 » : bornes inversées"},
        {"form {0..20}\nform {#1..10}{0..20}\n", form + "un nombre de répétitions {#min..max} sans répétition [ ] après"},
        {"form {0..20}\nform [{0..20} ]\n", form + "une répétition [ ] sans nombre de répétitions {#min..max} avant"},
        {"form {0..20}\nform {#1..3}[{0..2} \n", form + "crochet « [ » non fermé"},
        {"form {0..20}\nform {#1..3}[[a]]\n", form + "une répétition [ ] dans une répétition"},
        {"form {0..20}\nform {#1..3}[{#1..2}a]\n", form + "un nombre de répétitions « {#1..2} » dans une répétition"},
        {"form {0..20}\nform {#1..3}{#1..2}[a]\n", form + "le nombre de répétitions avant « {#1..2} » ne sert"},
        {"form {0..20}\nform {#0.5..3}[a]\n", form + "« {#0.5..3} » : des répétitions en nombre entier"},
        {"form {0..20}\nform {#1..2000000}[a]\n", form + "« {#1..2000000} » : des répétitions en nombre entier"},
        {"form {0..20}\nform {#1000000..1000000}[{#}]\n", form + "un nombre de répétitions « {#} » dans une répétition"},
        {"form {0..20}\nform {#1000000..1000000}[{i}{i}{i}{i}{i}]\n", form + "peut donner "},
        {"form {0..20}\nform {#0..524288}[" + std::string(32, 'a') + "]x\n",
         form + "peut donner 16777217 octets, plus que 16 Mio"},  // 16 MiB and a byte
        {"form {0..20}\nform {}\n", form + "accolades vides « {} »"},
        {"form {0..20}\nform {x}\n", form + "jeton inconnu « {x} »"},
        {"form {0..20}\nform {abc}\n", form + "« {abc} » n'est ni une plage min..max, ni des choix a|b"},
        {"form {0..20}\nform {a..b|3}\n", form + "la plage « a..b » : ses bornes sont des nombres"},
        {"form {0..20}\nform {0..99999999999999999999}\n", form + "la plage « 0..99999999999999999999 » : une borne dépasse"},
        {"form {0..20}\nform {0..0.0000000000000000001}\n", form + "la plage « 0..0.0000000000000000001 » : au plus 18"},
        {"form {0..20}\nform {a{b}\n", form + "« { » dans « {a{b} »"},
        {"form {0..20}\nform 12\\\n", form + "« \\ » à la fin de la ligne"},
        {"form {0..20}\nform \\q\n", form + "échappement inconnu « \\q »"},
        {"form {0..20}\nform \\x4\n", form + "« \\x » demande deux chiffres hexadécimaux"},
        {"form {0..20}\nform \\400\n", form + "« \\400 » dépasse un octet"},
        {"form {0..20}\nform a\033b\n", form + "caractère de contrôle (\\033)"},
        {"form {0..20}\ncases 1\177\n", "moyenne.exo, ligne 2, champ « cases » : « 1\\177 » : attendu un nombre de cas"},
        {"form {0..20}\ntypical 1\ntypical 2\n", "moyenne.exo, ligne 3, champ « typical » : donné deux fois"},
        {"form {0..20}\ncases -1\n", "moyenne.exo, ligne 2, champ « cases » : « -1 » : attendu un nombre de cas"},
        {"form {0..20}\ncases\n", "moyenne.exo, ligne 2, champ « cases » : valeur manquante ; attendu un nombre de cas"},
        {"form {0..20}\ntimeout 0\n", "moyenne.exo, ligne 2, champ « timeout » : « 0 » : attendu des secondes"},
        {"form {0..20}\ntimeout 1.2345\n", "moyenne.exo, ligne 2, champ « timeout » : « 1.2345 »"},
        {"form {0..20}\nread-error stdin x\n", "moyenne.exo, ligne 2, champ « read-error » : « stdout » ou « stderr »"},
        {"form {0..20}\nshape {i}{\n", "moyenne.exo, ligne 2, champ « shape » : accolade « { » non fermée"},
        {"typical 1\nshape {i}\n", "moyenne.exo : ni forme ni cas limite"},
        {"", "moyenne.exo : ni forme ni cas limite"},
        {"form{0..20}\n", "moyenne.exo, ligne 1 : champ inconnu « form{0..20} »"},
    };
    for (const Row &row : rows) EXPECT_TRUE(mistake_in(row.text).starts_with(row.message)) << row.text << "\n" << mistake_in(row.text);
}

TEST(Exercise, AFileThatCannotBeReadIsRefused) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("exercise-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "long.exo") << "form {0..20}\n" << std::string(1 << 20, '#') << "\n";
    std::ofstream(dir / "moyenne.exo") << "form {0..20}\n";
    ASSERT_EQ(mkfifo((dir / "fifo.exo").c_str(), 0600), 0);  // no writer: must not block
    struct Row {
        std::string file, message;
    };
    const std::vector<Row> rows = {
        {"absent.exo", "fichier introuvable"},
        {"", "c'est un répertoire"},
        {"fifo.exo", "ce n'est pas un fichier ordinaire"},
        {"long.exo", "fichier trop long (plus de 1 Mio)"},
    };
    for (const Row &row : rows) {
        const std::string path = (dir / row.file).string();
        try {
            read_exercise_file(path);
            ADD_FAILURE() << path << " read";
        } catch (const ExerciseMistake &mistake) {
            EXPECT_EQ(std::string(mistake.what()), path + " : " + row.message);
        }
    }
    EXPECT_EQ(read_exercise_file((dir / "moyenne.exo").string()).name, "moyenne");
    std::filesystem::remove_all(dir);
}

// The fifteen programs' files, read from the source tree, are the data the
// build embeds, less what exocheck knows of them alone (their dialogues);
// so are their cases, seed for seed.
TEST(Exercise, OurFilesAreTheTableOfOurPrograms) {
    for (const ProgramData &ours : all_programs()) {
        const ProgramData read = read_exercise_file(std::string(SOURCE_DIR) + "/" + ours.folder + "/" + ours.name + ".inputs");
        EXPECT_EQ(read.name, ours.name);
        EXPECT_TRUE(read.typical && !ours.help.empty() && !ours.exit_status.empty() && !ours.shapes.empty()) << ours.name;
        EXPECT_TRUE(read.typical == ours.typical && read.shapes == ours.shapes && read.forms == ours.forms &&
                    read.boundary == ours.boundary && read.read_error == ours.read_error &&
                    read.read_error_on_stdout == ours.read_error_on_stdout && read.help == ours.help &&
                    read.exit_status == ours.exit_status)
            << ours.name;
        EXPECT_TRUE(is_one_of_ours(ours) && !is_one_of_ours(read)) << ours.name;
        const Cases theirs(ours, 1, 100), mine(read, 1, 100);
        const std::size_t dialogues = ours.dialogues.size(),
                          typical = mine.size() - theirs.size() + dialogues;  // 1 when the typical input comes first
        for (std::size_t i = typical; i < mine.size(); ++i) {
            EXPECT_EQ(mine.at(i).input, theirs.at(i + dialogues - typical).input) << ours.name << " " << i;
            EXPECT_EQ(mine.at(i).origin, theirs.at(i + dialogues - typical).origin) << ours.name << " " << i;
        }
    }
}

// Random and truncated files give a message or an exercise whose cases
// can be made, nothing else: the fifteen files cut at every tenth byte,
// and each with bytes changed, inserted or removed.
TEST(Exercise, MutatedFilesGiveAMessageOrCases) {
    std::uint64_t state = 7;
    const auto below = [&state](std::uint64_t n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state >> 33) % n;
    };
    constexpr std::string_view ALPHABET = "{}[]|#.-\\0123456789 \n\tx";
    std::size_t read = 0, refused = 0;
    const auto attempt = [&](const std::string &text) {
        try {
            const ProgramData program = read_exercise(text, "mutant.exo");
            const Cases cases(program, 1, 10);
            for (std::size_t i = 0; i < cases.size(); ++i) ASSERT_LE(cases.at(i).input.size(), 16U << 20);
            ++read;
        } catch (const ExerciseMistake &mistake) {
            ASSERT_TRUE(std::string(mistake.what()).starts_with("mutant.exo")) << mistake.what();
            ++refused;
        }
    };
    for (const ProgramData &ours : all_programs()) {
        const std::string path = std::string(SOURCE_DIR) + "/" + ours.folder + "/" + ours.name + ".inputs";
        std::string text(std::filesystem::file_size(path), '\0');
        std::ifstream(path, std::ios::binary).read(text.data(), static_cast<std::streamsize>(text.size()));
        for (std::size_t cut = 0; cut < text.size(); cut += 10) attempt(text.substr(0, cut));
        for (int n = 0; n < 60; ++n) {
            std::string mutant = text;
            for (std::uint64_t edits = 1 + below(4); edits > 0; --edits) {
                const std::size_t at = below(mutant.size() + 1);
                const char byte = below(2) ? ALPHABET[below(ALPHABET.size())] : static_cast<char>(below(256));
                switch (below(3)) {
                case 0: mutant.insert(at, 1, byte); break;
                case 1: if (at < mutant.size()) mutant.erase(at, 1); break;
                default: if (at < mutant.size()) mutant[at] = byte;
                }
            }
            attempt(mutant);
        }
    }
    for (int n = 0; n < 300; ++n) {
        std::string random = "form ";
        for (std::uint64_t k = below(40); k > 0; --k) random += ALPHABET[below(ALPHABET.size())];
        attempt(random);
    }
    EXPECT_GT(read, 100U);
    EXPECT_GT(refused, 100U);
}

}  // namespace

}  // namespace exocheck
