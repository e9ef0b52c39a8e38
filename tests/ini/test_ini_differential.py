"""The POSIX INI reader held against the Windows one under 64-bit Wine: the same queries about the
same files, a fixed corpus and seeded random ones, must get the same answers byte for byte."""
import os
import pathlib
import random
import re
import shutil
import subprocess

import pytest

CORPUS = pathlib.Path(__file__).parent / "corpus"
SECTIONS = [b"EMAIL", b"Other", b"", b"E MAIL", b"email2"]
KEYS = [b"Address", b"Subject", b"Error", b"Name", b"A", b"key two", b";Address", b""]


def corpus_queries():
    """(file, section, key, default, size) per line "file TAB section TAB key [TAB size [TAB
    default]]" of corpus/queries.txt; \\xHH there is any byte, \\\\ a backslash."""
    def unescape(field):
        return re.sub(rb"\\x([0-9a-fA-F]{2})|\\\\", lambda m: bytes.fromhex(
            m[1].decode()) if m[1] else b"\\", field)
    for line in (CORPUS / "queries.txt").read_bytes().splitlines():
        f = line.split(b"\t")
        if len(f) >= 3 and f[0] and not line.startswith(b"#"):
            f += [b"1024", b""][len(f) - 3:]
            yield f[0].decode(), unescape(f[1]), unescape(f[2]), unescape(f[4]), int(f[3])


def generated(folder, r, count=300):
    """Writes count random files (any byte in ANSI ones, ASCII behind a UTF-8 or UTF-16 mark, as
    the readers hand other characters back in different encodings), and one of 100,000-byte lines
    where a line can be long, to folder; yields queries on them with names in any case."""
    chance = lambda percent: r.randrange(100) < percent
    blanks = lambda: bytes(r.choices(b" \t\v\f\x1a", k=0 if chance(60) else r.randint(1, 3)))
    cased = lambda name: bytes(c ^ 32 if chr(c).isalpha() and chance(30) else c for c in name)
    text = lambda length, top: bytes(r.choice(b"abcXYZ019 @.-_=[]\"';\t") if chance(80) else
                                     r.randrange(1, top) for _ in range(length)).translate(
                                         None, b"\r\n")
    name = lambda names, top: cased(r.choice(names)) if chance(90) else text(r.randrange(6), top)

    def line(top):
        kind = r.randrange(100)
        if kind < 20:
            return blanks() + b"[" + blanks() + name(SECTIONS, top) + blanks() + (
                b"]" if chance(90) else b"") + (text(r.randrange(6), top) if chance(10) else b"")
        if kind < 85:
            value = text(900 + r.randrange(300) if chance(5) else r.randrange(12), top)
            quote = r.choice([b'"', b"'"]) if chance(25) else b""
            value = quote + value + (quote if chance(80) else b"")
            return blanks() + name(KEYS, top) + blanks() + (
                b"=" + blanks() + value + blanks() if chance(90) else b"")
        return blanks() if kind < 92 else b";" + text(r.randrange(20), top)

    x = b"x" * 100000
    files = {"genlong.ini": b"[EMAIL]\r\nAddress=%s\r\n%s\r\n[%s]\r\nSubject=s\r\nError=\"%s\"\r\n"
             b"%s=v\r\n" % (x, x, x, x, x)}
    for i in range(count):
        encoding, ends = r.randrange(20), r.choice([[b"\n"], [b"\r\n"], [b"\r"],
                                                    [b"\n", b"\r\n", b"\r"]])
        top = 128 if encoding >= 14 else 256
        body = b"".join(line(top) + r.choice(ends) for _ in range(r.randrange(25)))
        body = body[:-1] if chance(50) else body
        codec = {18: "utf-16-le", 19: "utf-16-be"}.get(encoding)
        files[f"gen{i:03}.ini"] = ("\ufeff" + body.decode()).encode(codec) if codec else (
            b"\xef\xbb\xbf" if encoding >= 14 else b"") + body
    for file, content in files.items():
        (folder / file).write_bytes(content)
        yield from ((file, blanks() + cased(s) + blanks(), blanks() + cased(k) + blanks(), b"",
                     1 + r.randrange(12) if chance(5) else 1024) for s in SECTIONS for k in KEYS)


def ask(command, folder, env=None):
    """The probe's answer lines to the queries in folder."""
    run = subprocess.run(command, cwd=folder, env=env, capture_output=True, timeout=300)
    assert run.returncode == 0, f"{command} ended with {run.returncode}: {run.stderr[-2000:]}"
    return run.stdout.decode().replace("\r", "").splitlines()


@pytest.fixture(scope="module")
def answers(build_dir, tmp_path_factory):
    """{file or "generated": [(query, POSIX answer, Windows answer)]}."""
    wine = shutil.which("wine64", path="/usr/lib/wine:" + os.environ["PATH"])
    server = shutil.which("wineserver64", path="/usr/lib/wine") or shutil.which("wineserver")
    if not wine or not server:
        pytest.skip("64-bit Wine is not installed")
    if not (build_dir / "ini_probe_windows.exe").exists():
        pytest.skip("the Windows probe was not built (no x86_64-w64-mingw32-g++-posix)")
    work = tmp_path_factory.mktemp("ini")
    shutil.copytree(CORPUS, work / "files")
    (work / "files/directory.ini").mkdir()
    queries = [*corpus_queries(), *generated(work / "files", random.Random(20240607))]
    (work / "files/queries").write_text("".join("x%s x%s x%s x%s %d\n" % (
        f.encode().hex(), s.hex(), k.hex(), d.hex(), size) for f, s, k, d, size in queries))
    # The code page Wine picks follows the locale: C gives the Western one the corpus assumes.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(WINEPREFIX=str(work / "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=",
               WINEDEBUG="-all", LC_ALL="C")
    try:
        windows = ask([wine, str(build_dir / "ini_probe_windows.exe")], work / "files", env)
    finally:
        subprocess.run([server, "-k"], env=env, capture_output=True, timeout=60)
    posix = ask([str(build_dir / "ini_probe")], work / "files")
    assert len(posix) == len(windows) == len(queries) > 1000, "an answer to every query"
    grouped = {}
    for row in zip(queries, posix, windows):
        grouped.setdefault("generated" if row[0][0][:3] == "gen" else row[0][0], []).append(row)
    return grouped


@pytest.mark.parametrize("file", sorted({q[0] for q in corpus_queries()}) + ["generated"])
def test_readers_agree(answers, file):
    assert [row for row in answers[file] if row[1] != row[2]][:20] == []
