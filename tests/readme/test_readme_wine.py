"""The README's Windows examples as they stand under Wine, from C:\\Tools\\mailto.exe as the current
folder: the batch files through cmd /c, the shortcut's target as Explorer starts one, the Python
lists as Python joins them. The request is the one promised; with no handler, one message box
shows the failure text, then the request."""
import ast
import re
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
    wine.install(wine.drive_c / "Tools")
    status, said, _ = wine.tool("cmd", "/c", "echo %COMPUTERNAME%")
    assert status == 0 and said.strip() and b"%" not in said, f"no computer name: {said!r}"
    return said.decode().strip()


@pytest.mark.parametrize("handler", [pytest.param("recorder", id="recorder"),
                                     pytest.param(None, id="no_handler")])
@pytest.mark.parametrize("name", [pytest.param(name, id=name) for name in PROMISED])
def test_example(wine, computer, source_dir, name, handler):
    text = example(source_dir, name)
    line = text.rstrip("\n").encode()
    if name != "shortcut":
        (wine.drive_c / f"t/{name}.bat").write_bytes(text.replace("\n", "\r\n").encode())
        line = b"cmd /c C:\\t\\%s.bat" % name.encode()
    # The runner cannot reach the boxes of a program that cmd started: Return is pressed in the
    # program's windows once a second meanwhile.
    def press():
        while not done.wait(1):
            subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "^mailto.exe$",
                            "windowfocus", "key", "Return"], env=wine.env, timeout=10)
    done, presser = threading.Event(), threading.Thread(target=press)
    presser.start()
    try:
        run = wine.run(line, folder=wine.drive_c / "Tools", relay=True, handler=handler)
    finally:
        done.set()
        presser.join()
    request = PROMISED[name][0] + (computer if name == "batch" else "")
    # Owner, text, caption and type of each box; what it returned is the harness's doing.
    boxes = [call.rsplit(" = ", 1)[0] for call in run.calls if call.startswith("MessageBoxA(")]
    assert (run.status, boxes, run.strays, run.request) == ((
        0, [], [], b'"C:\\rec\\recorder.exe" "mailto:%s"' % request.encode()) if handler else (
        0, [f'MessageBoxA(0,"{PROMISED[name][1]}{request}","",0)'], [], None)), run


# The Python examples as Python on Windows starts them: subprocess joins the list with its
# list2cmdline, which writes a double quote inside an argument as \".
@pytest.mark.parametrize("name, subject", [pytest.param("python", b"Order 1234", id="python"),
                                           pytest.param("python-quotes", b"Say \\hi\\",
                                                        id="python-quotes")])
def test_python_example(wine, source_dir, name, subject):
    listed = re.search(r"subprocess\.run\((\[.*\])\)", example(source_dir, name))
    line = subprocess.list2cmdline(["C:\\Tools\\mailto.exe", *ast.literal_eval(listed[1])[1:]])
    run = wine.run(line.encode(), folder=wine.install(wine.drive_c / "Tools"))
    run.check(target=b"helpdesk@example.com?subject=" + subject)
