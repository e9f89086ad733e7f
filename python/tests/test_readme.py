"""The README and the pages under docs/ say what the code does: their C
snippets compile as written, their Python examples run, their links lead
somewhere, every page lists its sections, their command lines on the
bundled data run, and the settling table is what the library measures."""

import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

import pytest
from conftest import REPO

from tsfilters import settling

PAGES = {path.relative_to(REPO).as_posix(): path.read_text()
         for path in [REPO / "README.md", REPO / "python/README.md",
                      *sorted((REPO / "docs").glob("*.md"))]}


def blocks(language):
    """(page and index, text) of every fenced block in `language`."""
    return [(f"{page} {language} block {index}", block)
            for page, text in PAGES.items()
            for index, block in enumerate(re.findall(rf"```{language}\n(.*?)```", text, flags=re.S))]


def c_snippets():
    return blocks("c")


@pytest.mark.parametrize("name, snippet", c_snippets(), ids=[name for name, _ in c_snippets()])
def test_c_snippets_compile_as_written(tmp_path, name, snippet):
    windows = "<windows.h>" in snippet
    compiler = shutil.which("x86_64-w64-mingw32-gcc" if windows else "cc")
    if compiler is None:
        pytest.skip("no MinGW-w64 compiler" if windows else "no C compiler")
    source = tmp_path / "snippet.c"
    source.write_text(snippet)
    run = subprocess.run([compiler, "-std=c11", "-Wall", "-Werror", "-Wno-unused-variable",
                          "-Wno-unused-but-set-variable", "-I", str(REPO / "include"),
                          "-c", str(source), "-o", str(tmp_path / "snippet.o")],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr


def test_the_streaming_example_is_the_program_ctest_runs():
    """The live loop shown in docs/ is examples/stream_live.c below its
    opening comment, which ctest runs twice to see it restart."""
    program = (REPO / "examples/stream_live.c").read_text()
    shown = [block for _, block in c_snippets() if "int main" in block]
    assert shown and all(program.endswith(block) for block in shown)


def test_the_settling_table_is_what_the_library_measures():
    rows = re.findall(r"\|\s*`(\w+)`\s*\|\s*([^|]*?)\s*\|\s*(\d+)\s*\|", PAGES["docs/python.md"])
    assert rows == [(name, ", ".join(f"{k}={v:g}" for k, v in parameters.items()), str(length))
                    for name, parameters, length in settling.default_table()]


def python_snippets():
    """The Python examples that run on the bundled data (not those that
    need a cluster or files of the reader's)."""
    return [(name, block) for name, block in blocks("python") if "parquet" not in block]


@pytest.mark.parametrize("name, snippet", python_snippets(), ids=[name for name, _ in python_snippets()])
def test_python_snippets_run_as_written(monkeypatch, name, snippet):
    # Arrow and Polars examples run where those packages are installed.
    for module in re.findall(r"^import (pyarrow|polars)\b", snippet, flags=re.M):
        pytest.importorskip(module)
    monkeypatch.chdir(REPO)
    exec(compile(snippet, name, "exec"), {})


def prose(text):
    """The text outside fenced blocks, where links and headings live."""
    return re.sub(r"```.*?```", "", text, flags=re.S)


def anchor(heading):
    """The fragment a Markdown renderer gives a heading: lower case,
    punctuation dropped, spaces as hyphens."""
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")


def headings(text, deepest=6):
    return [(len(hashes), title) for hashes, title in
            re.findall(rf"^(#{{1,{deepest}}}) (.+)$", prose(text), flags=re.M)]


def test_every_link_leads_to_a_file_and_heading_that_exist():
    broken = []
    for page, text in PAGES.items():
        folder = (REPO / page).parent
        for target in re.findall(r"\]\(([^)\s]+)\)", prose(text)):
            if re.match(r"[a-z]+:", target):
                continue
            path, _, fragment = target.partition("#")
            file = (folder / path).resolve() if path else REPO / page
            if not file.exists():
                broken.append(f"{page}: {target} (no such file)")
            elif fragment and fragment not in {anchor(title) for _, title in headings(file.read_text())}:
                broken.append(f"{page}: {target} (no such heading)")
    assert broken == []


@pytest.mark.parametrize("page", [page for page in PAGES if page.startswith("docs/")])
def test_every_page_of_several_sections_lists_them_at_its_top(page):
    sections = [(level, title) for level, title in headings(PAGES[page], 3) if level > 1]
    if sum(level == 2 for level, _ in sections) < 2:
        pytest.skip("one section: nothing to list")
    top = PAGES[page][:PAGES[page].index("\n## ")]
    listed = re.findall(r"^( *)- \[(.+)\]\(#([^)]+)\)$", top, flags=re.M)
    assert [(2 + len(indent) // 2, title, fragment) for indent, title, fragment in listed] == \
        [(level, title, anchor(title)) for level, title in sections]


def cli_examples():
    """The command lines of the pages that run the tool on the bundled data
    (or, as `response` does, on none)."""
    runnable = []
    for _, block in blocks("sh"):
        for line in block.splitlines():
            if not re.match(r"(python/bin/)?tsfilters (apply|plot|response) ", line) or \
                    re.search(r"[;\\]", line):
                continue
            command, *arguments = shlex.split(line)[1:]
            if command == "response" or arguments[0].startswith("data/"):
                runnable.append(line)
    return runnable


@pytest.mark.parametrize("line", cli_examples())
def test_command_lines_run_as_written(tmp_path, line):
    words = shlex.split(line)
    output = words.index("-o") + 1
    words[output] = str(tmp_path / words[output])
    run = subprocess.run([sys.executable, str(REPO / "python/bin/tsfilters"), *words[1:]],
                         cwd=REPO, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert (tmp_path / Path(words[output]).name).stat().st_size > 0


def test_the_package_page_stands_alone():
    """python/README.md is the wheel's description on the package index,
    where a link into the repository leads nowhere."""
    text = prose(PAGES["python/README.md"])
    assert re.findall(r"\]\(([^)\s]+)\)", text) == []
    assert 'pip install "tsfilters[cli]"' in PAGES["python/README.md"]
