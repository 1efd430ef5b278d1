#!/usr/bin/env python3
"""Runs clang-tidy on sources of a build, each source once per content: a
source whose check passed is not checked again while nothing clang-tidy
reads has changed (the source with every header it includes, preprocessed
as its compile command does, that command, the configuration files and
clang-tidy's version). A fresh build directory checks every source.

Usage: static_tidy.py --build DIR --clang-tidy PROGRAM --config FILE...
                      -- SOURCE...
Prints what clang-tidy prints; exit status 0 when no source has a finding.
"""
import argparse
import hashlib
import json
import os
import shlex
import subprocess
import sys


def preprocessed(entry):
    """The source as the compiler sees it, every header included."""
    words = shlex.split(entry["command"])
    kept, skip = [], False
    for word in words:
        if skip:
            skip = False
        elif word == "-o":
            skip = True
        elif word != "-c":
            kept.append(word)
    run = subprocess.run(kept + ["-E"], cwd=entry["directory"], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=False)
    return run.stdout if run.returncode == 0 else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--clang-tidy", required=True)
    parser.add_argument("--config", action="append", default=[])
    parser.add_argument("sources", nargs="+")
    args = parser.parse_args()

    with open(os.path.join(args.build, "compile_commands.json"), encoding="utf-8") as f:
        commands = {os.path.realpath(e["file"]): e for e in json.load(f)}
    common = hashlib.sha256()
    common.update(subprocess.run([args.clang_tidy, "--version"], stdout=subprocess.PIPE,
                                 check=True).stdout)
    for config in args.config:
        with open(config, "rb") as f:
            common.update(f.read())
    passed_dir = os.path.join(args.build, "static-tidy-passed")
    os.makedirs(passed_dir, exist_ok=True)

    failed = 0
    for source in args.sources:
        entry = commands[os.path.realpath(source)]
        text = preprocessed(entry)
        stamp = None
        if text is not None:
            key = common.copy()
            key.update(entry["command"].encode())
            key.update(text)
            stamp = os.path.join(passed_dir, key.hexdigest())
            if os.path.exists(stamp):
                continue
        run = subprocess.run([args.clang_tidy, "-p", args.build, "--quiet",
                              "--extra-arg=-Wno-unknown-warning-option", source], check=False)
        if run.returncode != 0:
            failed += 1
        elif stamp:
            open(stamp, "w", encoding="utf-8").close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
