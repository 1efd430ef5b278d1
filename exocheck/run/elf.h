// The one reader of ELF headers: what machine an executable is for, what it
// is (an executable, an object file...) and the loader it names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace exocheck {

// An ELF identity: class (32 or 64 bits), byte order, machine (EM_*) and
// type (ET_EXEC, ET_DYN, ET_REL...).
struct ElfId {
    unsigned char elf_class = 0, data = 0;
    unsigned machine = 0, type = 0;
    // True when a program of `other` runs where one of this one does.
    bool same_machine(const ElfId &other) const {
        return machine == other.machine && elf_class == other.elf_class && data == other.data;
    }
};

// The first `size` bytes of the file at `path`, fewer when it is shorter,
// none when it cannot be read (opened without waiting, should it be a FIFO).
std::string file_head(const std::string &path, std::size_t size);

// The identity in the first bytes of a file, or nothing when they are not
// an ELF header.
std::optional<ElfId> parse_elf_id(const std::string &head);

// The identity of the file at `path`, or nothing when it is not ELF.
std::optional<ElfId> elf_id(const std::string &path);

// This program's own identity: the machine its candidates must be built for
// (under an emulator, the emulated one). Read once.
const ElfId &own_elf_id();

// The loader a dynamic executable names (PT_INTERP), or empty: read only
// from a 64-bit little-endian file, as this machine reads its own.
std::string elf_loader(const std::string &path);

}  // namespace exocheck
