#include "stdin_redirect.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

void set_stdin(const std::string &text) {
    char path[] = "/tmp/petits-calculs-stdin-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    ok = ok && std::freopen(path, "r", stdin) != nullptr;
    unlink(path);  // stays readable through the open stream
    if (!ok) throw std::runtime_error("cannot redirect stdin");
}

std::string rest_of_stdin() {
    std::string rest;
    for (int c; (c = std::fgetc(stdin)) != EOF;) rest += static_cast<char>(c);
    return rest;
}
