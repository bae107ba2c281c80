#!/usr/bin/env python3
"""Every repository path a reader's document names must exist, and every CMake preset and
script a command in it runs must be there: a document that sends a reader to a moved file or a
renamed preset fails here instead of on a fresh clone.

Usage: check_doc_paths.py REPOSITORY_ROOT
"""
import json
import pathlib
import re
import sys

DOCUMENTS = ["README.md", "docs/*.md", "tools/*/README.md", "bench/*/README.md", "kit/README.md",
             "examples/*/README.md"]
# Paths a document names that start in one of these folders are the repository's own.
TOP_FOLDERS = ("src/", "docs/", "tools/", "bench/", "kit/", "examples/", "scripts/", "tests/",
               "fuzz/", "cmake/", "assets/")
BACKTICKED = re.compile(r"`([^`\s]+)`")
PRESET_COMMAND = re.compile(r"cmake (?:--build |--workflow )?--preset[ =]([A-Za-z0-9_-]+)")


def repository_paths(text):
    for match in BACKTICKED.finditer(text):
        word = match.group(1).rstrip(".,:;)")
        word = word.split("#")[0]
        if not word.startswith(TOP_FOLDERS):
            continue
        if any(c in word for c in "<>*{}$"):  # a pattern or a placeholder, not one path
            continue
        yield word


def main():
    root = pathlib.Path(sys.argv[1])
    presets = json.loads((root / "CMakePresets.json").read_text())
    preset_names = {p["name"] for p in presets.get("configurePresets", [])}
    preset_names |= {p["name"] for p in presets.get("buildPresets", [])}
    problems = []
    documents = sorted({d for pattern in DOCUMENTS for d in root.glob(pattern)})
    for document in documents:
        text = document.read_text(encoding="utf-8")
        name = document.relative_to(root)
        for path in repository_paths(text):
            # A README may name its own folder's files from where it stands.
            if not (root / path).exists() and not (document.parent / path).exists():
                problems.append(f"{name}: names `{path}`, which is not in the repository")
        for preset in PRESET_COMMAND.findall(text):
            if preset.isupper():  # a placeholder such as NAME
                continue
            if preset not in preset_names:
                problems.append(f"{name}: a command uses the preset `{preset}`, which CMakePresets.json lacks")
    for problem in problems:
        print(problem)
    print(f"{len(documents)} documents read, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
