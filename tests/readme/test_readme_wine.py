"""The README's Windows examples as they stand, under Wine, the program at C:\\Tools\\mailto.exe
and that the current folder: the batch files through cmd /c, the shortcut's target as Explorer
starts one (on exactly that line). With the recording handler the request is the one the example
promises; with none, one message box shows the example's failure text, then the request."""
import shutil
import subprocess
import threading

import pytest
from parts.readme import example

# The request each example promises, and its failure text as the relay trace shows it.
PROMISED = {"batch": ("helpdesk@example.com?subject=Backup failed on ",
                      r"Please mail the helpdesk\r\nyourself.\r\n\r"),
            "escapes": ("help@example.com?subject=Printer jam", r"No mail program\r\nCall 555-0100"
                        r"\r\n\r"),
            "shortcut": ("sales@example.com?subject=Price list request", r"Error opening\r\n\r")}


@pytest.fixture(scope="module")
def computer(wine):
    """The computer name, which the batch example adds to its subject; mailto.exe in C:\\Tools."""
    if shutil.which("xdotool") is None:
        pytest.skip("xdotool is not installed")
    (wine.drive_c / "Tools").mkdir(exist_ok=True)
    shutil.copy(wine.exe("mailto"), wine.drive_c / "Tools/mailto.exe")
    status, said, _ = wine.wine("cmd", "/c", "echo %COMPUTERNAME%")
    assert status == 0 and said.strip() and b"%" not in said, f"no computer name: {said!r}"
    return said.decode().strip()


def run_pressing_return(wine, line, **options):
    """wine.run, pressing Return meanwhile in the program's windows once a second: the runner
    cannot reach the boxes of a program that cmd started."""
    done, press = threading.Event(), ["xdotool", "search", "--onlyvisible", "--class",
                                      "^mailto.exe$", "windowfocus", "key", "Return"]
    presser = threading.Thread(target=lambda: [subprocess.run(press, env=wine.env, timeout=10)
                                               for _ in iter(lambda: done.wait(1), True)])
    presser.start()
    try:
        return wine.run(line, **options)
    finally:
        done.set()
        presser.join()


@pytest.mark.parametrize("name,handler", [(name, handler) for handler in ("recorder", None)
                                          for name in PROMISED],
                         ids=[name + suffix for suffix in ("", "_no_handler") for name in PROMISED])
def test_example(wine, computer, source_dir, name, handler):
    text = example(source_dir, name)
    line = text.rstrip("\n").encode()
    if name != "shortcut":
        (wine.drive_c / f"t/{name}.bat").write_bytes(text.replace("\n", "\r\n").encode())
        line = b"cmd /c C:\\t\\%s.bat" % name.encode()
    run = run_pressing_return(wine, line, folder=wine.drive_c / "Tools", relay=True,
                              handler=handler)
    request = PROMISED[name][0] + (computer if name == "batch" else "")
    # Owner, text, caption and type of each box; what it returned is the harness's doing.
    boxes = [call.rsplit(" = ", 1)[0] for call in run.calls if call.startswith("MessageBoxA(")]
    assert (run.status, boxes, run.strays, run.request) == ((
        0, [], [], b'"C:\\rec\\recorder.exe" "mailto:%s"' % request.encode()) if handler else (
        0, [f'MessageBoxA(0,"{PROMISED[name][1]}{request}","",0)'], [], None)), run
