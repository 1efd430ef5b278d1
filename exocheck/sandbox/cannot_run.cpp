#include "sandbox/cannot_run.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "run/elf.h"
#include "run/launcher.h"

namespace exocheck {

namespace {

std::string quoted(const std::string &text) {
    std::string shown;
    for (const char c : text) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else
            shown += c;
    }
    return "« " + shown + " »";
}

std::string machine_name(const ElfId &id) {
    const bool wide = id.elf_class == ELFCLASS64;
    switch (id.machine) {
    case EM_X86_64: return wide ? "x86-64" : "x32";
    case EM_386: return "i386";
    case EM_AARCH64: return "aarch64";
    case EM_ARM: return "arm";
    case EM_S390: return wide ? "s390x" : "s390";
    case EM_PPC64: return id.data == ELFDATA2LSB ? "ppc64el" : "ppc64";
    case EM_PPC: return "powerpc";
    case EM_RISCV: return wide ? "riscv64" : "riscv32";
    case EM_MIPS: return wide ? "mips64" : "mips";
    case EM_LOONGARCH: return "loongarch64";
    case EM_SPARCV9: return "sparc64";
    default: return "la machine ELF n° " + std::to_string(id.machine);
    }
}

std::string elf_problem(const std::string &path, const ElfId &id) {
    const std::string name = quoted(path);
    if (id.type == ET_REL)
        return name + " est un fichier objet, pas un exécutable : il manque l'édition de liens (gcc sans -c).";
    if (id.type != ET_EXEC && id.type != ET_DYN) return name + " est un fichier ELF qui n'est pas un exécutable.";
    const ElfId &own = own_elf_id();
    if (!id.same_machine(own))
        return name + " est un exécutable pour " + machine_name(id) + " ; il faut un exécutable pour " +
               machine_name(own) + ", compilé sur cette machine.";
    // Under an emulator the loader lies under its own prefix, not here.
    const std::string loader = emulated() ? "" : elf_loader(path);
    struct stat st {};
    if (!loader.empty() && stat(loader.c_str(), &st) != 0)
        return "le chargeur " + quoted(loader) + " que demande " + name + " est introuvable ici.";
    return {};
}

std::string script_problem(const std::string &path, const std::string &h) {
    const std::string name = quoted(path);
    const std::string line = h.substr(2, h.find('\n') == std::string::npos ? std::string::npos : h.find('\n') - 2);
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return name + " commence par #! sans nommer d'interpréteur.";
    const std::size_t end = line.find_first_of(" \t", start);
    const std::string interpreter = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string argument;
    if (end != std::string::npos) {
        const std::size_t a = line.find_first_not_of(" \t", end);
        const std::size_t z = line.find_last_not_of(" \t");
        if (a != std::string::npos) argument = line.substr(a, z + 1 - a);
    }
    struct stat st {};
    if (stat(interpreter.c_str(), &st) != 0) {
        if (interpreter.back() == '\r')
            return name + " a des fins de ligne Windows (CR LF) : son interpréteur " + quoted(interpreter) +
                   " n'existe pas.";
        return "l'interpréteur " + quoted(interpreter) + " de " + name + " est introuvable.";
    }
    if (S_ISDIR(st.st_mode) || access(interpreter.c_str(), X_OK) != 0)
        return "l'interpréteur " + quoted(interpreter) + " de " + name + " n'est pas exécutable.";
    // "#!/usr/bin/env python3": the program env looks for on PATH (the
    // kernel gives env the rest of the line as one word, unless -S splits it).
    if (interpreter.ends_with("/env") && !argument.empty()) {
        std::string wanted = argument;
        if (wanted.starts_with("-S")) {
            const std::size_t a = wanted.find_first_not_of(" \t", 2);
            wanted = a == std::string::npos ? "" : wanted.substr(a, wanted.find_first_of(" \t", a) - a);
        }
        if (!wanted.empty() && wanted[0] != '-' && find_on_path(wanted).empty())
            return quoted(wanted) + ", que " + name + " demande à " + interpreter + ", est introuvable dans PATH.";
    }
    return {};
}

std::string access_problem(const std::string &path, int error) {
    const std::string name = quoted(path);
    struct stat st {};
    switch (error) {
    case ENOENT:
        if (lstat(path.c_str(), &st) == 0) return name + " est un lien symbolique vers un fichier qui n'existe pas.";
        return name + " n'existe pas.";
    case ENOTDIR: return name + " n'existe pas : une partie de son chemin n'est pas un répertoire.";
    case EACCES: return name + " est inaccessible : un répertoire de son chemin n'est pas ouvert.";
    case ELOOP: return name + " est inaccessible : trop de liens symboliques.";
    default: return name + " est inaccessible (" + std::strerror(error) + ").";
    }
}

}  // namespace

std::string cannot_run(const std::string &candidate) {
    const std::string name = quoted(candidate);
    struct stat st {};
    if (stat(candidate.c_str(), &st) != 0) return access_problem(candidate, errno);
    if (S_ISDIR(st.st_mode)) return name + " est un répertoire, pas un programme.";
    if (!S_ISREG(st.st_mode)) return name + " n'est pas un fichier ordinaire.";
    if (access(candidate.c_str(), X_OK) != 0)
        return name + " n'est pas exécutable (chmod +x le rend exécutable).";
    struct statvfs fs {};
    if (statvfs(candidate.c_str(), &fs) == 0 && (fs.f_flag & ST_NOEXEC) != 0)
        return name + " est sur un système de fichiers monté sans droit d'exécution (noexec).";
    if (st.st_size == 0) return name + " est vide.";
    // Its ELF header, or its #! line (the kernel reads no more than 256
    // bytes of it).
    const std::string h = file_head(candidate, 256);
    if (h.empty()) return {};  // unreadable but executable: only starting it tells
    if (const std::optional<ElfId> id = parse_elf_id(h)) return elf_problem(candidate, *id);
    if (h.starts_with("#!")) return script_problem(candidate, h);
    return name + " n'est ni un programme compilé (ELF) ni un script commençant par #! : le système ne sait pas "
                  "l'exécuter.";
}

std::string cannot_start(const std::string &candidate, int error) {
    const std::string name = quoted(candidate) + " n'a pas pu être lancé";
    switch (error) {
    case ENOENT: return name + " : lui ou son interpréteur est introuvable.";
    case EACCES: return name + " : permission refusée.";
    case ENOEXEC: return name + " : le système ne reconnaît pas son format.";
    case ETXTBSY: return name + " : il est en cours d'écriture (la compilation est-elle finie ?).";
    case E2BIG:
    case ENOMEM: return name + " : mémoire insuffisante.";
    default: return name + " (" + std::strerror(error) + ").";
    }
}

}  // namespace exocheck
