"""The native program's message boxes as dialogs: which of the stand-in zenity, kdialog and
xmessage runs, what it is given, and that standard error keeps the message's bytes; and the real
zenity on a private display, which shows and leaves nothing behind."""
import concurrent.futures
import os
import shutil
import signal
import subprocess
from typing import NamedTuple, Optional, Sequence

import pytest

from parts.messages import NO_ADDRESS
from parts.waiting import processes, wait_until

ALL = ("zenity", "kdialog", "xmessage")
X, UTF8, WAYLAND = {"DISPLAY": ":9"}, {"DISPLAY": ":9", "LANG": "C.UTF-8"}, {"WAYLAND_DISPLAY": "w"}
MARKUP = ["addr", "s", "/error=<b>BOLD</b> &amp; x<#0D><#0A>line2"]
MARKUP_ERR = b"<b>BOLD</b> &amp; x\r\nline2\r\n\raddr?subject=s\n"
MARKUP_SHOWN = b"<b>BOLD</b> &amp; x\nline2\n\naddr?subject=s"
OPENING, OPENING_ERR = b"Error opening\n\na", b"Error opening\r\n\ra\n"
LONG_ERR = b"Error opening\r\n\ra?subject=" + b"x" * 5000 + b"\n"


def cut(subject):
    """What zenity and kdialog show of a failed open with subject: 4,000 bytes, then the mark."""
    return (b"Error opening\n\na?subject=" + subject)[:4000] + b"\n\xe2\x80\xa6"


class Dialog(NamedTuple):
    """The dialog programs present, the environment and the arguments of a run whose open fails;
    the one that shows (None: none) with text, the LC_ALL it gets, and standard error."""
    present: Sequence[str]
    env: dict
    args: list
    shown_by: Optional[str]
    text: Optional[bytes]
    lc_all: Optional[bytes]
    err: bytes


def opening(present, env, shown_by, lc_all=b"C.UTF-8"):
    """A row where the open of "a" fails: present dialog programs, environment, which one shows."""
    return Dialog(present, env, ["a"], shown_by, OPENING if shown_by else None, lc_all, OPENING_ERR)


# Which locales count as installed UTF-8 ones is the unit table's (dialog_session_test.cpp): here,
# that the caller's LC_ALL really reaches the decision, replaced when not installed, else kept.
ROWS = [
    pytest.param(Dialog(["zenity"], UTF8, MARKUP, "zenity", MARKUP_SHOWN, None, MARKUP_ERR),
                 id="zenity-markup-crlf-lc-all-kept-unset"),
    pytest.param(Dialog(["kdialog"], UTF8, MARKUP, "kdialog", b"&lt;b&gt;BOLD&lt;/b&gt; &amp;amp; "
                        b"x\nline2\n\naddr?subject=s", None, MARKUP_ERR),
                 id="kdialog-markup-crlf-lc-all-kept-unset"),
    pytest.param(Dialog(["xmessage"], UTF8, MARKUP, "xmessage", MARKUP_SHOWN, None, MARKUP_ERR),
                 id="xmessage-markup-crlf-lc-all-kept-unset"),
    pytest.param(Dialog(["zenity"], X, [b"Caf\xe9@b"], "zenity",
                        b"Error opening\n\nCaf\xef\xbf\xbd@b", b"C.UTF-8",
                        b"Error opening\r\n\rCaf\xe9@b\n"), id="zenity-latin1-address-c-utf8"),
    pytest.param(Dialog(["kdialog"], {**X, "LC_ALL": "C", "NO_AT_BRIDGE": "0"},
                        ["a", "s", b"/error=C:\\new\\\\x \xe9 \xe2\x82\xac"], "kdialog",
                        b"C:\\\\new\\\\\\\\x \xef\xbf\xbd \xe2\x82\xac\n\na?subject=s", b"C.UTF-8",
                        b"C:\\new\\\\x \xe9 \xe2\x82\xac\r\n\ra?subject=s\n"),
                 id="kdialog-latin1-backslashes-c-utf8"),
    pytest.param(Dialog(["xmessage"], UTF8, ["a", "s", b"/error=1<#0D>2<#0A>3 Caf\xe9"], "xmessage",
                        b"1\n2\n3 Caf\xef\xbf\xbd\n\na?subject=s", None,
                        b"1\r2\n3 Caf\xe9\r\n\ra?subject=s\n"), id="xmessage-latin1-lone-cr-lf"),
    pytest.param(Dialog(["xmessage"], X, [], "xmessage", NO_ADDRESS, b"C.UTF-8",
                        NO_ADDRESS + b"\n"), id="xmessage-no-address"),
    pytest.param(opening(["xmessage"], {**X, "LC_ALL": "xx_XX.UTF-8", "LANG": "C.UTF-8"},
                         "xmessage"), id="xmessage-lc-all-not-installed"),
    pytest.param(opening(["xmessage"], {**X, "LC_ALL": "C.utf8"}, "xmessage", b"C.utf8"),
                 id="xmessage-lc-all-utf8-kept"),
    pytest.param(Dialog(["zenity"], X, ["a", "x" * 5000], "zenity", cut(b"x" * 5000), b"C.UTF-8",
                        LONG_ERR), id="zenity-request-cut-to-readable"),
    pytest.param(Dialog(["kdialog"], X, ["a", "&" * 30000], "kdialog",
                        cut(b"&" * 30000).replace(b"&", b"&amp;"), b"C.UTF-8",
                        b"Error opening\r\n\ra?subject=" + b"&" * 30000 + b"\n"),
                 id="kdialog-request-cut-before-escapes"),
    pytest.param(opening(ALL, X, "zenity"), id="zenity-first"),
    pytest.param(opening(ALL[1:], X, "kdialog"), id="kdialog-before-xmessage"),
    pytest.param(opening(ALL, WAYLAND, "zenity"), id="wayland-session"),
    pytest.param(opening(ALL, {}, None), id="no-graphical-session"),
    pytest.param(opening(ALL, {"DISPLAY": ""}, None), id="display-empty"),
    pytest.param(opening(ALL, {"WAYLAND_DISPLAY": ""}, None), id="wayland-display-empty"),
]


def given(name, text):
    """The arguments and input the dialog program name gets to show text."""
    return {"zenity": ([b"--info", b"--no-markup", b"--title=mailto", b"--text=" + text], b""),
            "kdialog": ([b"--title", b"mailto", b"--msgbox",
                         b'<qt style="white-space:pre-wrap">' + text + b"</qt>"], b""),
            "xmessage": ([b"-title", b"mailto", b"-center", b"-xrm", b"*international: true",
                          b"-file", b"-"], text)}[name]


@pytest.mark.parametrize("row", ROWS)
def test_dialog(native, row):
    for name in row.present:
        native.stand_in(name)
    native.stand_in("xdg-open", status=1)
    result = native.run(*row.args, env=row.env)
    ran = [(name, call.argv, call.input, call.env.get(b"LC_ALL"), call.env.get(b"NO_AT_BRIDGE"))
           for name in ALL for call in native.calls(name)]
    assert (result.status, result.err, ran) == (0, row.err, [
        (row.shown_by, *given(row.shown_by, row.text), row.lc_all, b"1")] if row.shown_by else [])


def started(marker):
    """The live processes whose environment holds marker, as {name: process id}."""
    return {name.strip().decode(): pid for pid, name, _, env in processes()
            if marker in env.split(b"\0")}


# The real zenity, without a session bus, refuses text that is not ASCII outside a UTF-8 locale
# and an argument beyond 128 KiB, and would stay when mailto is killed alone. Each row ends with
# the dialog dismissed, or with mailto killed while it shows.
@pytest.mark.parametrize("args, env, killed", [
    pytest.param(["a@b.c", "Grüße"], {"LANG": "xx_XX.UTF-8"}, False,
                 id="locale-not-installed-utf8-subject"),
    pytest.param(["a@b.c", b"caf\xe9"], {"LC_ALL": "C"}, False, id="c-locale-latin1-subject"),
    pytest.param(["a" * 65536, "s" * 65536], {}, False, id="request-beyond-one-argument"),
    pytest.param(["a@b.c"], {}, True, id="mailto-killed-alone"),
])
def test_real_zenity(native, display, args, env, killed):
    if shutil.which("zenity") is None or shutil.which("xdotool") is None:
        pytest.skip("zenity or xdotool is not installed (tests/install.sh installs them)")
    (native.stand_ins / "zenity").symlink_to(shutil.which("zenity"))
    native.stand_in("xdg-open", status=1)
    marker = b"MAILTO_ROW=" + os.fsencode(native.work)

    def windows(*then):
        """The mailto windows on the display, with the xdotool command then run on the first."""
        return subprocess.run(["xdotool", "search", "--name", "^mailto$", *then], timeout=10,
                              env={"DISPLAY": display}, capture_output=True).stdout.split()

    with concurrent.futures.ThreadPoolExecutor(1) as pool:
        run = pool.submit(native.run, *args,
                          env={**env, "DISPLAY": display, "MAILTO_ROW": str(native.work)})
        wait_until(windows, "the zenity window to show", timeout=30)
        if killed:
            os.kill(started(marker)["mailto"], signal.SIGTERM)
        # A key that comes before the dialog takes input is lost: Return until the run ends (it
        # fails by itself after 120 s).
        while not killed and not concurrent.futures.wait([run], timeout=0.5).done:
            windows("windowfocus", "%1", "key", "Return")
        result = run.result(timeout=30)
    assert result.status == (-signal.SIGTERM if killed else 0)
    wait_until(lambda: not started(marker), "every process the run started to end")
