#!/usr/bin/env python3
"""Measures Morvane against grep, ripgrep, sed and sd on the same generated tree, warm cache.

For each corpus size and task, every tool first runs once untimed to check that it finds the same
files as Morvane (for replace: that both trees come out byte-identical); then the tools run in
turn, the order rotating each round, and the medians are compared. A pair whose results differ,
or whose runs failed, gets no ratio. It builds nothing: it takes the build folder that holds
morvane-batch (and bench_window, for the result window's row).
"""

import argparse
import csv
import datetime
import json
import os
import platform
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from typing import Callable, Optional

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
import gen_corpus  # noqa: E402  (beside this file)

FIND_TEXT = gen_corpus.FIND_TEXT
# Shorter than the find text, so rewritten files change length as they would in real use.
REPLACE_TEXT = "AmberNib"
ANSI_CODEPAGE = "CP936"  # GBK files are read as the ANSI code page, as on a Chinese desktop
ALL_GROUPS = ["find", "nocase", "window", "replace"]
ALL_SIZES = ["default", "large", "million"]


@dataclass
class RunResult:
    wall: float
    cpu: float
    maxrss_kb: int
    exit_code: int
    # The result window's longest stretch without its event loop running, when it reports one.
    stall_ms: Optional[int] = None


@dataclass
class Tool:
    label: str
    # (tree, scratch folder) -> argv of the timed run; the scratch folder is fresh for each run.
    argv: Callable[[str, str], list]
    shown: str
    env: Optional[dict] = None
    # (tree, scratch) -> argv of the untimed check run, when it must differ (e.g. listing output).
    check_argv: Optional[Callable[[str, str], list]] = None
    listing: str = "lines"  # how the check run reports what it found: lines, morvane, summary


@dataclass
class Group:
    task: str
    kind: str  # find, replace or window
    tools: list  # the first one is the subject every other row is compared with
    skipped: list = field(default_factory=list)  # (label, reason)
    expected_path: Optional[str] = None


@dataclass
class ToolOutcome:
    tool: Tool
    runs: list = field(default_factory=list)
    found: Optional[int] = None
    same: Optional[bool] = None
    check_note: str = ""


def log(message):
    print(message, file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------------------------
# Corpus


def corpus_tree(cache_dir, size, seed, is_crlf):
    name = "%s-seed%d-v%d%s" % (size, seed, gen_corpus.GENERATOR_VERSION,
                                "-crlf" if is_crlf else "")
    return os.path.join(cache_dir, "corpus", name)


def ensure_corpus(cache_dir, size, seed, is_crlf):
    """The tree and its manifest, generated first when missing or unfinished."""
    tree = corpus_tree(cache_dir, size, seed, is_crlf)
    manifest_path = gen_corpus.sidecar_path(tree, ".manifest.json")
    if not os.path.exists(manifest_path):
        if os.path.exists(tree):
            log("removing the unfinished tree %s" % tree)
            shutil.rmtree(tree)
        os.makedirs(os.path.dirname(tree), exist_ok=True)
        log("generating %s" % tree)
        command = [sys.executable, os.path.join(HERE, "gen_corpus.py"), tree, "--size", size,
                   "--seed", str(seed)]
        if is_crlf:
            command.append("--crlf")
        subprocess.run(command, check=True)
    with open(manifest_path, encoding="utf-8") as source:
        manifest = json.load(source)
    return tree, manifest


def read_expected(path):
    with open(path, encoding="utf-8") as source:
        return {line.rstrip("\n") for line in source if line.strip()}


def warm_tree(tree):
    """Reads every file once so the timed runs start from the page cache."""
    started = time.perf_counter()
    total = 0
    for folder, _, names in os.walk(tree):
        for name in names:
            with open(os.path.join(folder, name), "rb", buffering=0) as source:
                while True:
                    chunk = source.read(1 << 20)
                    if not chunk:
                        break
                    total += len(chunk)
    log("warmed %s: %.1f MiB in %.1f s" % (tree, total / 1048576.0,
                                            time.perf_counter() - started))


def fresh_copy(pristine, target):
    """An untimed copy for a replace run, flushed so no write-back overlaps the timed run."""
    if os.path.exists(target):
        shutil.rmtree(target)
    subprocess.run(["cp", "-a", pristine, target], check=True)
    subprocess.run(["sync"], check=True)


# ---------------------------------------------------------------------------------------------
# Running


def gnu_time():
    """GNU time, when present: the only clean source of a child's peak resident set here."""
    path = "/usr/bin/time"
    if not os.access(path, os.X_OK):
        return None
    probe = subprocess.run([path, "-f", "%M", "true"], capture_output=True, text=True)
    return path if probe.returncode == 0 and probe.stderr.strip().isdigit() else None


def run_measured(argv, env, stdout_path, stderr_path, time_bin):
    """Wall time, CPU time and peak resident set of one command, its children included.

    Output goes to files, never /dev/null: grep notices /dev/null and stops at the first match.
    The peak comes from GNU time wrapped around the command: a child forked straight from this
    Python process would report Python's own resident set as its floor (the kernel keeps the
    high-water mark of the memory it had before exec). For a pipeline it is the peak of its
    largest single process, as GNU time reports it.
    """
    rss_path = stdout_path + ".rss"
    if time_bin:
        argv = [time_bin, "-f", "%M", "-o", rss_path, "--"] + list(argv)
    with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
        started = time.perf_counter()
        process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                   env=env)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    maxrss_kb = usage.ru_maxrss
    if time_bin:
        with open(rss_path, encoding="utf-8", errors="replace") as source:
            lines = source.read().split()
        maxrss_kb = int(lines[-1]) if lines and lines[-1].isdigit() else -1
    return RunResult(wall, usage.ru_utime + usage.ru_stime, maxrss_kb, process.returncode)


def tool_env(extra):
    env = dict(os.environ)
    env.update(extra or {})
    return env


def relative_paths(paths, tree):
    return {os.path.relpath(os.path.normpath(path), tree) for path in paths}


def parse_listing(listing, stdout_bytes, tree):
    """The set of files (relative to the tree) a check run reported."""
    text = stdout_bytes.decode("utf-8", "surrogateescape")
    lines = [line for line in text.split("\n") if line]
    if listing == "morvane":
        # "seq|status|encoding|/full/path": the corpus has no "|" in its names.
        return relative_paths([line.split("|", 3)[3] for line in lines if line.count("|") >= 3],
                              tree)
    return relative_paths(lines, tree)


def parse_summary(stdout_bytes):
    """(completed, searched, matching) from the result window's summary text."""
    text = stdout_bytes.decode("utf-8", "replace")
    searched = re.search(r"总共搜索文件：(\d+)", text)
    matching = re.search(r"找到匹配文件：(\d+)", text)
    return ("操作已完成" in text, int(searched.group(1)) if searched else None,
            int(matching.group(1)) if matching else None)


def parse_stall(stdout_bytes):
    """The "longest UI stall: N ms" line bench_window prints after the summary, in ms."""
    found = re.search(r"longest UI stall: (\d+) ms", stdout_bytes.decode("utf-8", "replace"))
    return int(found.group(1)) if found else None


def describe_difference(name_a, set_a, name_b, set_b):
    only_a = sorted(set_a - set_b)
    only_b = sorted(set_b - set_a)
    parts = []
    if only_a:
        parts.append("%d only in %s (e.g. %s)" % (len(only_a), name_a, only_a[0]))
    if only_b:
        parts.append("%d only in %s (e.g. %s)" % (len(only_b), name_b, only_b[0]))
    return "; ".join(parts)


def tree_files(tree):
    result = {}
    for folder, _, names in os.walk(tree):
        for name in names:
            path = os.path.join(folder, name)
            result[os.path.relpath(path, tree)] = path
    return result


def files_equal(path_a, path_b):
    if os.path.getsize(path_a) != os.path.getsize(path_b):
        return False
    with open(path_a, "rb") as file_a, open(path_b, "rb") as file_b:
        while True:
            chunk_a = file_a.read(1 << 20)
            if chunk_a != file_b.read(1 << 20):
                return False
            if not chunk_a:
                return True


def compare_trees(tree_a, tree_b):
    """Relative paths whose content differs, or that exist on one side only."""
    files_a = tree_files(tree_a)
    files_b = tree_files(tree_b)
    differing = set(files_a) ^ set(files_b)
    for rel in set(files_a) & set(files_b):
        if not files_equal(files_a[rel], files_b[rel]):
            differing.add(rel)
    return differing


class Runner:
    """Owns the scratch area: per-run folders, replace copies and captured output."""

    def __init__(self, work_dir, time_bin):
        self.work_dir = work_dir
        self.time_bin = time_bin
        self.stdout_path = os.path.join(work_dir, "stdout")
        self.stderr_path = os.path.join(work_dir, "stderr")

    def run(self, tool, tree, is_check):
        scratch = tempfile.mkdtemp(prefix="run-", dir=self.work_dir)
        try:
            builder = tool.check_argv if is_check and tool.check_argv else tool.argv
            result = run_measured(builder(tree, scratch), tool.env, self.stdout_path,
                                  self.stderr_path, self.time_bin)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        with open(self.stdout_path, "rb") as source:
            # The window's summary is short and also carries its stall measure on timed runs.
            stdout_bytes = source.read() if is_check or tool.listing == "summary" else b""
        with open(self.stderr_path, "rb") as source:
            stderr_text = source.read(2000).decode("utf-8", "replace").strip()
        return result, stdout_bytes, stderr_text

    def replace_copy(self, tool_index):
        return os.path.join(self.work_dir, "replace-%d" % tool_index)


# ---------------------------------------------------------------------------------------------
# Tools and groups


def quoted(argv):
    return " ".join(shlex.quote(part) for part in argv)


def morvane_argv(batch, mode, is_match_case, is_quiet):
    def build(tree, scratch):
        argv = [batch, "--mode", mode, "--find", FIND_TEXT]
        if mode == "replace":
            argv += ["--replace", REPLACE_TEXT, "--yes"]
        for ext in gen_corpus.EXTENSIONS:
            argv += ["--ext", "*." + ext]
        argv += ["--encoding", "auto", "--ansi-codepage", ANSI_CODEPAGE, "--logs-dir", scratch]
        if is_match_case:
            argv.append("--match-case")
        if is_quiet:
            argv.append("--quiet")
        return argv + [tree]
    return build


def morvane_tool(batch, mode, is_match_case):
    shown = quoted(morvane_argv("morvane-batch", mode, is_match_case, True)("DIR", "LOGS"))
    return Tool("morvane-batch", morvane_argv(batch, mode, is_match_case, True), shown,
                env=tool_env({}),
                check_argv=morvane_argv(batch, mode, is_match_case, False), listing="morvane")


def plain_tool(label, prefix, env_extra=None):
    """A peer whose argv is prefix + [tree] and which lists one path per line."""
    shown = ("%s " % " ".join("%s=%s" % item for item in (env_extra or {}).items())
             if env_extra else "") + quoted(prefix + ["DIR"])
    return Tool(label, lambda tree, scratch: prefix + [tree], shown, env=tool_env(env_extra))


def pipeline_tool(label, script):
    """A shell pipeline; $1 is the tree. The shell waits for every stage, so its usage covers all."""
    shown = script.replace('"$1"', "DIR")
    return Tool(label, lambda tree, scratch: ["sh", "-c", script, "sh", tree], shown,
                env=tool_env({}))


def sd_fixed_flag():
    """sd's literal-text switch: -F since 1.0, -s before."""
    try:
        text = subprocess.run(["sd", "--help"], capture_output=True, text=True).stdout
    except OSError:
        return None
    if "--fixed-strings" in text:
        return "-F"
    if "--string-mode" in text:
        return "-s"
    return "-F"


def window_argv(window, is_match_case):
    def build(tree, scratch):
        argv = [window, "--find", FIND_TEXT, "--ansi-codepage", ANSI_CODEPAGE,
                "--program-folder", scratch, "--timeout", "3600"]
        for ext in gen_corpus.EXTENSIONS:
            argv += ["--ext", "*." + ext]
        if is_match_case:
            argv.append("--match-case")
        return argv + [tree]
    return build


def window_tool(window, is_match_case):
    shown = quoted(window_argv("bench_window", is_match_case)("DIR", "SCRATCH"))
    return Tool("result window", window_argv(window, is_match_case), shown,
                env=tool_env({"QT_QPA_PLATFORM": "offscreen"}), listing="summary")


def make_groups(selected, batch, window, tree, replace_pristine):
    groups = []
    has_rg = shutil.which("rg") is not None
    no_rg = "rg is not on PATH"
    # The two find tasks differ only in the case: -lF, or -liF (grep in the C locale, so that it
    # folds ASCII letters only, as Morvane does).
    for key, title, is_match_case in (("find", "find, match case", True),
                                      ("nocase", "find, case ignored", False)):
        if key not in selected:
            continue
        flags = "-lF" if is_match_case else "-liF"
        sidecar = ".expected-case.txt" if is_match_case else ".expected-nocase.txt"
        group = Group(title, "find", [morvane_tool(batch, "find", is_match_case)],
                      expected_path=gen_corpus.sidecar_path(tree, sidecar))
        grep_env = None if is_match_case else {"LC_ALL": "C"}
        grep_label = ("" if is_match_case else "LC_ALL=C ") + "grep -r" + flags[1:]
        group.tools.append(plain_tool(grep_label, ["grep", "-r" + flags[1:], "--", FIND_TEXT],
                                      grep_env))
        for label, prefix in (("rg -uuu %s -j1" % flags,
                               ["rg", "-uuu", flags, "-j1", "--", FIND_TEXT]),
                              ("rg -uuu %s" % flags, ["rg", "-uuu", flags, "--", FIND_TEXT])):
            if has_rg:
                group.tools.append(plain_tool(label, prefix))
            else:
                group.skipped.append((label, no_rg))
        groups.append(group)
    if "window" in selected:
        group = Group("find through the result window", "window", [],
                      expected_path=gen_corpus.sidecar_path(tree, ".expected-case.txt"))
        if window:
            group.tools = [window_tool(window, True), morvane_tool(batch, "find", True)]
        else:
            group.skipped.append(("result window", "bench_window was not built (UI off, or no "
                                  "ui/result library in this build)"))
        groups.append(group)
    if "replace" in selected and replace_pristine:
        group = Group("replace, match case", "replace", [morvane_tool(batch, "replace", True)])
        group.tools.append(pipeline_tool(
            "grep -rlZF | xargs -0 sed -i",
            "grep -rlZF -- %s \"$1\" | xargs -0 -r sed -i %s" % (
                FIND_TEXT, shlex.quote("s/%s/%s/g" % (FIND_TEXT, REPLACE_TEXT)))))
        flag = sd_fixed_flag() if shutil.which("sd") else None
        sd_label = "rg -l0F | xargs -0 sd"
        if flag and has_rg:
            group.tools.append(pipeline_tool(
                sd_label, "rg -uuu -l0F -- %s \"$1\" | xargs -0 -r sd %s -- %s %s" % (
                    FIND_TEXT, flag, FIND_TEXT, REPLACE_TEXT)))
        else:
            group.skipped.append((sd_label, "skipped: sd is not on PATH (not packaged in "
                                  "Debian 12)" if not flag else no_rg))
        groups.append(group)
    return groups


# ---------------------------------------------------------------------------------------------
# The check pass


def check_find_group(runner, group, tree, outcomes):
    expected = read_expected(group.expected_path)
    subject_set = None
    for index, tool in enumerate(group.tools):
        result, stdout_bytes, stderr_text = runner.run(tool, tree, True)
        outcome = outcomes[index]
        found = parse_listing(tool.listing, stdout_bytes, tree)
        outcome.found = len(found)
        if result.exit_code != 0:
            outcome.check_note = "check run exit %d: %s" % (result.exit_code, stderr_text[:200])
        if index == 0:
            subject_set = found
            outcome.same = result.exit_code == 0
            if found != expected:
                outcome.check_note = (outcome.check_note + " " if outcome.check_note else "") + (
                    "differs from the generator's list: " + describe_difference(
                        tool.label, found, "the list", expected))
            continue
        outcome.same = found == subject_set and result.exit_code == 0
        if found != subject_set:
            outcome.check_note = "differs: " + describe_difference(
                group.tools[0].label, subject_set, tool.label, found)


def check_window_group(runner, group, tree, manifest, outcomes):
    window, batch = group.tools
    result, stdout_bytes, stderr_text = runner.run(batch, tree, True)
    batch_set = parse_listing(batch.listing, stdout_bytes, tree)
    outcomes[1].found = len(batch_set)
    outcomes[1].same = result.exit_code == 0
    if result.exit_code != 0:
        outcomes[1].check_note = "check run exit %d: %s" % (result.exit_code, stderr_text[:200])
    result, stdout_bytes, stderr_text = runner.run(window, tree, True)
    completed, searched, matching = parse_summary(stdout_bytes)
    outcomes[0].found = matching
    # The window lists no paths to compare: its summary's counts must agree instead.
    outcomes[0].same = (result.exit_code == 0 and completed and matching == len(batch_set)
                        and searched == manifest["files"])
    if not outcomes[0].same:
        outcomes[0].check_note = "exit %d, completed %s, searched %s of %d, matching %s vs %d%s" % (
            result.exit_code, completed, searched, manifest["files"], matching, len(batch_set),
            (": " + stderr_text[:200]) if stderr_text else "")
    else:
        outcomes[0].check_note = "counts checked (searched %d, matching %d)" % (searched,
                                                                                matching)


def check_replace_group(runner, group, pristine, outcomes):
    copies = []
    subject_changed = set()
    for index, tool in enumerate(group.tools):
        copy = runner.replace_copy(index)
        fresh_copy(pristine, copy)
        result, _, stderr_text = runner.run(tool, copy, True)
        copies.append(copy)
        changed = compare_trees(pristine, copy)
        if index == 0:
            subject_changed = changed
        outcomes[index].found = len(changed)
        outcomes[index].same = result.exit_code == 0
        if result.exit_code != 0:
            outcomes[index].check_note = "check run exit %d: %s" % (result.exit_code,
                                                                    stderr_text[:200])
    expected = read_expected(gen_corpus.sidecar_path(pristine, ".expected-case.txt"))
    if subject_changed != expected:
        outcomes[0].check_note = "changed files differ from the generator's list: " + \
            describe_difference("changed", subject_changed, "the list", expected)
    for index in range(1, len(group.tools)):
        differing = compare_trees(copies[0], copies[index])
        if differing:
            outcomes[index].same = False
            outcomes[index].check_note = "trees differ in %d file%s (e.g. %s)" % (
                len(differing), "" if len(differing) == 1 else "s", sorted(differing)[0])
    for copy in copies:
        shutil.rmtree(copy, ignore_errors=True)


# ---------------------------------------------------------------------------------------------
# The timed runs


def timed_runs(runner, group, tree, pristine, runs, outcomes):
    count = len(group.tools)
    for round_index in range(runs):
        # Rotating the order spreads drift (other load, thermal state) over every tool alike.
        order = [(round_index + offset) % count for offset in range(count)]
        for index in order:
            tool = group.tools[index]
            target = tree
            if group.kind == "replace":
                target = runner.replace_copy(index)
                fresh_copy(pristine, target)
            result, stdout_bytes, stderr_text = runner.run(tool, target, False)
            if tool.listing == "summary":
                result.stall_ms = parse_stall(stdout_bytes)
            if result.exit_code != 0:
                log("  %s: exit %d: %s" % (tool.label, result.exit_code, stderr_text[:200]))
            outcomes[index].runs.append(result)
            log("  round %d/%d %-32s %8.3f s  %7.1f MiB" % (
                round_index + 1, runs, tool.label, result.wall, result.maxrss_kb / 1024.0))
    if group.kind == "replace":
        for index in range(count):
            shutil.rmtree(runner.replace_copy(index), ignore_errors=True)


def summarize(outcome):
    walls = [run.wall for run in outcome.runs]
    failed = [run.exit_code for run in outcome.runs if run.exit_code != 0]
    return {
        "median": statistics.median(walls) if walls else None,
        "min": min(walls) if walls else None,
        "max": max(walls) if walls else None,
        "cpu": statistics.median(run.cpu for run in outcome.runs) if walls else None,
        "peak_kb": max(run.maxrss_kb for run in outcome.runs) if walls else None,
        "failed": failed,
    }


def group_rows(size, manifest, group, outcomes):
    rows = []
    subject = summarize(outcomes[0]) if outcomes else None
    for index, outcome in enumerate(outcomes):
        stats = summarize(outcome)
        notes = [outcome.check_note] if outcome.check_note else []
        if stats["failed"]:
            notes.append("failed runs (exit %s)" % ",".join(map(str, stats["failed"])))
        stalls = [run.stall_ms for run in outcome.runs if run.stall_ms is not None]
        if stalls:
            notes.append("longest UI stall %d ms" % max(stalls))
        ratio = rss_ratio = ""
        if index > 0:
            refused = []
            if not outcome.same:
                refused.append("results differ")
            if not outcomes[0].same:
                refused.append("%s check failed" % group.tools[0].label)
            if stats["failed"] or subject["failed"]:
                refused.append("failed runs")
            if refused:
                ratio = rss_ratio = "refused"
                notes.append("no ratio: " + ", ".join(refused))
            else:
                ratio = "%.2f" % (subject["median"] / stats["median"])
                rss_ratio = ("%.2f" % (subject["peak_kb"] / stats["peak_kb"])
                             if stats["peak_kb"] > 0 and subject["peak_kb"] > 0 else "")
        rows.append({
            "size": size, "files": manifest["files"], "bytes": manifest["bytes"],
            "task": group.task, "tool": outcome.tool.label, "command": outcome.tool.shown,
            "runs": len(outcome.runs),
            "median_s": fmt(stats["median"], 3), "min_s": fmt(stats["min"], 3),
            "max_s": fmt(stats["max"], 3), "cpu_median_s": fmt(stats["cpu"], 3),
            "peak_rss_mib": fmt(stats["peak_kb"] / 1024.0 if stats["peak_kb"] else None, 1),
            "found": "" if outcome.found is None else outcome.found,
            "same_result": "" if index == 0 else ("yes" if outcome.same else "NO"),
            "time_ratio": ratio, "rss_ratio": rss_ratio, "note": "; ".join(notes),
        })
    for label, reason in group.skipped:
        rows.append({
            "size": size, "files": manifest["files"], "bytes": manifest["bytes"],
            "task": group.task, "tool": label, "command": "", "runs": 0, "median_s": "",
            "min_s": "", "max_s": "", "cpu_median_s": "", "peak_rss_mib": "", "found": "",
            "same_result": "", "time_ratio": "", "rss_ratio": "", "note": reason,
        })
    return rows


def fmt(value, digits):
    return "" if value is None else ("%.*f" % (digits, value))


# ---------------------------------------------------------------------------------------------
# Reporting

CSV_FIELDS = ["size", "files", "bytes", "task", "tool", "command", "runs", "median_s", "min_s",
              "max_s", "cpu_median_s", "peak_rss_mib", "found", "same_result", "time_ratio",
              "rss_ratio", "note"]
TABLE_COLUMNS = [("task", "task", 30), ("tool", "tool", 30), ("median_s", "median s", 9),
                 ("min_s", "min s", 8), ("max_s", "max s", 8), ("cpu_median_s", "CPU s", 8),
                 ("peak_rss_mib", "peak MiB", 9), ("found", "files", 7),
                 ("same_result", "same", 5), ("time_ratio", "time 1st/this", 13),
                 ("rss_ratio", "mem 1st/this", 12)]
RATIO_NOTE = ("Ratios compare each task's first row with the row they sit on: median wall time "
              "(and peak resident set) of the first row divided by this row's, so below 1 means "
              "the first row is faster (or smaller). A ratio is refused when the two did not "
              "produce the same result. In the replace task Morvane flushes every rewritten file "
              "to disk (fdatasync) before it takes the original's place; sed -i and sd do not, so "
              "that ratio includes the cost of durability.")


def size_heading(size, manifest):
    return "%s: %d files in %d folders, %.1f MiB, %d hold the find text (%d in its exact case)" % (
        size, manifest["files"], manifest["folders"], manifest["bytes"] / 1048576.0,
        manifest["files_with_find_text_any_case"], manifest["files_with_find_text_exact_case"])


def print_table(headings, rows):
    for size, heading in headings:
        print()
        print(heading)
        print("  ".join(title.ljust(width) for _, title, width in TABLE_COLUMNS))
        for row in rows:
            if row["size"] != size:
                continue
            print("  ".join(str(row[key])[:width].ljust(width) for key, _, width in TABLE_COLUMNS))
            if row["note"]:
                print("    note: " + row["note"])
    print()
    print(RATIO_NOTE)


def markdown_table(rows):
    lines = ["| " + " | ".join(title for _, title, _ in TABLE_COLUMNS) + " | note |",
             "|" + "---|" * (len(TABLE_COLUMNS) + 1)]
    for row in rows:
        cells = [str(row[key]) for key, _, _ in TABLE_COLUMNS] + [row["note"]]
        lines.append("| " + " | ".join(cell.replace("|", "\\|") for cell in cells) + " |")
    return lines


def first_line(argv):
    try:
        out = subprocess.run(argv, capture_output=True, text=True, timeout=30)
        return (out.stdout or out.stderr).strip().splitlines()[0]
    except (OSError, IndexError, subprocess.SubprocessError):
        return "not available"


def machine_description(cache_dir, build_dir):
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as source:
            for line in source:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = "unknown"
    try:
        with open("/proc/meminfo", encoding="utf-8") as source:
            kb = int(source.readline().split()[1])
            memory = "%.1f GiB" % (kb / 1048576.0)
    except (OSError, ValueError, IndexError):
        pass
    system = platform.platform()
    try:
        with open("/etc/os-release", encoding="utf-8") as source:
            for line in source:
                if line.startswith("PRETTY_NAME="):
                    system = line.split("=", 1)[1].strip().strip('"') + ", " + platform.release()
    except OSError:
        pass
    build_type = compiler = "unknown"
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as source:
            for line in source:
                if line.startswith("CMAKE_BUILD_TYPE:"):
                    build_type = line.split("=", 1)[1].strip()
                elif line.startswith("CMAKE_CXX_COMPILER:"):
                    compiler = line.split("=", 1)[1].strip()
    except OSError:
        pass
    return [
        ("CPU", "%s, %d logical cores" % (cpu, os.cpu_count() or 0)),
        ("memory", memory),
        ("system", system),
        ("file system of the corpus", filesystem_of(cache_dir)),
        ("Morvane build", "%s, %s" % (build_type, first_line([compiler, "--version"])
                                      if compiler != "unknown" else "compiler unknown")),
        ("grep", first_line(["grep", "--version"])),
        ("ripgrep", first_line(["rg", "--version"])),
        ("sed", first_line(["sed", "--version"])),
        ("sd", first_line(["sd", "--version"]) if shutil.which("sd") else "not on PATH"),
        ("locale", "LANG=%s LC_ALL=%s" % (os.environ.get("LANG", ""),
                                          os.environ.get("LC_ALL", ""))),
        ("load average at start", "%.2f %.2f %.2f" % os.getloadavg()),
    ]


def filesystem_of(path):
    path = os.path.realpath(path)
    best = ("", "unknown")
    try:
        with open("/proc/mounts", encoding="utf-8") as source:
            for line in source:
                parts = line.split()
                if len(parts) >= 3 and (path == parts[1] or path.startswith(
                        parts[1].rstrip("/") + "/")) and len(parts[1]) >= len(best[0]):
                    best = (parts[1], parts[2])
    except OSError:
        pass
    return "%s (mounted at %s)" % (best[1], best[0] or "?")


def write_outputs(out_dir, stamp, when, rows, raw_rows, headings, machine, command_line,
                  results_md, note):
    os.makedirs(out_dir, exist_ok=True)
    csv_path = os.path.join(out_dir, "bench-%s.csv" % stamp)
    with open(csv_path, "w", newline="", encoding="utf-8") as out:
        writer = csv.DictWriter(out, fieldnames=CSV_FIELDS)
        writer.writeheader()
        writer.writerows(rows)
    shutil.copyfile(csv_path, os.path.join(out_dir, "latest.csv"))
    runs_path = os.path.join(out_dir, "runs-%s.csv" % stamp)
    with open(runs_path, "w", newline="", encoding="utf-8") as out:
        writer = csv.writer(out)
        writer.writerow(["size", "task", "tool", "round", "wall_s", "cpu_s", "maxrss_kb",
                         "exit_code"])
        writer.writerows(raw_rows)
    markdown = ["# Morvane benchmark results", "",
                "Latest full run of `tools/bench/run.sh` (warm cache; medians of the timed "
                "runs; peak resident set as GNU time reports it).", "",
                "Run on %s with: `%s`" % (when, command_line), ""]
    if note:
        markdown += [note, ""]
    markdown += ["## Machine", ""]
    markdown += ["- %s: %s" % item for item in machine]
    markdown += ["- load average at the end: %.2f %.2f %.2f" % os.getloadavg()]
    for size, heading in headings:
        markdown += ["", "## " + heading, ""]
        markdown += markdown_table([row for row in rows if row["size"] == size])
    markdown += ["", RATIO_NOTE, ""]
    md_path = os.path.join(out_dir, "latest.md")
    with open(md_path, "w", encoding="utf-8") as out:
        out.write("\n".join(markdown))
    if results_md:
        shutil.copyfile(md_path, results_md)
    return csv_path, runs_path


# ---------------------------------------------------------------------------------------------


def find_executable(build_dir, name):
    for candidate in (os.path.join(build_dir, "tools", "batch", name),
                      os.path.join(build_dir, "tools", "bench", name),
                      os.path.join(build_dir, name)):
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return os.path.abspath(candidate)
    return None


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", required=True,
                        help="build folder holding tools/batch/morvane-batch (and "
                             "tools/bench/bench_window)")
    parser.add_argument("--cache-dir", default=os.path.join(tempfile.gettempdir(),
                                                            "morvane-bench"),
                        help="where generated trees are kept between runs, and the scratch "
                             "copies (default: %(default)s); needs room: see the README")
    parser.add_argument("--sizes", default=",".join(ALL_SIZES),
                        help="comma-separated, from %s (default: all)" % ", ".join(ALL_SIZES))
    parser.add_argument("--groups", default=",".join(ALL_GROUPS),
                        help="comma-separated, from %s (default: all)" % ", ".join(ALL_GROUPS))
    parser.add_argument("--runs", type=int, default=None,
                        help="timed runs per tool (default 5, 3 with --quick)")
    parser.add_argument("--quick", action="store_true",
                        help="a tree of about 2,000 files only, to try the harness")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--million-replace", action="store_true",
                        help="also run the replace task on the million-file tree (each timed "
                             "run copies a million files first)")
    parser.add_argument("--out-dir", default=os.path.join(HERE, "results"),
                        help="where the CSV files and latest.md go (default: %(default)s)")
    parser.add_argument("--note", default="",
                        help="a sentence for the results page, e.g. how quiet the machine was")
    parser.add_argument("--results-md", default=os.path.join(HERE, "RESULTS.md"),
                        help="overwritten with the table after a full run (not with --quick); "
                             "'' to leave it")
    args = parser.parse_args()
    args.sizes = ["quick"] if args.quick else [s for s in args.sizes.split(",") if s]
    args.groups = [g for g in args.groups.split(",") if g]
    for size in args.sizes:
        if size not in gen_corpus.SIZES:
            parser.error("unknown size %r" % size)
    for group in args.groups:
        if group not in ALL_GROUPS:
            parser.error("unknown group %r" % group)
    if args.runs is None:
        args.runs = 3 if args.quick else 5
    if args.runs < 1:
        parser.error("--runs must be at least 1")
    return args


def measure_size(args, size, cache_dir, runner, batch, window):
    """Checks and times every selected task on one corpus size: (heading, rows, raw run rows)."""
    tree, manifest = ensure_corpus(cache_dir, size, args.seed, False)
    groups = list(args.groups)
    rows = []
    raw_rows = []
    # Each timed replace run would first copy a million files: only on request.
    is_replace_skipped = "replace" in groups and size == "million" and not args.million_replace
    if is_replace_skipped:
        groups.remove("replace")
    pristine = ensure_corpus(cache_dir, size, args.seed, True)[0] if "replace" in groups else None
    warm_tree(tree)
    for group in make_groups(groups, batch, window, tree, pristine):
        log("%s / %s: checking results" % (size, group.task))
        outcomes = [ToolOutcome(tool) for tool in group.tools]
        if group.kind == "find":
            check_find_group(runner, group, tree, outcomes)
        elif group.kind == "window" and group.tools:
            check_window_group(runner, group, tree, manifest, outcomes)
        elif group.kind == "replace":
            warm_tree(pristine)
            check_replace_group(runner, group, pristine, outcomes)
        if group.tools:
            log("%s / %s: %d timed rounds" % (size, group.task, args.runs))
            timed_runs(runner, group, tree, pristine, args.runs, outcomes)
        rows += group_rows(size, manifest, group, outcomes)
        for outcome in outcomes:
            for round_index, run in enumerate(outcome.runs):
                raw_rows.append([size, group.task, outcome.tool.label, round_index + 1,
                                 "%.4f" % run.wall, "%.4f" % run.cpu, run.maxrss_kb,
                                 run.exit_code])
    if is_replace_skipped:
        rows.append({key: "" for key in CSV_FIELDS} | {
            "size": size, "files": manifest["files"], "bytes": manifest["bytes"],
            "task": "replace, match case", "tool": "(all)", "runs": 0,
            "note": "skipped on this size: --million-replace to include"})
    return size_heading(size, manifest), rows, raw_rows


def ui_is_built(build_dir):
    """A bench_window left over from an earlier configuration with the UI on does not count."""
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
            return any(line.strip() == "MORVANE_BUILD_UI:BOOL=ON" for line in cache)
    except OSError:
        return False


def main():
    args = parse_args()
    batch = find_executable(args.build_dir, "morvane-batch")
    if not batch:
        sys.exit("morvane-batch not found under %s (build the morvane-batch target)"
                 % args.build_dir)
    window = find_executable(args.build_dir, "bench_window") if ui_is_built(args.build_dir) else None
    cache_dir = os.path.abspath(args.cache_dir)
    time_bin = gnu_time()
    if not time_bin:
        log("GNU time not found: peak memory falls back to wait4, which counts this harness's "
            "own resident set as every tool's floor")
    os.makedirs(cache_dir, exist_ok=True)
    # One scratch folder per harness run, so two runs sharing a cache never touch each other's.
    runner = Runner(tempfile.mkdtemp(prefix="work-", dir=cache_dir), time_bin)
    machine = machine_description(cache_dir, args.build_dir)
    machine.append(("peak memory from", "GNU time %M around each run" if time_bin else
                    "wait4 of the child (the harness's own resident set is every tool's floor)"))
    now = datetime.datetime.now()
    stamp = now.strftime("%Y%m%d-%H%M%S")
    when = now.strftime("%Y-%m-%d %H:%M")
    command_line = quoted([os.path.relpath(sys.argv[0])] + sys.argv[1:])

    rows = []
    raw_rows = []
    headings = []
    try:
        for size in args.sizes:
            heading, size_rows, size_raw_rows = measure_size(args, size, cache_dir, runner, batch,
                                                             window)
            headings.append((size, heading))
            rows += size_rows
            raw_rows += size_raw_rows
    finally:
        shutil.rmtree(runner.work_dir, ignore_errors=True)

    print_table(headings, rows)
    results_md = args.results_md if args.results_md and not args.quick else None
    csv_path, runs_path = write_outputs(args.out_dir, stamp, when, rows, raw_rows, headings,
                                        machine, command_line, results_md, args.note)
    print("\nwrote %s, %s%s" % (csv_path, runs_path, (" and " + results_md) if results_md else ""))
    refused = [row for row in rows if row["time_ratio"] == "refused"]
    return 1 if refused else 0


if __name__ == "__main__":
    sys.exit(main())
