"""The POSIX INI reader held against the Windows one under 64-bit Wine: the same queries about the
same files, a fixed corpus and seeded random ones, must get the same answers byte for byte."""
import os
import pathlib
import random
import shutil
import subprocess

import pytest

CORPUS = pathlib.Path(__file__).parent / "corpus"
SECTIONS = [b"EMAIL", b"Other", b"", b"E MAIL", b"email2"]
KEYS = [b"Address", b"Subject", b"Error", b"Name", b"A", b"key two", b";Address", b""]


def corpus_queries():
    """(file, section, key, default, size) per query in corpus/queries.txt (its top says how)."""
    for line in (CORPUS / "queries.txt").read_bytes().splitlines():
        if line and not line.startswith(b"#"):
            f = [field.decode("unicode_escape").encode("latin-1") for field in line.split(b"\t")]
            f += [b"1024", b""][len(f) - 3:]
            yield f[0].decode(), f[1], f[2], f[4], int(f[3])


def generated(folder, r, count=300):
    """Writes count random files (any byte in ANSI ones, ASCII behind a UTF-8 or UTF-16 mark: the
    readers' encodings part there) and one of 100,000-byte lines; yields queries, any name case."""
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

    files = {"genlong.ini": b'[EMAIL]\r\nAddress=X\r\nX\r\n[X]\r\nSubject=s\r\nError="X"\r\nX=v\r\n'
             .replace(b"X", b"x" * 100000)}
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
    """[(query, POSIX answer, Windows answer)]."""
    wine, server = pathlib.Path("/usr/lib/wine/wine64"), pathlib.Path("/usr/lib/wine/wineserver64")
    posix, windows = build_dir / "ini_probe_posix", build_dir / "ini_probe.exe"
    if not all(path.exists() for path in (wine, server, posix, windows)):
        pytest.skip("needs 64-bit Wine, and the probes the 64-bit Windows build makes (host g++)")
    files = shutil.copytree(CORPUS, tmp_path_factory.mktemp("ini") / "files")
    (files / "directory.ini").mkdir()
    queries = [*corpus_queries(), *generated(files, random.Random(20240607))]
    (files / "queries").write_text("".join("x%s x%s x%s x%s %d\n" % (
        f.encode().hex(), s.hex(), k.hex(), d.hex(), size) for f, s, k, d, size in queries))
    # The code page Wine picks follows the locale: C gives the Western one the corpus assumes.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(WINEPREFIX=str(files.parent / "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=",
               WINEDEBUG="-all", LC_ALL="C")
    try:
        windows = ask([wine, windows], files, env)
    finally:
        subprocess.run([server, "-k"], env=env, capture_output=True, timeout=60)
    posix = ask([posix], files)
    assert len(posix) == len(windows) == len(queries) > 1000, "an answer to every query"
    return list(zip(queries, posix, windows))


@pytest.mark.parametrize("file", [pytest.param(name, id=name) for name in [
    *sorted({q[0] for q in corpus_queries()}), "generated"]])
def test_readers_agree(answers, file):
    group = lambda name: "generated" if name.startswith("gen") else name
    assert [row for row in answers if group(row[0][0]) == file and row[1] != row[2]][:20] == []
