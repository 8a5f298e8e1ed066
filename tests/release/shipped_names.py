#!/usr/bin/env python3
"""Every file a shipped document names is a file of the package, or the
document says in the same paragraph that it is in the source repository.

    shipped_names.py PACKAGE_DIR

PACKAGE_DIR is the package laid out as the zip holds it (release.sh --stage);
its files are the ones release.sh lists. The documents are its Markdown files
and examples/. A name with a folder must be the package path; a bare name may
be any package file's own name.
"""
import pathlib
import re
import subprocess
import sys

EXTENSIONS = "dll|exe|md|json|h|c|cpp|def|lib|a|cmake|pc|txt|debug|sh|S|zip|inc|py"
# A path or a file name with one of those endings, or a bare name that is a
# file in a repository; not a system header (<stdio.h>).
NAME = re.compile(r"(?<![<\w./\\-])((?:[A-Za-z]:\\)?[\w%.\\/-][\w%.\\/<>-]*\.(?:" + EXTENSIONS + r")|README|LICENSE)\b")
SOURCE_REPOSITORY = "source repository"

# Names that are no file of the package, and need not be: Windows' own DLLs,
# what the user's build makes, and the reports and traces lumicall and the
# tracing build write.
NOT_PACKAGE_FILES = [
    re.compile(r"(?i)(KERNEL32|msvcrt)\.dll"),
    re.compile(r"host\.exe"),
    re.compile(r"[\w<>-]+\.txt"),
]


def package_files(release_script):
    listed = subprocess.run(["bash", release_script, "--files"], check=True, capture_output=True, text=True)
    return listed.stdout.split()


def documents(files):
    return [name for name in files if name.endswith(".md") or name.startswith("examples/")]


def is_package_file(name, files):
    if re.match(r"[A-Za-z]:\\", name):  # a path on the user's machine: its file name counts
        name = name.rsplit("\\", 1)[-1]
    name = name.replace("\\", "/")
    if "/" in name:
        return name in files
    return name in files or any(path.rsplit("/", 1)[-1] == name for path in files)


def faults(package, files):
    for document in documents(files):
        text = (package / document).read_text(encoding="utf-8")
        for paragraph in re.split(r"\n\s*\n", text):
            in_source = SOURCE_REPOSITORY in " ".join(paragraph.split())
            for name in NAME.findall(paragraph):
                if in_source or is_package_file(name, files):
                    continue
                if any(pattern.fullmatch(name) for pattern in NOT_PACKAGE_FILES):
                    continue
                yield f"{document}: names {name}, which is not in the package (nor said to be in the {SOURCE_REPOSITORY})"


def main():
    package = pathlib.Path(sys.argv[1])
    release_script = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "release.sh"
    files = package_files(release_script)
    found = [f"{name}: listed by release.sh --files but not in {package}"
             for name in files if not (package / name).is_file()]
    if not found:
        found = list(faults(package, files))
    for fault in found:
        print(fault)
    print(f"{len(found)} problems in {len(documents(files))} documents")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
