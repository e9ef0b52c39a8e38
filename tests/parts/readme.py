"""The examples a user would paste out of README.md and docs/*.md, read as they stand."""
import re

import pytest


def example(source_dir, name):
    """The indented block after "<!-- example: NAME -->" in README.md or docs/*.md, unindented."""
    block = re.escape(f"<!-- example: {name} -->") + r"\n(?:[ \t]*\n)*((?:    .*\n|[ \t]*\n)*)"
    for path in [source_dir / "README.md", *sorted((source_dir / "docs").glob("*.md"))]:
        found = re.search(block, path.read_text(encoding="utf-8"))
        if found and found[1].strip():
            return "".join(line[4:] + "\n" for line in found[1].rstrip().split("\n"))
    pytest.fail(f"no example {name!r} in README.md or docs/*.md")
