// Dialogues at a terminal, as a person sees them: the prompt is on the
// screen before anything is typed, the typed line is echoed, the answer
// follows it, and an assertion diagnostic comes after the lines printed
// before it.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

#include "built_programs.h"
#include "run/terminal.h"

namespace exocheck {

namespace {

TEST(Terminal, TickupPromptsThenAnswersTheTypedLine) {
    Terminal t(program_path("tickup"));
    const std::string prompt = "Veuillez entrer une heure sous la forme hh:mm:ss :\r\n";
    ASSERT_TRUE(t.wait_for(prompt)) << t.screen();
    EXPECT_EQ(t.screen(), prompt);  // nothing but the prompt before typing
    t.type("23:59:59\r");
    int status = t.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(t.screen(), prompt + "23:59:59\r\n\r\nL'heure après avoir ajouté une seconde est : 00:00:00\r\n");
}

TEST(Terminal, QuadrootsPromptWithoutNewlineIsVisibleBeforeInput) {
    Terminal t(program_path("quadroots"));
    const std::string prompt =
        "Entrer les coeficients a, b et c de l'equation du second degre (a*x^2 + b*x + c = 0) : ";
    ASSERT_TRUE(t.wait_for(prompt)) << t.screen();
    t.type("1 -3 2\r");
    int status = t.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(t.screen(), prompt + "1 -3 2\r\n"
                          "L'equation admet deux solutions reelles distinctes : x1 = 1.00 et x2 = 2.00\r\n");
}

TEST(Terminal, GradebookShowsTheTablesBeforeTheDiagnostic) {
    Terminal t(program_path("gradebook"));
    t.type("12 8 x 2 1 x -2\r");
    int status = t.finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
    const std::string before = "12 8 x 2 1 x -2\r\n"
                               "Les notes saisies sont :\r\n12.00 8.00 \r\n"
                               "Les coefficients sont :\r\n2.00 1.00 \r\n"
                               "gradebook: gradebook/gradecalc.cpp:";
    ASSERT_EQ(t.screen().substr(0, before.size()), before);
    EXPECT_NE(t.screen().find(": modif_notes: Assertion `EF >= 0 || EF == DEF' failed.\r\n", before.size()),
              std::string::npos)
        << t.screen();
}

}  // namespace

}  // namespace exocheck
