#include "cases/exercise.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "cases/grammar.h"

namespace exocheck {

namespace {

constexpr std::size_t LONGEST_FILE = 1 << 20;
constexpr std::size_t MOST_CASES = 1000000000;
constexpr int LONGEST_TIMEOUT_MS = 3600 * 1000;
constexpr char FIELDS[] = "typical, form, shape, boundary, read-error, cases, timeout, help et exit-status";

// A value's bytes as a message may show them: control bytes escaped.
std::string shown(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (byte < 0x20 || byte == 0x7f) {
            const char octal[] = {'\\', static_cast<char>('0' + byte / 64), static_cast<char>('0' + byte / 8 % 8),
                                  static_cast<char>('0' + byte % 8)};
            out.append(octal, sizeof octal);
        } else out += c;
    }
    return out;
}

std::optional<int> digit_value(char c, int base) {
    const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F'                                 ? c - 'A' + 10
                                                                             : 99;
    return value < base ? std::optional(value) : std::nullopt;
}

// The grammar's own syntax, which an escape in a shape or a form writes
// with a backslash before it, so that it stands for the byte itself.
bool is_grammar_syntax(char c) { return c == '{' || c == '}' || c == '[' || c == ']' || c == '|' || c == '\\'; }

class Reader {
public:
    Reader(std::string_view text, std::string_view file) : text_(text), file_(file) {}

    ProgramData read() {
        for (std::size_t from = 0; from < text_.size();) {
            const std::size_t end = std::min(text_.find('\n', from), text_.size());
            ++line_;
            std::string_view line = text_.substr(from, end - from);
            from = end + 1;
            if (line.ends_with('\r')) line.remove_suffix(1);
            read_line(line);
        }
        if (program_.forms.empty() && program_.boundary.empty())
            throw ExerciseMistake(std::string(file_) +
                                  " : ni forme ni cas limite ; il faut au moins une ligne « form » ou « boundary »");
        return std::move(program_);
    }

private:
    [[noreturn]] void mistake(const std::string &what) const {
        std::string where = std::string(file_) + ", ligne " + std::to_string(line_);
        if (!field_.empty()) where += ", champ « " + field_ + " »";
        throw ExerciseMistake(where + " : " + what);
    }

    void read_line(std::string_view line) {
        field_.clear();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#') return;
        line.remove_prefix(start);
        const std::size_t space = std::min(line.find_first_of(" \t"), line.size());
        const std::string_view name = line.substr(0, space);
        field_ = shown(name);
        const std::size_t value_start = line.find_first_not_of(" \t", space);
        const std::string_view value = value_start == std::string_view::npos ? "" : line.substr(value_start);
        constexpr std::string_view KNOWN[] = {"typical", "form",  "shape",   "boundary",   "read-error",
                                              "cases",   "timeout", "help", "exit-status"};
        if (std::ranges::find(KNOWN, name) == std::end(KNOWN)) {
            field_.clear();
            mistake("champ inconnu « " + shown(name) + " » ; les champs sont " + FIELDS);
        }
        for (const char c : value)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                mistake("caractère de contrôle (" + shown({&c, 1}) + ") : écrivez-le par un échappement");
        if (name == "typical") once(program_.typical, decoded(value, false));
        else if (name == "form") program_.forms.push_back(grammar(value));
        else if (name == "shape") program_.shapes.push_back(grammar(value));
        else if (name == "boundary") program_.boundary.push_back(decoded(value, false));
        else if (name == "help") program_.help += decoded(value, false) + "\n";
        else if (name == "exit-status") program_.exit_status += decoded(value, false) + "\n";
        else if (name == "read-error") read_error(value);
        else if (name == "cases") once(program_.cases, cases(value));
        else once(program_.timeout_ms, timeout(value));
    }

    template <typename Value, typename Given>
    void once(std::optional<Value> &field, Given &&value) {
        if (field) mistake("donné deux fois");
        field = std::forward<Given>(value);
    }

    // A shape or a form: its escapes undone, its slots checked.
    std::string grammar(std::string_view value) {
        std::string text = decoded(value, true);
        if (const std::optional<std::string> wrong = grammar_mistake(text)) mistake(*wrong);
        return text;
    }

    void read_error(std::string_view value) {
        const std::size_t space = value.find(' ');
        const std::string_view stream = value.substr(0, space);
        if ((stream != "stdout" && stream != "stderr") || space == std::string_view::npos)
            mistake("« stdout » ou « stderr », une espace, puis le message");
        if (read_error_given_) mistake("donné deux fois");
        read_error_given_ = true;
        program_.read_error_on_stdout = stream == "stdout";
        program_.read_error = decoded(value.substr(space + 1), false);
        if (program_.read_error.empty()) mistake("le message est vide");
    }

    // The value of a field that needs one, as a message names it.
    static std::string given(std::string_view value) {
        return value.empty() ? "valeur manquante ;" : "« " + shown(value) + " » :";
    }

    std::size_t cases(std::string_view value) {
        std::size_t n = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || value[0] == '-' || error != std::errc() || end != value.data() + value.size() ||
            n > MOST_CASES)
            mistake(given(value) + " attendu un nombre de cas de 0 à 1000000000");
        return n;
    }

    int timeout(std::string_view value) {
        const int ms = timeout_milliseconds(value);
        if (ms < 0) mistake(given(value) + " attendu des secondes, plus de 0 et au plus 3600, comme 2 ou 0.5");
        return ms;
    }

    // The value's escapes undone; in a shape or a form (`grammar`), a byte
    // given by an escape that the grammar would read as syntax keeps a
    // backslash before it.
    std::string decoded(std::string_view value, bool grammar) const {
        std::string out;
        for (std::size_t at = 0; at < value.size();) {
            const char c = value[at++];
            if (c != '\\') {
                out += c;
                continue;
            }
            const char byte = escaped(value, at);
            if (grammar && is_grammar_syntax(byte)) out += '\\';
            out += byte;
        }
        return out;
    }

    // The byte of the escape after a backslash, at `at`, which moves past it.
    char escaped(std::string_view value, std::size_t &at) const {
        if (at == value.size()) mistake("« \\ » à la fin de la ligne : écrivez « \\\\ » pour une barre oblique inverse");
        const char kind = value[at++];
        constexpr std::string_view SIMPLE = "n\nt\tr\ra\ab\bf\fv\v\\\\\"\"''??{{}}[[]]||";
        for (std::size_t k = 0; k < SIMPLE.size(); k += 2)
            if (SIMPLE[k] == kind) return SIMPLE[k + 1];
        if (kind == 'x') {
            const auto high = at < value.size() ? digit_value(value[at], 16) : std::nullopt;
            const auto low = at + 1 < value.size() ? digit_value(value[at + 1], 16) : std::nullopt;
            if (!high || !low) mistake("« \\x » demande deux chiffres hexadécimaux, comme \\x41");
            at += 2;
            return static_cast<char>(*high * 16 + *low);
        }
        std::optional<int> digit = digit_value(kind, 8);
        if (!digit) mistake("échappement inconnu « \\" + shown({&kind, 1}) + " »");
        int code = *digit;
        for (int more = 0; more < 2 && at < value.size() && (digit = digit_value(value[at], 8)); ++more, ++at)
            code = code * 8 + *digit;
        if (code > 0377)
            mistake("« \\" + std::to_string(code / 64) + std::to_string(code / 8 % 8) + std::to_string(code % 8) +
                    " » dépasse un octet (au plus \\377)");
        return static_cast<char>(code);
    }

    std::string_view text_, file_;
    std::size_t line_ = 0;
    std::string field_;  // the field of the line being read, as a message shows it
    bool read_error_given_ = false;
    ProgramData program_;
};

std::string read_failure(int error) {
    switch (error) {
    case ENOENT: return "fichier introuvable";
    case EACCES: return "permission refusée";
    case EISDIR: return "c'est un répertoire";
    default: return "lecture impossible (errno " + std::to_string(error) + ")";
    }
}

}  // namespace

ProgramData read_exercise(std::string_view text, std::string_view file) { return Reader(text, file).read(); }

ProgramData read_exercise_file(const std::string &path) {
    // Not blocked by a FIFO without a writer; only a regular file is read.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw ExerciseMistake(path + " : " + read_failure(errno));
    struct stat about {};
    std::string text;
    std::string wrong;
    if (fstat(fd, &about) != 0) wrong = read_failure(errno);
    else if (S_ISDIR(about.st_mode)) wrong = read_failure(EISDIR);
    else if (!S_ISREG(about.st_mode)) wrong = "ce n'est pas un fichier ordinaire";
    while (wrong.empty()) {
        char buffer[65536];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) wrong = read_failure(errno);
        else if (got == 0) break;
        else text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > LONGEST_FILE) wrong = "fichier trop long (plus de 1 Mio)";
    }
    close(fd);
    if (!wrong.empty()) throw ExerciseMistake(path + " : " + wrong);
    ProgramData program = read_exercise(text, path);
    const std::size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    program.name = name;
    return program;
}

int timeout_milliseconds(std::string_view seconds) {
    const std::size_t mark = seconds.find_first_of(".,");
    const std::string_view whole = seconds.substr(0, mark);
    const std::string_view decimals = mark == std::string_view::npos ? "" : seconds.substr(mark + 1);
    if (whole.empty() || whole.size() > 4 || decimals.size() > 3 || (mark != std::string_view::npos && decimals.empty()))
        return -1;
    const auto digits = [](std::string_view text) {
        return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole) || !digits(decimals)) return -1;
    const std::string thousandths = std::string(whole) + std::string(decimals) + std::string(3 - decimals.size(), '0');
    int ms = 0;
    std::from_chars(thousandths.data(), thousandths.data() + thousandths.size(), ms);
    return ms > 0 && ms <= LONGEST_TIMEOUT_MS ? ms : -1;
}

}  // namespace exocheck
