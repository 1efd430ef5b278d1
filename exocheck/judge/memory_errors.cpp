#include "judge/memory_errors.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace exocheck {

namespace {

struct KindNames {
    MemoryKind kind;
    std::string_view french, code;
};

constexpr std::array<KindNames, 10> KINDS = {{
    {MemoryKind::read_out_of_bounds, "lecture hors d'un tableau", "read-out-of-bounds"},
    {MemoryKind::write_out_of_bounds, "écriture hors d'un tableau", "write-out-of-bounds"},
    {MemoryKind::uninitialised, "valeur non initialisée utilisée", "uninitialised"},
    {MemoryKind::use_after_free, "utilisation après libération", "use-after-free"},
    {MemoryKind::double_free, "double libération", "double-free"},
    {MemoryKind::invalid_free, "libération erronée", "invalid-free"},
    {MemoryKind::invalid_address, "accès à une adresse erronée", "invalid-address"},
    {MemoryKind::other_memory, "autre erreur de mémoire", "other-memory-error"},
    {MemoryKind::leak, "fuite de mémoire", "leak"},
    {MemoryKind::undefined_behaviour, "comportement indéfini", "undefined-behaviour"},
}};

const KindNames &names_of(MemoryKind kind) {
    return *std::ranges::find(KINDS, kind, &KindNames::kind);
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

int line_number(std::string_view digits) {
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return error == std::errc() && end == digits.data() + digits.size() && n > 0 ? n : 0;
}

std::string_view base_name(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// One frame of a stack, as either checker gives it.
struct Frame {
    std::string function, object, directory, file;
    int line = 0;
};

// Code of the system (its libraries and headers, a library built elsewhere
// whose paths start with ../ or ./) or of the checker itself.
bool system_code(const Frame &f) {
    constexpr std::string_view SYSTEM_OBJECTS[] = {"/usr/lib", "/lib", "/usr/libexec/valgrind/"};
    if (std::ranges::any_of(SYSTEM_OBJECTS, [&](std::string_view dir) { return f.object.starts_with(dir); }))
        return true;
    const std::string path = f.directory.empty() ? f.file : f.directory + "/" + f.file;
    return path.starts_with("/usr/") || path.starts_with("../") || contains(path, "/libsanitizer/") ||
           f.function.starts_with("__interceptor_") || f.function.starts_with("__asan_") ||
           f.function.starts_with("__ubsan_") || f.function == "_start";
}

// The candidate's frame of a stack: one of its source, else the first
// outside the system's code, with a line when one has it.
std::optional<Frame> own_frame(const std::vector<Frame> &stack, const OwnCode &own) {
    if (!own.source.empty()) {
        const auto ours = std::ranges::find_if(stack, [&](const Frame &f) {
            return f.line > 0 && !system_code(f) && base_name(f.file) == base_name(own.source);
        });
        if (ours != stack.end()) return *ours;
    }
    const auto with_line = std::ranges::find_if(stack, [](const Frame &f) { return f.line > 0 && !system_code(f); });
    if (with_line != stack.end()) return *with_line;
    const auto any = std::ranges::find_if(stack, [](const Frame &f) { return !f.function.empty() && !system_code(f); });
    if (any != stack.end()) return *any;
    return std::nullopt;
}

MemoryError located(MemoryKind kind, std::string what, const std::optional<Frame> &frame) {
    MemoryError e{kind, "", 0, "", std::move(what)};
    if (frame) {
        e.file = frame->file;
        e.line = frame->line;
        e.function = frame->function;
    }
    return e;
}

// Adds `e` unless an error of the same kind at the same place is there;
// where it is, either way.
std::size_t add_once(std::vector<MemoryError> &errors, MemoryError e) {
    const auto seen = std::ranges::find_if(errors, [&](const MemoryError &o) { return o.kind == e.kind && o.same_place(e); });
    if (seen != errors.end()) return static_cast<std::size_t>(seen - errors.begin());
    errors.push_back(std::move(e));
    return errors.size() - 1;
}

// --- Valgrind's XML ---------------------------------------------------------

// The text of the first element <tag> within `xml`, its entities decoded;
// empty when there is none.
std::string element(std::string_view xml, std::string_view tag, std::size_t *after = nullptr) {
    std::string open = "<", close = "</";
    open.append(tag).append(">");
    close.append(tag).append(">");
    const std::size_t start = xml.find(open);
    const std::size_t end = start == std::string_view::npos ? start : xml.find(close, start);
    if (end == std::string_view::npos) return "";
    if (after != nullptr) *after = end + close.size();
    const std::string_view raw = xml.substr(start + open.size(), end - start - open.size());
    constexpr std::pair<std::string_view, char> ENTITIES[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto *const entity = std::ranges::find_if(ENTITIES, [&](const auto &e) { return raw.substr(i).starts_with(e.first); });
        if (raw[i] == '&' && entity != std::end(ENTITIES)) {
            text += entity->second;
            i += entity->first.size() - 1;
        } else {
            text += raw[i];
        }
    }
    return text;
}

// Each complete <error> element of the checker's: the last <error> before
// each </error> and after the one before, so that text the candidate wrote
// around them cannot join two of them or cut one. Each byte is looked at
// once or twice, however many </error> the candidate writes.
std::vector<std::string_view> error_elements(std::string_view err) {
    std::vector<std::string_view> found;
    constexpr std::string_view OPEN = "<error>", CLOSE = "</error>";
    std::size_t from = 0;
    for (std::size_t end = err.find(CLOSE); end != std::string_view::npos; end = err.find(CLOSE, from)) {
        const std::string_view since = err.substr(from, end - from);
        if (const std::size_t start = since.rfind(OPEN); start != std::string_view::npos)
            found.push_back(since.substr(start));
        from = end + CLOSE.size();
    }
    return found;
}

std::vector<Frame> xml_stack(std::string_view error) {
    std::vector<Frame> stack;
    const std::size_t start = error.find("<stack>");
    const std::size_t end = error.find("</stack>");
    if (start == std::string_view::npos || end == std::string_view::npos || end < start) return stack;
    std::string_view frames = error.substr(start, end - start);
    while (true) {
        std::size_t after = 0;  // stays 0 without a complete <frame> element
        const std::string text = element(frames, "frame", &after);
        if (after == 0) break;
        stack.push_back({element(text, "fn"), element(text, "obj"), element(text, "dir"), element(text, "file"),
                         line_number(element(text, "line"))});
        frames.remove_prefix(after);
    }
    return stack;
}

// Whether the error's auxiliary text says the address is inside a block
// already freed ("Address 0x… is 8 bytes inside a block of size 40 free'd");
// "is not stack'd, malloc'd or (recently) free'd" is another case.
bool in_freed_block(std::string_view aux) { return contains(aux, "free'd") && contains(aux, "block of size"); }

std::optional<MemoryKind> memcheck_kind(std::string_view kind, std::string_view what, std::string_view aux) {
    if (kind == "InvalidRead" || kind == "InvalidWrite") {
        if (in_freed_block(aux)) return MemoryKind::use_after_free;
        if (contains(aux, "not stack'd, malloc'd")) return MemoryKind::invalid_address;
        return kind == "InvalidRead" ? MemoryKind::read_out_of_bounds : MemoryKind::write_out_of_bounds;
    }
    if (kind == "UninitCondition" || kind == "UninitValue") return MemoryKind::uninitialised;
    if (kind == "SyscallParam") {
        if (contains(what, "uninitialised")) return MemoryKind::uninitialised;
        return in_freed_block(aux) ? MemoryKind::use_after_free : MemoryKind::read_out_of_bounds;
    }
    if (kind == "InvalidFree") return in_freed_block(aux) ? MemoryKind::double_free : MemoryKind::invalid_free;
    if (kind == "MismatchedFree") return MemoryKind::invalid_free;
    if (kind == "InvalidJump") return MemoryKind::invalid_address;
    if (kind == "Leak_DefinitelyLost" || kind == "Leak_PossiblyLost" || kind == "Leak_IndirectlyLost")
        return MemoryKind::leak;
    if (kind.starts_with("Leak_")) return std::nullopt;  // still reachable: not a leak a course counts
    return MemoryKind::other_memory;
}

// --- The sanitizers' text -----------------------------------------------------

// "file:12" or "file:12:5" into the file and the line.
bool split_location(std::string_view location, std::string &file, int &line) {
    std::size_t colon = location.rfind(':');
    if (colon == std::string_view::npos) return false;
    int number = line_number(location.substr(colon + 1));
    const std::size_t before = colon == 0 ? std::string_view::npos : location.rfind(':', colon - 1);
    if (before != std::string_view::npos && line_number(location.substr(before + 1, colon - before - 1)) > 0) {
        number = line_number(location.substr(before + 1, colon - before - 1));  // file:line:column
        colon = before;
    }
    if (number == 0) return false;
    file = location.substr(0, colon);
    line = number;
    return true;
}

// Where the place that follows a frame's function starts in `rest` (the
// space before it), or npos. A path may hold spaces, a function's name
// holds no " (/" nor " /": an object or a file named from the root starts
// at the first; else the place is the last word.
std::size_t place_start(std::string_view rest) {
    if (const std::size_t object = rest.find(" (/"); object != std::string_view::npos) return object;
    if (const std::size_t rooted = rest.find(" /"); rooted != std::string_view::npos) return rooted;
    return rest.rfind(' ');
}

// A frame line: "    #1 0x5645cc47f5f3 in main src/double_free.c:14", or
// "    #3 0x… in _start (/path/prog+0x2140)" without debugging information,
// or "    #2 0x… (/lib/x86_64-linux-gnu/libc.so.6+0x2724a)" without a name.
std::optional<Frame> sanitizer_frame(std::string_view line) {
    const std::size_t hash = line.find_first_not_of(' ');
    if (hash == std::string_view::npos || line[hash] != '#') return std::nullopt;
    std::string_view rest = line.substr(hash);
    for (int word = 0; word < 2; ++word) {  // "#1", then the address
        const std::size_t space = rest.find(' ');
        if (space == std::string_view::npos || (word == 1 && !rest.starts_with("0x"))) return std::nullopt;
        rest.remove_prefix(space + 1);
    }
    while (rest.ends_with(' ')) rest.remove_suffix(1);
    const bool named = rest.starts_with("in ");
    if (named) rest.remove_prefix(3);
    const std::size_t space = named ? place_start(rest) : std::string_view::npos;
    const std::string_view last = space == std::string_view::npos ? rest : rest.substr(space + 1);
    Frame f;
    const std::string_view before = space == std::string_view::npos ? "" : rest.substr(0, space);
    if (last.starts_with('(') && last.ends_with(')')) {
        f.object = last.substr(1, last.rfind('+') - 1);
        f.function = named ? before : "";
    } else if (named && split_location(last, f.file, f.line)) {
        f.function = before;
    } else {
        f.function = named ? rest : "";
    }
    return f;
}

// The stack that follows line `at`: its frames until a line that is none.
std::vector<Frame> stack_after(const std::vector<std::string_view> &lines, std::size_t at) {
    std::vector<Frame> stack;
    std::size_t i = at + 1;
    // A READ/WRITE line, or the lines showing where a pointer points, may
    // come between the report's line and its stack.
    while (i < lines.size() && i < at + 6 && !sanitizer_frame(lines[i])) ++i;
    for (; i < lines.size(); ++i) {
        std::optional<Frame> f = sanitizer_frame(lines[i]);
        if (!f) break;
        stack.push_back(std::move(*f));
    }
    return stack;
}

std::optional<MemoryKind> address_sanitizer_kind(std::string_view report, std::string_view next_line) {
    constexpr std::string_view OVERFLOWS[] = {"heap-buffer-overflow", "stack-buffer-overflow", "global-buffer-overflow",
                                              "stack-buffer-underflow", "dynamic-stack-buffer-overflow",
                                              "container-overflow"};
    if (std::ranges::any_of(OVERFLOWS, [&](std::string_view o) { return report.starts_with(o); }))
        return next_line.starts_with("WRITE") ? MemoryKind::write_out_of_bounds : MemoryKind::read_out_of_bounds;
    if (report.starts_with("heap-use-after-free") || report.starts_with("stack-use-after-return") ||
        report.starts_with("stack-use-after-scope"))
        return MemoryKind::use_after_free;
    if (report.starts_with("attempting double-free")) return MemoryKind::double_free;
    if (contains(report, "not malloc()-ed") || report.starts_with("alloc-dealloc-mismatch") ||
        report.starts_with("new-delete-type-mismatch"))
        return MemoryKind::invalid_free;
    if (report.starts_with("SEGV") || report.starts_with("stack-overflow") || report.starts_with("BUS"))
        return MemoryKind::invalid_address;
    if (report.starts_with("requested allocation size") || report.starts_with("allocator is out of memory") ||
        report.starts_with("out of memory"))
        return std::nullopt;  // a limit, not a fault of the candidate's
    return MemoryKind::other_memory;
}

// UndefinedBehaviorSanitizer's message: an index out of bounds (read or
// write: the report that follows at the same line tells), an access without
// room or through a null pointer, or other undefined behaviour.
MemoryKind undefined_kind(std::string_view message, bool &index) {
    index = contains(message, "out of bounds for type");
    if (index) return MemoryKind::read_out_of_bounds;
    if (contains(message, "null pointer")) return MemoryKind::invalid_address;
    if (contains(message, "insufficient space"))
        return message.starts_with("store") ? MemoryKind::write_out_of_bounds : MemoryKind::read_out_of_bounds;
    return MemoryKind::undefined_behaviour;
}

std::string first_line(std::string_view text) { return std::string(text.substr(0, text.find('\n'))); }

bool is_overrun(MemoryKind kind) { return kind == MemoryKind::read_out_of_bounds || kind == MemoryKind::write_out_of_bounds; }

// UBSan's error on lines[i], its "runtime error: " at `at`; nothing when its
// place cannot be read. `index`: it is an index out of bounds.
std::optional<MemoryError> undefined_error(const std::vector<std::string_view> &lines, std::size_t i, std::size_t at,
                                           const OwnCode &own, bool &index) {
    const std::string_view message = lines[i].substr(at + 17);
    MemoryError e{undefined_kind(message, index), "", 0, "", std::string(message)};
    if (!split_location(lines[i].substr(0, at), e.file, e.line)) return std::nullopt;
    if (const std::optional<Frame> f = own_frame(stack_after(lines, i), own); f && f->line == e.line)
        e.function = f->function;
    return e;
}

// AddressSanitizer's error `e`: the overflow at the line of an index out of
// bounds (`indexes` in `errors`) says whether it was read or written, and
// makes one error with it.
void add_address_error(std::vector<MemoryError> &errors, const std::vector<std::size_t> &indexes, MemoryError e) {
    const auto same = std::ranges::find_if(indexes, [&](std::size_t k) { return errors[k].same_place(e); });
    if (same == indexes.end() || !is_overrun(e.kind)) {
        add_once(errors, std::move(e));
        return;
    }
    errors[*same].kind = e.kind;
    errors[*same].what = e.what;
    if (errors[*same].function.empty()) errors[*same].function = e.function;
}

// The errors, an index out of bounds read or written as UBSan's own load or
// store at its line says.
std::vector<MemoryError> with_accesses(std::vector<MemoryError> &errors, const std::vector<std::size_t> &indexes) {
    std::vector<MemoryError> merged;
    for (std::size_t k = 0; k < errors.size(); ++k) {
        const bool is_index = std::ranges::find(indexes, k) != indexes.end();
        const auto access = std::ranges::find_if(
            errors, [&](const MemoryError &o) { return &o != &errors[k] && o.same_place(errors[k]) && is_overrun(o.kind); });
        if (is_index && access != errors.end() && errors[k].kind == MemoryKind::read_out_of_bounds)
            errors[k].kind = access->kind;
        add_once(merged, errors[k]);
    }
    return merged;
}

}  // namespace

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view kind_in_french(MemoryKind kind) { return names_of(kind).french; }
std::string_view kind_code(MemoryKind kind) { return names_of(kind).code; }

std::vector<MemoryKind> memory_kinds() {
    std::vector<MemoryKind> kinds;
    kinds.reserve(std::size(KINDS));
    for (const KindNames &k : KINDS) kinds.push_back(k.kind);  // cppcheck-suppress useStlAlgorithm
    return kinds;
}

bool is_warning(MemoryKind kind) { return kind == MemoryKind::leak || kind == MemoryKind::undefined_behaviour; }

bool MemoryError::same_place(const MemoryError &other) const {
    if (line > 0 || other.line > 0) return line == other.line && base_name(file) == base_name(other.file);
    return function == other.function;
}

std::vector<MemoryError> read_memcheck_errors(std::string_view err, const OwnCode &own) {
    std::vector<MemoryError> errors;
    for (const std::string_view error : error_elements(err)) {
        if (errors.size() == MOST_MEMORY_ERRORS) break;
        const std::string kind = element(error, "kind");
        std::string what = element(error, "what");
        if (what.empty()) what = element(element(error, "xwhat"), "text");
        const std::optional<MemoryKind> k = memcheck_kind(kind, what, element(error, "auxwhat"));
        if (k) add_once(errors, located(*k, first_line(what), own_frame(xml_stack(error), own)));
    }
    return errors;
}

std::vector<MemoryError> read_sanitizer_errors(std::string_view err, const OwnCode &own) {
    const std::vector<std::string_view> lines = lines_of(err);
    std::vector<MemoryError> errors;
    std::vector<std::size_t> indexes;  // the errors that came from an index out of bounds
    for (std::size_t i = 0; i < lines.size() && errors.size() < MOST_MEMORY_ERRORS; ++i) {
        const std::string_view line = lines[i];
        // A frame is no report, whatever its function is named: no line
        // then belongs to the stacks of more than a few reports.
        if (sanitizer_frame(line)) continue;
        if (const std::size_t at = line.find(": runtime error: "); at != std::string_view::npos) {
            bool index = false;
            std::optional<MemoryError> e = undefined_error(lines, i, at, own, index);
            if (!e) continue;
            const std::size_t at_index = add_once(errors, std::move(*e));
            if (index && std::ranges::find(indexes, at_index) == indexes.end()) indexes.push_back(at_index);
        } else if (const std::size_t asan = line.find("ERROR: AddressSanitizer: "); asan != std::string_view::npos) {
            const std::string_view report = line.substr(asan + 25);
            const std::optional<MemoryKind> k = address_sanitizer_kind(report, i + 1 < lines.size() ? lines[i + 1] : "");
            if (k)
                add_address_error(errors, indexes,
                                  located(*k, std::string(report.substr(0, report.find(" on "))),
                                          own_frame(stack_after(lines, i), own)));
        } else if (line.starts_with("Direct leak of") || line.starts_with("Indirect leak of")) {
            add_once(errors, located(MemoryKind::leak, std::string(line), own_frame(stack_after(lines, i), own)));
        }
    }
    return with_accesses(errors, indexes);
}

}  // namespace exocheck
