"""The README's shell and Python examples, as it gives them, against the native program and a
stand-in opener: each hands over the request its text promises, or shows its failure text."""
import re
import sys
from typing import NamedTuple

import pytest

from parts.readme import example

ESCAPES = b"mailto:help@example.com?subject=Printer jam"


class Example(NamedTuple):
    """The example's name, the stand-in opener's exit status, its request and standard error."""
    name: str
    status: int
    opened: bytes
    err: bytes = b""


@pytest.mark.parametrize("row", [
    pytest.param(Example("first", 0, b"mailto:you@example.com?subject=Hello there"),
                 id="first-command"),
    pytest.param(Example("escapes", 0, ESCAPES), id="escapes-opened"),
    pytest.param(Example("escapes", 1, ESCAPES, b"No mail program\r\nCall 555-0100\r\n\r"
                         b"help@example.com?subject=Printer jam\n"), id="escapes-failed"),
    pytest.param(Example("python", 0, b"mailto:helpdesk@example.com?subject=Order 1234"),
                 id="python"),
    pytest.param(Example("python-quotes", 0, b"mailto:helpdesk@example.com?subject=Say hi"),
                 id="python-quotes"),
])
def test_readme_example(native, source_dir, row):
    name = row.name
    # The example's folder as the README's first command leaves it, with "mailto" on PATH.
    built = native.work / "build" / "native" / "mailto"
    built.parent.mkdir(parents=True)
    native.program.rename(built)
    (native.stand_ins / "mailto").symlink_to(built)
    # The first command ends by running the program it built.
    readme = (source_dir / "README.md").read_text()
    first = re.search(r"^    .* && (build/native/mailto .*)$", readme, re.M)
    script = native.work / name
    script.write_text(first[1] + "\n" if name == "first" and first else example(source_dir, name))
    native.stand_in("xdg-open", status=row.status)
    interpreter = sys.executable if name.startswith("python") else "/bin/sh"
    result = native.run("-c", 'cd "$1" && exec "$2" "$3"', "sh", native.work, interpreter, script,
                        program="/bin/sh")
    assert (result.status, result.err, result.opened) == (0, row.err, [[row.opened]])
