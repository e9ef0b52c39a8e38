#!/usr/bin/python3
"""screenshots.py: draws the README's pictures: the two message boxes a user can see, taken under
Wine and Xvfb from the 64-bit twin build, and the icon taken from the executable's resources.

Usage: docs/screenshots.py [MAILTO.EXE [OUTPUT-FOLDER]]
  defaults: build/windows64/mailto.exe, and docs/ (this script's folder).
Writes no-address.png, failure.png and icon.png. Needs what the Wine tests need (Wine, Xvfb,
xdotool, Debian's python3-pytest), ImageMagick and icoutils. KEEP_SESSION=1 keeps the throwaway
folder (Wine prefix, logs); BOX_TIMEOUT (seconds, default 30) bounds the wait for each box.
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(ROOT / "tests"))

try:
    # The tests' Wine session, which skips through pytest where Wine is missing.
    import pytest
    from parts.display import start_xvfb, stop_xvfb
    from parts.wine import Wine, pe_header
except ImportError as missing:
    sys.exit("screenshots: %s (install Debian's python3-pytest; run with /usr/bin/python3)"
             % missing)

BOX_TIMEOUT = float(os.environ.get("BOX_TIMEOUT", "30"))
SCALE = 4
TOOLS = ("Xvfb", "xdotool", "import", "convert", "wrestool", "icotool")
# The failure box: no "mailto:" handler, and a text of the caller's own before the request.
FAILURE = ["helpdesk@example.com", "Printer`1jam",
           "/error=No mail program is set up.<#0D><#0A>Please call 555-0100."]


class Failed(Exception):
    pass


def run(*args, **options):
    """Runs a host tool, bounded; its standard output, or Failed with what it said."""
    done = subprocess.run(args, capture_output=True, timeout=60, **options)
    if done.returncode != 0:
        raise Failed("%s failed: %s" % (args[0], done.stderr.decode(errors="replace").strip()))
    return done.stdout.decode()


def take_icon(exe, work, out):
    """The icon as the shell shows it: the 24-bit image of the icon group, enlarged pixel for
    pixel."""
    group = subprocess.run(["wrestool", "-x", "-t", "14", str(exe)], capture_output=True,
                           timeout=60).stdout
    if not group:
        raise Failed("no icon group in %s" % exe)
    (work / "group.ico").write_bytes(group)
    run("icotool", "-x", "-b", "24", "-o", str(work / "icon.png"), str(work / "group.ico"))
    run("convert", str(work / "icon.png"), "-filter", "point", "-resize", "%d%%" % (SCALE * 100),
        str(out / "icon.png"))


def visible_boxes(env):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", r"^mailto\.exe$"],
                           capture_output=True, text=True, env=env, timeout=20)
    return found.stdout.split()


def capture(window, file, env):
    """Copies the window's rectangle of the screen: the frame Wine draws belongs to the window."""
    shell = run("xdotool", "getwindowgeometry", "--shell", window, env=env)
    geometry = dict(line.split("=", 1) for line in shell.split())
    width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
    if width <= 0 or height <= 0:
        raise Failed("the box %s has no size" % window)
    run("import", "-window", "root", "-crop",
        "%dx%d+%s+%s" % (width, height, geometry["X"], geometry["Y"]), "+repage", str(file),
        env=env)


def shoot(wine, file, args):
    """Runs the program, takes its one message box into file once painted, then presses Return
    in it until the program has ended."""
    log = open(wine.folder / (file.stem + ".log"), "wb")
    program = subprocess.Popen([wine.loader, "C:\\app\\mailto.exe", *args],
                               cwd=wine.drive_c / "app", env=wine.env, stdin=subprocess.DEVNULL,
                               stdout=log, stderr=log)
    try:
        deadline = time.monotonic() + BOX_TIMEOUT
        while not visible_boxes(wine.env) and program.poll() is None:
            if time.monotonic() > deadline:
                raise Failed("no message box within %g s for %s" % (BOX_TIMEOUT, file.name))
            time.sleep(0.1)
        boxes = visible_boxes(wine.env)
        if len(boxes) != 1:
            raise Failed("%d windows instead of one message box for %s" % (len(boxes), file.name))
        time.sleep(1.5)  # the box's text is painted after the window shows
        capture(boxes[0], file, wine.env)
        deadline = time.monotonic() + BOX_TIMEOUT
        while program.poll() is None and time.monotonic() < deadline:
            # Through the focus (XTEST): a synthetic key event leaves Wine's key state behind.
            subprocess.run(["xdotool", "windowfocus", boxes[0], "key", "Return"],
                           capture_output=True, env=wine.env, timeout=20)
            time.sleep(1)
        if program.poll() is None:
            raise Failed("the box for %s did not go within %g s" % (file.name, BOX_TIMEOUT))
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
        log.close()
    print("wrote %s" % file)


def boot(wine, exe):
    """A bare prefix: unmanaged windows (Wine draws their frames), no "mailto:" handler."""
    wine.make_prefix()
    wine.import_reg("REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\mailto]\n")
    (wine.drive_c / "app").mkdir()
    shutil.copy(exe, wine.drive_c / "app" / "mailto.exe")


def draw(exe, out, work):
    if pe_header(exe)[0] != 0x8664:
        raise Failed("%s is not 64-bit code; take the pictures from the windows64 twin" % exe)
    take_icon(exe, work, out)
    print("wrote %s" % (out / "icon.png"))
    log = open(work / "xvfb.log", "wb")
    server, display = start_xvfb(log)
    wine = None
    try:
        if display is None:
            raise Failed("Xvfb announced no display within 30 s")
        # The session takes the program from a build folder of its own: the copy in work.
        shutil.copy(exe, work / "mailto.exe")
        try:
            wine = Wine(work, display, work)
        except pytest.skip.Exception as reason:
            raise Failed(str(reason))
        boot(wine, exe)
        # No argument and no settings file: the program has no address to write to.
        shoot(wine, out / "no-address.png", [])
        shoot(wine, out / "failure.png", FAILURE)
    finally:
        if wine is not None:
            wine.stop()
        stop_xvfb(server)
        log.close()


def main(argv):
    if len(argv) > 3:
        sys.exit(__doc__.split("\n\n")[1])
    exe = pathlib.Path(argv[1] if len(argv) > 1 else ROOT / "build/windows64/mailto.exe").resolve()
    out = pathlib.Path(argv[2] if len(argv) > 2 else HERE).resolve()
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        sys.exit("screenshots: not installed: %s" % " ".join(missing))
    if not exe.is_file():
        sys.exit("screenshots: no executable at %s (build the windows64 preset first)" % exe)
    out.mkdir(parents=True, exist_ok=True)
    work = pathlib.Path(tempfile.mkdtemp(prefix="mailto-shots."))
    try:
        draw(exe, out, work)
    except (Failed, AssertionError, subprocess.SubprocessError, OSError) as failure:
        kept = " (logs in %s)" % work if os.environ.get("KEEP_SESSION") else ""
        sys.exit("screenshots: %s%s" % (failure, kept))
    finally:
        if not os.environ.get("KEEP_SESSION"):
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv)
