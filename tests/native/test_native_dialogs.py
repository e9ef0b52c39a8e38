"""The native program's message boxes as dialogs: which of the stand-in zenity, kdialog and
xmessage runs, what it is given, and that standard error keeps the message's bytes."""
from unittest.mock import ANY

import pytest

ALL = ("zenity", "kdialog", "xmessage")
X, UTF8, WAYLAND = {"DISPLAY": ":9"}, {"DISPLAY": ":9", "LANG": "C.UTF-8"}, {"WAYLAND_DISPLAY": "w"}
MARKUP = ["addr", "s", "/error=<b>BOLD</b> &amp; x<#0D><#0A>line2"]
MARKUP_ERR = b"<b>BOLD</b> &amp; x\r\nline2\r\n\raddr?subject=s\n"
MARKUP_SHOWN = b"<b>BOLD</b> &amp; x\nline2\n\naddr?subject=s"
OPENING, OPENING_ERR = b"Error opening\n\na", b"Error opening\r\n\ra\n"
NO_ADDRESS = b"Error - No e-mail address defined"


def opening(present, env, shown_by, lc_all=ANY):
    """A row where the open of "a" fails: present dialog programs, environment, which one shows."""
    return present, env, ["a"], shown_by, OPENING if shown_by else None, lc_all, OPENING_ERR


def xmessage_with(lc_all=b"C.UTF-8", **env):
    return opening(["xmessage"], {**X, **env}, "xmessage", lc_all)


ROWS = {
    "zenity-markup-crlf": (["zenity"], UTF8, MARKUP, "zenity", MARKUP_SHOWN, ANY, MARKUP_ERR),
    "kdialog-markup-crlf": (["kdialog"], UTF8, MARKUP, "kdialog", b"&lt;b&gt;BOLD&lt;/b&gt; "
                            b"&amp;amp; x\nline2\n\naddr?subject=s", ANY, MARKUP_ERR),
    "xmessage-markup-crlf-lc-all-kept-unset": (["xmessage"], UTF8, MARKUP, "xmessage",
                                               MARKUP_SHOWN, None, MARKUP_ERR),
    "zenity-latin1-address": (["zenity"], X, [b"Caf\xe9@b"], "zenity", b"Error opening\n\nCaf"
                              b"\xef\xbf\xbd@b", ANY, b"Error opening\r\n\rCaf\xe9@b\n"),
    "kdialog-latin1-backslashes": (
        ["kdialog"], X, ["a", "s", b"/error=C:\\new\\\\x \xe9 \xe2\x82\xac"], "kdialog",
        b"C:\\\\new\\\\\\\\x \xef\xbf\xbd \xe2\x82\xac\n\na?subject=s", ANY,
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
    ran = [(name, call.argv, call.input, call.env.get(b"LC_ALL"))
           for name in ALL for call in native.calls(name)]
    assert (result.status, result.err, ran) == (
        0, err, [(shown_by, *given(shown_by, text), lc_all)] if shown_by else [])
