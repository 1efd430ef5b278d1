#include "main/submissions.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

namespace exocheck {

namespace fs = std::filesystem;

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The run of digits of `text` from `at`, without its leading zeros; `at`
// moves past it.
std::string_view digits_from(const std::string &text, std::size_t &at) {
    const std::size_t start = at;
    while (at < text.size() && is_digit(text[at])) ++at;
    std::string_view run(text.data() + start, at - start);
    while (run.size() > 1 && run[0] == '0') run.remove_prefix(1);
    return run;
}

// Text order, but a run of digits compared by its value: eleve-2 < eleve-10.
bool natural_less(const std::string &a, const std::string &b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!is_digit(a[i]) || !is_digit(b[j])) {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
            continue;
        }
        const std::string_view x = digits_from(a, i), y = digits_from(b, j);
        if (x.size() != y.size()) return x.size() < y.size();
        if (x != y) return x < y;
    }
    // One ran out: the shorter rest comes first, then the text order decides.
    const bool a_ended = i >= a.size(), b_ended = j >= b.size();
    return a_ended != b_ended ? a_ended : a < b;
}

// Numbers the names that two submissions share: "x (1)", "x (2)".
void number_repeats(std::vector<Submission> &submissions) {
    std::map<std::string, std::size_t> seen;
    for (const Submission &s : submissions) ++seen[s.name];
    std::map<std::string, std::size_t> given;
    for (Submission &s : submissions)
        if (seen[s.name] > 1) s.name += " (" + std::to_string(++given[s.name]) + ")";
}

// The learners' names of a list: one a line, blanks around trimmed, blank
// lines and lines starting with # skipped.
std::string read_learners(const std::string &path, std::vector<std::string> &names) {
    std::ifstream file(path);
    if (!file) return "impossible de lire la liste des élèves « " + path + " »";
    std::string line;
    std::set<std::string> seen;
    for (std::size_t number = 1; std::getline(file, line); ++number) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const std::string name = line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
        std::string wrong = path;
        wrong.append(", ligne ").append(std::to_string(number)).append(" : « ").append(name).append(" » ");
        if (name == "." || name == ".." || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
            return wrong + "n'est pas un nom de dossier";
        if (!seen.insert(name).second) return wrong + "est déjà dans la liste";
        names.push_back(name);
    }
    if (file.bad()) return "erreur de lecture de la liste des élèves « " + path + " »";
    return "";
}

}  // namespace

std::vector<Submission> given_submissions(const std::vector<std::string> &paths, const std::string &file) {
    std::vector<Submission> submissions;
    for (const std::string &path : paths) {
        const fs::path p(path), folder = fs::path(path).parent_path();
        const std::string folder_name = folder.lexically_normal().filename().string();
        const bool by_folder = paths.size() > 1 && p.filename() == file && !folder_name.empty() && folder_name != "." &&
                               folder_name != "..";
        submissions.push_back({by_folder ? folder_name : path, path, ""});
    }
    // Names that two share: their whole folder path, as given.
    std::map<std::string, std::size_t> count;
    for (const Submission &s : submissions) ++count[s.name];
    for (Submission &s : submissions)
        if (count[s.name] > 1 && s.name != s.path) s.name = fs::path(s.path).parent_path().lexically_normal().string();
    number_repeats(submissions);
    return submissions;
}

std::string class_submissions(const std::string &folder, const std::string &file, const std::string &learners_file,
                              std::vector<Submission> &submissions, std::vector<std::string> &unlisted) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return "la classe « " + folder + " » n'est pas un dossier";
    std::vector<std::string> folders;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code is_error;
        if (!name.starts_with('.') && it->is_directory(is_error)) folders.push_back(name);
    }
    if (error) return "impossible de lire le dossier de la classe « " + folder + " » : " + error.message();
    std::sort(folders.begin(), folders.end(), natural_less);
    std::vector<std::string> learners = folders;
    if (!learners_file.empty()) {
        learners.clear();
        if (std::string wrong = read_learners(learners_file, learners); !wrong.empty()) return wrong;
        const std::set<std::string> listed(learners.begin(), learners.end());
        for (const std::string &f : folders)
            if (!listed.contains(f)) unlisted.push_back(f);
    }
    const std::set<std::string> present(folders.begin(), folders.end());
    const std::string shown = fs::path(folder).lexically_normal().string();
    for (const std::string &learner : learners) {
        const std::string path = (fs::path(folder) / learner / file).string();
        std::string missing;
        std::error_code exists_error;
        if (!present.contains(learner))
            missing.append("pas de dossier ").append(learner).append(" dans ").append(shown);
        else if (!fs::exists(fs::symlink_status(path, exists_error)))
            missing.append("aucun fichier ").append(file).append(" dans ").append((fs::path(shown) / learner).string());
        submissions.push_back({learner, path, missing});
    }
    return "";
}

}  // namespace exocheck
