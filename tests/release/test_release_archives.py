"""The release files made from this build: members, texts, program, fields; made twice, the same."""
import calendar
import gzip
import io
import os
import re
import shutil
import subprocess
import tarfile
import zipfile

import pytest

LICENCE, MANUAL = [r"\A{licence}\Z"], [r"^mailto {version} ", "VANTIK.INI"]  # MANUAL: as formatted
SAMPLE = [r"^\[EMAIL\]$", "^;Address=", "^;Subject=", "^;Error="]
FILES = {  # each file: its mode and what its text says (line ends made LF: CRLF in the zip)
    "tarball": {"bin/mailto": (0o755, []), "share/doc/mailto/LICENSE": (0o644, LICENCE),
                "share/man/man1/mailto.1": (0o644, MANUAL),
                "share/doc/mailto/examples/mailto.ini": (0o644, SAMPLE)},
    "zip": {"LICENSE.txt": (0o644, LICENCE), "mailto.exe": (0o755, []),
            "README.txt": (0o644, [r"\Amailto {version} for Windows$", r"^ +LICENSE\.txt "]),
            "mailto.ini": (0o644, SAMPLE)},
    "deb": {"usr/bin/mailto": (0o755, []), "usr/share/man/man1/mailto.1.gz": (0o644, MANUAL),
            "usr/share/doc/mailto/examples/mailto.ini": (0o644, SAMPLE),
            "usr/share/doc/mailto/changelog.gz": (0o644, [r"\Amailto \({version}\) "]),
            "usr/share/doc/mailto/copyright": (0o644, [  # machine-readable, naming the licence
                "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$",
                r"^License: Expat$", "^ Permission is hereby granted"]),
            "usr/share/lintian/overrides/mailto": (0o644, [r"^statically-linked-binary \["])}}


def run(*command, **options):
    done = subprocess.run(command, capture_output=True, **options)
    assert done.returncode == 0, f"{command[0]}: {done.stdout[-3000:]} {done.stderr[-3000:]}"
    return done.stdout


def cached(build_dir, name):
    return re.findall(rf"^{name}:\w+=(.*)$", (build_dir / "CMakeCache.txt").read_text(), re.M)


def assert_modes(found, kind, top=""):
    assert {n.removeprefix(top): m for n, m in found.items() if n[-1] != "/"} == {
        name: mode for name, (mode, _) in FILES[kind].items()}
    assert {m for n, m in found.items() if n[-1] == "/"} == {0o755}


def version_resource(exe):
    """FILEVERSION and PRODUCTVERSION ("a.b.c.d") and the strings of exe's version resource."""
    pefile = pytest.importorskip("pefile", reason="no python3-pefile (tests/install.sh has it)")
    image, found = pefile.PE(str(exe)), {}
    for fixed in getattr(image, "VS_FIXEDFILEINFO", []):
        for name in ("FileVersion", "ProductVersion"):
            high, low = getattr(fixed, name + "MS"), getattr(fixed, name + "LS")
            found[name.upper()] = f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"
    found.update((k.decode(), v.decode()) for info in getattr(image, "FileInfo", [])
                 for block in info for table in getattr(block, "StringTable", [])
                 for k, v in table.entries.items())
    return found


@pytest.fixture(scope="module")
def archive(request, build_dir, tmp_path_factory):
    """(kind, path, root): the archive CPack makes under umask 002 with SOURCE_DATE_EPOCH unset,
    and the folder of its files unpacked."""
    kind, out = request.param, tmp_path_factory.mktemp(request.param)
    run("cpack", "--config", build_dir / "CPackConfig.cmake", "-B", out, "-G",
        {"tarball": "TGZ", "zip": "ZIP", "deb": "DEB"}[kind], preexec_fn=lambda: os.umask(0o002),
        env={k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"})
    path, = (p for p in out.iterdir() if p.is_file())
    if kind == "deb":
        run("dpkg-deb", "-x", path, out / "root")
        return kind, path, out / "root"
    shutil.unpack_archive(path, out / "root")
    return kind, path, next((out / "root").iterdir())  # the archive's one folder


def release_time(source_dir):
    """As release_epoch.cmake reads it (without SOURCE_DATE_EPOCH): the last commit's time; where
    the history or git is missing, as in a tree from a source archive, the changelog's."""
    if (source_dir / ".git").exists() and shutil.which("git"):
        commit = subprocess.run(["git", "-c", "safe.directory=*", "-C", source_dir, "log", "-1",
                                 "--format=%ct"], capture_output=True, text=True)
        if commit.stdout.strip().isdigit():
            return int(commit.stdout)
    return int(run("dpkg-parsechangelog", "-l", source_dir / "docs/changelog", "-STimestamp"))


@pytest.mark.parametrize("archive", [pytest.param(kind, id=kind) for kind in FILES], indirect=True)
def test_members(archive, source_dir):
    kind, path, root = archive
    if kind == "zip":  # a zip has no owners
        listed = [(i.filename, i.external_attr >> 16 & 0o7777, 0, 0,
                   calendar.timegm(i.date_time)) for i in zipfile.ZipFile(path).infolist()]
    else:
        tar = run("dpkg-deb", "--fsys-tarfile", path) if kind == "deb" else gzip.open(path).read()
        listed = [(m.name.removeprefix("./") + "/" * m.isdir(), m.mode, m.uid, m.gid, m.mtime)
                  for m in tarfile.open(fileobj=io.BytesIO(tar)) if m.name != "."]
    names, top = [name for name, *_ in listed], "" if kind == "deb" else root.name + "/"
    assert names == sorted(names)
    assert_modes({n: m for n, m, *_ in listed}, kind, top)
    epoch = release_time(source_dir)
    assert {(uid, gid, t) for *_, uid, gid, t in listed} == {
        (0, 0, epoch - epoch % 2 if kind == "zip" else epoch)}  # a zip keeps even seconds


@pytest.mark.parametrize("archive, name, says", [
    pytest.param(kind, name, says, id=f"{kind}:{name}") for kind, files in FILES.items()
    for name, (_, says) in files.items() if says], indirect=["archive"])
def test_text(archive, name, says, build_dir, source_dir):
    data = (archive[2] / name).read_bytes()
    data = gzip.decompress(data) if name.endswith(".gz") else data
    assert data.count(b"\r\n") == (data.count(b"\n") if archive[0] == "zip" else 0)
    text = data.replace(b"\r\n", b"\n").decode()
    if "/man1/" in name:
        formatted = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-P-cbou"], input=text,
                                   capture_output=True, text=True)
        assert formatted.stderr == ""
        text = formatted.stdout
    values = {"version": re.escape(cached(build_dir, "CMAKE_PROJECT_VERSION")[0]),
              "licence": re.escape((source_dir / "LICENSE").read_text())}
    missing = [pattern for pattern in says if not re.search(pattern.format(**values), text, re.M)]
    assert missing == [], text[:3000]


@pytest.mark.parametrize("archive, program", [
    pytest.param("tarball", "bin/mailto", id="tarball-bin/mailto"),
    pytest.param("deb", "usr/bin/mailto", id="deb-usr/bin/mailto"),
], indirect=["archive"])
def test_program_from(archive, program, native):
    ran = native.run("someone@example.com", "From`1the`1archive", program=archive[2] / program)
    assert (ran.status, ran.err, ran.opened) == (0, b"", [[b"mailto:someone@example.com?"
                                                           b"subject=From the archive"]])


def test_install_as_tarball(build_dir, tmp_path):
    run("cmake", "--install", build_dir, "--prefix", tmp_path, preexec_fn=lambda: os.umask(0o002))
    assert_modes({p.relative_to(tmp_path).as_posix() + "/" * p.is_dir(): p.stat().st_mode & 0o7777
                  for p in tmp_path.rglob("*")}, "tarball")


@pytest.mark.parametrize("archive", [pytest.param("zip", id="zip")], indirect=True)
def test_exe_is_the_tested_one(archive, build_dir, source_dir):
    exe, version = archive[2] / "mailto.exe", cached(build_dir, "CMAKE_PROJECT_VERSION")[0]
    assert exe.read_bytes() == (build_dir / "mailto.exe").read_bytes()
    assert version_resource(exe) == dict(
        FILEVERSION=f"{version}.0", PRODUCTVERSION=f"{version}.0", FileVersion=version,
        ProductVersion=version, ProductName="mailto", InternalName="mailto",
        FileDescription="Opens the default e-mail program on a new message",
        OriginalFilename="mailto.exe", LegalCopyright=(source_dir / "LICENSE").read_text()
        .split("\n")[2])  # the licence's copyright line


@pytest.mark.parametrize("archive", [pytest.param("deb", id="deb")], indirect=True)
def test_debian_fields(archive, build_dir):
    _, path, root = archive
    fields = dict(re.findall(r"^([\w-]+): (.*)$", run("dpkg-deb", "-f", path).decode(), re.M))
    changelog = gzip.decompress((root / "usr/share/doc/mailto/changelog.gz").read_bytes())
    assert "Depends" not in fields and fields.items() >= {  # linked statically: no Depends
        "Package": "mailto", "Version": cached(build_dir, "CMAKE_PROJECT_VERSION")[0],
        "Architecture": run("dpkg", "--print-architecture").decode().strip(),
        "Maintainer": re.search(r"^ -- (.*>)  ", changelog.decode(), re.M)[1],
        "Recommends": "xdg-utils, zenity | kdialog | x11-utils"}.items()
    if shutil.which("lintian") is None:
        pytest.skip("lintian is not installed (tests/install.sh installs it)")
    run("lintian", "--allow-root", "--fail-on", "error,warning", "-I", "--pedantic", path)


def test_reproducible(build_dir, source_dir, tmp_path):
    # Made from two copies of the source, one as a source archive unpacks (group-writable files,
    # umask 002), one under umask 022: the same bytes.
    windows, made, origin = (build_dir / "mailto.exe").exists(), [], source_dir
    for folder, umask in (("one", 0o002), ("second-copy", 0o022)):
        source, build = tmp_path / folder / "source", tmp_path / folder / "build"
        # The second copy is made from the first: the same files, even while the tree changes.
        origin = shutil.copytree(origin, source, ignore=shutil.ignore_patterns("build", ".git"))
        for path in (source, *source.rglob("*")):
            path.chmod(path.stat().st_mode & ~0o022 | (0o020 if umask == 0o002 else 0))
        options = [f"-D{name}={value.replace(str(source_dir), str(source))}" for name in (
            "CMAKE_BUILD_TYPE", "CMAKE_TOOLCHAIN_FILE") for value in cached(build_dir, name)]
        for step in (["cmake", "-S", source, "-B", build, "-DMAILTO_TESTS=OFF", *options,
                      "-DMAILTO_BENCHMARKS=OFF", "-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON"],
                     ["cmake", "--build", build, "--target", "mailto", "-j2"],
                     ["cpack", "--config", build / "CPackConfig.cmake", "-B", build / "out", "-G",
                      "ZIP" if windows else "TGZ;DEB"]):
            run(*step, preexec_fn=lambda umask=umask: os.umask(umask))
        made.append([build / ("mailto.exe" if windows else "mailto"),
                     *sorted(p for p in (build / "out").iterdir() if p.is_file())])
    assert [p.name for p in made[0]] == [p.name for p in made[1]] and len(made[0]) == 3 - windows
    for one, two in zip(*made):
        if one.read_bytes() != two.read_bytes():
            shown = subprocess.run(["diffoscope", "--text", "-", one, two], capture_output=True,
                                   text=True).stdout if shutil.which("diffoscope") else ""
            pytest.fail(f"{one.name} differs between the two builds:\n{shown[:6000]}")
