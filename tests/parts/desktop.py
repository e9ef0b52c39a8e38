"""The real desktop: the real xdg-open hands "mailto:" to the real mail program Sylpheed, in a HOME
of its own on the private display; what Sylpheed composes is read back from the draft it saves."""
import email
import email.policy
import os
import pathlib
import shutil
import subprocess
import time

import pytest

# What Sylpheed makes of the bytes of a subject: the subject argument, then the draft's Subject, Cc
# and body. "&" starts another field, "%XX" is decoded, "+" becomes a space, "#" and "?" stay.
BYTE_ROWS = [
    pytest.param("Hello`1there", "Hello there", "", "", id="readme"),
    pytest.param("Issue`1#42?`1Why?", "Issue #42? Why?", "", "", id="hash_question"),
    pytest.param("Hi&cc=x@y.org&body=text", "Hi", "x@y.org", "text", id="fields"),
    pytest.param("100%25`1sure`1%26`1%2B1", "100% sure & +1", "", "", id="percent_escapes"),
    pytest.param("one+two", "one two", "", "", id="plus"),
]
# One default account and an MH mailbox: Sylpheed starts with no first-run dialog and saves
# drafts to ~/Mail/draft.
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


class Desktop:
    """env: the environment of this desktop's user, HOME among it."""

    def __init__(self, env):
        self.env, self.home = env, pathlib.Path(env["HOME"])

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def sylpheed_pids(self):
        """This desktop's Sylpheed processes (their HOME tells them from any other)."""
        def ours(proc):
            try:
                return (proc / "comm").read_bytes() == b"sylpheed\n" and b"\0HOME=%s\0" % bytes(
                    self.home) in b"\0" + (proc / "environ").read_bytes()
            except OSError:
                return False
        return [int(proc.name) for proc in pathlib.Path("/proc").glob("[0-9]*") if ours(proc)]

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
        """Finds the window "SUBJECT - Compose", saves it as a draft (ctrl+s, through the input
        focus as a user's keys), closes it (ctrl+w); returns To, Cc, Subject (decoded, unfolded)
        and the body without its last line break."""
        def titles():
            return {id: self.xdotool("getwindowname", id)[:-1] for id in self.xdotool(
                "search", "--onlyvisible", "--name", " - Compose$").split()}
        id = wait_for(lambda: f"a window {subject!r} - Compose; open: {list(titles().values())}",
                      lambda: next((i for i, t in titles().items() if t == f"{subject} - Compose"),
                                   None), 60)
        drafts = lambda: {f for f in (self.home / "Mail/draft").iterdir() if f.name.isdigit()}
        before = drafts()
        self.xdotool("windowfocus", id, "key", "ctrl+s")
        saved = wait_for("ctrl+s to save a draft", lambda: drafts() - before, 15)
        with open(saved.pop(), "rb") as draft:
            message = email.message_from_binary_file(draft, policy=email.policy.default)
        self.xdotool("windowfocus", id, "key", "ctrl+w")
        wait_for("ctrl+w to close the window", lambda: not self.xdotool("getwindowname", id), 10)
        body = message.get_body(preferencelist=("plain",))
        body = body.get_content() if body else ""
        return {**{name: str(message.get(name, "")) for name in ("To", "Cc", "Subject")},
                "body": body[:-1] if body.endswith("\n") else body}


@pytest.fixture(scope="session")
def desktop(tmp_path_factory, display):
    """A Desktop on the private display, Sylpheed its "mailto:" handler, ended at the end; skips
    where a program it needs is not installed."""
    for program in ("xdg-open", "xdg-mime", "sylpheed", "xdotool"):
        if shutil.which(program) is None:
            pytest.skip(f"{program} is not installed (tests/install.sh installs it)")
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
    mime = ["xdg-mime", "default", "sylpheed.desktop", "x-scheme-handler/mailto"]
    subprocess.run(mime, env=env, timeout=30)
    assert subprocess.run([mime[0], "query", *mime[1::2]], env=env, capture_output=True,
                          timeout=30).stdout == b"sylpheed.desktop\n"
    desktop = Desktop(env)
    try:
        yield desktop
    finally:
        desktop.stop_sylpheed()
