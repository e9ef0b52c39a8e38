"""The real xdg-open hands "mailto:" to a real mail program, Sylpheed or Claws Mail, in a HOME of
its own: read its drafts."""
import email.policy
import os
import pathlib
import subprocess
import time
from shutil import which
from typing import NamedTuple

import pytest

from parts.waiting import processes, wait_until

# The one reading the mail programs differ in: Sylpheed takes a bare "+" for a space, Claws Mail
# (as Thunderbird) keeps it.
PLUS = {"sylpheed": "one two", "claws-mail": "one+two"}


class Composed(NamedTuple):
    """A subject argument, and what the mail program makes of it in the draft: Subject (PLUS: by
    program), Cc and body. "&" starts another field, "%XX" is decoded, "#" and "?" stay."""
    argument: str
    subject: object
    cc: str = ""
    body: str = ""


BYTE_ROWS = [
    pytest.param(Composed("Hello`1there", "Hello there"), id="readme"),
    pytest.param(Composed("Issue`1#42?`1Why?", "Issue #42? Why?"), id="hash_question"),
    pytest.param(Composed("Hi&cc=x@y.org&body=text", "Hi", "x@y.org", "text"), id="fields"),
    pytest.param(Composed("100%25`1sure`1%26`1%2B1", "100% sure & +1"), id="percent_escapes"),
    pytest.param(Composed("one+two", PLUS), id="plus"),
    # UTF-8 from the native program; the exe hands its bytes to the ANSI calls (code page 1252).
    pytest.param(Composed("Grüße`1aus`1Köln", "Grüße aus Köln"), id="non_ascii")]

# Each mail program: its settings folder, files beside the account and mailbox, and the title of
# its compose window after the subject. Claws Mail's spelling checker would stop at a dialog.
CLIENTS = {"sylpheed": (".sylpheed-2.0", {}, " - Compose"),
           "claws-mail": (".claws-mail", {"clawsrc": "[Common]\nenable_aspell=0\n"},
                          " - Compose message")}
# One default account and an MH mailbox: no first-run dialog, drafts saved to ~/Mail/draft.
ACCOUNT = ("[Account: 1]\naccount_name=test\nis_default=1\nname=Test Sender\naddress=sender@"
           "example.org\nprotocol=0\nreceive_server=localhost\nsmtp_server=localhost\nuser_id=s\n")
FOLDERS = {"inbox": "inbox", "outbox": "sent", "queue": "queue", "trash": "trash",
           "draft": "draft", "junk": "junk"}
FOLDER_LIST = ('<?xml version="1.0" encoding="UTF-8"?>\n<folderlist>\n<folder type="mh" '
               'name="Mailbox" path="Mail">\n' + "".join(
                   f'<folderitem type="{t}" name="{n}" path="{n}" />\n' for t, n in FOLDERS.items())
               + "</folder>\n</folderlist>\n")


def draft(client, address, row):
    """The draft the mail program client saves for row's message to address."""
    subject = row.subject[client] if isinstance(row.subject, dict) else row.subject
    return {"To": address, "Cc": row.cc, "Subject": subject, "body": row.body}


class Desktop:
    """env: the environment of this desktop's user, HOME among it; client: its mail program."""

    def __init__(self, env, client):
        self.env, self.home, self.client = env, pathlib.Path(env["HOME"]), client

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def client_pids(self):
        """This desktop's mail program processes (their HOME tells them from any other)."""
        home = b"\0HOME=%s\0" % bytes(self.home)
        return [pid for pid, name, _, env in processes()
                if name == self.client.encode() + b"\n" and home in b"\0" + env]

    def stop_client(self):
        """Asks the mail program to exit; kills what is left of it ten seconds later."""
        if self.client_pids():
            subprocess.run([self.client, "--exit"], env=self.env, capture_output=True, timeout=10)
        end = time.monotonic() + 10
        while self.client_pids() and time.monotonic() < end:
            time.sleep(0.1)
        for pid in self.client_pids():
            os.kill(pid, 9)

    def compose(self, subject):
        """Saves the compose window titled SUBJECT as a draft (ctrl+s, through the input focus as a
        user's keys) and closes it (ctrl+w); returns To, Cc, Subject and the body."""
        suffix = CLIENTS[self.client][2]
        def titles():
            return {self.xdotool("getwindowname", id)[:-1]: id for id in self.xdotool(
                "search", "--onlyvisible", "--name", suffix + "$").split()}
        id = wait_until(lambda: titles().get(subject + suffix),
                        lambda: f"a window {subject + suffix!r}; open: {list(titles())}", 60, 0.1)
        drafts = lambda: {f for f in (self.home / "Mail/draft").iterdir() if f.name.isdigit()}
        before = drafts()
        self.xdotool("windowfocus", id, "key", "ctrl+s")
        saved = wait_until(lambda: drafts() - before, "ctrl+s to save a draft", 15, 0.1).pop()
        message = email.message_from_bytes(saved.read_bytes(), policy=email.policy.default)
        self.xdotool("windowfocus", id, "key", "ctrl+w")
        wait_until(lambda: not self.xdotool("getwindowname", id), "ctrl+w to close the window", 10,
                   0.1)
        body = message.get_body(preferencelist=("plain",))
        return {**{name: str(message.get(name, "")) for name in ("To", "Cc", "Subject")},
                "body": body.get_content().removesuffix("\n") if body else ""}


@pytest.fixture(scope="session")
def mail_client():
    """The desktop's mail program; a test module parametrizes it to take others."""
    return "sylpheed"


@pytest.fixture(scope="session")
def desktop(tmp_path_factory, display, mail_client):
    """A Desktop on the private display, mail_client its "mailto:" handler, ended at the end."""
    tools = ("xdg-open", "xdg-mime", mail_client, "xdotool")
    if missing := [p for p in tools if not which(p)]:
        pytest.skip(f"not installed: {', '.join(missing)} (tests/install.sh installs them)")
    settings, files, _ = CLIENTS[mail_client]
    home = tmp_path_factory.mktemp("desktop")
    dirs = {"TMPDIR": "tmp", "XDG_CONFIG_HOME": ".config", "XDG_DATA_HOME": ".local/share",
            "XDG_CACHE_HOME": ".cache", "XDG_RUNTIME_DIR": ".runtime", "": settings}
    for folder in [*dirs.values(), *(f"Mail/{name}" for name in FOLDERS.values())]:
        (home / folder).mkdir(parents=True, mode=0o700)
    for name, text in {"accountrc": ACCOUNT, "folderlist.xml": FOLDER_LIST, **files}.items():
        (home / settings / name).write_text(text)
    # No desktop session tells xdg-open which one this is; the mail programs read UTF-8. Without a
    # session bus, their accessibility bridge would start one that outlives the test.
    env = {k: v for k, v in os.environ.items() if k not in (
        "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION", "BROWSER")}
    env.update({k: str(home / v) for k, v in dirs.items() if k}, HOME=str(home),
               XDG_CURRENT_DESKTOP="X-Generic", LC_ALL="C.UTF-8", DISPLAY=display,
               NO_AT_BRIDGE="1")
    subprocess.run(["xdg-mime", "default", f"{mail_client}.desktop", "x-scheme-handler/mailto"],
                   env=env, timeout=30, check=True)
    desktop = Desktop(env, mail_client)
    yield desktop  # pytest goes on here after the last test, whatever its outcome
    desktop.stop_client()
