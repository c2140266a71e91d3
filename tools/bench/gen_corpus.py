#!/usr/bin/env python3
"""Writes the benchmark's file tree: deterministic for a given seed and size.

Every file carries one of six extensions, all wanted by the benchmark's task. Content is mostly
ASCII, with some UTF-8 and some GBK Chinese files; never UTF-16 and never a NUL byte, because
the byte-searching peers could not read those the way Morvane does. About 5% of the files hold the
find text once or more (30% of the few large ones, so that a rewrite has work to do), in mixed
letter case, so the case-sensitive and the case-ignoring tasks find different sets.

Chinese characters are drawn from the GB2312 level-1 block and its punctuation only: there every
GBK trail byte is 0xA1 or above, so no ASCII letter can appear inside a double-byte character and a
byte search sees exactly what a decoding search sees. The same characters round-trip through
Windows code page 936, so a rewrite keeps the bytes it did not change.

Alongside the tree, in the parent folder, it writes <name>.manifest.json (parameters and counts,
written last, so its presence means the tree is complete) and the lists of files that hold the
find text in its exact case and in any case.
"""

import argparse
import json
import os
import random
import sys
import time

# Cached trees are named by this: raise it whenever the output for a given seed changes.
GENERATOR_VERSION = 1

FIND_TEXT = "ZephyrQuill"
# Case variants that only a case-ignoring search finds.
FIND_TEXT_VARIANTS = ["zephyrquill", "ZEPHYRQUILL", "Zephyrquill", "zEPHYRqUILL", "ZephyrQUILL"]
# Near misses: each is always padded with spaces so that it can never grow into the find text.
DECOYS = ["ZephyrQuil", "ephyrQuill", "Zephyr Quill", "ZephyrQuiII", "Zephyr-Quill"]

EXTENSIONS = ["txt", "log", "md", "ini", "cpp", "html"]
EXTENSION_WEIGHTS = [30, 15, 15, 10, 15, 15]

# name: (files, folders, maximum depth, minimum bytes, maximum bytes, share holding the find text)
SIZES = {
    "quick": (2_000, 20, 4, 1024, 3072, 0.05),
    "default": (100_000, 500, 4, 1024, 3072, 0.05),
    "million": (1_000_000, 5_000, 4, 96, 416, 0.05),
    "large": (50, 5, 2, 20 * 1024 * 1024, 20 * 1024 * 1024, 0.30),
}

WORDS = """
the of and to in is that for it as with was on be by this are from at or an have not which but
all were when there can more one has been if their its will would about into than other some
time only new could these two may first then do any like my now over such our man me even most
made after also did many before must through back years where much your way well down should
because each just those people how too little state good very make world still own see men work
long get here between both life being under never day same another know while last might us
great old year off come since against go came right used take three states himself few house use
during without again place around however home small found thought went say part once general
high upon school every does got united left number course war until always away something fact
though water less public put think almost hand enough far took head yet government system better
set told nothing night end why called didn't eyes find going look asked later knew point next
program city business give group toward young days let room president side social given present
several order national possible rather second face per among form important often things looking
early white case john become large big need four within felt along children saw best church ever
least power development light thing seemed family interest want members mind country area others
done turned although open god service certain kind problem began different door thus help sense
means whole matter perhaps itself york times law human line above name example action company
buffer socket parser thread mutex render widget kernel vector stream packet cluster schema token
cursor bitmap cache queue handle layout module tensor signal commit branch merge patch build
deploy config struct float double string return static const import export lambda binding
""".split()

ACCENTED = ["café", "naïve", "façade", "résumé", "Zürich", "señor", "Øresund", "Ångström",
            "crème", "brûlée", "jalapeño", "Straße", "coöperate", "Ελλάδα", "Москва"]
# Four-byte UTF-8 sequences too, so that surrogate pairs show up in decoded text.
EMOJI = ["\U0001F642", "\U0001F680", "\U0001F4A1"]
# Chinese punctuation that GB2312 holds (rows A1 and A3).
CHINESE_PUNCTUATION = "，。、；：？！“”（）《》"

FOLDER_WORDS = ["src", "docs", "assets", "notes", "build", "tests", "data", "logs", "config",
                "archive", "reports", "lib", "vendor", "misc", "drafts", "export", "work",
                "old copy", "new folder", "backup 2"]
FILE_WORDS = ["readme", "notes", "main", "report", "index", "setup", "changelog", "draft",
              "summary", "todo", "server", "client", "utils", "page", "letter", "minutes"]


def gb2312_level1_characters():
    """The 3,755 common characters of GB2312, in code order."""
    chars = []
    for lead in range(0xB0, 0xD8):
        for trail in range(0xA1, 0xFF):
            if lead == 0xD7 and trail > 0xF9:
                break
            chars.append(bytes([lead, trail]).decode("gbk"))
    return chars


def ascii_word(rng):
    word = rng.choice(WORDS)
    roll = rng.random()
    if roll < 0.2:
        word = word.capitalize()
    elif roll < 0.27:
        word = word.upper()
    elif roll < 0.32:
        word = str(rng.randrange(100_000))
    if rng.random() < 0.08:
        word += rng.choice([",", ".", ";", ":", "!", "?", ")", "="])
    return word


def ascii_line(rng):
    target = rng.randint(24, 110)
    words = []
    length = 0
    while length < target:
        word = ascii_word(rng)
        words.append(word)
        length += len(word) + 1
    line = " ".join(words)
    if rng.random() < 0.1:
        line = "    " + line
    return line


def chinese_run(rng, chars):
    run = "".join(rng.choice(chars) for _ in range(rng.randint(2, 14)))
    if rng.random() < 0.6:
        run += rng.choice(CHINESE_PUNCTUATION)
    return run


def mixed_line(rng, chars, is_utf8):
    """A line mixing Chinese runs with ASCII words (and, in UTF-8, other scripts)."""
    target = rng.randint(16, 70)
    parts = []
    length = 0
    while length < target:
        roll = rng.random()
        if roll < 0.55:
            part = chinese_run(rng, chars)
        elif is_utf8 and roll < 0.65:
            part = rng.choice(ACCENTED)
        elif is_utf8 and roll < 0.67:
            part = rng.choice(EMOJI)
        else:
            part = ascii_word(rng)
        parts.append(part)
        length += len(part) + 1
    return " ".join(parts)


def build_line_pools(rng):
    """Encoded lines (without line breaks) per content kind; files are drawn from these."""
    chars = gb2312_level1_characters()
    ascii_lines = [ascii_line(rng).encode("ascii") for _ in range(20_000)]
    utf8_lines = []
    gbk_lines = []
    for _ in range(8_000):
        utf8_lines.append((mixed_line(rng, chars, True) if rng.random() < 0.6
                           else ascii_line(rng)).encode("utf-8"))
        gbk_lines.append((mixed_line(rng, chars, False) if rng.random() < 0.6
                          else ascii_line(rng)).encode("gbk"))
    return {"ascii": ascii_lines, "utf8": utf8_lines, "gbk": gbk_lines}


def make_folders(rng, folder_count, max_depth):
    """Relative folder paths, parents before children, at most max_depth levels below the root."""
    folders = []
    parents = [("", 0)]
    for index in range(folder_count):
        # The first folders form one chain down to the full depth, so that depth is always reached.
        if index < max_depth:
            parent, depth = parents[-1]
        else:
            parent, depth = rng.choice(parents)
        name = "%s-%04d" % (rng.choice(FOLDER_WORDS), index)
        path = name if not parent else parent + "/" + name
        folders.append(path)
        if depth + 1 < max_depth:
            parents.append((path, depth + 1))
    return folders


def insert_at_space(rng, line, text, is_padded):
    """Puts text into the line at a space (or an end), never inside a multi-byte character."""
    start = rng.randrange(len(line) + 1)
    pos = line.find(b" ", start)
    if pos < 0:
        pos = len(line)
    if is_padded or pos == len(line):
        return line[:pos] + b" " + text + b" " + line[pos:]
    # Glued to the following word: substring searches must find it there too.
    return line[:pos + 1] + text + line[pos + 1:]


def file_lines(rng, pool, byte_count):
    lines = []
    total = 0
    count = len(pool)
    while total < byte_count:
        line = pool[rng.randrange(count)]
        lines.append(line)
        total += len(line) + 1
    return lines


def sidecar_path(out_dir, suffix):
    """Files about the tree live beside it, never inside it, so no tool searches them."""
    out_dir = os.path.abspath(out_dir)
    return os.path.join(os.path.dirname(out_dir), os.path.basename(out_dir) + suffix)


def generate(out_dir, size, seed, is_crlf):
    file_count, folder_count, max_depth, min_bytes, max_bytes, share = SIZES[size]
    rng = random.Random("%s/%d" % (size, seed))
    pools = build_line_pools(rng)
    folders = make_folders(rng, folder_count, max_depth)

    manifest_path = sidecar_path(out_dir, ".manifest.json")
    if os.path.exists(manifest_path):
        os.remove(manifest_path)
    os.makedirs(out_dir, exist_ok=True)
    for folder in folders:
        os.makedirs(os.path.join(out_dir, folder), exist_ok=True)

    exact_files = []
    any_case_files = []
    kinds = {"ascii": 0, "utf8": 0, "gbk": 0}
    total_bytes = 0
    started = time.monotonic()
    for index in range(file_count):
        folder = folders[rng.randrange(len(folders))]
        ext = rng.choices(EXTENSIONS, EXTENSION_WEIGHTS)[0]
        rel = "%s/%s_%07d.%s" % (folder, rng.choice(FILE_WORDS), index, ext)
        roll = rng.random()
        kind = "ascii" if roll < 0.75 else ("utf8" if roll < 0.90 else "gbk")
        kinds[kind] += 1
        lines = file_lines(rng, pools[kind], rng.randint(min_bytes, max_bytes))

        is_exact = False
        is_any_case = False
        if rng.random() < share:
            is_any_case = True
            occurrences = 1 + (rng.random() < 0.3) + (rng.random() < 0.1)
            for _ in range(occurrences):
                if rng.random() < 0.55:
                    text = FIND_TEXT
                    is_exact = True
                else:
                    text = rng.choice(FIND_TEXT_VARIANTS)
                at = rng.randrange(len(lines))
                lines[at] = insert_at_space(rng, lines[at], text.encode("ascii"),
                                            rng.random() < 0.8)
        if rng.random() < 0.02:
            at = rng.randrange(len(lines))
            lines[at] = insert_at_space(rng, lines[at], rng.choice(DECOYS).encode("ascii"), True)

        # Both draws happen in either mode, so the CR LF tree differs from the other only in breaks.
        is_file_crlf = rng.random() < 0.15
        is_last_terminated = rng.random() < 0.9
        if is_crlf:
            is_file_crlf = True
            is_last_terminated = True
        eol = b"\r\n" if is_file_crlf else b"\n"
        data = eol.join(lines)
        if is_last_terminated:
            data += eol
        with open(os.path.join(out_dir, rel), "wb") as out:
            out.write(data)
        total_bytes += len(data)
        if is_exact:
            exact_files.append(rel)
        if is_any_case:
            any_case_files.append(rel)
        if file_count >= 100_000 and (index + 1) % 100_000 == 0:
            print("  %d files written (%.0f s)" % (index + 1, time.monotonic() - started),
                  file=sys.stderr)

    for suffix, rels in ((".expected-case.txt", exact_files),
                         (".expected-nocase.txt", any_case_files)):
        with open(sidecar_path(out_dir, suffix), "w", encoding="utf-8") as out:
            out.writelines(rel + "\n" for rel in sorted(rels))
    manifest = {
        "generator_version": GENERATOR_VERSION,
        "size": size,
        "seed": seed,
        "crlf": is_crlf,
        "find_text": FIND_TEXT,
        "extensions": EXTENSIONS,
        "files": file_count,
        "folders": len(folders),
        "max_depth": max_depth,
        "bytes": total_bytes,
        "kinds": kinds,
        "files_with_find_text_exact_case": len(exact_files),
        "files_with_find_text_any_case": len(any_case_files),
    }
    # Written last: a tree without its manifest is unfinished and gets regenerated.
    with open(manifest_path, "w", encoding="utf-8") as out:
        json.dump(manifest, out, indent=2)
    return manifest


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out_dir", help="folder to write the tree into (created)")
    parser.add_argument("--size", choices=sorted(SIZES), default="default")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--crlf", action="store_true",
                        help="CR LF everywhere and the last line terminated (the replace tree)")
    args = parser.parse_args()
    if os.path.exists(args.out_dir) and os.listdir(args.out_dir):
        parser.error("%s exists and is not empty" % args.out_dir)
    manifest = generate(args.out_dir, args.size, args.seed, args.crlf)
    print("%s: %d files, %.1f MiB, %d with the find text (%d in its exact case)" % (
        args.out_dir, manifest["files"], manifest["bytes"] / 1048576.0,
        manifest["files_with_find_text_any_case"],
        manifest["files_with_find_text_exact_case"]))


if __name__ == "__main__":
    main()
