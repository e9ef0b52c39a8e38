"""The native program's message boxes as dialogs: which of the stand-in zenity, kdialog and
xmessage runs, what it is given, and that standard error keeps the message's bytes; and the real
zenity on a private display, which shows and leaves nothing behind."""
import concurrent.futures
import os
import shutil
import signal
import subprocess

import pytest

from parts.native import wait_until

ALL = ("zenity", "kdialog", "xmessage")
X, UTF8, WAYLAND = {"DISPLAY": ":9"}, {"DISPLAY": ":9", "LANG": "C.UTF-8"}, {"WAYLAND_DISPLAY": "w"}
MARKUP = ["addr", "s", "/error=<b>BOLD</b> &amp; x<#0D><#0A>line2"]
MARKUP_ERR = b"<b>BOLD</b> &amp; x\r\nline2\r\n\raddr?subject=s\n"
MARKUP_SHOWN = b"<b>BOLD</b> &amp; x\nline2\n\naddr?subject=s"
OPENING, OPENING_ERR = b"Error opening\n\na", b"Error opening\r\n\ra\n"
NO_ADDRESS = b"Error - No e-mail address defined"
LONG_ERR = b"Error opening\r\n\ra?subject=" + b"x" * 5000 + b"\n"


def cut(subject):
    """What zenity and kdialog show of a failed open with subject: 4,000 bytes, then the mark."""
    return (b"Error opening\n\na?subject=" + subject)[:4000] + b"\n\xe2\x80\xa6"


def opening(present, env, shown_by, lc_all=b"C.UTF-8"):
    """A row where the open of "a" fails: present dialog programs, environment, which one shows."""
    return present, env, ["a"], shown_by, OPENING if shown_by else None, lc_all, OPENING_ERR


def xmessage_with(lc_all=b"C.UTF-8", **env):
    return opening(["xmessage"], {**X, **env}, "xmessage", lc_all)


ROWS = {
    "zenity-markup-crlf-lc-all-kept-unset": (["zenity"], UTF8, MARKUP, "zenity", MARKUP_SHOWN,
                                             None, MARKUP_ERR),
    "kdialog-markup-crlf-lc-all-kept-unset": (
        ["kdialog"], UTF8, MARKUP, "kdialog", b"&lt;b&gt;BOLD&lt;/b&gt; &amp;amp; x\nline2\n\n"
        b"addr?subject=s", None, MARKUP_ERR),
    "xmessage-markup-crlf-lc-all-kept-unset": (["xmessage"], UTF8, MARKUP, "xmessage",
                                               MARKUP_SHOWN, None, MARKUP_ERR),
    "zenity-latin1-address-c-utf8": (["zenity"], X, [b"Caf\xe9@b"], "zenity", b"Error opening\n"
                                     b"\nCaf\xef\xbf\xbd@b", b"C.UTF-8",
                                     b"Error opening\r\n\rCaf\xe9@b\n"),
    "kdialog-latin1-backslashes-c-utf8": (
        ["kdialog"], {**X, "LC_ALL": "C", "NO_AT_BRIDGE": "0"},
        ["a", "s", b"/error=C:\\new\\\\x \xe9 \xe2\x82\xac"], "kdialog",
        b"C:\\\\new\\\\\\\\x \xef\xbf\xbd \xe2\x82\xac\n\na?subject=s", b"C.UTF-8",
        b"C:\\new\\\\x \xe9 \xe2\x82\xac\r\n\ra?subject=s\n"),
    "xmessage-latin1-lone-cr-lf": (["xmessage"], UTF8, ["a", "s", b"/error=1<#0D>2<#0A>3 Caf\xe9"],
                                   "xmessage", b"1\n2\n3 Caf\xef\xbf\xbd\n\na?subject=s", None,
                                   b"1\r2\n3 Caf\xe9\r\n\ra?subject=s\n"),
    "xmessage-no-address": (["xmessage"], X, [], "xmessage", NO_ADDRESS, b"C.UTF-8",
                            NO_ADDRESS + b"\n"),
    "xmessage-lang-not-utf8": xmessage_with(LANG="C"),
    "xmessage-lang-not-installed": xmessage_with(LANG="xx_XX.UTF-8"),
    "xmessage-lang-installed-kept": xmessage_with(None, LANG="C.UTF-8"),
    "xmessage-lc-all-not-utf8": xmessage_with(LC_ALL="POSIX", LANG="de_DE.UTF-8"),
    "xmessage-lc-all-not-installed": xmessage_with(LC_ALL="xx_XX.UTF-8", LANG="C.UTF-8"),
    "xmessage-lc-all-utf8-kept": xmessage_with(b"C.utf8", LC_ALL="C.utf8"),
    "zenity-request-cut-to-readable": (["zenity"], X, ["a", "x" * 5000], "zenity", cut(b"x" * 5000),
                                       b"C.UTF-8", LONG_ERR),
    "kdialog-request-cut-before-escapes": (
        ["kdialog"], X, ["a", "&" * 30000], "kdialog",
        cut(b"&" * 30000).replace(b"&", b"&amp;"), b"C.UTF-8",
        b"Error opening\r\n\ra?subject=" + b"&" * 30000 + b"\n"),
    "zenity-first": opening(ALL, X, "zenity"),
    "kdialog-before-xmessage": opening(ALL[1:], X, "kdialog"),
    "wayland-session": opening(ALL, WAYLAND, "zenity"),
    "no-graphical-session": opening(ALL, {}, None),
    "display-empty": opening(ALL, {"DISPLAY": ""}, None),
    "wayland-display-empty": opening(ALL, {"WAYLAND_DISPLAY": ""}, None),
}


def given(name, text):
    """The arguments and input the dialog program name gets to show text."""
    return {"zenity": ([b"--info", b"--no-markup", b"--title=mailto", b"--text=" + text], b""),
            "kdialog": ([b"--title", b"mailto", b"--msgbox",
                         b'<qt style="white-space:pre-wrap">' + text + b"</qt>"], b""),
            "xmessage": ([b"-title", b"mailto", b"-center", b"-xrm", b"*international: true",
                          b"-file", b"-"], text)}[name]


@pytest.mark.parametrize("present, env, args, shown_by, text, lc_all, err", ROWS.values(),
                         ids=ROWS.keys())
def test_dialog(native, present, env, args, shown_by, text, lc_all, err):
    for name in present:
        native.stand_in(name)
    native.stand_in("xdg-open", status=1)
    result = native.run(*args, env=env)
    ran = [(name, call.argv, call.input, call.env.get(b"LC_ALL"), call.env.get(b"NO_AT_BRIDGE"))
           for name in ALL for call in native.calls(name)]
    assert (result.status, result.err, ran) == (
        0, err, [(shown_by, *given(shown_by, text), lc_all, b"1")] if shown_by else [])


def started(marker):
    """The live processes whose environment holds marker, as {name: process id}."""
    found = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/environ", "rb") as environ:
                if marker in environ.read().split(b"\0"):
                    with open(f"/proc/{entry}/comm", "rb") as name:
                        found[name.read().strip().decode()] = int(entry)
        except OSError:
            pass  # Gone meanwhile, or a zombie.
    return found


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
