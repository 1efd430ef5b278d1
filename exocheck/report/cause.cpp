#include "report/cause.h"

#include <algorithm>
#include <csignal>
#include <optional>

#include "judge/assertion.h"
#include "judge/shape.h"
#include "report/ending.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t WHOLE = 200;  // an assertion's condition: its text, and short

constexpr std::string_view CODES[] = {
    "not-started", "timeout", "output-too-long", "memory-limit", "segfault", "division-by-zero", "abort", "signal",
    "candidate-assertion", "accepts-refused-input", "assertion-function", "assertion-text",
    "condition-written-otherwise", "assertion-other", "message-on-stdout", "message-on-stderr",
    "missing-final-newline", "extra-final-newline", "missing-newline", "extra-newline", "prompt-newline",
    "prompt-space", "newline-for-space", "carriage-returns", "tab-for-spaces", "no-break-space", "trailing-space",
    "missing-trailing-space", "extra-space", "missing-space", "spaces", "latin1-accents", "missing-accent",
    "extra-accent", "other-accent", "swapped-lines", "swapped-values", "no-midnight-wrap", "no-minute-wrap",
    "no-midnight-wrap-back", "no-minute-wrap-back", "decimals", "leading-zeros", "sign", "starting-value",
    "constant-offset", "boundary", "value-off-by-one", "rounding", "prompt-missing", "prompt-text",
    "output-stops-early", "extra-output", "exit-status",
};

// The family of the value causes, whose code depends on what other runs show.
constexpr std::string_view VALUE = "value";
// Past this size an output is not searched value by value.
constexpr std::size_t LONGEST = 1 << 16;

LikelyCause cause(std::string_view code, std::string text, std::string place = "") {
    return {std::string(code), std::move(text), std::string(code), std::move(place)};
}

// "« text »", shortened to a readable length.
std::string shown(std::string_view text, std::size_t longest = 40) {
    std::size_t cut = std::min(text.size(), longest);
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
    while (cut > 0 && cut < text.size() && text[cut - 1] == ' ') --cut;
    return "« " + visible_line(text.substr(0, cut), false) + (cut < text.size() ? "…" : "") + " »";
}

std::string first_line(std::string_view text) { return std::string(text.substr(0, text.find('\n'))); }

std::string without(std::string_view text, char removed) {
    std::string kept;
    for (char c : text)
        if (c != removed) kept += c;
    return kept;
}

std::size_t common_prefix(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

std::size_t line_number_at(std::string_view text, std::size_t at) {
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string line_at(std::string_view text, std::size_t at) {
    return " (ligne " + std::to_string(line_number_at(text, at)) + ")";
}

// The lines of a text, each without its newline.
std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// --- How the candidate ended -------------------------------------------------

// A run that would not end (a loop, silent or writing) is one mistake,
// whichever limit stopped it.
LikelyCause runaway(LikelyCause c) {
    c.family = "runaway";
    return c;
}

LikelyCause signal_cause(int signal, const RunResult &obtained) {
    std::string how = "le candidat s'arrête : " + signal_in_french(signal);
    if (signal == SIGSEGV) return cause("segfault", how + ", un accès hors d'un tableau ou par un pointeur erroné ?");
    if (signal == SIGFPE) return cause("division-by-zero", how + ", une division entière par zéro ?");
    if (signal == SIGABRT) {
        if (auto a = find_assertion(obtained.err))
            return cause("candidate-assertion", "une assertion du candidat échoue (" + shown(a->condition, WHOLE) +
                                                    ") là où la référence n'en a pas",
                         std::string(a->condition));
        return cause("abort", how + ", un appel à abort() ?");
    }
    return cause("signal", how);
}

LikelyCause ending_cause(const RunResult &expected, const RunResult &obtained, int timeout_ms) {
    switch (end_kind(obtained)) {
    case EndKind::not_started:
        return cause("not-started", "le candidat n'a pas pu être lancé (" + start_error_in_french(obtained.start_error) + ")");
    case EndKind::time_limit:
        return runaway(cause("timeout", "le candidat ne s'arrête pas dans la limite de " + seconds_in_french(timeout_ms) +
                                            " : une boucle sans fin, comme une lecture ratée répétée ?"));
    case EndKind::output_cap:
        return runaway(cause("output-too-long", "le candidat écrit plus de " + output_cap_in_french() +
                                                    " : une boucle qui écrit sans fin ?"));
    case EndKind::memory_cap:
        return cause("memory-limit", "le candidat occupe plus de " + memory_cap_in_french() +
                                         " de mémoire : une allocation sans fin ?");
    case EndKind::signal:
        if (expected.exited || expected.signal != obtained.signal) return signal_cause(obtained.signal, obtained);
        return {};
    case EndKind::exit: break;
    }
    if (!expected.exited && expected.signal == SIGABRT) {
        const std::string status = "termine avec le code " + std::to_string(obtained.status);
        if (auto a = find_assertion(expected.err))
            return cause("accepts-refused-input",
                         "la référence refuse cette entrée (assertion " + shown(a->condition, WHOLE) + " dans " +
                             std::string(bare_function_name(a->function)) + ") ; le candidat l'accepte et " + status,
                         std::string(a->condition));
        return cause("accepts-refused-input", "la référence s'arrête par abort() ; le candidat " + status);
    }
    return {};
}

LikelyCause assertion_cause(const RunResult &expected, const RunResult &obtained) {
    const auto e = find_assertion(expected.err), o = find_assertion(obtained.err);
    if (!e || !o) return {};
    const std::string_view fe = bare_function_name(e->function), fo = bare_function_name(o->function);
    const bool same_function = fe == fo, same_condition = e->condition == o->condition;
    const std::string place = std::string(fe) + ": " + std::string(e->condition);
    if (same_function && same_condition) return {};
    if (same_condition)
        return cause("assertion-function", "l'assertion qui échoue est dans la fonction " + shown(fo) + " au lieu de " + shown(fe),
                     place);
    if (same_function)
        return cause("assertion-text", "la condition de l'assertion diffère : " + shown(o->condition, WHOLE) + " au lieu de " +
                                           shown(e->condition, WHOLE),
                     place);
    return cause("assertion-other", "l'assertion qui échoue n'est pas la même : " + shown(o->condition, WHOLE) + " dans " +
                                        std::string(fo) + " au lieu de " + shown(e->condition, WHOLE) + " dans " +
                                        std::string(fe),
                 place);
}

// A message written on the other stream than the reference's.
LikelyCause stream_cause(const RunResult &expected, const RunResult &obtained) {
    if (expected.out.size() > LONGEST || obtained.out.size() > LONGEST || obtained.err.size() > LONGEST) return {};
    const std::string on_err = first_line(expected.err);
    if (!on_err.empty() && !parse_assertion(on_err) && obtained.err.find(on_err) == std::string::npos &&
        obtained.out.find(on_err) != std::string::npos)
        return cause("message-on-stdout",
                     "le message " + shown(on_err) + " est écrit sur la sortie standard au lieu de la sortie d'erreur",
                     shape(on_err));
    std::string_view out = expected.out;
    while (!out.empty()) {
        const std::string line = first_line(out);
        if (!line.empty() && obtained.out.find(line) == std::string::npos &&
            obtained.err.find(line) != std::string::npos)
            return cause("message-on-stderr",
                         "le message " + shown(line) + " est écrit sur la sortie d'erreur au lieu de la sortie standard",
                         shape(line));
        out.remove_prefix(std::min(out.size(), line.size() + 1));
    }
    return {};
}

// --- The text of one stream ----------------------------------------------------

// True when the line of `text` that ends at `end` asks for something: it
// ends with ':' or '?', spaces aside.
bool prompt_ends_at(std::string_view text, std::size_t end) {
    const std::size_t newline = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
    const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
    const std::string_view line = text.substr(begin, end - begin);
    const std::size_t last = line.find_last_not_of(' ');
    return last != std::string_view::npos && (line[last] == ':' || line[last] == '?');
}

// A newline where the reference writes a space, or after a space: after a
// prompt, the answer shows on the next line instead of after it.
LikelyCause newline_for_space(std::string_view e, std::string_view o) {
    const std::size_t at = common_prefix(e, o);
    if (at >= o.size() || o[at] != '\n') return {};
    const bool replaces = at < e.size() && e[at] == ' ' && e.substr(at + 1) == o.substr(at + 1);
    const bool follows = at > 0 && e[at - 1] == ' ' && e.substr(at) == o.substr(at + 1);
    if (!replaces && !follows) return {};
    if (prompt_ends_at(e, at))
        return cause("prompt-newline",
                     "l'invite se termine par un saut de ligne au lieu d'une espace : la réponse s'affiche à la ligne "
                     "suivante" + line_at(e, at));
    return replaces ? cause("newline-for-space", "un saut de ligne au lieu d'une espace" + line_at(e, at)) : LikelyCause{};
}

LikelyCause newline_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (e.ends_with('\n') && e.substr(0, e.size() - 1) == o)
        return cause("missing-final-newline", "il manque le saut de ligne à la fin de " + stream);
    if (o.ends_with('\n') && o.substr(0, o.size() - 1) == e)
        return cause("extra-final-newline", "un saut de ligne de trop à la fin de " + stream);
    if (LikelyCause prompt = newline_for_space(e, o); !prompt.code.empty()) return prompt;
    if (without(e, '\n') != without(o, '\n')) return {};
    const std::size_t at = common_prefix(e, o);
    const std::string where = " (ligne " + std::to_string(line_number_at(e, at)) + " attendue)";
    if (at < e.size() && e[at] == '\n') return cause("missing-newline", "il manque un saut de ligne" + where);
    return cause("extra-newline", "un saut de ligne en trop" + where);
}

// Spaces, tabs, carriage returns and no-break spaces taken out.
std::string without_blanks(std::string_view text) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') continue;
        if (text.substr(i).starts_with("\u00a0")) {
            ++i;
            continue;
        }
        if (text.substr(i).starts_with("\u202f")) {
            i += 2;
            continue;
        }
        kept += text[i];
    }
    return kept;
}

constexpr std::string_view CARRIAGE_RETURNS = "des retours chariot (\\r) en trop dans ";

LikelyCause blank_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (without(o, '\r') == e && o != e)
        return cause("carriage-returns", std::string(CARRIAGE_RETURNS) + stream + " : des fins de ligne à la Windows ?");
    if (without_blanks(e) != without_blanks(o)) return {};
    const std::size_t at = common_prefix(e, o);
    const std::string_view re = e.substr(at), ro = o.substr(at);
    const auto trailing = [](std::string_view rest) {
        const std::size_t end = rest.find_first_not_of(' ');
        return rest.starts_with(' ') && (end == std::string_view::npos || rest[end] == '\n');
    };
    const std::string line = line_at(e, at);
    if (re.starts_with('\t') || ro.starts_with('\t')) return cause("tab-for-spaces", "une tabulation au lieu d'espaces" + line);
    if (ro.starts_with("\u00a0") || ro.starts_with("\u202f"))
        return cause("no-break-space", "une espace insécable au lieu d'une espace ordinaire" + line);
    if (trailing(ro) && !trailing(re)) return cause("trailing-space", "une espace de trop en fin de ligne" + line);
    if (trailing(re) && !trailing(ro)) return cause("missing-trailing-space", "il manque l'espace en fin de ligne" + line);
    if (ro.starts_with(' ')) return cause("extra-space", "une espace de trop" + line);
    if (re.starts_with(' ')) return cause("missing-space", "il manque une espace" + line);
    return cause("spaces", "seules des espaces diffèrent" + line);
}

// U+00C0 to U+00FF (or their Latin-1 bytes) without their accents.
constexpr std::string_view UNACCENTED = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo/ouuuuyty";

std::string without_accents(std::string_view text) {
    std::string kept;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        const auto first = static_cast<unsigned char>(text[i]);
        if (length == 2 && first == 0xC3U) {
            kept += UNACCENTED[static_cast<unsigned char>(text[i + 1]) & 0x3FU];
            i += 2;
        } else if (length == 0 && first >= 0xC0U) {
            kept += UNACCENTED[first - 0xC0U];
            ++i;
        } else {
            const std::size_t taken = std::max<std::size_t>(length, 1);
            kept += text.substr(i, taken);
            i += taken;
        }
    }
    return kept;
}

// The word around `at`: letters, accented ones included.
std::string_view word_at(std::string_view text, std::size_t at) {
    const auto in_word = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(text[i]);
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80U;
    };
    std::size_t begin = std::min(at, text.size()), end = begin;
    while (begin > 0 && in_word(begin - 1)) --begin;
    while (end < text.size() && in_word(end)) ++end;
    return text.substr(begin, end - begin);
}

constexpr std::string_view LATIN1 =
    "les accents sont écrits en Latin-1 (ISO-8859-1) et non en UTF-8 : enregistrez le source en UTF-8";

LikelyCause accent_cause(std::string_view e, std::string_view o) {
    if (without_accents(e) != without_accents(o)) return {};
    if (!is_utf8(o) && is_utf8(e)) return cause("latin1-accents", std::string(LATIN1));
    std::size_t at = common_prefix(e, o);
    while (at > 0 && at < e.size() && (static_cast<unsigned char>(e[at]) & 0xC0U) == 0x80U) --at;  // a letter's start
    const std::string_view we = word_at(e, at), wo = word_at(o, at);
    const std::string words = shown(wo) + " au lieu de " + shown(we);
    if (wo.size() < we.size()) return cause("missing-accent", "un accent manque : " + words);
    if (wo.size() > we.size()) return cause("extra-accent", "un accent en trop : " + words);
    return cause("other-accent", "un accent diffère : " + words);
}

// Two lines in the other order, all else the same.
LikelyCause swapped_lines_cause(std::string_view e, std::string_view o) {
    if (e.size() != o.size() || e.size() > LONGEST) return {};
    const std::vector<std::string_view> le = lines_of(e), lo = lines_of(o);
    if (le.size() != lo.size()) return {};
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < le.size() && differ.size() <= 2; ++i)
        if (le[i] != lo[i]) differ.push_back(i);
    if (differ.size() != 2 || le[differ[0]] != lo[differ[1]] || le[differ[1]] != lo[differ[0]]) return {};
    return cause("swapped-lines", "deux lignes sont dans l'ordre inverse : les lignes " + std::to_string(differ[0] + 1) +
                                      " et " + std::to_string(differ[1] + 1));
}

LikelyCause wrap_cause(std::int64_t e, std::int64_t o) {
    if (e == 0 && o == 24) return cause("no-midnight-wrap", "les heures ne repassent pas à 00 après 23");
    if (e == 0 && o == 60) return cause("no-minute-wrap", "les minutes ou les secondes ne repassent pas à 00 après 59");
    if (e == 23 && o == -1) return cause("no-midnight-wrap-back", "les heures ne repassent pas à 23 avant 00");
    if (e == 59 && o == -1)
        return cause("no-minute-wrap-back", "les minutes ou les secondes ne repassent pas à 59 avant 00");
    return {};
}

// `units` of the last of `decimals` decimals, signed: "+1", "-0.25".
std::string signed_units(std::int64_t units, std::size_t decimals) {
    std::string digits = std::to_string(units < 0 ? -units : units);
    if (decimals > 0) {
        const std::string padded = std::string(digits.size() <= decimals ? decimals + 1 - digits.size() : 0, '0') + digits;
        digits = padded.substr(0, padded.size() - decimals) + "." + padded.substr(padded.size() - decimals);
    }
    return (units < 0 ? "-" : "+") + digits;
}

// A result of 0 where the reference gives the largest of the input's
// numbers, all below 0, or the smallest, all above: a maximum or a minimum
// that starts at 0, which no number read ever beats.
bool starts_at_zero(const Number &e, const Number &o, std::string_view input) {
    const auto ve = e.value(), vo = o.value();
    if (!ve || !vo || *vo != 0 || *ve == 0 || e.decimals != 0 || o.decimals != 0 || input.size() > LONGEST) return false;
    std::vector<Number> read;
    split_numbers(input, read);
    std::vector<std::int64_t> values;
    for (const Number &n : read) {
        const auto v = n.value();
        if (!v || n.decimals != 0 || (*v < 0) != (*ve < 0) || *v == 0) return false;
        values.push_back(*v);
    }
    if (values.empty()) return false;
    return *ve == (*ve < 0 ? std::ranges::max(values) : std::ranges::min(values));
}

// What is known of a value beside its two runs: what the other runs showed
// of it, and the input.
struct ValueContext {
    const ValueEvidence::Tally *tally = nullptr;
    std::string_view input;
    bool alone = false;  // the only number of its line, as a maximum is
};

LikelyCause number_cause(const Number &e, const Number &o, const ValueContext &context) {
    const std::string pair = shown(o.text) + " au lieu de " + shown(e.text);
    if (e.decimals != o.decimals)
        return cause("decimals", "les nombres n'ont pas le même nombre de décimales : " + pair +
                                     (e.decimals == 0 ? std::string(" (%d ?)") : " (%." + std::to_string(e.decimals) + "f ?)"));
    const auto ve = e.value(), vo = o.value();
    if (!ve || !vo) return {};
    if (*ve == *vo)
        return cause("leading-zeros", "les zéros en tête diffèrent : " + pair + " (%0" + std::to_string(e.text.size()) + "d ?)");
    if (*ve == -*vo) return cause("sign", "le signe diffère : " + pair);
    if (context.alone && starts_at_zero(e, o, context.input))
        return cause("starting-value", "le résultat est 0 là où la référence donne " + shown(e.text) +
                                           ", la valeur extrême de l'entrée : un maximum ou un minimum qui part de 0 "
                                           "au lieu de la première valeur lue ?");
    const std::int64_t off = *vo - *ve;
    const ValueEvidence::Tally *tally = context.tally;
    LikelyCause value;
    if (tally != nullptr && tally->same == 0 && tally->seen >= 2 && tally->one_offset && tally->offset == off)
        value = cause("constant-offset", "une valeur est décalée de " + signed_units(off, e.decimals) +
                                             " partout où elle apparaît : " + pair + " (un calcul décalé, pas une borne)");
    else if ((off == 1 || off == -1) && e.decimals > 0)
        value = cause("rounding", "un arrondi diffère : " + pair + " (calcul en float ou en double, ou arrondi fait à la main ?)");
    else if ((off == 1 || off == -1) && tally != nullptr && tally->same > 0 &&
             (tally->seen == tally->same || (tally->one_offset && tally->offset == off)))
        value = cause("boundary", "une valeur diffère de 1 à une borne seulement, juste ailleurs : " + pair +
                                      " (une borne décalée, < au lieu de <= ?)");
    else if (off == 1 || off == -1)
        value = cause("value-off-by-one", "une valeur diffère de 1 : " + pair);
    value.family = VALUE;
    return value;
}

// The line of `text` around `at`, its numbers as '#', and the rank of the
// number at `at` in it.
std::pair<std::string, std::size_t> value_key(std::string_view text, std::size_t at) {
    const std::size_t newline = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
    const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::vector<Number> numbers;
    const std::string skeleton = split_numbers(text.substr(begin, end - begin), numbers);
    const auto rank = std::ranges::count_if(numbers, [&](const Number &n) { return n.at < at - begin; });
    return {skeleton, static_cast<std::size_t>(rank)};
}

LikelyCause numbers_cause(std::string_view e, std::string_view o, std::string_view input, const ValueEvidence *evidence) {
    std::vector<Number> ne, no;
    if (split_numbers(e, ne) != split_numbers(o, no) || ne.size() != no.size()) return {};
    // A wrap shows best on the field that failed to wrap, not on the one
    // that failed to carry.
    for (std::size_t i = 0; i < ne.size(); ++i) {
        const auto ve = ne[i].value(), vo = no[i].value();
        if (ve && vo && ne[i].decimals == 0 && no[i].decimals == 0)
            if (LikelyCause wrap = wrap_cause(*ve, *vo); !wrap.code.empty()) return wrap;
    }
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < ne.size() && differ.size() <= 2; ++i)
        if (ne[i].text != no[i].text) differ.push_back(i);
    if (differ.empty()) return {};
    if (differ.size() == 2 && ne[differ[0]].text == no[differ[1]].text && ne[differ[1]].text == no[differ[0]].text)
        return cause("swapped-values", "deux valeurs sont échangées : " + shown(no[differ[0]].text) + " puis " +
                                           shown(no[differ[1]].text) + " au lieu de " + shown(ne[differ[0]].text) +
                                           " puis " + shown(ne[differ[1]].text));
    const Number &first = ne[differ[0]];
    const auto [skeleton, rank] = value_key(e, first.at);
    ValueContext context{nullptr, input, std::ranges::count(skeleton, '#') == 1};
    if (evidence != nullptr) context.tally = evidence->find(skeleton, rank);
    return number_cause(first, no[differ[0]], context);
}

// A first line that asks for the input ("... :") before other lines that
// are the same, if any: a shrunk input may leave the prompt alone.
LikelyCause prompt_cause(std::string_view e, std::string_view o) {
    const std::size_t e_end = e.find('\n'), o_end = o.find('\n');
    if (e_end == std::string_view::npos) return {};
    const std::string_view e_prompt = e.substr(0, e_end), e_rest = e.substr(e_end + 1);
    const std::size_t last = e_prompt.find_last_not_of(' ');
    if (last == std::string_view::npos || (e_prompt[last] != ':' && e_prompt[last] != '?')) return {};
    if (o == e_rest && !o.empty())
        return cause("prompt-missing", "l'invite (la première ligne, " + shown(e_prompt) + ") manque");
    if (o_end == std::string_view::npos || o.substr(o_end + 1) != e_rest) return {};
    // The word where they part, or the whole line when that is no word.
    const std::string_view o_prompt = o.substr(0, o_end);
    const std::size_t at = common_prefix(e_prompt, o_prompt);
    std::string_view we = word_at(e_prompt, at), wo = word_at(o_prompt, at);
    if (we.empty() || wo.empty()) {
        we = e_prompt;
        wo = o_prompt;
    }
    return cause("prompt-text", "l'invite (la première ligne) diffère : " + shown(wo) + " au lieu de " + shown(we));
}

LikelyCause length_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (e.starts_with(o))
        return cause("output-stops-early", stream + " s'arrête trop tôt : il manque " + shown(first_line(e.substr(o.size()))));
    if (o.starts_with(e))
        return cause("extra-output", "du texte en trop à la fin de " + stream + " : " + shown(first_line(o.substr(e.size()))));
    return {};
}

// The cause of a difference between two texts that explains it whole.
LikelyCause text_cause(std::string_view e, std::string_view o, const std::string &stream, std::string_view input,
                       const ValueEvidence *evidence) {
    LikelyCause found = newline_cause(e, o, stream);
    if (found.family.empty()) found = blank_cause(e, o, stream);
    if (found.family.empty()) found = accent_cause(e, o);
    if (found.family.empty()) found = swapped_lines_cause(e, o);
    if (found.family.empty()) found = numbers_cause(e, o, input, evidence);
    if (found.family.empty()) found = prompt_cause(e, o);
    if (found.family.empty()) found = length_cause(e, o, stream);
    if (!found.family.empty()) found.place = stream + ": " + first_differing_line(e, o);
    return found;
}

// Latin-1 bytes written as UTF-8, when that is all that makes `text` not UTF-8.
std::optional<std::string> latin1_as_utf8(std::string_view text) {
    std::string converted;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text.substr(i));
        const auto byte = static_cast<unsigned char>(text[i]);
        if (length == 0 && byte < 0xA0U) return std::nullopt;  // no letter of Latin-1
        if (length == 0) {
            converted += static_cast<char>(0xC0U | (byte >> 6U));
            converted += static_cast<char>(0x80U | (byte & 0x3FU));
            ++i;
            continue;
        }
        converted += text.substr(i, length);
        i += length;
    }
    return converted;
}

// The candidate's output with its empty lines where the reference has them,
// when only they differ in number (a missing "\n" after a prompt line):
// nothing otherwise.
std::optional<std::string> with_empty_lines_of(std::string_view e, std::string_view o) {
    const auto split = [](std::string_view text) {
        std::vector<std::string_view> parts;
        for (std::size_t end = text.find('\n');; end = text.find('\n')) {
            parts.push_back(text.substr(0, end));
            if (end == std::string_view::npos) return parts;
            text.remove_prefix(end + 1);
        }
    };
    const std::vector<std::string_view> pe = split(e), po = split(o);
    const auto filled = [](const std::vector<std::string_view> &parts) {
        std::vector<std::string_view> kept;
        for (std::size_t i = 0; i < parts.size(); ++i)
            if (!parts[i].empty() || i + 1 == parts.size()) kept.push_back(parts[i]);
        return kept;
    };
    const std::vector<std::string_view> fe = filled(pe), fo = filled(po);
    if (fe.size() != fo.size() || pe.size() - fe.size() == po.size() - fo.size()) return std::nullopt;
    std::string rebuilt;
    for (std::size_t i = 0, next = 0; i < pe.size(); ++i) {
        if (i > 0) rebuilt += '\n';
        if (!pe[i].empty() || i + 1 == pe.size()) rebuilt += fo[next++];
    }
    return rebuilt;
}

// A prompt ended by a newline where the reference ends it by a space (the
// answer then shows on the next line), or the other way round: its cause,
// and the candidate's output with the reference's ending.
std::optional<std::pair<LikelyCause, std::string>> prompt_ended_otherwise(std::string_view e, std::string_view o) {
    const std::size_t at = common_prefix(e, o);
    if (at >= e.size() || at >= o.size() || !prompt_ends_at(e, at)) return std::nullopt;
    std::string fixed(o);
    fixed[at] = e[at];
    if (e[at] == ' ' && o[at] == '\n')
        return std::pair{cause("prompt-newline", "l'invite se termine par un saut de ligne au lieu d'une espace : la "
                                                 "réponse s'affiche à la ligne suivante" + line_at(e, at)),
                         std::move(fixed)};
    if (e[at] == '\n' && o[at] == ' ')
        return std::pair{cause("prompt-space", "l'invite se termine par une espace au lieu d'un saut de ligne : la "
                                               "réponse s'affiche sur la même ligne" + line_at(e, at)),
                         std::move(fixed)};
    return std::nullopt;
}

// `skeleton` (split_numbers) with its numbers given back, in order.
std::string with_numbers(std::string_view skeleton, const std::vector<Number> &numbers) {
    std::string text;
    std::size_t next = 0;
    for (const char c : skeleton) {
        if (c == '#' && next < numbers.size()) text += numbers[next++].text;
        else text += c;
    }
    return text;
}

// White space that differs beside values that differ: the cause of the
// white space, and the candidate's output with the reference's spaces and
// its own values.
std::optional<std::pair<LikelyCause, std::string>> blanks_beside_values(std::string_view e, std::string_view o,
                                                                        const std::string &stream) {
    std::vector<Number> ne, no;
    const std::string se = split_numbers(e, ne), so = split_numbers(o, no);
    if (se == so || ne.size() != no.size() || without_blanks(se) != without_blanks(so)) return std::nullopt;
    LikelyCause blanks = blank_cause(e, with_numbers(so, ne), stream);
    if (blanks.family.empty()) return std::nullopt;
    return std::pair{std::move(blanks), with_numbers(se, no)};
}

// A difference that shows on a whole output and hides others (accents in
// Latin-1, carriage returns, a prompt's end, white space beside values,
// empty lines, the final newline): its cause, and the candidate's output
// with it set right.
std::optional<std::pair<LikelyCause, std::string>> cosmetic(std::string_view e, std::string_view o,
                                                            const std::string &stream) {
    if (is_utf8(e) && !is_utf8(o))
        if (auto converted = latin1_as_utf8(o)) return std::pair{cause("latin1-accents", std::string(LATIN1)), std::move(*converted)};
    if (e.find('\r') == std::string_view::npos && o.find('\r') != std::string_view::npos)
        return std::pair{cause("carriage-returns", std::string(CARRIAGE_RETURNS) + stream + " : des fins de ligne à la Windows ?"),
                         without(o, '\r')};
    if (auto prompt = prompt_ended_otherwise(e, o)) return prompt;
    if (auto blanks = blanks_beside_values(e, o, stream)) return blanks;
    if (auto lines = with_empty_lines_of(e, o)) {
        const std::size_t at = common_prefix(e, o);
        const std::string where = " (ligne " + std::to_string(line_number_at(e, at)) + " attendue)";
        return std::pair{at < e.size() && e[at] == '\n' ? cause("missing-newline", "il manque un saut de ligne" + where)
                                                          : cause("extra-newline", "un saut de ligne en trop" + where),
                         std::move(*lines)};
    }
    if (e.ends_with('\n') && !o.empty() && !o.ends_with('\n'))
        return std::pair{cause("missing-final-newline", "il manque le saut de ligne à la fin de " + stream),
                         std::string(o) + "\n"};
    return std::nullopt;
}

// The causes of a difference between two texts: those that show on the
// whole text first, then the one that explains what remains.
void text_causes(std::string_view e, std::string o, const std::string &stream, std::string_view input,
                 const ValueEvidence *evidence, std::vector<LikelyCause> &causes) {
    for (int layer = 0; layer < 4 && o != e; ++layer) {
        if (LikelyCause whole = text_cause(e, o, stream, input, evidence); !whole.family.empty()) {
            causes.push_back(std::move(whole));
            return;
        }
        auto shown_first = cosmetic(e, o, stream);
        if (!shown_first) return;
        shown_first->first.place = stream + ": " + first_differing_line(e, o);
        causes.push_back(std::move(shown_first->first));
        o = std::move(shown_first->second);
    }
}

}  // namespace

std::span<const std::string_view> cause_codes() { return CODES; }

void ValueEvidence::Tally::add(std::int64_t off) {
    if (off == 0) {
        ++same;
    } else if (seen == same) {  // the first value off
        offset = off;
    } else if (offset != off) {
        one_offset = false;
    }
    ++seen;
}

ValueEvidence::Tally *ValueEvidence::tally(const std::string &skeleton, std::size_t rank) {
    // What one candidate's check keeps at most: a class of 300 candidates
    // stays within tens of MiB.
    constexpr std::size_t MOST_VALUES = 1000;
    auto found = tallies_.find({skeleton, rank});
    if (found != tallies_.end()) return &found->second;
    if (tallies_.size() >= MOST_VALUES) return nullptr;
    return &tallies_.emplace(std::pair{skeleton, rank}, Tally{}).first->second;
}

void ValueEvidence::add(std::string_view expected_out, std::string_view obtained_out) {
    constexpr std::size_t LONGEST_LINE = 200;  // longer lines are not values worth keeping
    if (expected_out.size() > LONGEST || obtained_out.size() > LONGEST) return;
    const std::vector<std::string_view> le = lines_of(expected_out), lo = lines_of(obtained_out);
    if (le.size() != lo.size()) return;
    for (std::size_t l = 0; l < le.size(); ++l) {
        if (le[l].size() > LONGEST_LINE) continue;
        std::vector<Number> ne, no;
        const std::string skeleton = split_numbers(le[l], ne);
        if (ne.empty() || skeleton != split_numbers(lo[l], no) || ne.size() != no.size()) continue;
        for (std::size_t k = 0; k < ne.size(); ++k) {
            const auto ve = ne[k].value(), vo = no[k].value();
            if (!ve || !vo || ne[k].decimals != no[k].decimals) continue;
            if (Tally *t = tally(skeleton, k)) t->add(*vo - *ve);
        }
    }
}

const ValueEvidence::Tally *ValueEvidence::find(const std::string &line_skeleton, std::size_t rank) const {
    const auto found = tallies_.find({line_skeleton, rank});
    return found == tallies_.end() ? nullptr : &found->second;
}

std::vector<LikelyCause> likely_causes(const Verdict &verdict, const RunResult &expected, const RunResult &obtained,
                                       int timeout_ms, std::string_view input, const ValueEvidence *evidence) {
    std::vector<LikelyCause> causes;
    if (verdict.kind != Verdict::Kind::differ) return causes;
    if (LikelyCause ending = ending_cause(expected, obtained, timeout_ms); !ending.family.empty()) {
        causes.push_back(std::move(ending));
        return causes;
    }
    LikelyCause assertion;
    if (verdict.stderr_differs) assertion = assertion_cause(expected, obtained);
    if (!assertion.family.empty()) causes.push_back(std::move(assertion));
    if (verdict.stdout_differs || verdict.stderr_differs)
        if (LikelyCause stream = stream_cause(expected, obtained); !stream.family.empty()) {
            causes.push_back(std::move(stream));
            return causes;
        }
    if (verdict.stdout_differs) text_causes(expected.out, obtained.out, "la sortie standard", input, evidence, causes);
    if (verdict.stderr_differs && causes.empty())
        text_causes(expected.err, obtained.err, "la sortie d'erreur", input, evidence, causes);
    if (causes.empty() && expected.exited && obtained.exited && expected.status != obtained.status)
        causes.push_back(cause("exit-status", "le code de sortie est " + std::to_string(obtained.status) + " au lieu de " +
                                                  std::to_string(expected.status)));
    return causes;
}

LikelyCause likely_cause(const Verdict &verdict, const RunResult &expected, const RunResult &obtained, int timeout_ms,
                         std::string_view input, const ValueEvidence *evidence) {
    std::vector<LikelyCause> causes = likely_causes(verdict, expected, obtained, timeout_ms, input, evidence);
    return causes.empty() ? LikelyCause{} : std::move(causes.front());
}

LikelyCause condition_written_otherwise(const RunResult &expected, const RunResult &obtained, std::size_t cases) {
    const auto e = find_assertion(expected.err), o = find_assertion(obtained.err);
    if (!e || !o) return {};
    return cause("condition-written-otherwise",
                 "condition écrite autrement : " + shown(o->condition, WHOLE) + " au lieu de " +
                     shown(e->condition, WHOLE) + ", le même comportement sur " +
                     (cases == 1 ? std::string("le cas essayé") : "les " + std::to_string(cases) + " cas essayés") +
                     " ; l'énoncé donne le texte de la condition",
                 std::string(bare_function_name(e->function)) + ": " + std::string(e->condition));
}

}  // namespace exocheck
