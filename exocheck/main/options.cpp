#include "main/options.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sched.h>
#include <string_view>

#include "version.h"

namespace exocheck {

namespace {

constexpr std::size_t MOST_CASES = 1000000000;
constexpr int MOST_JOBS = 1024;
constexpr int LONGEST_TIMEOUT_MS = 3600 * 1000;

constexpr char TRY_HELP[] = "Saisissez « exocheck --help » pour plus d'informations.\n";

std::string refusal(const std::string &what) { return "exocheck: " + what + "\n" + TRY_HELP; }

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

// A whole number written in decimal digits only, at most `most`.
template <typename Number>
std::optional<Number> whole_number(std::string_view text, Number most) {
    Number n{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || text[0] == '-' || text[0] == '+' || error != std::errc() ||
        end != text.data() + text.size() || n > most)
        return std::nullopt;
    return n;
}

// Seconds with up to three decimals, after a point or a comma: "2", "0.5", "1,25".
std::optional<int> milliseconds(std::string_view text) {
    const std::size_t mark = text.find_first_of(".,");
    const std::string_view whole = text.substr(0, mark);
    const std::string_view decimals = mark == std::string_view::npos ? "" : text.substr(mark + 1);
    if (decimals.size() > 3 || (mark != std::string_view::npos && decimals.empty())) return std::nullopt;
    const auto seconds = whole_number<int>(whole, LONGEST_TIMEOUT_MS / 1000);
    std::optional<int> thousandths = 0;
    if (!decimals.empty()) thousandths = whole_number<int>(std::string(decimals) + std::string(3 - decimals.size(), '0'), 999);
    if (!seconds || !thousandths) return std::nullopt;
    const int total = *seconds * 1000 + *thousandths;
    if (total <= 0 || total > LONGEST_TIMEOUT_MS) return std::nullopt;
    return total;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string> &arguments) : arguments_(arguments) {}

    CommandLine parse() {
        std::vector<std::string> operands;
        bool options_end = false;
        for (next_ = 0; next_ < arguments_.size() && result_.action == CommandLine::Action::check;) {
            const std::string &argument = arguments_[next_++];
            if (options_end || !argument.starts_with("-") || argument == "-")
                operands.push_back(argument);
            else if (argument == "--")
                options_end = true;
            else
                option(argument);
        }
        if (result_.action == CommandLine::Action::check) take_operands(operands);
        return result_;
    }

private:
    void refuse(const std::string &message) {
        result_.action = CommandLine::Action::refuse;
        result_.message = message;
    }

    void option(const std::string &argument) {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const std::optional<std::string> attached =
            equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1));
        if (name == "--help") result_.action = CommandLine::Action::help;
        else if (name == "--version") result_.action = CommandLine::Action::version;
        else if (!flag(name, attached) && !option_with_value(name, attached))
            refuse(refusal("option non reconnue « " + argument + " »"));
    }

    // An option without a value; false when `name` is none.
    bool flag(const std::string &name, const std::optional<std::string> &attached) {
        Options &o = result_.options;
        bool *set = nullptr;
        bool unconfined = false;
        if (name == "--all") set = &o.all;
        else if (name == "--json") set = &o.json;
        else if (name == "--no-sandbox") set = &unconfined;
        else return false;
        if (attached) refuse(refusal("l'option « " + name + " » ne prend pas de valeur"));
        *set = true;
        if (unconfined) o.sandbox = false;
        return true;
    }

    // An option with a value; false when `name` is none.
    bool option_with_value(const std::string &name, const std::optional<std::string> &attached) {
        Options &o = result_.options;
        if (name == "--cases") {
            value(name, attached, "un nombre de cas de 0 à 1000000000", [&](std::string_view v) {
                const auto n = whole_number<std::size_t>(v, MOST_CASES);
                if (n) o.cases = *n;
                return n.has_value();
            });
        } else if (name == "--seed") {
            value(name, attached, "un entier de 0 à 18446744073709551615", [&](std::string_view v) {
                const auto n = whole_number<std::uint64_t>(v, UINT64_MAX);
                if (n) o.seed = *n;
                return n.has_value();
            });
        } else if (name == "--jobs") {
            value(name, attached, "un nombre d'exécutions de 1 à 1024", [&](std::string_view v) {
                const auto n = whole_number<int>(v, MOST_JOBS);
                if (n && *n > 0) o.jobs = *n;
                return n && *n > 0;
            });
        } else if (name == "--timeout") {
            value(name, attached, "des secondes, plus de 0 et au plus 3600, comme 2 ou 0.5", [&](std::string_view v) {
                const auto ms = milliseconds(v);
                if (ms) o.timeout_ms = *ms;
                return ms.has_value();
            });
        } else {
            return false;
        }
        return true;
    }

    // The value of an option, attached or in the next argument, given to `take`.
    template <typename Take>
    void value(const std::string &name, const std::optional<std::string> &attached, const std::string &expected,
               Take take) {
        if (!attached && next_ == arguments_.size()) {
            refuse(refusal("l'option « " + name + " » demande une valeur : " + expected));
            return;
        }
        const std::string v = attached ? *attached : arguments_[next_++];
        if (!take(v)) refuse(refusal("valeur incorrecte pour « " + name + " » : « " + v + " » ; attendu : " + expected));
    }

    void take_operands(const std::vector<std::string> &operands) {
        if (operands.empty()) {
            refuse(refusal("il manque le programme et le candidat"));
            return;
        }
        result_.options.program = find_program(operands[0]);
        if (result_.options.program == nullptr) {
            refuse("exocheck: programme inconnu « " + operands[0] + " » ; les programmes sont :\n" + program_names() +
                   TRY_HELP);
            return;
        }
        if (operands.size() == 1) {
            refuse(refusal("il manque le candidat à vérifier, après « " + operands[0] + " »"));
            return;
        }
        result_.options.candidates.assign(operands.begin() + 1, operands.end());
    }

    const std::vector<std::string> &arguments_;
    std::size_t next_ = 0;
    CommandLine result_;
};

}  // namespace

CommandLine parse_command_line(const std::vector<std::string> &arguments) { return Parser(arguments).parse(); }

std::string help_text() {
    return "Utilisation : exocheck [OPTION]... PROGRAMME CANDIDAT...\n"
           "Vérifie que chaque CANDIDAT, un programme écrit d'après l'énoncé de l'exercice\n"
           "PROGRAMME, se comporte comme le programme de référence : mêmes sorties et même\n"
           "fin, sur les dialogues du manuel, des cas limites et des cas générés. À la\n"
           "première différence, l'entrée est réduite au minimum et la différence\n"
           "expliquée.\n"
           "\n"
           "  --cases N      nombre de cas générés (1000 par défaut)\n"
           "  --seed S       graine des cas générés (1 par défaut)\n"
           "  --all          compte toutes les différences au lieu de s'arrêter à la\n"
           "                 première\n"
           "  --jobs N       exécutions en parallèle (par défaut, une par processeur)\n"
           "  --timeout S    limite de temps de chaque exécution, en secondes (2 par\n"
           "                 défaut)\n"
           "  --json         écrit le rapport en JSON\n"
           "  --no-sandbox   exécute les candidats sans les isoler\n"
           "  --help         affiche cette aide et termine\n"
           "  --version      affiche la version et termine\n"
           "\n"
           "PROGRAMME est l'un des exercices :\n" +
           program_names() +
           "\n"
           "Code de sortie : 0 si chaque candidat se comporte comme la référence (ou comme\n"
           "l'énoncé), 1 si l'un d'eux diffère, 2 pour une erreur d'utilisation ou un\n"
           "candidat impossible à lancer, 130 ou 143 après une interruption.\n"
           "Voir exocheck(1).\n";
}

std::string version_text() {
    return std::string("exocheck (petits-calculs) ") + PETITS_VERSION +
           "\nLicence MIT : logiciel libre, fourni sans aucune garantie.\n";
}

int processors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::max(1, CPU_COUNT(&set));
}

}  // namespace exocheck
