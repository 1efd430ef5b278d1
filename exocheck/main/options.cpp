#include "main/options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <getopt.h>
#include <optional>
#include <sched.h>
#include <string_view>

#include "cases/exercise.h"
#include "program_texts.h"
#include "report/score.h"

namespace exocheck {

namespace {

using Action = CommandLine::Action;

constexpr std::size_t MOST_CASES = 1000000000;
constexpr int MOST_JOBS = 1024;

// A whole number written in decimal digits only, from `least` to `most`.
template <typename Number>
std::optional<Number> whole_number(std::string_view text, Number most, Number least = 0) {
    Number n{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || text[0] == '-' || text[0] == '+' || error != std::errc() ||
        end != text.data() + text.size() || n > most || n < least)
        return std::nullopt;
    return n;
}

// Sets `to` from what was read; false when nothing was.
template <typename T, typename Read>
bool set(T &to, const std::optional<Read> &read) {
    if (read) to = *read;
    return read.has_value();
}

// The time limit --timeout takes (exercise.h), or nothing.
std::optional<int> milliseconds(std::string_view seconds) {
    const int ms = timeout_milliseconds(seconds);
    return ms > 0 ? std::optional(ms) : std::nullopt;
}

// One row per option, in the order of --help: its name; the name of its
// value in --help, or nullptr when it takes none; its text in --help ("\n"
// starts a line of its own, under the first); what a value should be, for a
// refused one; and what it does, false when the value is refused.
struct OptionRow {
    const char *name;
    const char *value;
    std::string_view help;
    std::string_view expected;
    bool (*take)(CommandLine &, std::string_view value);
};

constexpr OptionRow OPTIONS[] = {
    {"cases", "N", "nombre de cas générés (1000 par défaut)", "un nombre de cas de 0 à 1000000000",
     [](CommandLine &c, std::string_view v) { return set(c.options.cases, whole_number<std::size_t>(v, MOST_CASES)); }},
    {"seed", "S", "graine des cas générés (1 par défaut)", "un entier de 0 à 18446744073709551615",
     [](CommandLine &c, std::string_view v) { return set(c.options.seed, whole_number<std::uint64_t>(v, UINT64_MAX)); }},
    {"all", nullptr, "compte toutes les différences au lieu de s'arrêter à la\npremière", "",
     [](CommandLine &c, std::string_view) { c.options.all = true; return true; }},
    {"conditions-libres", nullptr,
     "compte à part une condition d'assertion écrite autrement que\nl'énoncé, au comportement identique", "",
     [](CommandLine &c, std::string_view) {
         c.options.conditions_apart = true;
         return true;
     }},
    {"jobs", "N", "exécutions en parallèle (par défaut, une par processeur)", "un nombre d'exécutions de 1 à 1024",
     [](CommandLine &c, std::string_view v) { return set(c.options.jobs, whole_number<int>(v, MOST_JOBS, 1)); }},
    {"timeout", "S", "limite de temps de chaque exécution, en secondes (2 par\ndéfaut)",
     "des secondes, plus de 0 et au plus 3600, comme 2 ou 0.5",
     [](CommandLine &c, std::string_view v) { return set(c.options.timeout_ms, milliseconds(v)); }},
    {"memoire", nullptr, "cherche aussi les erreurs de mémoire, sous Valgrind ou\nAddressSanitizer", "",
     [](CommandLine &c, std::string_view) { c.options.memory = true; return true; }},
    {"memory", nullptr, "comme --memoire", "", [](CommandLine &c, std::string_view) { c.options.memory = true; return true; }},
    {"exercice", "FICHIER", "l'exercice d'un enseignant, décrit dans FICHIER (voir\nexocheck-exercice(5)), au lieu de PROGRAMME", "un fichier d'exercice",
     [](CommandLine &c, std::string_view v) { c.options.exercise_file = v; return !v.empty(); }},
    {"reference", "CORRIGE", "le programme de référence de cet exercice, isolé comme\nles candidats", "un programme",
     [](CommandLine &c, std::string_view v) { c.options.reference = v; return !v.empty(); }},
    {"class", "DOSSIER", "vérifie la classe de DOSSIER : le fichier du nom de\nl'exercice dans chaque dossier d'élève", "un dossier",
     [](CommandLine &c, std::string_view v) { c.options.class_folder = v; return !v.empty(); }},
    {"file", "NOM", "avec --class, le nom du fichier rendu s'il n'est pas\ncelui de l'exercice", "un chemin relatif au dossier de chaque élève",
     [](CommandLine &c, std::string_view v) {
         c.options.file = v;
         return !v.empty() && !v.starts_with('/') && v.find("..") == std::string_view::npos;
     }},
    {"learners", "FICHIER", "avec --class, la liste des élèves, un nom par ligne :\nun élève sans dossier est « rien rendu »", "un fichier",
     [](CommandLine &c, std::string_view v) { c.options.learners_file = v; return !v.empty(); }},
    {"format", "FORMAT", "format du rapport : text (par défaut), json, csv,\njunit, tap, gradescope ou html",
     "text, json, csv, junit, tap, gradescope ou html",
     [](CommandLine &c, std::string_view v) { return set(c.options.format, format_named(v)); }},
    {"json", nullptr, "écrit le rapport en JSON, comme --format json", "",
     [](CommandLine &c, std::string_view) { c.options.format = Format::json; return true; }},
    {"csv-separator", "SEP", "séparateur du CSV : « , » (par défaut) ou « ; », qui\nécrit aussi les décimales avec une virgule", "« , » ou « ; »",
     [](CommandLine &c, std::string_view v) {
         c.options.csv_separator = v.empty() ? ',' : v[0];
         return v == "," || v == ";";
     }},
    {"weight", "NOM=POIDS", "points d'un genre de cas (dialogues, boundaries,\ngenerated) ou poids d'un code de cause dans la note",
     "NOM=POIDS : dialogues, boundaries ou generated et des points de 0 à 100, ou un code de cause et un poids de 0 "
     "à 10",
     [](CommandLine &c, std::string_view v) { return set_weight(c.options.weights, v).empty(); }},
    {"weights", "FICHIER", "les mêmes poids, un NOM=POIDS par ligne", "un fichier",
     [](CommandLine &c, std::string_view v) { c.options.weights_file = v; return !v.empty(); }},
    {"no-sandbox", nullptr, "exécute les candidats sans les isoler", "",
     [](CommandLine &c, std::string_view) { c.options.sandbox = false; return true; }},
    {"help", nullptr, "affiche cette aide et termine", "",
     [](CommandLine &c, std::string_view) { c.action = Action::help; return true; }},
    {"version", nullptr, "affiche la version et termine", "",
     [](CommandLine &c, std::string_view) { c.action = Action::version; return true; }},
};

// What getopt_long returns for OPTIONS[k]: FIRST_OPTION + k, above every
// character it returns of its own.
constexpr int FIRST_OPTION = 256;

std::string try_help() {
    char line[128];
    std::snprintf(line, sizeof line, TRY_HELP_LINE, "exocheck");
    return line;
}

std::string refusal(const std::string &what) { return "exocheck: " + what + "\n" + try_help(); }

// The programs in alphabetical order, in lines indented by two spaces that
// fit in 80 columns.
std::string program_names() {
    std::vector<std::string_view> names(all_programs().size());
    std::ranges::transform(all_programs(), names.begin(), &ProgramData::name);
    std::ranges::sort(names);
    std::string list, line = " ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (line.size() + names[i].size() + 2 > 78) {
            list.append(line).append("\n");
            line.resize(1);  // the indent: one space, and one before each name
        }
        line.append(" ").append(names[i]).append(i + 1 < names.size() ? "," : ".");
    }
    return list.append(line).append("\n");
}

// The option lines of --help, their texts in a column of their own.
std::string option_lines() {
    constexpr std::size_t COLUMN = 17;
    std::string lines;
    for (const OptionRow &row : OPTIONS) {
        std::string head = std::string("  --") + row.name + (row.value != nullptr ? std::string(" ") + row.value : "");
        head += head.size() + 2 <= COLUMN ? std::string(COLUMN - head.size(), ' ') : "\n" + std::string(COLUMN, ' ');
        lines += head;
        for (const char c : row.help) {
            lines += c;
            if (c == '\n') lines.append(COLUMN, ' ');
        }
        lines += '\n';
    }
    return lines;
}

// `written` names the option `name` whole, not abbreviated, with or without
// an attached value.
bool names_whole(std::string_view written, std::string_view name) {
    return written.starts_with("--") && written.substr(2).starts_with(name) &&
           (written.size() == name.size() + 2 || written[name.size() + 2] == '=');
}

// The arguments as getopt_long reads them: a program name, each argument,
// then a null pointer, pointing into `texts`.
std::vector<char *> argv_of(std::vector<std::string> &texts) {
    std::vector<char *> argv(texts.size() + 1, nullptr);
    std::ranges::transform(texts, argv.begin(), [](std::string &text) { return text.data(); });
    return argv;
}

std::vector<option> long_options() {
    std::vector<option> options(std::size(OPTIONS) + 1, option{});  // ends with a row of zeros
    std::ranges::transform(OPTIONS, options.begin(), [k = FIRST_OPTION](const OptionRow &row) mutable {
        return option{row.name, row.value != nullptr ? required_argument : no_argument, nullptr, k++};
    });
    return options;
}

// Takes the option getopt_long returned as `got`, read from the argument
// `written`; returns what is wrong with it, or nothing.
std::string take_option(int got, std::string_view written, CommandLine &result) {
    const int known = (got == '?' || got == ':' ? optopt : got) - FIRST_OPTION;
    if (known < 0 || static_cast<std::size_t>(known) >= std::size(OPTIONS) ||
        !names_whole(written, OPTIONS[static_cast<std::size_t>(known)].name))
        return "option non reconnue « " + std::string(written) + " »";
    const OptionRow &row = OPTIONS[static_cast<std::size_t>(known)];
    const std::string name = std::string("« --") + row.name + " »";
    if (got == '?') return "l'option " + name + " ne prend pas de valeur";
    if (got == ':') return "l'option " + name + " demande une valeur : " + std::string(row.expected);
    const std::string_view value = optarg != nullptr ? optarg : "";
    if (!row.take(result, value))
        return "valeur incorrecte pour " + name + " : « " + std::string(value) + " » ; attendu : " +
               std::string(row.expected);
    return "";
}

// A teacher's exercise: its file read, every operand a candidate.
void take_exercise(const std::vector<std::string> &operands, CommandLine &result) {
    const auto refuse = [&](const std::string &message) {
        result.action = Action::refuse;
        result.message = message;
    };
    Options &o = result.options;
    if (o.exercise_file.empty()) return refuse(refusal("l'option « --reference » va avec « --exercice »"));
    if (o.reference.empty())
        return refuse(refusal("il manque le programme de référence de l'exercice : --reference CORRIGE"));
    if (operands.empty() && o.class_folder.empty()) return refuse(refusal("il manque le candidat à vérifier"));
    if (!operands.empty() && !o.class_folder.empty())
        return refuse(refusal("avec --class, les rendus sont ceux de la classe : pas de candidat « " + operands[0] +
                              " » en plus"));
    try {
        o.exercise = std::make_shared<const ProgramData>(read_exercise_file(o.exercise_file));
    } catch (const ExerciseMistake &mistake) {
        return refuse("exocheck: " + std::string(mistake.what()) + "\n");
    }
    o.program = o.exercise.get();
    o.candidates = operands;
}

void take_operands(const std::vector<std::string> &operands, CommandLine &result) {
    const auto refuse = [&](const std::string &message) {
        result.action = Action::refuse;
        result.message = message;
    };
    if (!result.options.exercise_file.empty() || !result.options.reference.empty())
        return take_exercise(operands, result);
    if (operands.empty()) return refuse(refusal("il manque le programme et le candidat"));
    result.options.program = find_program(operands[0]);
    if (result.options.program == nullptr)
        return refuse("exocheck: programme inconnu « " + operands[0] + " » ; les programmes sont :\n" + program_names() +
                      try_help());
    Options &o = result.options;
    if (!o.class_folder.empty() && operands.size() > 1)
        return refuse(refusal("avec --class, les rendus sont ceux de la classe : pas de candidat « " + operands[1] +
                              " » en plus"));
    if (o.class_folder.empty() && operands.size() == 1)
        return refuse(refusal("il manque le candidat à vérifier, après « " + operands[0] + " »"));
    o.candidates.assign(operands.begin() + 1, operands.end());
}

// The options that go only with others, or not with them; empty when all fit.
std::string misfit(const Options &o) {
    if (o.class_folder.empty() && (!o.file.empty() || !o.learners_file.empty()))
        return std::string("l'option « ") + (o.file.empty() ? "--learners" : "--file") + " » va avec --class";
    if (o.format == Format::gradescope && (!o.class_folder.empty() || o.candidates.size() > 1))
        return "--format gradescope note un seul rendu, celui que l'autocorrecteur reçoit";
    if (o.weights.dialogues + o.weights.boundaries + o.weights.generated <= 0)
        return "les points des genres de cas (dialogues, boundaries, generated) sont tous nuls";
    return "";
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string> &arguments) {
    std::vector<std::string> texts = {"exocheck"};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    const std::vector<char *> argv = argv_of(texts);
    const std::vector<option> options = long_options();
    const int argc = static_cast<int>(texts.size());
    // "-": operands returned in order, where they stand; ":": a missing value
    // told apart; no message of getopt's own: they are exocheck's, in French.
    optind = 0;
    opterr = 0;
    CommandLine result;
    std::vector<std::string> operands;
    while (result.action == Action::check) {
        // The argument getopt_long reads next: it reads them in order.
        const int next = std::max(optind, 1);
        const std::string_view written = next < argc ? argv[static_cast<std::size_t>(next)] : "";
        const int got = getopt_long(argc, argv.data(), "-:", options.data(), nullptr);
        if (got == -1) break;
        if (got == 1) {
            operands.emplace_back(optarg);
            continue;
        }
        if (const std::string wrong = take_option(got, written, result); !wrong.empty()) {
            result.action = Action::refuse;
            result.message = refusal(wrong);
        }
    }
    if (result.action != Action::check) return result;
    // After "--", every argument is an operand.
    operands.insert(operands.end(), argv.begin() + optind, argv.end() - 1);
    take_operands(operands, result);
    if (result.action == Action::check)
        if (const std::string wrong = misfit(result.options); !wrong.empty()) {
            result.action = Action::refuse;
            result.message = refusal(wrong);
        }
    return result;
}

std::string help_text() {
    return "Utilisation : exocheck [OPTION]... PROGRAMME CANDIDAT...\n"
           "   ou : exocheck [OPTION]... --exercice FICHIER --reference CORRIGE CANDIDAT...\n"
           "   ou : exocheck [OPTION]... --class DOSSIER PROGRAMME\n"
           "Vérifie que chaque CANDIDAT, un programme écrit d'après l'énoncé de l'exercice\n"
           "PROGRAMME, se comporte comme le programme de référence : mêmes sorties et même\n"
           "fin, sur les dialogues du manuel, des cas limites et des cas générés. À la\n"
           "première différence, l'entrée est réduite au minimum et la différence\n"
           "expliquée. Un CANDIDAT source en C ou C++ (.c, .cpp, .cc, .cxx) est d'abord\n"
           "compilé. Pour une classe (--class) et les formats qui notent (csv, junit,\n"
           "tap, gradescope, html), tous les cas sont vérifiés et chaque rendu noté sur 20.\n"
           "\n" +
           option_lines() +
           "\n"
           "PROGRAMME est l'un des exercices :\n" +
           program_names() +
           "\n"
           "Code de sortie : 0 si chaque rendu se comporte comme la référence (ou comme\n"
           "l'énoncé), 1 si l'un d'eux diffère, a une erreur de mémoire, ne peut pas être\n"
           "lancé ou n'a pas été rendu, 2 si la commande est incorrecte, la référence\n"
           "introuvable ou un source ne compile pas, 129, 130 ou 143 après une\n"
           "interruption.\n"
           "Voir exocheck(1).\n";
}

std::string version_text() {
    char lines[256];
    std::snprintf(lines, sizeof lines, VERSION_LINES, "exocheck");
    return lines;
}

int processors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::max(1, CPU_COUNT(&set));
}

}  // namespace exocheck
