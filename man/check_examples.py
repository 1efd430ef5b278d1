#!/usr/bin/env python3
"""Runs the examples of manual pages and compares their output byte for byte.

An example is an .EX/.EE block of a page. In it, a line that starts with "$ "
is a shell command; the lines after it, up to the next command or the end of
the block, are its exact output (standard output and standard error together,
each line ended by a newline). "$ cat FILE" shows a file: its lines are written
to FILE before the command runs, so that the commands after it can use it.
A block that holds on one byte order only says so with a comment line in it,
.\\" little-endian or .\\" big-endian: it runs only when the programs have that
byte order (--byte-order, the machine's by default).
Blocks without commands (forms, fragments) are not run, but every block is
checked for plain "-", "'" and "`", which groff may render as other characters
than the ones a program prints: examples write them \\-, \\(aq and \\(ga.
The SYNOPSIS of a section 1 page, the section after NAME, is also checked: it
reads, byte for byte, as the first line of the program's --help after
"Utilisation : ".

A Markdown file (README.md) is read the same way, its ``` blocks for .EX/.EE
and its text as it is, but for a line of output ending with "⏎", which
the program ends without a newline. Only its commands that name
build/<folder>/<program> run, with that program of the build directory given
by --build.

Usage: check_examples.py [--path DIR]... [--root DIR] [--build DIR] [--skip-missing]
                         [--byte-order little|big] [--cc CC] [--toolchain FILE] PAGE...
  --path DIR      searched first for the programs (repeatable)
  --root DIR      an installed tree: /usr/ in commands means DIR/usr/, its
                  bin/ is searched first, its include/ is on the compilers'
                  include path, and pkg-config and CMake find its packages
  --build DIR     a build directory: build/ in the commands of a Markdown
                  file means DIR/
  --skip-missing  skip, instead of failing, a section 1 page whose program
                  cannot be found
  --cc CC         with --root, for a cross build: the C compiler the
                  commands' cc stands for
  --toolchain F   with --root, for a cross build: the toolchain file the
                  commands' CMake configures with, the root its system root
Pages may be gzipped. Exit status 0 when every example gives its output.
When PETITS_EMULATOR is set (a cross build's tests set it), it is the command
line of the emulator that runs the programs of those directories, for
example "qemu-s390x -L /usr/s390x-linux-gnu": the commands find each program
under its own name, as a script that starts it through the emulator.
"""
import argparse
import atexit
import glob
import gzip
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

# The escapes an example may use, and the characters they stand for.
ESCAPES = {
    "\\-": "-", "\\e": "\\", "\\(aq": "'", "\\(ga": "`", "\\(dq": '"', "\\(rs": "\\",
    "\\(ha": "^", "\\(ti": "~",
    "\\&": "", "\\ ": " ", "\\fB": "", "\\fI": "", "\\fR": "", "\\fP": "",
}
PLAIN_ONLY_ESCAPED = {"-": "\\-", "'": "\\(aq", "`": "\\(ga"}
# The macros that join their arguments, alternating fonts, without spaces.
ALTERNATING = {".BR", ".RB", ".BI", ".IB", ".IR", ".RI"}
# A program of the build, named in a Markdown file's command.
BUILT = re.compile(r"(?<![\w/.-])build/([\w-]+/[\w-]+)")


class PageError(Exception):
    pass


def unescape(line, where):
    """The text a no-fill roff line stands for; refuses what may render otherwise."""
    text, i = [], 0
    while i < len(line):
        c = line[i]
        if c == "\\":
            for escape, meaning in ESCAPES.items():
                if line.startswith(escape, i):
                    text.append(meaning)
                    i += len(escape)
                    break
            else:
                raise PageError(f"{where}: unknown escape {line[i:i + 4]!r}")
            continue
        if c in PLAIN_ONLY_ESCAPED:
            raise PageError(f"{where}: write {c!r} as {PLAIN_ONLY_ESCAPED[c]} in an example")
        text.append(c)
        i += 1
    return "".join(text)


def read_page(path):
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rt", encoding="utf-8") as f:
        return f.read().splitlines()


def example_blocks(lines, name, byte_order=sys.byteorder):
    """Lists of (line number, text) for each .EX/.EE block, but the blocks
    for the other byte order."""
    blocks, block, order = [], None, None
    for number, line in enumerate(lines, 1):
        if line.startswith(".EX"):
            block, order = [], byte_order
        elif line.startswith(".EE"):
            if block is None:
                raise PageError(f"{name}:{number}: .EE without .EX")
            if order == byte_order:
                blocks.append(block)
            block = None
        elif block is not None and line in ('.\\" little-endian', '.\\" big-endian'):
            order = line[4:-7]
        elif block is not None and not line.startswith("."):
            block.append((number, unescape(line, f"{name}:{number}")))
    if block is not None:
        raise PageError(f"{name}: .EX without .EE")
    return blocks


def markdown_blocks(lines):
    """Lists of (line number, text) for each ``` block."""
    fences = [n for n, line in enumerate(lines) if line.startswith("```")]
    return [[(n + 1, lines[n]) for n in range(a + 1, b)] for a, b in zip(fences[::2], fences[1::2])]


def synopsis(lines, name):
    """The section after NAME as groff fills it on one line: text lines, and
    the arguments of .B and .I joined by spaces, of .BR, .RB... without."""
    heads = [n for n, line in enumerate(lines) if line.startswith(".SH")] + [len(lines)] * 3
    words = []
    for number in range(heads[1] + 1, heads[2]):
        where, line = f"{name}:{number + 1}", lines[number]
        macro, _, rest = line.partition(" ") if line.startswith(".") else ("", "", line)
        if macro not in ("", ".B", ".I") and macro not in ALTERNATING:
            raise PageError(f"{where}: {macro} in the synopsis")
        parts = re.findall(r'"[^"]*"|\S+', rest) if macro else [rest]
        parts = [unescape(p[1:-1] if p.startswith('"') else p, where) for p in parts]
        words.append(("" if macro in ALTERNATING else " ").join(parts))
    return " ".join(" ".join(words).split())


def check_synopsis(lines, name, program, env):
    """1 when the synopsis is not the usage line of the program's --help."""
    run = subprocess.run([program, "--help"], env=env, stdout=subprocess.PIPE, timeout=120)
    usage = run.stdout.decode("utf-8", "replace").split("\n")[0]
    shown = "Utilisation : " + synopsis(lines, name)
    if usage != shown:
        print(f"{name}: the synopsis reads\n{shown!r}\nbut --help says\n{usage!r}")
        return 1
    return 0


def commands(blocks):
    """(line number, command, expected output) for every command of the blocks."""
    found = []
    for block in blocks:
        current = None
        for number, text in block:
            if text.startswith("$ "):
                current = [number, text[2:], []]
                found.append(current)
            elif current is not None:
                current[2].append(text)
    return [(n, cmd, "".join(l + "\n" for l in out)) for n, cmd, out in found]


def check_page(path, args, env, passed):
    """Runs the examples of a page; `passed` maps the examples of the pages
    that gave their output to the page, so that a translation whose examples
    are the same, command for command and byte for byte, is not run twice."""
    name = os.path.basename(path)
    base = name[:-3] if name.endswith(".gz") else name
    program, section = base.rsplit(".", 1)
    lines = read_page(path)
    failures = 0
    if section == "md":
        if not args.build:
            raise PageError(f"{name}: --build is needed for a Markdown file")
        runs = [(number, command, expected.replace("\u23ce\n", ""))
                for number, command, expected in commands(markdown_blocks(lines))
                if BUILT.search(command)]
        for _, command, _ in runs:
            for built in BUILT.finditer(command):
                if not os.access(os.path.join(args.build, built.group(1)), os.X_OK):
                    raise PageError(f"{name}: {built.group(0)} is not a program of {args.build}")
    else:
        found = shutil.which(program, path=env["PATH"]) if section == "1" else None
        if section == "1" and found is None:
            if args.skip_missing:
                print(f"{name}: skipped, no program {program}")
                return 0
            raise PageError(f"{name}: program {program} not found")
        if found:
            failures += check_synopsis(lines, name, found, env)
        runs = commands(example_blocks(lines, name, args.byte_order))
    if not runs:
        raise PageError(f"{name}: no example")
    same = tuple((command, expected) for _, command, expected in runs)
    if same in passed:
        print(f"{name}: the {len(runs)} examples of {passed[same]}, which give their output")
        return failures
    wrong = skipped = 0
    emulator_words = os.environ.get("PETITS_EMULATOR", "")
    with tempfile.TemporaryDirectory(prefix="man-examples-") as work:
        for number, command, expected in runs:
            if emulator_words and command.startswith("exocheck "):
                # Two thousand runs of emulated programs: the native build
                # runs this one.
                skipped += 1
                continue
            shown = re.fullmatch(r"cat ([\w.-]+)", command)
            if shown and not os.path.exists(os.path.join(work, shown.group(1))):
                with open(os.path.join(work, shown.group(1)), "w", encoding="utf-8") as f:
                    f.write(expected)
            if args.root:
                command = re.sub(r"(?<![\w/.])/usr/", args.root + "/usr/", command)
            if emulator_words and section != "md":
                # A program the example built (./moyenne, build/app) is one
                # of the target's: it runs through the emulator.
                command = LOCAL_PROGRAM.sub(lambda m: m.group(1) + emulator_words + " " + m.group(2), command)
            if section == "md":
                # Under an emulator, a program of the build runs through it.
                emulator = os.environ.get("PETITS_EMULATOR", "")
                command = BUILT.sub(lambda m: (emulator + " " if emulator else "") +
                                    shlex.quote(os.path.join(args.build, m.group(1))), command)
            run = subprocess.run(["/bin/sh", "-c", command], cwd=work, env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                 timeout=120)
            if run.stdout != expected.encode("utf-8"):
                wrong += 1
                print(f"{name}:{number}: $ {command}\n--- expected\n{expected!r}\n"
                      f"--- got\n{run.stdout.decode('utf-8', 'replace')!r}")
    print(f"{name}: {len(runs) - wrong - skipped} of {len(runs)} examples give their output" +
          (f", {skipped} of exocheck not run under the emulator" if skipped else ""))
    if not wrong:
        passed[same] = path
    return failures + wrong


# A command word that runs a program an example built in its directory.
LOCAL_PROGRAM = re.compile(r"(^|[|;&]\s*)((?:\./|build/)[\w.-]+)")


def cross_tools(directory, cc, toolchain, root):
    """Scripts in `directory` for a cross build's examples: cc is the cross
    compiler; cmake configures with the toolchain, the packages found in
    `root` as in the target's system root."""
    tools = {}
    if cc:
        tools["cc"] = f"exec {shlex.quote(cc)} \"$@\"\n"
    if toolchain:
        cmake = shlex.quote(shutil.which("cmake") or "cmake")
        tools["cmake"] = (f"case \" $* \" in *\" -S \"*) exec {cmake} -DCMAKE_TOOLCHAIN_FILE={shlex.quote(toolchain)} "
                          f"-DCMAKE_FIND_ROOT_PATH={shlex.quote(root)} -DCMAKE_PREFIX_PATH=/usr \"$@\";; esac\n"
                          f"exec {cmake} \"$@\"\n")
    for name, body in tools.items():
        with open(os.path.join(directory, name), "w", encoding="utf-8") as f:
            f.write("#!/bin/sh\n" + body)
        os.chmod(os.path.join(directory, name), 0o755)


def through_emulator(dirs, emulator):
    """A directory, removed at exit, with a script for every program (ELF
    file) of `dirs` that runs it through `emulator`, under its name."""
    scripts = tempfile.mkdtemp(prefix="man-emulated-")
    atexit.register(shutil.rmtree, scripts, True)
    for directory in reversed([d for d in dirs if os.path.isdir(d)]):  # the first one's wins
        for entry in os.scandir(directory):
            if entry.is_file():
                with open(entry.path, "rb") as f:
                    if f.read(4) != b"\x7fELF":
                        continue
                with open(os.path.join(scripts, entry.name), "w", encoding="utf-8") as f:
                    f.write(f"#!/bin/sh\nexec {emulator} {shlex.quote(entry.path)} \"$@\"\n")
                os.chmod(os.path.join(scripts, entry.name), 0o755)
    return scripts


def main():
    parser = argparse.ArgumentParser(description="Run the examples of manual pages.")
    parser.add_argument("--path", action="append", default=[])
    parser.add_argument("--root")
    parser.add_argument("--build")
    parser.add_argument("--skip-missing", action="store_true")
    parser.add_argument("--byte-order", choices=["little", "big"], default=sys.byteorder)
    parser.add_argument("--cc")
    parser.add_argument("--toolchain")
    parser.add_argument("pages", nargs="+")
    args = parser.parse_args()

    env = dict(os.environ, LC_ALL="C.UTF-8")
    search = [os.path.abspath(p) for p in args.path]
    if args.root:
        args.root = os.path.abspath(args.root)
        search.insert(0, os.path.join(args.root, "usr/bin"))
        usr = os.path.join(args.root, "usr")
        env["CPLUS_INCLUDE_PATH"] = env["C_INCLUDE_PATH"] = os.path.join(usr, "include")
        env["PKG_CONFIG_PATH"] = os.pathsep.join(glob.glob(os.path.join(usr, "lib/*/pkgconfig")))
        env["PKG_CONFIG_SYSROOT_DIR"] = args.root  # its .pc files name /usr
        env["CMAKE_PREFIX_PATH"] = usr
    if args.build:
        args.build = os.path.abspath(args.build)
    if os.environ.get("PETITS_EMULATOR"):
        search.insert(0, through_emulator(search, os.environ["PETITS_EMULATOR"]))
        if args.root and (args.cc or args.toolchain):
            cross_tools(search[0], args.cc, args.toolchain, args.root)
    env["PATH"] = os.pathsep.join(search + [env.get("PATH", "/usr/bin:/bin")])

    failures, passed = 0, {}
    for page in args.pages:
        try:
            failures += check_page(page, args, env, passed)
        except PageError as error:
            print(error)
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
