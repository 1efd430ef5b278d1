// What every program does before and after its dialogue, header only so that
// a program's main delivered as an object module carries it:
//   - the command line: "--help" and "--version" answer and exit 0 without
//     reading standard input; any other argument, or more than one, is
//     refused with exit status 2 and a line that says why; no argument
//     starts the dialogue;
//   - the check, at exit, that standard output was written: a report that
//     could not be (full disk, closed pipe, /dev/full) ends with a line on
//     standard error and exit status 1, not 0.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "program_texts.h"

inline void check_stdout_at_exit() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "%s: erreur d'écriture sur la sortie standard\n",
                     program_invocation_short_name);
        // exit() is already running: only _exit may end the process from here.
        _exit(1);
    }
}

// Ends as exit() would in these programs, standard output checked, without
// importing exit: with every symbol bound at start-up (-z now), each function
// a program imports costs every run, and most programs never call exit.
[[noreturn]] inline void end_program(int status) {
    check_stdout_at_exit();
    _exit(status);
}

// Says what is wrong with the argument named: a second option (one option
// at a time), an option the program does not know, or an argument it has
// no use for.
[[noreturn]] inline void refuse_argument(const char *argument, bool second_option) {
    const char *what = "argument superflu";
    const char *why = "";
    if (second_option) {
        what = "option superflue";
        why = " : une seule option à la fois";
    } else if (argument[0] == '-' && argument[1] != '\0') {
        what = "option non reconnue";
    }
    std::fprintf(stderr, "%s: %s « %s »%s\n" TRY_HELP_LINE, program_invocation_short_name, what, argument, why,
                 program_invocation_short_name);
    end_program(2);
}

// What --help says of the exit statuses, for most programs.
inline constexpr char EXIT_STATUSES[] =
    "Code de sortie : 0 si le résultat est écrit, 1 si la sortie standard ne peut\n"
    "pas l'être, 2 pour un argument refusé.\n";
inline constexpr char EXIT_STATUSES_OR_ASSERTION[] =
    "Code de sortie : 0 si le résultat est écrit, 1 si la sortie standard ne peut\n"
    "pas l'être, 2 pour un argument refusé ; une entrée refusée arrête le\n"
    "programme par une assertion (SIGABRT).\n";

// Compares without importing strcmp (see end_program), which costs more than
// most: the C library picks its variant for the processor when it is bound.
inline bool same_text(const char *a, const char *b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Called first by every main, with the program's own name, what it does
// and its exit statuses, as --help shows them. Returns only when there is no
// argument.
inline void start_program(int argc, char **argv, const char *name, const char *description,
                          const char *exit_statuses) {
    std::atexit(check_stdout_at_exit);
    if (argc < 2) return;
    const bool asks_help = same_text(argv[1], "--help");
    const bool asks_version = same_text(argv[1], "--version");
    if (!(asks_help || asks_version))
        refuse_argument(argv[1], false);
    if (argc > 2)
        refuse_argument(argv[2], same_text(argv[2], "--help") || same_text(argv[2], "--version"));
    if (asks_help)
        std::printf("Utilisation : %s [--help | --version]\n%s\n"
                    "  --help     affiche cette aide et termine\n"
                    "  --version  affiche la version et termine\n\n%s\nVoir %s(1).\n",
                    name, description, exit_statuses, name);
    else
        std::printf(VERSION_LINES, name);
    end_program(0);
}
