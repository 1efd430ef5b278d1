#!/usr/bin/env python3
"""Reads a report of exocheck with the reader its format is made for, and
prints what it found, the same way for every format: one line per
submission, "name|verdict|score out of 20", then the
format's own facts as "fact|...". Exit status 1, with the reader's
complaint, when the reader refuses the report.

Usage: read_report.py FORMAT [SCREENSHOT] < reports
Several reports may come one after another, each ended by a NUL byte (no
report holds one); the findings of each are then followed by a line "==".
"""
import csv
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from html.parser import HTMLParser


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def number(text):
    """A score as one form: 17.5, 20."""
    value = float(str(text).replace(",", "."))
    return ("%.1f" % value).rstrip("0").rstrip(".")


def read_json(data):
    report = json.loads(data)
    for c in report["candidates"]:
        score = c["score"]
        print(f'{c["name"]}|{c["verdict"]}|{number(score["out_of_20"]) if score else "-"}')
    for g in report["groups"]:
        print(f'fact|group|{g["size"]}|{",".join(g["submissions"])}')


def read_csv(data, separator):
    rows = list(csv.DictReader(io.StringIO(data.decode("utf-8"), newline=""), delimiter=separator, strict=True))
    for r in rows:
        print(f'{r["name"]}|{r["verdict"]}|{number(r["score_20"]) if r["score_20"] else "-"}')
        print(f'fact|mistakes|{r["distinct_mistakes"]}')
        if r["first_minimal_input"]:
            print(f'fact|input|{r["first_minimal_input"]}')


def read_junit(data):
    with tempfile.NamedTemporaryFile(suffix=".xml") as f:
        f.write(data)
        f.flush()
        lint = subprocess.run(["xmllint", "--noout", f.name], capture_output=True, text=True)
        if lint.returncode != 0:
            fail("xmllint: " + lint.stderr)
    root = ElementTree.fromstring(data)
    if root.tag != "testsuites":
        fail("not testsuites: " + root.tag)
    for suite in root.findall("testsuite"):
        props = {p.get("name"): p.get("value") for p in suite.find("properties")}
        cases = suite.findall("testcase")
        if int(suite.get("tests")) != len(cases):
            fail("tests= does not count the testcases")
        failing = [c for c in cases if c.find("failure") is not None]
        if int(suite.get("failures")) != len(failing):
            fail("failures= does not count the failures")
        float(suite.get("time"))
        print(f'{suite.get("name")}|{props["verdict"]}|{number(props["score_20"]) if "score_20" in props else "-"}')
        for c in failing:
            text = c.find("failure").text or ""
            print(f'fact|failure|{c.get("name")}|{"Pour reproduire : " in text}|{"Entrée minimale" in text}')


def read_tap(data):
    if os.environ.get("READ_REPORT_KEEP"):
        with open(os.environ["READ_REPORT_KEEP"], "ab") as f:
            f.write(data + b"\0")
    script = r'''
use TAP::Parser;
local $/; my $tap = <STDIN>;
my $parser = TAP::Parser->new({ tap => $tap });
my ($description, $in_subtest) = ("", 0);
while (my $r = $parser->next) {
    if ($r->is_test) { $description = $r->description; print "point|", ($r->is_ok ? "ok" : "not ok"), "|$description\n"; }
    elsif ($r->is_yaml && defined $r->data->{verdict}) { my $d = $r->data; print "yaml|$d->{verdict}|", ($d->{score_20} // "-"), "\n"; }
}
my @errors = grep { !/TAP specified version 14 but we don't know about versions later than 13/ || $TAP::Parser::VERSION >= 3.48 } $parser->parse_errors;
print "error|$_\n" for @errors;
print "summary|", scalar($parser->passed), "|", scalar($parser->failed), "|", $parser->tests_planned, "\n";
'''
    run = subprocess.run(["perl", "-e", script], input=data, capture_output=True)
    if run.returncode != 0:
        fail("perl: " + run.stderr.decode())
    lines = run.stdout.decode("utf-8").splitlines()
    points = []
    for line in lines:
        kind, _, rest = line.partition("|")
        if kind == "error":
            fail("TAP::Parser: " + rest)
        if kind == "point":
            points.append([rest.split("|", 1)[1].split(" : ")[0].replace("- ", "", 1), None, None])
        if kind == "yaml" and points:
            points[-1][1:] = rest.split("|")
        if kind == "summary":
            print("fact|tap|" + rest)
    # The top-level points: those with a verdict in their YAML block (the
    # subtests' blocks have none).
    for name, verdict, score in points:
        if verdict:
            print(f'{name}|{verdict}|{number(score) if score != "-" else "-"}')


def chromium(args, page):
    with tempfile.TemporaryDirectory() as profile:
        run = subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                              "--disable-background-networking", "--disable-component-update", "--disable-sync",
                              "--user-data-dir=" + profile] + args + ["file://" + page],
                             capture_output=True, timeout=120, env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS="disabled:"))
        if run.returncode != 0:
            fail("chromium: " + run.stderr.decode(errors="replace"))
        return run.stdout


class Page(HTMLParser):
    """The class table's rows and the text of every <pre>, as the browser's DOM has them."""

    def __init__(self):
        super().__init__()
        self.rows, self.pre, self.cell, self.verdict = [], [], None, None
        self.in_table = self.in_pre = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "tbody":
            self.in_table = True
        elif tag == "tr" and self.in_table:
            self.rows.append([])
        elif tag == "td" and self.in_table:
            self.cell = ""
        elif tag == "span" and self.in_table and "verdict" in attrs.get("class", ""):
            self.rows[-1].append(attrs["class"].split()[1])
        elif tag == "pre":
            self.in_pre = True
            self.pre.append("")

    def handle_endtag(self, tag):
        if tag == "tbody":
            self.in_table = False
        elif tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell.strip())
            self.cell = None
        elif tag == "pre":
            self.in_pre = False

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        if self.in_pre:
            self.pre[-1] += data


def read_html(data, screenshot):
    with tempfile.TemporaryDirectory() as work:
        page = os.path.join(work, "rapport.html")
        with open(page, "wb") as f:
            f.write(data)
        dom = chromium(["--dump-dom"], page).decode("utf-8")
        if screenshot:
            chromium(["--screenshot=" + screenshot, "--window-size=1200,900"], page)
            with open(screenshot, "rb") as f:
                if f.read(8) != b"\x89PNG\r\n\x1a\n":
                    fail("no PNG screenshot")
    if "<script" in dom or re.search(r'(src|href)="(https?:)?//', dom):
        fail("the page loads something or runs a script")
    parser = Page()
    parser.feed(dom)
    graded = "Note /20" in dom
    for row in parser.rows:
        # name, [verdict class, verdict text], score cells..., then the kinds and mistakes
        name, verdict = row[0], row[1]
        score = number(row[3]) if graded else "-"
        print(f"{name}|{verdict}|{score}")
        print(f"fact|mistakes|{row[-2]}")
    for pre in parser.pre:
        print(f'fact|pre|{"⏎" in pre}|{"Pour reproduire : " in pre}')


def main():
    documents = sys.stdin.buffer.read().split(b"\0")
    if len(documents) > 1 and documents[-1] == b"":
        documents.pop()
        for data in documents:
            read(data)
            print("==")
    else:
        read(documents[0])


def read(data):
    kind = sys.argv[1]
    if kind == "json":
        read_json(data)
    elif kind == "gradescope":
        results = json.loads(data)
        for field, types in (("score", (int, float)), ("max_score", (int, float)), ("output", str), ("tests", list)):
            if not isinstance(results.get(field), types):
                fail("results.json: " + field)
        for test in results["tests"]:
            for field, types in (("name", str), ("score", (int, float)), ("max_score", (int, float)), ("output", str),
                                 ("status", str)):
                if not isinstance(test.get(field), types) or test.get("status") not in ("passed", "failed"):
                    fail("results.json: tests[]." + field)
        extra = results["extra_data"]
        print(f'{extra["name"]}|{extra["verdict"]}|{number(results["score"] / 5)}')
        print(f'fact|mistakes|{extra["distinct_mistakes"]}')
        print("fact|tests|" + ",".join(f'{t["status"]}:{number(t["score"])}/{number(t["max_score"])}' for t in results["tests"]))
    elif kind in ("csv", "csv;"):
        read_csv(data, ";" if kind == "csv;" else ",")
    elif kind == "junit":
        read_junit(data)
    elif kind == "tap":
        read_tap(data)
    elif kind == "html":
        read_html(data, sys.argv[2] if len(sys.argv) > 2 else None)
    else:
        fail("unknown format " + kind)


main()
