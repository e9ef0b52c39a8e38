"""The test run's own Wine prefix, server and held desktop, with a recording "mailto:" handler;
runs programs through wine/runner.cpp and reports what they did. Skips where Wine cannot run."""
import contextlib
import os
import pathlib
import shutil
import struct
import subprocess

import pytest

from parts import relay_calls

# The calls the relay trace shows when a run asks for it, made by mailto.exe or by a copy named
# after one of DOUBLE_BYTE_NAMES (in code page 932 the bytes 95 5C 8E A6, and E0 5C).
DOUBLE_BYTE_NAMES = ("\u8868\u793a", "\u6fec")
RELAYED = ("SetDefaultDllDirectories;SetCurrentDirectoryA;GetClassInfoA;UnregisterClassA;RegisterClassA;CreateWindowExA;"
           "ShowWindow;ShellExecuteA;MessageBoxA;DestroyWindow;GetPrivateProfileStringA;"
           "FindFirstFileA")
# The folder under drive C: that the tests install mailto.exe in, and a command line's start that
# runs that copy.
APP = "t/app"
PROGRAM = b'"C:\\t\\app\\mailto.exe"'
RECORDER = ('\n[HKEY_CLASSES_ROOT\\mailto]\n@="URL:MailTo Protocol"\n"URL Protocol"=""\n'
            '\n[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]\n'
            r'@="\"C:\\rec\\recorder.exe\" \"%1\""' '\n')


def pe_header(path):
    """(machine, image base, size of image) from the PE header of the file at path."""
    data = pathlib.Path(path).read_bytes()
    pe = struct.unpack_from("<I", data, 60)[0]
    optional = pe + 24
    wide = struct.unpack_from("<H", data, optional)[0] == 0x20B
    base = struct.unpack_from("<Q" if wide else "<I", data, optional + (24 if wide else 28))[0]
    return struct.unpack_from("<H", data, pe + 4)[0], base, struct.unpack_from(
        "<I", data, optional + 56)[0]


def write_ini(path, text):
    """Writes text (the code page's bytes as latin-1) with CR LF line ends."""
    pathlib.Path(path).parent.mkdir(parents=True, exist_ok=True)
    pathlib.Path(path).write_bytes(text.encode("latin-1").replace(b"\n", b"\r\n"))


def recorded(target):
    """The recording handler's command line for the request "mailto:" target."""
    return b'"C:\\rec\\recorder.exe" "mailto:' + target + b'"'


class Run:
    """One run: status (None: cut off), boxes [(caption, text)], strays (other windows' classes),
    calls (relay_calls.py lines), trace (Wine's stderr), request (the handler's command line)."""

    def __init__(self, status, output, trace, image_base, record):
        self.status, self.trace = status, trace
        words = [line.split(" ") for line in output.decode("latin-1").splitlines()]
        self.boxes = [(bytes.fromhex(w[1]), bytes.fromhex(w[2])) for w in words if w[0] == "box"]
        self.strays = [bytes.fromhex(w[1]) for w in words if w[0] == "stray"]
        self.calls = relay_calls.top_level_calls(trace.splitlines(), image_base)
        self.request = record.read_bytes() if record.exists() else None

    def check(self, shown=None, target=None, calls=None):
        """Asserts status 0, no stray, a box of text shown or none, the request or none, calls."""
        assert (self.status, self.boxes, self.strays, self.request) == (
            0, [] if shown is None else [(b"", shown)], [], target and recorded(target)), self
        assert calls is None or self.calls == calls, self

    def __repr__(self):
        return "status %s, boxes %s, strays %s, request %r\ncalls:\n  %s" % (
            self.status, self.boxes, self.strays, self.request, "\n  ".join(self.calls))


class Wine:
    def __init__(self, build_dir, display, folder):
        self.build_dir, self.folder = build_dir, folder
        machine, self.image_base, self.image_size = pe_header(self.exe("mailto"))
        wide = machine == 0x8664
        self.loader = "/usr/lib/wine/wine64" if wide else "/usr/lib/wine/wine"
        self.server = next((s for s in ("/usr/lib/wine/wineserver64",
                                        "/usr/lib/wine/wineserver32") if os.path.exists(s)), None)
        if not os.path.exists(self.loader) or self.server is None:
            pytest.skip("no Wine at %s: install wine (and wine32:i386)" % self.loader)
        said = subprocess.run([self.loader, "--version"], capture_output=True, timeout=20)
        if said.returncode != 0:
            pytest.skip("%d-bit code cannot run here: %r" % (64 if wide else 32, said.stderr))
        self.prefix, self.drive_c = folder / "prefix", folder / "prefix/drive_c"
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), DISPLAY=display, LC_ALL="C",
                        WINEARCH="win64" if wide else "win32", WINELOADER=self.loader,
                        WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG="-all")
        self.held, self.state = None, None

    def exe(self, name):
        return self.build_dir / (name + ".exe")

    def install(self, folder, name="mailto.exe"):
        """Unix folder, emptied, with the build's mailto.exe in it as name; returns folder."""
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy(self.exe("mailto"), folder / name)
        return folder

    def call(self, args, cwd=None, env=None, timeout=120):
        """(status or None if cut off, stdout, stderr), via files: Wine's processes keep pipes."""
        with open(self.folder / "out", "w+b") as out, open(self.folder / "err", "w+b") as err:
            try:
                status = subprocess.run(args, cwd=cwd or self.folder, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=err, timeout=timeout,
                                        env=dict(self.env, **(env or {}))).returncode
            except subprocess.TimeoutExpired:
                status = None
        return status, (self.folder / "out").read_bytes(), (self.folder / "err").read_bytes()

    def tool(self, *args, timeout=120):
        """Runs one of Wine's own programs (regedit, cmd) with its arguments, from drive C:;
        returns (status, stdout, stderr)."""
        return self.call([self.loader, *args], self.drive_c, timeout=timeout)

    def make_prefix(self):
        """The prefix made, with the persistent server; its windows unmanaged: Wine draws their
        frames, no window manager runs."""
        self.prefix.mkdir(parents=True)
        self.start()
        made = self.call([self.loader, "wineboot", "-i"], timeout=180)
        assert made[0] == 0, "wineboot failed: %r" % made[2][-2000:]
        self.import_reg('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n'
                        '"Managed"="N"\n')

    def boot(self):
        """The prefix made, with the runner, the relay trace's settings and the recording
        handler."""
        self.make_prefix()
        for folder, name in (("t", "wine_runner"), ("rec", "wine_recorder")):
            (self.drive_c / folder).mkdir(exist_ok=True)
            shutil.copy(self.exe(name), self.drive_c / folder / (name[5:] + ".exe"))
        self.import_reg('Windows Registry Editor Version 5.00\n\n'
                        '[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\n"RelayInclude"="%s"\n'
                        '"RelayFromInclude"="mailto.exe;%s.exe;%s.exe"\n' % (RELAYED,
                                                                              *DOUBLE_BYTE_NAMES))
        self.tool("regedit", "/E", "C:\\own.reg", "HKEY_CLASSES_ROOT\\mailto")
        self.handler("recorder")

    def start(self):
        """The persistent server, and a program holding the desktop between runs."""
        if self.held is None or self.held.poll() is not None:
            self.call([self.server, "-p"], timeout=20)
            if (self.drive_c / "t/runner.exe").exists():
                self.held = subprocess.Popen(
                    [self.loader, "C:\\t\\runner.exe", "--hold"], cwd=self.drive_c, env=self.env,
                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        """Ends every Wine process and the server, which saves the registry."""
        self.call([self.server, "-k"], timeout=20)
        self.call([self.server, "-w"], timeout=60)
        if self.held is not None:
            self.held.wait(timeout=20)
            self.held = None

    def import_reg(self, text):
        """Imports a registry file's text: REGEDIT4 (latin-1) or version 5.00 (UTF-16)."""
        (self.drive_c / "import.reg").write_bytes(
            text.encode("latin-1" if text.startswith("REGEDIT4") else "utf-16"))
        done = self.tool("regedit", "/S", "C:\\import.reg")
        assert done[0] == 0, "regedit failed: %r" % done[2][-2000:]

    def handler(self, kind):
        """Makes "mailto:" go to the recorder, to Wine's own handler ("wine"), or nowhere (None)."""
        if kind == self.state:
            return
        self.import_reg("REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\mailto]\n" +
                        (RECORDER if kind == "recorder" else ""))
        if kind == "wine":
            self.tool("regedit", "/S", "C:\\own.reg")
        self.state = kind

    def locale(self, name):
        """Environment entries for the UTF-8 locale name, made from the sources if need be."""
        made = self.folder / "locale"
        if not (made / name).exists():
            made.mkdir(exist_ok=True)
            subprocess.run(["localedef", "-i", name.split(".")[0], "-f", "UTF-8", str(made / name)],
                           capture_output=True, timeout=120)
        for env in ({"LC_ALL": name}, {"LC_ALL": name, "LOCPATH": str(made)}):
            said = subprocess.run(["locale", "charmap"], env=dict(os.environ, **env),
                                  capture_output=True, text=True, timeout=20)
            if said.stdout.strip() == "UTF-8":
                return env
        pytest.skip("no %s locale, and none could be made from the locale sources" % name)

    def run(self, line, folder=None, application=None, env=None, relay=False, handler="recorder",
            timeout=30, hold=True):
        """Runs the command line (bytes) from folder (drive_c/"t"), "mailto:" going to handler;
        with hold=False the run's own server and desktop come and go. Returns a Run."""
        if hold:
            self.start()
        self.handler(handler)
        record = self.drive_c / "rec/record.txt"
        record.unlink(missing_ok=True)
        (self.drive_c / "t/cmd.txt").write_bytes(line)
        args = ["C:\\t\\runner.exe", "C:\\t\\cmd.txt"] + ([application] if application else [])
        extra = dict({"WINEDEBUG": "+relay" if relay else "-all"}, **(env or {}))
        status, output, trace = self.call([self.loader, *args], folder or self.drive_c / "t",
                                          extra, timeout)
        if status is None:
            # What was cut off may still hold windows or the desktop: start afresh.
            self.stop()
        return Run(status, output, trace.decode("latin-1"), self.image_base, record)


@contextlib.contextmanager
def booted(session):
    """The Wine session booted, and stopped at the end whatever happened."""
    try:
        session.boot()
        yield session
    finally:
        session.stop()


@pytest.fixture(scope="session")
def wine(build_dir, display, tmp_path_factory):
    """The Wine session of this test run, torn down at the end."""
    if not (build_dir / "mailto.exe").exists():
        pytest.skip("no mailto.exe in %s: not a Windows build" % build_dir)
    with booted(Wine(build_dir, display, tmp_path_factory.mktemp("wine"))) as session:
        yield session
