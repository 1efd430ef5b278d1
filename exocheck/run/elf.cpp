#include "run/elf.h"

#include <cstdint>
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include "run/fd.h"

namespace exocheck {

std::string file_head(const std::string &path, std::size_t size) {
    const Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    std::string bytes(size, '\0');
    const ssize_t n = fd.is_open() ? pread(fd.get(), bytes.data(), size, 0) : -1;
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

namespace {

unsigned half(const std::string &h, std::size_t at, unsigned char data) {
    const unsigned first = static_cast<unsigned char>(h[at]), second = static_cast<unsigned char>(h[at + 1]);
    return data == ELFDATA2MSB ? (first << 8U) | second : (second << 8U) | first;
}

}  // namespace

std::optional<ElfId> parse_elf_id(const std::string &head) {
    if (head.size() < 20 || head.compare(0, SELFMAG, ELFMAG) != 0) return std::nullopt;
    ElfId id;
    id.elf_class = static_cast<unsigned char>(head[EI_CLASS]);
    id.data = static_cast<unsigned char>(head[EI_DATA]);
    id.type = half(head, 16, id.data);
    id.machine = half(head, 18, id.data);
    return id;
}

std::optional<ElfId> elf_id(const std::string &path) { return parse_elf_id(file_head(path, 20)); }

const ElfId &own_elf_id() {
    static const ElfId own = elf_id("/proc/self/exe").value_or(ElfId{});
    return own;
}

std::string elf_loader(const std::string &path) {
    const Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    Elf64_Ehdr eh{};
    if (!fd.is_open() || pread(fd.get(), &eh, sizeof eh, 0) != static_cast<ssize_t>(sizeof eh)) return {};
    if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB) return {};
    for (unsigned i = 0; i < eh.e_phnum && i < 256; ++i) {
        Elf64_Phdr ph{};
        const auto at = static_cast<off_t>(eh.e_phoff + std::uint64_t{i} * eh.e_phentsize);
        if (pread(fd.get(), &ph, sizeof ph, at) != static_cast<ssize_t>(sizeof ph)) return {};
        if (ph.p_type != PT_INTERP || ph.p_filesz == 0 || ph.p_filesz > 4096) continue;
        std::string loader(ph.p_filesz, '\0');
        if (pread(fd.get(), loader.data(), loader.size(), static_cast<off_t>(ph.p_offset)) !=
            static_cast<ssize_t>(loader.size()))
            return {};
        return loader.substr(0, loader.find('\0'));
    }
    return {};
}

}  // namespace exocheck
