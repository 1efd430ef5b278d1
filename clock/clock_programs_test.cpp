// The six clock programs end to end: exact standard output (a missing final
// newline included), standard error and end.
#include <gtest/gtest.h>

#include <vector>

#include "built_programs.h"
#include "diagnostic.h"
#include "run/run_program.h"

using namespace exocheck;

namespace {

struct Program {
    std::string name, path, prompt;
};

const Program tickup{"tickup", program_path("tickup"), "Veuillez entrer une heure sous la forme hh:mm:ss :\n"};
const Program tickdown{"tickdown", program_path("tickdown"), tickup.prompt};
const Program dialshow{"dialshow", program_path("dialshow"), "Veuillez saisir une valeur entiere :\n"};
const Program dialsplit{"dialsplit", program_path("dialsplit"),
                        "Veuillez saisir une valeur horaire exprimee en secondes :\n"};
const Program dialtotal{"dialtotal", program_path("dialtotal"), "Veullez entrer une heure sous la forme hh:mm:ss :\n"};
const Program dialsum{"dialsum", program_path("dialsum"), "Veuille saisir une valeur horaire sous la forme hh:mm:ss :\n"};

struct Case {
    const Program &program;
    std::string input;
    std::string result;  // what follows the prompt
};

std::string up(const std::string &time) {
    return "\nL'heure après avoir ajouté une seconde est : " + time + "\n";
}
std::string down(const std::string &time) {
    return "\nL'heure après avoir soustrait une seconde est : " + time + "\n";
}
std::string split(const std::string &count, const std::string &time) {
    return "La valeur en hh:mm:ss de " + count + " est : " + time;
}
std::string total(const std::string &count) {
    return "Le nombre de secondes totales est : " + count + "\n";
}
std::string sum(const std::string &fields, const std::string &count) {
    return "La valeur en secondes de " + fields + " est : " + count;
}

TEST(ClockPrograms, Results) {
    const std::vector<Case> cases = {
        {tickup, "23:59:59\n", up("00:00:00")},
        {tickup, "12:59:59", up("13:00:00")},
        {tickup, "00:00:59", up("00:01:00")},
        {tickup, " 7: 5:\t3 rest", up("07:05:04")},
        {tickdown, "00:00:00\n", down("23:59:59")},
        {tickdown, "13:00:00", down("12:59:59")},
        {tickdown, "10:20:30", down("10:20:29")},
        {tickdown, "0:1:0", down("00:00:59")},
        {dialshow, "125\n", "00 : 02 : 05 \n"},
        {dialshow, "0", "00 : 00 : 00 \n"},
        {dialshow, "59", "00 : 00 : 59 \n"},  // minutes are / 60: 59 s is not a minute
        {dialshow, "90000", "25 : 00 : 00 \n"},
        {dialshow, "2147483647", "596523 : 14 : 07 \n"},
        {dialsplit, "125\n", split("125", "00:02:05")},
        {dialsplit, "59", split("59", "00:00:59")},
        {dialsplit, "90061", split("90061", "25:01:01")},
        {dialsplit, "-61", split("-61", "00:-1:-1")},
        {dialsplit, "-2147483648", split("-2147483648", "-596523:-14:-8")},
        {dialtotal, "00:02:05\n", total("125")},
        {dialtotal, "23:59:59", total("86399")},
        {dialtotal, "0:0:0", total("0")},
        {dialsum, "0:1:75\n", sum("0:1:75", "135")},
        {dialsum, "00:02:05", sum("0:2:5", "125")},
        {dialsum, "-1:0:-5", sum("-1:0:-5", "-3605")},
        {dialsum, "596524:0:0", sum("596524:0:0", "-2147480896")},
        {dialsum, "2147483647:2147483647:2147483647",
         sum("2147483647:2147483647:2147483647", "2147479987")},
    };
    for (const Case &c : cases) {
        RunResult r = run_program(c.program.path, c.input);
        EXPECT_TRUE(exited_cleanly(r)) << c.program.name << " < " << c.input;
        EXPECT_EQ(r.out, c.program.prompt + c.result) << c.program.name << " < " << c.input;
    }
}

struct Failure {
    const Program &program;
    std::string input;
    std::string file, function, condition;
};

TEST(ClockPrograms, FailuresStopAfterThePrompt) {
    const std::string WRAP = "clock/clockwrap.cpp", BACK = "clock/clockback.cpp",
                      H = "*heure >= 0 && *heure <= 23", M = "*minute >= 0 && *minute <= 59",
                      S = "*seconde >= 0 && *seconde <= 59",
                      READ3 = "scanf(\"%d:%d:%d\", &heure, &minute, &seconde) == 3";
    const std::vector<Failure> cases = {
        {tickup, "24:00:00", WRAP, "add_1s", H},
        {tickup, "10:60:00", WRAP, "add_1s", M},
        {tickup, "10:00:-1", WRAP, "add_1s", S},
        {tickup, "24:60:-1", WRAP, "add_1s", H},
        {tickup, "12 30 15", "clock/tickup.cpp", "main", READ3},
        {tickup, "", "clock/tickup.cpp", "main", READ3},
        {tickdown, "-1:00:00", BACK, "sub_1s", H},
        {tickdown, "24:00:00", BACK, "sub_1s", H},
        {tickdown, "05:60:00", BACK, "sub_1s", M},
        {tickdown, "05:00:60", BACK, "sub_1s", S},
        {tickdown, "05:00", "clock/tickdown.cpp", "main", READ3},
        {dialshow, "-5", "clock/dialshow.cpp", "main", "scanf(\"%d\", &d) == 1 && d >= 0"},
        {dialshow, "-2147483648", "clock/dialshow.cpp", "main", "scanf(\"%d\", &d) == 1 && d >= 0"},
        {dialshow, "abc", "clock/dialshow.cpp", "main", "scanf(\"%d\", &d) == 1 && d >= 0"},
        {dialsplit, "x", "clock/dialsplit.cpp", "main", "scanf(\"%d\", &secondes) == 1"},
        {dialsplit, "", "clock/dialsplit.cpp", "main", "scanf(\"%d\", &secondes) == 1"},
        {dialtotal, "12 30 15", "clock/dialtotal.cpp", "main", "scanf(\"%d:%d:%d\", &h, &m ,&s) == 3"},
        {dialtotal, "24:00:00", "clock/dialtotal.cpp", "main", "h >= 0 && h <= 23"},
        {dialtotal, "-1:61:60", "clock/dialtotal.cpp", "main", "h >= 0 && h <= 23"},
        {dialtotal, "10:61:00", "clock/dialtotal.cpp", "main", "m >= 0 && m <= 59"},
        {dialtotal, "10:-1:-1", "clock/dialtotal.cpp", "main", "m >= 0 && m <= 59"},
        {dialtotal, "10:00:60", "clock/dialtotal.cpp", "main", "s >= 0 && s <= 59"},
        // A negative second is refused too.
        {dialtotal, "10:00:-1", "clock/dialtotal.cpp", "main", "s >= 0 && s <= 59"},
        {dialsum, "0:1", "clock/dialsum.cpp", "main", READ3},
    };
    for (const Failure &c : cases) {
        // Standard output is a pipe: the prompt must still be there.
        RunResult r = run_program(c.program.path, c.input);
        EXPECT_TRUE(aborted_with(r, c.program.name, c.file, c.function, c.condition))
            << c.program.name << " < " << c.input;
        EXPECT_EQ(r.out, c.program.prompt) << c.program.name << " < " << c.input;
    }
}

}  // namespace
