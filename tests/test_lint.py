"""Every C++ source of the tree formatted as .clang-format says (clang-format 14), and clang-tidy
clean over the product code this build compiles (tests aside), a cross build for its own target."""
import json
import os
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
    """The tree's C++ files: those git knows of or would add; outside a checkout, all but builds."""
    listed = output("git", "-C", root, "ls-files", "-co", "--exclude-standard", "*.cpp", "*.h")
    if listed.returncode == 0:
        return [name for name in listed.stdout.splitlines() if (root / name).is_file()]
    return [str(p.relative_to(root)) for p in root.rglob("*.[ch]*")
            if p.suffix in (".cpp", ".h") and p.relative_to(root).parts[0] != "build"]


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
