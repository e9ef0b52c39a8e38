"""The real xdg-open hands "mailto:" to the real Sylpheed, in a HOME of its own: read its drafts."""
import email.policy
import os
import pathlib
import subprocess
import time
from shutil import which

import pytest

# What Sylpheed makes of the bytes of a subject: the subject argument, then the draft's Subject, Cc
# and body. "&" starts another field, "%XX" is decoded, "+" becomes a space, "#" and "?" stay.
BYTE_ROWS = [
    pytest.param("Hello`1there", "Hello there", "", "", id="readme"),
    pytest.param("Issue`1#42?`1Why?", "Issue #42? Why?", "", "", id="hash_question"),
    pytest.param("Hi&cc=x@y.org&body=text", "Hi", "x@y.org", "text", id="fields"),
    pytest.param("100%25`1sure`1%26`1%2B1", "100% sure & +1", "", "", id="percent_escapes"),
    pytest.param("one+two", "one two", "", "", id="plus"),
    # UTF-8 from the native program; the exe hands its bytes to the ANSI calls (code page 1252).
    pytest.param("Grüße`1aus`1Köln", "Grüße aus Köln", "", "", id="non_ascii")]
# One default account and an MH mailbox: no first-run dialog, drafts saved to ~/Mail/draft.
ACCOUNT = ("[Account: 1]\naccount_name=test\nis_default=1\nname=Test Sender\naddress=sender@"
           "example.org\nprotocol=0\nreceive_server=localhost\nsmtp_server=localhost\nuser_id=s\n")
FOLDERS = {"inbox": "inbox", "outbox": "sent", "queue": "queue", "trash": "trash",
           "draft": "draft", "junk": "junk"}


def wait_for(what, check, seconds):
    """check()'s first true value, tried every 0.1 s; fails saying what (or what()) it awaited."""
    end = time.monotonic() + seconds
    while not (value := check()):
        if time.monotonic() > end:
            pytest.fail(f"waited {seconds} s for {what() if callable(what) else what}")
        time.sleep(0.1)
    return value


def processes():
    """(pid, command name, arguments, environment) of each process that can be read."""
    for proc in pathlib.Path("/proc").glob("[0-9]*"):
        try:
            yield int(proc.name), *((proc / f).read_bytes() for f in ("comm", "cmdline", "environ"))
        except OSError:
            pass


class Desktop:
    """env: the environment of this desktop's user, HOME among it."""

    def __init__(self, env):
        self.env, self.home = env, pathlib.Path(env["HOME"])

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def sylpheed_pids(self):
        """This desktop's Sylpheed processes (their HOME tells them from any other)."""
        home = b"\0HOME=%s\0" % bytes(self.home)
        return [pid for pid, name, _, env in processes()
                if name == b"sylpheed\n" and home in b"\0" + env]

    def stop_sylpheed(self):
        """Asks Sylpheed to exit; kills what is left of it ten seconds later."""
        if self.sylpheed_pids():
            subprocess.run(["sylpheed", "--exit"], env=self.env, capture_output=True, timeout=10)
        end = time.monotonic() + 10
        while self.sylpheed_pids() and time.monotonic() < end:
            time.sleep(0.1)
        for pid in self.sylpheed_pids():
            os.kill(pid, 9)

    def compose(self, subject):
        """Saves the window "SUBJECT - Compose" as a draft (ctrl+s, through the input focus as a
        user's keys) and closes it (ctrl+w); returns To, Cc, Subject and the body."""
        def titles():
            return {self.xdotool("getwindowname", id)[:-1]: id for id in self.xdotool(
                "search", "--onlyvisible", "--name", " - Compose$").split()}
        id = wait_for(lambda: f"a window {subject!r} - Compose; open: {list(titles())}",
                      lambda: titles().get(f"{subject} - Compose"), 60)
        drafts = lambda: {f for f in (self.home / "Mail/draft").iterdir() if f.name.isdigit()}
        before = drafts()
        self.xdotool("windowfocus", id, "key", "ctrl+s")
        saved = wait_for("ctrl+s to save a draft", lambda: drafts() - before, 15).pop()
        message = email.message_from_bytes(saved.read_bytes(), policy=email.policy.default)
        self.xdotool("windowfocus", id, "key", "ctrl+w")
        wait_for("ctrl+w to close the window", lambda: not self.xdotool("getwindowname", id), 10)
        body = message.get_body(preferencelist=("plain",))
        return {**{name: str(message.get(name, "")) for name in ("To", "Cc", "Subject")},
                "body": body.get_content().removesuffix("\n") if body else ""}


@pytest.fixture(scope="session")
def desktop(tmp_path_factory, display):
    """A Desktop on the private display, Sylpheed its "mailto:" handler, ended at the end."""
    if missing := [p for p in ("xdg-open", "xdg-mime", "sylpheed", "xdotool") if not which(p)]:
        pytest.skip(f"not installed: {', '.join(missing)} (tests/install.sh installs them)")
    home = tmp_path_factory.mktemp("desktop")
    dirs = {"TMPDIR": "tmp", "XDG_CONFIG_HOME": ".config", "XDG_DATA_HOME": ".local/share",
            "XDG_CACHE_HOME": ".cache", "XDG_RUNTIME_DIR": ".runtime", "": ".sylpheed-2.0"}
    for folder in [*dirs.values(), *(f"Mail/{name}" for name in FOLDERS.values())]:
        (home / folder).mkdir(parents=True, mode=0o700)
    (home / ".sylpheed-2.0/accountrc").write_text(ACCOUNT)
    (home / ".sylpheed-2.0/folderlist.xml").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n<folderlist>\n<folder type="mh" name="Mailbox" '
        'path="Mail">\n' + "".join(f'<folderitem type="{t}" name="{n}" path="{n}" />\n'
                                   for t, n in FOLDERS.items()) + "</folder>\n</folderlist>\n")
    # No desktop session tells xdg-open which one this is; Sylpheed is a UTF-8 program.
    env = {k: v for k, v in os.environ.items() if k not in (
        "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION", "BROWSER")}
    env.update({k: str(home / v) for k, v in dirs.items() if k}, HOME=str(home),
               XDG_CURRENT_DESKTOP="X-Generic", LC_ALL="C.UTF-8", DISPLAY=display)
    subprocess.run(["xdg-mime", "default", "sylpheed.desktop", "x-scheme-handler/mailto"],
                   env=env, timeout=30, check=True)
    desktop = Desktop(env)
    yield desktop  # pytest goes on here after the last test, whatever its outcome
    desktop.stop_sylpheed()
