"""The README's shell and Python examples, as it gives them, run against the native program
("mailto" on PATH, build/native/mailto) with a stand-in opener: each hands over the request its
text promises and, when the open fails, shows the failure text it gives."""
import re
import sys

import pytest

from parts.readme import example

ESCAPES = b"mailto:help@example.com?subject=Printer jam"


@pytest.mark.parametrize("name, interpreter, status, opened, err", [
    ("first", "/bin/sh", 0, b"mailto:you@example.com?subject=Hello there", b""),
    ("escapes", "/bin/sh", 0, ESCAPES, b""),
    ("escapes", "/bin/sh", 1, ESCAPES,
     b"No mail program\r\nCall 555-0100\r\n\rhelp@example.com?subject=Printer jam\n"),
    ("python", sys.executable, 0, b"mailto:helpdesk@example.com?subject=Order 1234", b""),
], ids=["first-command", "escapes-opened", "escapes-failed", "python"])
def test_readme_example(native, source_dir, name, interpreter, status, opened, err):
    # The example's folder as the README's first command leaves it.
    built = native.work / "build" / "native" / "mailto"
    built.parent.mkdir(parents=True)
    native.program.rename(built)
    (native.work / "bin").mkdir()
    (native.work / "bin" / "mailto").symlink_to(built)
    # The first command ends by running the program it built.
    first = re.findall(r"^    .* && (build/native/mailto .*)$",
                       (source_dir / "README.md").read_text(), re.M)
    script = native.work / name
    script.write_text(first[0] + "\n" if name == "first" and first else example(source_dir, name))
    native.stand_in("xdg-open", status=status)
    result = native.run("-c", 'cd "$1" && PATH="$1/bin:$PATH" exec "$2" "$3"', "sh", native.work,
                        interpreter, script, program="/bin/sh")
    assert (result.status, result.err, result.opened) == (0, err, [[opened]])
