"""Every C++ source of the tree formatted as .clang-format says (clang-format 14), and clang-tidy
clean over the product code this build compiles (tests aside), a cross build for its own target."""
import json
import os
import pathlib
import re
import shlex
import shutil
import subprocess

import pytest


def output(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def tool(names, version=""):
    """The first of names installed (of that version); skips when there is none."""
    for path in filter(None, map(shutil.which, names)):
        if f"version {version}" in output(path, "--version").stdout:
            return path
    pytest.skip(f"{names[0]} {version}is not installed (tests/install.sh installs it)")


def sources(root):
    """The tree's C++ files, read from the tree itself, so that a checkout and an unpacked source
    archive (no git) list the same: all but those in hidden folders and build folders (build/,
    where the presets build, and any folder CMake has configured)."""
    found = []
    for folder, folders, files in os.walk(root):
        here = pathlib.Path(folder)
        folders[:] = sorted(name for name in folders if not name.startswith(".")
                            and here / name != root / "build"
                            and not (here / name / "CMakeCache.txt").exists())
        found += [str((here / name).relative_to(root)) for name in sorted(files)
                  if name.endswith((".cpp", ".h"))]
    return found


def cross_arguments(compiler):
    # A mingw-w64 compiler's target and C++ headers; clang brings its own intrinsics headers.
    machine = output(compiler, "-dumpmachine").stdout.strip()
    if "mingw" not in machine:
        return []
    search = output(compiler, "-E", "-x", "c++", "-", "-v", input="").stderr
    folders = search.split("<...> search starts here:")[1].split("End of search list")[0].split()
    return [f"--extra-arg=--target={machine}"] + [
        f"--extra-arg=-isystem{os.path.realpath(f)}" for f in folders
        if not re.search(r"/lib/gcc/[^/]*/[^/]*/include(-fixed)?$", f)]


@pytest.mark.parametrize("path, listed", [
    pytest.param("launcher/launch.cpp", True, id="source"),
    pytest.param("tests/fuzz/fuzz_check.h", True, id="header"),
    pytest.param("docs/mailto.1.in", False, id="not-cpp"),
    pytest.param("build/native/generated.cpp", False, id="preset-build-folder"),
    pytest.param("out/CMakeFiles/generated.cpp", False, id="build-folder-of-any-name"),
    pytest.param(".cache/clangd/index.h", False, id="hidden-folder"),
])
def test_sources_without_git(tmp_path, monkeypatch, path, listed):
    # As a tree unpacked from a source archive on a machine without git.
    monkeypatch.setenv("PATH", str(tmp_path / "no-tools"))
    tree = tmp_path / "tree"
    (tree / "out").mkdir(parents=True)
    (tree / "out/CMakeCache.txt").touch()
    (tree / path).parent.mkdir(parents=True, exist_ok=True)
    (tree / path).touch()
    assert sources(tree) == ([path] if listed else [])


def test_formatting(source_dir):
    files = sources(source_dir)
    checked = output(tool(["clang-format-14", "clang-format"], "14."), "--dry-run", "-Werror",
                     *files, cwd=source_dir)
    unformatted = sorted(set(re.findall(r"^([^:\n]+):\d+:\d+: error", checked.stderr, re.M)))
    assert files and (unformatted, checked.returncode) == ([], 0), \
        f"not formatted as .clang-format says (clang-format-14 -i FILE): {unformatted}"


def test_clang_tidy(source_dir, build_dir):
    tidy = tool(["clang-tidy-14", "clang-tidy"])
    database, product = build_dir / "compile_commands.json", {}
    for entry in json.loads(database.read_text()):
        name = os.path.relpath(os.path.join(entry["directory"], entry["file"]), source_dir)
        if re.match(r"(launcher|environment|settings|platform)/.*(?<!_test)\.cpp$", name):
            command = entry.get("command") or " ".join(entry["arguments"])
            product.setdefault(name, shlex.split(command)[0])
    assert product, f"no product files in {database}"
    extra = cross_arguments(next(iter(product.values())))
    run = output(tidy, "-p", build_dir, "--quiet", *extra, *sorted(product), cwd=source_dir)
    (build_dir / "lint-tidy.log").write_text(run.stdout + run.stderr)
    findings = sorted(set(re.findall(r"^.*(?:warning|error):.*$", run.stdout + run.stderr, re.M)))
    assert (findings, run.returncode) == ([], 0), \
        f"clang-tidy findings (all of it in {build_dir / 'lint-tidy.log'})"
