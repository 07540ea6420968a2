#!/usr/bin/env python3
"""Builds drovenmk.chm from the help sources.

    build_help.py SOURCE_FOLDER WORK_FOLDER OUTPUT_CHM CHMCMD

The sources are kept in UTF-8. The help system reads the contents, the
index and the window title in the code page of the help file's language
(Japanese: Shift-JIS), so every file is written out in Shift-JIS, with the
pages declaring that, before the compiler runs. A character Shift-JIS
cannot hold, a link to a page that is not part of the file, or a listed
page that does not exist stops the build.
"""
import os
import re
import shutil
import subprocess
import sys

PROJECT = "drovenmk.hhp"


def listed_files(project_text):
    files, in_files = [], False
    for line in project_text.splitlines():
        line = line.strip()
        if line.startswith("["):
            in_files = line == "[FILES]"
        elif in_files and line:
            files.append(line)
    return files


def to_shift_jis(name, text):
    text = text.replace("charset=UTF-8", "charset=Shift_JIS")
    try:
        return text.encode("cp932")
    except UnicodeEncodeError as error:
        bad = text[error.start:error.end]
        line = text.count("\n", 0, error.start) + 1
        sys.exit(f"{name}:{line}: {bad!r} cannot be written in Shift-JIS")


def check_links(source, files):
    problems = []
    pages = set(files)
    for name in files + ["toc.hhc", "index.hhk"]:
        path = os.path.join(source, name)
        if not os.path.isfile(path):
            problems.append(f"{name}: listed but missing")
            continue
        text = open(path, encoding="utf-8").read()
        targets = re.findall(r'<param name="Local" value="([^"]+)"', text)
        targets += re.findall(r'(?:href|src)="([^"#:]+)', text)
        for target in targets:
            if target not in pages:
                problems.append(f"{name}: links to {target}, which is not in the help file")
    if problems:
        sys.exit("\n".join(problems))


def main():
    source, work, output, chmcmd = sys.argv[1:5]
    project_text = open(os.path.join(source, PROJECT), encoding="utf-8").read()
    files = listed_files(project_text)
    check_links(source, files)

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name in [PROJECT, "toc.hhc", "index.hhk"] + files:
        text = open(os.path.join(source, name), encoding="utf-8").read()
        with open(os.path.join(work, name), "wb") as out:
            out.write(to_shift_jis(name, text))

    compiled = os.path.join(work, "drovenmk.chm")
    result = subprocess.run([chmcmd, "--verbosity", "1", PROJECT], cwd=work, capture_output=True, text=True)
    if result.returncode != 0 or not os.path.isfile(compiled):
        sys.exit(f"chmcmd failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    shutil.copyfile(compiled, output)


if __name__ == "__main__":
    main()
