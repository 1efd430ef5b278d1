// The memory checkers' reports read into kinds and places: real reports of
// Valgrind 3.19 and gcc 12's sanitizers, trimmed to what matters.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "judge/memory_errors.h"

namespace exocheck {

namespace {

// A frame of Valgrind's XML: in the candidate (file and line) or in a
// library (object only).
std::string frame(const std::string &fn, const std::string &obj, const std::string &file = "", int line = 0) {
    std::string text = "<frame><ip>0x1</ip><obj>" + obj + "</obj><fn>" + fn + "</fn>";
    if (!file.empty()) text += "<dir>/src</dir><file>" + file + "</file><line>" + std::to_string(line) + "</line>";
    return text + "</frame>\n";
}

std::string error(const std::string &kind, const std::string &what, const std::string &stack,
                  const std::string &aux = "") {
    return "<error>\n  <unique>0x0</unique>\n  <kind>" + kind + "</kind>\n  " + what + "\n  <stack>\n" + stack +
           "</stack>\n" + (aux.empty() ? "" : "  <auxwhat>" + aux + "</auxwhat>\n  <stack>" +
                                                  frame("free", "/usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so") +
                                                  "</stack>\n") +
           "</error>\n";
}

const std::string PROGRAM = "/candidat/mon_prog";
const std::string LIBC = "/usr/lib/x86_64-linux-gnu/libc.so.6";
const std::string PRELOAD = "/usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so";
const std::string FINISHED = "<status>\n  <state>FINISHED</state>\n</status>\n";

struct Expected {
    MemoryKind kind;
    std::string file;
    int line;
    std::string function;
};

void expect_errors(const std::vector<MemoryError> &got, const std::vector<Expected> &want, const char *name) {
    ASSERT_EQ(got.size(), want.size()) << name;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(kind_code(got[i].kind), kind_code(want[i].kind)) << name << " #" << i;
        EXPECT_EQ(got[i].file, want[i].file) << name << " #" << i;
        EXPECT_EQ(got[i].line, want[i].line) << name << " #" << i;
        EXPECT_EQ(got[i].function, want[i].function) << name << " #" << i;
    }
}

TEST(MemoryErrors, MemcheckXml) {
    struct Row {
        const char *name;
        std::string err;
        std::vector<Expected> errors;
    };
    const std::string main_12 = frame("main", PROGRAM, "prog.c", 12);
    const std::string read = "<what>Invalid read of size 4</what>";
    const std::vector<Row> rows = {
        {"past a malloc'd array", error("InvalidRead", read, main_12, "Address 0x4a4a068 is 0 bytes after a block of size 40 alloc'd") + FINISHED,
         {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"}}},
        {"write past it", error("InvalidWrite", "<what>Invalid write of size 4</what>", main_12, "Address 0x4a4a068 is 0 bytes after a block of size 40 alloc'd"),
         {{MemoryKind::write_out_of_bounds, "prog.c", 12, "main"}}},
        {"after free", error("InvalidRead", read, main_12, "Address 0x4a44094 is 20 bytes inside a block of size 40 free'd"),
         {{MemoryKind::use_after_free, "prog.c", 12, "main"}}},
        {"nowhere (its text also says free'd)", error("InvalidRead", read, main_12, "Address 0x0 is not stack'd, malloc'd or (recently) free'd"),
         {{MemoryKind::invalid_address, "prog.c", 12, "main"}}},
        // Inside printf: the candidate's frame is the one that called it;
        // four errors at one line are one.
        {"uninitialised in printf",
         error("UninitCondition", "<what>Conditional jump or move depends on uninitialised value(s)</what>",
               frame("__vfprintf_internal", LIBC, "vfprintf-process-arg.c", 58) + frame("printf", LIBC, "printf.c", 33) +
                   frame("main", PROGRAM, "prog.c", 9)) +
             error("UninitValue", "<what>Use of uninitialised value of size 8</what>",
                   frame("_itoa_word", LIBC, "_itoa.c", 177) + frame("main", PROGRAM, "prog.c", 9)),
         {{MemoryKind::uninitialised, "prog.c", 9, "main"}}},
        {"double free, then a mismatched delete",
         error("InvalidFree", "<what>Invalid free() / delete / delete[] / realloc()</what>",
               frame("free", PRELOAD) + frame("main", PROGRAM, "prog.c", 14), "Address 0x4a4a040 is 0 bytes inside a block of size 24 free'd") +
             error("MismatchedFree", "<what>Mismatched free() / delete / delete []</what>",
                   frame("operator delete(void*, unsigned long)", PRELOAD) + frame("main", PROGRAM, "prog.cpp", 11)),
         {{MemoryKind::double_free, "prog.c", 14, "main"}, {MemoryKind::invalid_free, "prog.cpp", 11, "main"}}},
        {"free of a moved pointer",
         error("InvalidFree", "<what>Invalid free() / delete / delete[] / realloc()</what>",
               frame("free", PRELOAD) + frame("main", PROGRAM, "prog.c", 12), "Address 0x4a4a04c is 0 bytes after a block of size 12 alloc'd"),
         {{MemoryKind::invalid_free, "prog.c", 12, "main"}}},
        // Still reachable blocks are no leak a course counts.
        {"leaks", error("Leak_DefinitelyLost", "<xwhat><text>6 bytes in 1 blocks are definitely lost</text></xwhat>",
                        frame("malloc", PRELOAD) + frame("copie", PROGRAM, "prog.c", 9) + frame("main", PROGRAM, "prog.c", 20)) +
                      error("Leak_StillReachable", "<xwhat><text>8 bytes in 1 blocks are still reachable</text></xwhat>",
                            frame("malloc", PRELOAD) + frame("main", PROGRAM, "prog.c", 30)) + FINISHED,
         {{MemoryKind::leak, "prog.c", 9, "copie"}}},
        // Without debugging information: the function only.
        {"no debugging information", error("InvalidRead", read, frame("main", PROGRAM)),
         {{MemoryKind::read_out_of_bounds, "", 0, "main"}}},
        // What the candidate writes itself cannot add to an error nor cut
        // one: only the checker's complete elements count.
        {"the candidate's own text around",
         "<error><kind>InvalidFree</kind>" + error("InvalidRead", read, frame("f&lt;int&gt;", PROGRAM, "prog.cpp", 7)) + "</error>\n<error>",
         {{MemoryKind::read_out_of_bounds, "prog.cpp", 7, "f<int>"}}},
        {"nothing", "Entrez un nombre : <status><state>RUNNING</state></status>", {}},
        // A frame opened and never closed ends the stack.
        {"a frame left open",
         "<error><kind>InvalidRead</kind><stack><frame><fn>aaaaaaaaaaaaaaaaaaaa</fn></frame><frame></stack></error>",
         {{MemoryKind::read_out_of_bounds, "", 0, "aaaaaaaaaaaaaaaaaaaa"}}},
    };
    for (const Row &row : rows) expect_errors(read_memcheck_errors(row.err, OwnCode{}), row.errors, row.name);
}

TEST(MemoryErrors, SanitizerReports) {
    struct Row {
        const char *name;
        std::string err;
        std::string source;  // the source exocheck built, if any
        std::vector<Expected> errors;
    };
    const std::string start = "    #1 0x7f022bc45249 in __libc_start_call_main ../sysdeps/nptl/libc_start_call_main.h:58\n"
                              "    #3 0x56127ef85140 in _start (/tmp/x/prog-asan+0x2140)\n";
    const auto index = [&](int column, const std::string &access) {
        return "prog.c:12:" + std::to_string(column) + ": runtime error: index 10 out of bounds for type 'int [10]'\n"
               "    #0 0x56127ef85524 in main prog.c:12\n" + start + "\n"
               "prog.c:12:13: runtime error: " + access + " of address 0x7ffd00e4ee68 with insufficient space for an object of type 'int'\n"
               "0x7ffd00e4ee68: note: pointer points here\n 0a 00 00 00\n              ^ \n"
               "    #0 0x56127ef85571 in main prog.c:12\n" + start + "\n";
    };
    const auto asan = [&](const std::string &report, const std::string &access, const std::string &frames) {
        return "=================================================================\n"
               "==23015==ERROR: AddressSanitizer: " + report + " on address 0x7ffd00e4ee68 at pc 0x1 bp 0x2 sp 0x3\n" +
               access + frames + start + "SUMMARY: AddressSanitizer: " + report + "\n==23015==ABORTING\n";
    };
    const std::string in_main = "    #0 0x55ad1eb025f5 in main prog.c:12\n";
    const std::string in_free = "    #0 0x7fa283cb76a8 in __interceptor_free ../../../../src/libsanitizer/asan/asan_malloc_linux.cpp:52\n"
                                "    #1 0x5645cc47f5f3 in main prog.c:14\n";
    const std::vector<Row> rows = {
        // UBSan's index, its load, and ASan's READ: one error.
        {"stack read", index(13, "load") + asan("stack-buffer-overflow", "READ of size 4 at 0x7ffd00e4ee68 thread T0\n", in_main), "",
         {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"}}},
        {"stack write", index(6, "store") + asan("stack-buffer-overflow", "WRITE of size 4 at 0x7ffd00e4ee68 thread T0\n", in_main), "",
         {{MemoryKind::write_out_of_bounds, "prog.c", 12, "main"}}},
        {"index alone", index(13, "load"), "", {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"}}},
        // An index out of bounds where a load was already found is that
        // error: an overflow elsewhere later is an error of its own.
        {"a load, then an index at its line",
         "prog.c:12:9: runtime error: load of address 0x7ffd00e4ee68 with insufficient space for an object of type 'int'\n" +
             in_main + "prog.c:12:13: runtime error: index 10 out of bounds for type 'int [10]'\n" + in_main +
             "prog.c:15:7: runtime error: signed integer overflow: 2147483647 + 1 cannot be represented in type 'int'\n" +
             "    #0 0x1 in main prog.c:15\n" +
             asan("heap-buffer-overflow", "READ of size 4 at 0x602000000038 thread T0\n", "    #0 0x2 in main prog.c:15\n"),
         "",
         {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"},
          {MemoryKind::undefined_behaviour, "prog.c", 15, "main"},
          {MemoryKind::read_out_of_bounds, "prog.c", 15, "main"}}},
        {"global", asan("global-buffer-overflow", "READ of size 4 at 0x55c433714bc8 thread T0\n", in_main), "",
         {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"}}},
        {"heap write", asan("heap-buffer-overflow", "WRITE of size 4 at 0x602000000038 thread T0\n", in_main), "",
         {{MemoryKind::write_out_of_bounds, "prog.c", 12, "main"}}},
        {"after free", asan("heap-use-after-free", "READ of size 4 at 0x602000000010 thread T0\n", in_main), "",
         {{MemoryKind::use_after_free, "prog.c", 12, "main"}}},
        {"double free", asan("attempting double-free", "", in_free), "", {{MemoryKind::double_free, "prog.c", 14, "main"}}},
        {"bad free", asan("attempting free on address which was not malloc()-ed: 0x60200000001c in thread T0", "", in_free), "",
         {{MemoryKind::invalid_free, "prog.c", 14, "main"}}},
        {"new[] then delete", asan("alloc-dealloc-mismatch (operator new [] vs operator delete)", "",
                                   "    #0 0x7fd5edeba3c8 in operator delete(void*, unsigned long) ../../../../src/libsanitizer/asan/asan_new_delete.cpp:164\n"
                                   "    #1 0x55aa7a9bc0a1 in main prog.cpp:11\n"), "",
         {{MemoryKind::invalid_free, "prog.cpp", 11, "main"}}},
        // A C++ library header is not the candidate's code.
        {"in a vector's code", asan("heap-buffer-overflow", "READ of size 4 at 0x1 thread T0\n",
                                    "    #0 0x5 in std::vector<int, std::allocator<int> >::operator[](unsigned long) /usr/include/c++/12/bits/stl_vector.h:1123\n"
                                    "    #1 0x6 in lire(std::vector<int, std::allocator<int> >&) prog.cpp:21\n"), "",
         {{MemoryKind::read_out_of_bounds, "prog.cpp", 21, "lire(std::vector<int, std::allocator<int> >&)"}}},
        {"null pointer", asan("SEGV on unknown address 0x000000000000 (pc 0x1 bp 0x2 sp 0x3 T0)", "==1==The signal is caused by a WRITE memory access.\n", in_main), "",
         {{MemoryKind::invalid_address, "prog.c", 12, "main"}}},
        {"out of memory is a limit", "==1==ERROR: AddressSanitizer: requested allocation size 0xfffffffffffffffc exceeds maximum\n", "", {}},
        {"leaks, one per allocation site",
         "=================================================================\n==23149==ERROR: LeakSanitizer: detected memory leaks\n\n"
         "Direct leak of 12 byte(s) in 1 object(s) allocated from:\n"
         "    #0 0x7fb35c6b9628 in operator new[](unsigned long) ../../../../src/libsanitizer/asan/asan_new_delete.cpp:98\n"
         "    #1 0x563d0b896c2a in main prog.cpp:7\n\n"
         "Indirect leak of 8 byte(s) in 1 object(s) allocated from:\n"
         "    #0 0x7fb35c6b9628 in malloc ../../../../src/libsanitizer/asan/asan_malloc_linux.cpp:69\n"
         "    #1 0x563d0b896c2a in main prog.cpp:7\n\n"
         "SUMMARY: AddressSanitizer: 20 byte(s) leaked in 2 allocation(s).\n", "",
         {{MemoryKind::leak, "prog.cpp", 7, "main"}}},
        {"signed overflow", "prog.c:8:11: runtime error: signed integer overflow: 2147483647 + 1 cannot be represented in type 'int'\n", "",
         {{MemoryKind::undefined_behaviour, "prog.c", 8, ""}}},
        // The source exocheck built is the candidate's, wherever a helper
        // of its own lies; its path, whole, holds spaces.
        {"the built source first", asan("heap-buffer-overflow", "READ of size 1 at 0x1 thread T0\n",
                                        "    #0 0x5 in outil outils/aide.c:3\n    #1 0x6 in main /src/TP 3.c:30\n"), "TP 3.c",
         {{MemoryKind::read_out_of_bounds, "/src/TP 3.c", 30, "main"}}},
        {"no debugging information", asan("heap-buffer-overflow", "READ of size 4 at 0x1 thread T0\n",
                                          "    #0 0x55 in main (/tmp/TP 3/prog+0x11c9)\n"), "",
         {{MemoryKind::read_out_of_bounds, "", 0, "main"}}},
        {"a frame is no report, whatever it holds",
         asan("heap-buffer-overflow", "READ of size 4 at 0x1 thread T0\n", in_main + "    #1 0x6 in f prog.c:13: runtime error: x\n"), "",
         {{MemoryKind::read_out_of_bounds, "prog.c", 12, "main"}}},
        {"a candidate's own words", "Entrez un nombre : 12\nrésultat : 13\n", "", {}},
    };
    for (const Row &row : rows) expect_errors(read_sanitizer_errors(row.err, OwnCode{row.source}), row.errors, row.name);
}

TEST(MemoryErrors, KindsNamedOnce) {
    std::vector<std::string_view> french, codes;
    for (const MemoryKind kind : memory_kinds()) {
        french.push_back(kind_in_french(kind));
        codes.push_back(kind_code(kind));
    }
    std::ranges::sort(french);
    std::ranges::sort(codes);
    EXPECT_EQ(std::ranges::adjacent_find(french), french.end());
    EXPECT_EQ(std::ranges::adjacent_find(codes), codes.end());
    EXPECT_EQ(kind_in_french(MemoryKind::read_out_of_bounds), "lecture hors d'un tableau");
    EXPECT_EQ(kind_in_french(MemoryKind::uninitialised), "valeur non initialisée utilisée");
    EXPECT_TRUE(is_warning(MemoryKind::leak));
    EXPECT_FALSE(is_warning(MemoryKind::double_free));
}

}  // namespace

}  // namespace exocheck
