// The submissions a check is given, each with the name the reports call it:
// the files named on the command line, or a class's folder with one folder
// per learner.
#pragma once

#include <string>
#include <vector>

namespace exocheck {

struct Submission {
    std::string name;           // unique among the submissions
    std::string path;           // as given, or <class>/<learner>/<file>
    std::string not_handed_in;  // why there is nothing to check, or empty
};

// The files of the command line. Among several, a file named `file` (the
// exercise's name) is named by its folder, eleves/eleve-07/tickup as
// eleve-07; another, or a file alone, keeps its path as given. Two that would share a name are named by their whole
// folder path, then numbered.
std::vector<Submission> given_submissions(const std::vector<std::string> &paths, const std::string &file);

// A class: each folder of `folder` (hidden ones aside, in natural order:
// eleve-2 before eleve-10), or each name of `learners_file` when one is
// given, is a learner, named by it, whose submission is its file `file`;
// a learner without it, or without a folder, handed in nothing. Returns what
// is wrong (in French), or empty; `unlisted` gets the folders that are not
// in the learners' list.
std::string class_submissions(const std::string &folder, const std::string &file, const std::string &learners_file,
                              std::vector<Submission> &submissions, std::vector<std::string> &unlisted);

}  // namespace exocheck
