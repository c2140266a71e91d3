#!/usr/bin/env python3
"""Peak memory of a replace task on one large file, as a multiple of the file's size.

Generates a file of --mib MiB of ASCII text with LF breaks in a temporary folder, rewrites a
fresh copy of it with morvane-batch under GNU time for each variant (case ignored, match case,
a find text across a line break; UTF-8, and UTF-16 LE with --utf16), and prints the peak
resident set over the file's size. The replacement is checked against the same replacement
done here, so a run that wrote something else is reported, not measured.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

WORDS = ["alpha", "Beta", "gamma", "delta", "Needle", "other", "text", "lorem", "ipsum"]


def make_text(size):
    rng = random.Random(1)
    lines = []
    total = 0
    while total < size:
        line = " ".join(rng.choice(WORDS) for _ in range(12)) + "\n"
        lines.append(line)
        total += len(line)
    return "".join(lines)


def peak_kib(time_output):
    found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", time_output)
    if not found:
        raise RuntimeError("GNU time gave no peak:\n" + time_output)
    return int(found.group(1))


def run(batch, work, data, codec, find, replace, is_match_case):
    tree = os.path.join(work, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(tree)
    path = os.path.join(tree, "big.txt")
    with open(path, "wb") as target:
        target.write(data)
    argv = ["/usr/bin/time", "-v", batch, "--mode", "replace", "--find", find, "--replace",
            replace, "--ext", "*.txt", "--yes", "--quiet", "--logs-dir",
            os.path.join(work, "logs")]
    if is_match_case:
        argv.append("--match-case")
    os.makedirs(os.path.join(work, "logs"), exist_ok=True)
    done = subprocess.run(argv + [tree], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError("morvane-batch failed: " + done.stderr[-2000:])
    text = data.decode(codec)
    pattern = re.escape(find.replace("\r\n", "\n"))
    expected = re.sub(pattern, replace, text, flags=0 if is_match_case else re.IGNORECASE)
    with open(path, "rb") as source:
        is_same = source.read() == expected.encode(codec)
    return peak_kib(done.stderr) * 1024 / len(data), is_same


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--batch", required=True, help="the morvane-batch to measure")
    parser.add_argument("--mib", type=int, default=150)
    parser.add_argument("--utf16", action="store_true", help="also a UTF-16 LE file")
    args = parser.parse_args()
    text = make_text(args.mib << 20)
    files = [("UTF-8", "utf-8", text.encode("utf-8"))]
    if args.utf16:
        files.append(("UTF-16 LE", "utf-16", text.encode("utf-16")))
    variants = [("case ignored", "needle", "Pin", False),
                ("match case", "Needle", "Pin", True),
                ("across a break", "Needle\r\nother", "Pin", False)]
    with tempfile.TemporaryDirectory(prefix="morvane-memory-") as work:
        print("| file | variant | peak / file size | same as expected |")
        print("|---|---|---|---|")
        for file_name, codec, data in files:
            for name, find, replace, is_match_case in variants:
                ratio, is_same = run(args.batch, work, data, codec, find, replace, is_match_case)
                print("| %s, %d MiB | %s | %.2f | %s |" % (file_name, len(data) >> 20, name, ratio,
                                                          "yes" if is_same else "NO"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
