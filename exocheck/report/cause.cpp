#include "report/cause.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <optional>
#include <vector>

#include "judge/assertion.h"
#include "report/ending.h"
#include "report/visible.h"

namespace exocheck {

namespace {

constexpr std::size_t WHOLE = 200;  // an assertion's condition: its text, and short

// "« text »", shortened to a readable length.
std::string shown(std::string_view text, std::size_t longest = 40) {
    std::size_t cut = std::min(text.size(), longest);
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
    while (cut > 0 && cut < text.size() && text[cut - 1] == ' ') --cut;
    return "« " + visible_line(text.substr(0, cut), false) + (cut < text.size() ? "…" : "") + " »";
}

std::string first_line(std::string_view text) { return std::string(text.substr(0, text.find('\n'))); }

// The first assertion diagnostic among the lines of `err`.
std::optional<AssertionLine> find_assertion(std::string_view err) {
    while (!err.empty()) {
        const std::size_t end = err.find('\n');
        const std::string_view line = err.substr(0, end);
        if (auto parsed = parse_assertion(line)) return parsed;
        err.remove_prefix(end == std::string_view::npos ? err.size() : end + 1);
    }
    return std::nullopt;
}

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

// --- How the candidate ended -------------------------------------------------

std::string signal_cause(int signal, const RunResult &obtained) {
    std::string how = "le candidat s'arrête : " + signal_in_french(signal);
    if (signal == SIGSEGV) return how + ", un accès hors d'un tableau ou par un pointeur erroné ?";
    if (signal == SIGFPE) return how + ", une division entière par zéro ?";
    if (signal == SIGABRT) {
        if (auto a = find_assertion(obtained.err))
            return "une assertion du candidat échoue (" + shown(a->condition, WHOLE) + ") là où la référence n'en a pas";
        return how + ", un appel à abort() ?";
    }
    return how;
}

std::string ending_cause(const RunResult &expected, const RunResult &obtained, int timeout_ms) {
    switch (end_kind(obtained)) {
    case EndKind::not_started:
        return "le candidat n'a pas pu être lancé (" + start_error_in_french(obtained.start_error) + ")";
    case EndKind::time_limit:
        return "le candidat ne s'arrête pas dans la limite de " + seconds_in_french(timeout_ms) +
               " : une boucle sans fin, comme une lecture ratée répétée ?";
    case EndKind::output_cap:
        return "le candidat écrit plus de " + output_cap_in_french() + " : une boucle qui écrit sans fin ?";
    case EndKind::memory_cap:
        return "le candidat occupe plus de " + memory_cap_in_french() + " de mémoire : une allocation sans fin ?";
    case EndKind::signal:
        if (expected.exited || expected.signal != obtained.signal) return signal_cause(obtained.signal, obtained);
        return "";
    case EndKind::exit: break;
    }
    if (!expected.exited && expected.signal == SIGABRT) {
        const std::string status = "termine avec le code " + std::to_string(obtained.status);
        if (auto a = find_assertion(expected.err))
            return "la référence refuse cette entrée (assertion " + shown(a->condition, WHOLE) + " dans " +
                   std::string(bare_function_name(a->function)) + ") ; le candidat l'accepte et " + status;
        return "la référence s'arrête par abort() ; le candidat " + status;
    }
    return "";
}

std::string assertion_cause(const RunResult &expected, const RunResult &obtained) {
    const auto e = find_assertion(expected.err), o = find_assertion(obtained.err);
    if (!e || !o) return "";
    const std::string_view fe = bare_function_name(e->function), fo = bare_function_name(o->function);
    const bool same_function = fe == fo, same_condition = e->condition == o->condition;
    if (same_function && same_condition) return "";
    if (same_condition)
        return "l'assertion qui échoue est dans la fonction " + shown(fo) + " au lieu de " + shown(fe);
    if (same_function)
        return "la condition de l'assertion diffère : " + shown(o->condition, WHOLE) + " au lieu de " +
               shown(e->condition, WHOLE);
    return "l'assertion qui échoue n'est pas la même : " + shown(o->condition, WHOLE) + " dans " + std::string(fo) +
           " au lieu de " + shown(e->condition, WHOLE) + " dans " + std::string(fe);
}

// A message written on the other stream than the reference's.
std::string stream_cause(const RunResult &expected, const RunResult &obtained) {
    constexpr std::size_t LONGEST = 1 << 16;  // past it, the search would cost more than it tells
    if (expected.out.size() > LONGEST || obtained.out.size() > LONGEST || obtained.err.size() > LONGEST) return "";
    const std::string on_err = first_line(expected.err);
    if (!on_err.empty() && !parse_assertion(on_err) && obtained.err.find(on_err) == std::string::npos &&
        obtained.out.find(on_err) != std::string::npos)
        return "le message " + shown(on_err) + " est écrit sur la sortie standard au lieu de la sortie d'erreur";
    std::string_view out = expected.out;
    while (!out.empty()) {
        const std::string line = first_line(out);
        if (!line.empty() && obtained.out.find(line) == std::string::npos &&
            obtained.err.find(line) != std::string::npos)
            return "le message " + shown(line) + " est écrit sur la sortie d'erreur au lieu de la sortie standard";
        out.remove_prefix(std::min(out.size(), line.size() + 1));
    }
    return "";
}

// --- The text of one stream ----------------------------------------------------

std::string newline_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (e.ends_with('\n') && e.substr(0, e.size() - 1) == o)
        return "il manque le saut de ligne à la fin de " + stream;
    if (o.ends_with('\n') && o.substr(0, o.size() - 1) == e) return "un saut de ligne de trop à la fin de " + stream;
    if (without(e, '\n') != without(o, '\n')) return "";
    const std::size_t at = common_prefix(e, o);
    const std::string where = " (ligne " + std::to_string(line_number_at(e, at)) + " attendue)";
    return (at < e.size() && e[at] == '\n' ? "il manque un saut de ligne" : "un saut de ligne en trop") + where;
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

std::string blank_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (without(o, '\r') == e && o != e) return "des retours chariot (\\r) en trop dans " + stream + " : des fins de ligne à la Windows ?";
    if (without_blanks(e) != without_blanks(o)) return "";
    const std::size_t at = common_prefix(e, o);
    const std::string_view re = e.substr(at), ro = o.substr(at);
    const auto trailing = [](std::string_view rest) {
        const std::size_t end = rest.find_first_not_of(' ');
        return rest.starts_with(' ') && (end == std::string_view::npos || rest[end] == '\n');
    };
    const std::string line = " (ligne " + std::to_string(line_number_at(e, at)) + ")";
    if (re.starts_with('\t') || ro.starts_with('\t')) return "une tabulation au lieu d'espaces" + line;
    if (ro.starts_with("\u00a0") || ro.starts_with("\u202f"))
        return "une espace insécable au lieu d'une espace ordinaire" + line;
    if (trailing(ro) && !trailing(re)) return "une espace de trop en fin de ligne" + line;
    if (trailing(re) && !trailing(ro)) return "il manque l'espace en fin de ligne" + line;
    if (ro.starts_with(' ')) return "une espace de trop" + line;
    if (re.starts_with(' ')) return "il manque une espace" + line;
    return "seules des espaces diffèrent" + line;
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

std::string accent_cause(std::string_view e, std::string_view o) {
    if (without_accents(e) != without_accents(o)) return "";
    if (!is_utf8(o) && is_utf8(e))
        return "les accents sont écrits en Latin-1 (ISO-8859-1) et non en UTF-8 : enregistrez le source en UTF-8";
    std::size_t at = common_prefix(e, o);
    while (at > 0 && at < e.size() && (static_cast<unsigned char>(e[at]) & 0xC0U) == 0x80U) --at;  // a letter's start
    const std::string_view we = word_at(e, at), wo = word_at(o, at);
    const std::string words = shown(wo) + " au lieu de " + shown(we);
    if (wo.size() < we.size()) return "un accent manque : " + words;
    if (wo.size() > we.size()) return "un accent en trop : " + words;
    return "un accent diffère : " + words;
}

// A number of the text: an optional minus, digits, and decimals.
struct Number {
    std::string text;
    bool negative = false;
    std::string digits;  // all of them, without the point
    std::size_t decimals = 0;
    std::optional<std::int64_t> value() const {  // in units of the last decimal
        if (digits.size() > 18) return std::nullopt;
        const std::int64_t v = std::stoll(digits);
        return negative ? -v : v;
    }
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text with each number replaced by '#', and the numbers.
std::string split_numbers(std::string_view text, std::vector<Number> &numbers) {
    std::string skeleton;
    for (std::size_t i = 0; i < text.size();) {
        const bool minus = text[i] == '-' && i + 1 < text.size() && is_digit(text[i + 1]);
        if (!minus && !is_digit(text[i])) {
            skeleton += text[i++];
            continue;
        }
        Number n;
        const std::size_t begin = i;
        if (minus) ++i;
        n.negative = minus;
        while (i < text.size() && is_digit(text[i])) n.digits += text[i++];
        if (i + 1 < text.size() && text[i] == '.' && is_digit(text[i + 1])) {
            ++i;
            while (i < text.size() && is_digit(text[i])) {
                n.digits += text[i++];
                ++n.decimals;
            }
        }
        n.text = text.substr(begin, i - begin);
        numbers.push_back(n);
        skeleton += '#';
    }
    return skeleton;
}

std::string wrap_cause(std::int64_t e, std::int64_t o) {
    if (e == 0 && o == 24) return "les heures ne repassent pas à 00 après 23";
    if (e == 0 && o == 60) return "les minutes ou les secondes ne repassent pas à 00 après 59";
    if (e == 23 && o == -1) return "les heures ne repassent pas à 23 avant 00";
    if (e == 59 && o == -1) return "les minutes ou les secondes ne repassent pas à 59 avant 00";
    return "";
}

std::string number_cause(const Number &e, const Number &o) {
    const std::string pair = shown(o.text) + " au lieu de " + shown(e.text);
    if (e.decimals != o.decimals)
        return "les nombres n'ont pas le même nombre de décimales : " + pair +
               (e.decimals == 0 ? std::string(" (%d ?)") : " (%." + std::to_string(e.decimals) + "f ?)");
    const auto ve = e.value(), vo = o.value();
    if (!ve || !vo) return "";
    if (*ve == *vo)
        return "les zéros en tête diffèrent : " + pair + " (%0" + std::to_string(e.text.size()) + "d ?)";
    if (*ve == -*vo) return "le signe diffère : " + pair;
    if (*ve - *vo == 1 || *vo - *ve == 1) {
        if (e.decimals > 0)
            return "un arrondi diffère : " + pair + " (calcul en float ou en double, ou arrondi fait à la main ?)";
        return "une valeur diffère de 1 : " + pair + " (une borne décalée, < au lieu de <= ?)";
    }
    return "";
}

std::string numbers_cause(std::string_view e, std::string_view o) {
    std::vector<Number> ne, no;
    if (split_numbers(e, ne) != split_numbers(o, no) || ne.size() != no.size()) return "";
    // A wrap shows best on the field that failed to wrap, not on the one
    // that failed to carry.
    for (std::size_t i = 0; i < ne.size(); ++i) {
        const auto ve = ne[i].value(), vo = no[i].value();
        if (ve && vo && ne[i].decimals == 0 && no[i].decimals == 0)
            if (std::string wrap = wrap_cause(*ve, *vo); !wrap.empty()) return wrap;
    }
    for (std::size_t i = 0; i < ne.size(); ++i)
        if (ne[i].text != no[i].text) return number_cause(ne[i], no[i]);
    return "";
}

// A first line that asks for the input ("... :") before other lines that
// are the same, if any: a shrunk input may leave the prompt alone.
std::string prompt_cause(std::string_view e, std::string_view o) {
    const std::size_t e_end = e.find('\n'), o_end = o.find('\n');
    if (e_end == std::string_view::npos) return "";
    const std::string_view e_prompt = e.substr(0, e_end), e_rest = e.substr(e_end + 1);
    const std::size_t last = e_prompt.find_last_not_of(' ');
    if (last == std::string_view::npos || (e_prompt[last] != ':' && e_prompt[last] != '?')) return "";
    if (o == e_rest && !o.empty()) return "l'invite (la première ligne, " + shown(e_prompt) + ") manque";
    if (o_end == std::string_view::npos || o.substr(o_end + 1) != e_rest) return "";
    // The word where they part, or the whole line when that is no word.
    const std::string_view o_prompt = o.substr(0, o_end);
    const std::size_t at = common_prefix(e_prompt, o_prompt);
    std::string_view we = word_at(e_prompt, at), wo = word_at(o_prompt, at);
    if (we.empty() || wo.empty()) {
        we = e_prompt;
        wo = o_prompt;
    }
    return "l'invite (la première ligne) diffère : " + shown(wo) + " au lieu de " + shown(we);
}

std::string length_cause(std::string_view e, std::string_view o, const std::string &stream) {
    if (e.starts_with(o)) return stream + " s'arrête trop tôt : il manque " + shown(first_line(e.substr(o.size())));
    if (o.starts_with(e)) return "du texte en trop à la fin de " + stream + " : " + shown(first_line(o.substr(e.size())));
    return "";
}

std::string text_cause(std::string_view e, std::string_view o, const std::string &stream) {
    const std::string causes[] = {newline_cause(e, o, stream), blank_cause(e, o, stream), accent_cause(e, o),
                                  numbers_cause(e, o),         prompt_cause(e, o),       length_cause(e, o, stream)};
    const auto *found = std::find_if(std::begin(causes), std::end(causes), [](const std::string &c) { return !c.empty(); });
    return found == std::end(causes) ? "" : *found;
}

}  // namespace

std::string likely_cause(const Verdict &verdict, const RunResult &expected, const RunResult &obtained,
                         int timeout_ms) {
    if (verdict.kind != Verdict::Kind::differ) return "";
    std::string cause = ending_cause(expected, obtained, timeout_ms);
    if (cause.empty() && verdict.stderr_differs) cause = assertion_cause(expected, obtained);
    if (cause.empty() && (verdict.stdout_differs || verdict.stderr_differs)) cause = stream_cause(expected, obtained);
    if (cause.empty() && verdict.stdout_differs) cause = text_cause(expected.out, obtained.out, "la sortie standard");
    if (cause.empty() && verdict.stderr_differs) cause = text_cause(expected.err, obtained.err, "la sortie d'erreur");
    if (cause.empty() && expected.exited && obtained.exited && expected.status != obtained.status)
        cause = "le code de sortie est " + std::to_string(obtained.status) + " au lieu de " + std::to_string(expected.status);
    return cause;
}

}  // namespace exocheck
