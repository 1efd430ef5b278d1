#include "run/ptys.h"

#include <algorithm>
#include <fcntl.h>
#include <iterator>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace exocheck {

namespace {

constexpr char end_of_file = '\x04';  // Ctrl-D
constexpr char quote_next = '\x16';   // Ctrl-V

// Opens a master and its slave, or leaves both -1.
Pty open_pair(const std::string &ptmx = "/dev/ptmx") {
    Pty pty;
    pty.master = open(ptmx.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (pty.master < 0) return pty;
    if (unlockpt(pty.master) == 0) pty.slave = ioctl(pty.master, TIOCGPTPEER, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0) {
        close(pty.master);
        pty.master = -1;
    }
    return pty;
}

// Applies `mode` to the slave, or closes both ends.
Pty with_mode(Pty pty, const termios &mode) {
    if (pty.slave >= 0 && tcsetattr(pty.slave, TCSANOW, &mode) != 0) {
        close(pty.slave);
        close(pty.master);
        return {};
    }
    return pty;
}

}  // namespace

Pty open_plain_pty() { return open_pair(); }

Pty open_output_pty(const std::string &ptmx) {
    Pty pty = open_pair(ptmx);
    termios mode{};
    if (pty.slave < 0 || tcgetattr(pty.slave, &mode) != 0) return with_mode(pty, mode);
    cfmakeraw(&mode);
    return with_mode(pty, mode);
}

Pty open_input_pty(const std::string &ptmx) {
    Pty pty = open_pair(ptmx);
    termios mode{};
    if (pty.slave < 0 || tcgetattr(pty.slave, &mode) != 0) return with_mode(pty, mode);
    mode.c_iflag = 0;  // no CR translation, no flow control, no stripping
    mode.c_oflag = 0;
    mode.c_lflag = ICANON | IEXTEN;  // lines; IEXTEN for the quote key
    std::fill(std::begin(mode.c_cc), std::end(mode.c_cc), _POSIX_VDISABLE);
    mode.c_cc[VEOF] = end_of_file;
    mode.c_cc[VLNEXT] = quote_next;
    mode.c_cc[VMIN] = 1;
    return with_mode(pty, mode);
}

std::string keys(std::string_view input) {
    std::string typed;
    typed.reserve(input.size() + 2);
    for (char c : input) {
        if (c == end_of_file || c == quote_next) typed += quote_next;
        typed += c;
    }
    if (!input.empty() && input.back() != '\n') typed += end_of_file;  // pushes the partial line
    typed += end_of_file;
    return typed;
}

bool fits_terminal(std::string_view input) {
    std::size_t line_start = 0;
    while (line_start < input.size()) {
        std::size_t end = input.find('\n', line_start);
        if (end == std::string_view::npos) end = input.size();
        if (end - line_start > terminal_line_max) return false;
        line_start = end + 1;
    }
    return true;
}

}  // namespace exocheck
