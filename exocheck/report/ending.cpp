#include "report/ending.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "sandbox/run_limits.h"

namespace exocheck {

namespace {

struct SignalText {
    int number;
    const char *name;
    const char *french;
};

constexpr SignalText SIGNALS[] = {
    {SIGSEGV, "SIGSEGV", "erreur de segmentation"},
    {SIGABRT, "SIGABRT", "abandon"},
    {SIGFPE, "SIGFPE", "exception arithmétique"},
    {SIGBUS, "SIGBUS", "erreur de bus"},
    {SIGILL, "SIGILL", "instruction illégale"},
    {SIGKILL, "SIGKILL", "tué"},
    {SIGTERM, "SIGTERM", "terminé"},
    {SIGINT, "SIGINT", "interrompu"},
    {SIGHUP, "SIGHUP", "fin de connexion"},
    {SIGPIPE, "SIGPIPE", "tube sans lecteur"},
    {SIGXCPU, "SIGXCPU", "limite de temps processeur dépassée"},
    {SIGXFSZ, "SIGXFSZ", "limite de taille de fichier dépassée"},
    {SIGSYS, "SIGSYS", "mauvais appel système"},
    {SIGTRAP, "SIGTRAP", "point d'arrêt"},
    {SIGALRM, "SIGALRM", "alarme"},
    {SIGUSR1, "SIGUSR1", "signal utilisateur 1"},
    {SIGUSR2, "SIGUSR2", "signal utilisateur 2"},
};

const SignalText *find_signal(int signal) {
    const auto *found = std::find_if(std::begin(SIGNALS), std::end(SIGNALS),
                                     [signal](const SignalText &s) { return s.number == signal; });
    return found == std::end(SIGNALS) ? nullptr : found;
}

}  // namespace

EndKind end_kind(const RunResult &run) {
    if (run.start_error != 0) return EndKind::not_started;
    if (run.out_capped) return EndKind::output_cap;
    if (run.timed_out) return EndKind::time_limit;
    if (run.memory_capped) return EndKind::memory_cap;
    return run.exited ? EndKind::exit : EndKind::signal;
}

std::string signal_name(int signal) {
    const SignalText *s = find_signal(signal);
    return s != nullptr ? s->name : "signal " + std::to_string(signal);
}

std::string signal_in_french(int signal) {
    const SignalText *s = find_signal(signal);
    return s != nullptr ? std::string(s->french) + " (" + s->name + ")" : "signal " + std::to_string(signal);
}

std::string seconds_in_french(int milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    int rest = milliseconds % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        while (decimals.ends_with('0')) decimals.pop_back();
        text += "," + decimals;
    }
    return text + " s";
}

std::string output_cap_in_french() {
    constexpr std::size_t MEBIBYTE = 1 << 20;
    static_assert(RunLimits{}.output_cap % MEBIBYTE == 0, "the cap is said in whole mebibytes");
    return std::to_string(RunLimits{}.output_cap / MEBIBYTE) + " Mio";
}

std::string memory_cap_in_french() {
    constexpr std::size_t MEBIBYTE = 1 << 20;
    static_assert(RunLimits{}.memory_cap % MEBIBYTE == 0, "the cap is said in whole mebibytes");
    return std::to_string(RunLimits{}.memory_cap / MEBIBYTE) + " Mio";
}

std::string start_error_in_french(int error) {
    switch (error) {
    case ENOEXEC: return "format d'exécutable non reconnu";
    case ENOENT: return "fichier ou interpréteur introuvable";
    case EACCES: return "permission refusée";
    case E2BIG: return "entrée trop longue pour un terminal";
    default: return std::strerror(error);
    }
}

std::string describe_ending(const RunResult &run, int timeout_ms) {
    switch (end_kind(run)) {
    case EndKind::not_started: return "lancement impossible (" + start_error_in_french(run.start_error) + ")";
    case EndKind::output_cap: return "sortie trop longue (plus de " + output_cap_in_french() + ")";
    case EndKind::time_limit: return "limite de temps dépassée (" + seconds_in_french(timeout_ms) + ")";
    case EndKind::memory_cap: return "limite de mémoire dépassée (plus de " + memory_cap_in_french() + ")";
    case EndKind::exit: return "code de sortie " + std::to_string(run.status);
    case EndKind::signal: break;
    }
    return signal_in_french(run.signal);
}

}  // namespace exocheck
