"""release_zip.py: writes TOP/NAME.zip again from the folder TOP/NAME, with the members sorted, no
owner and every time at EPOCH (UTC), so that the same files always give the same zip.

    release_zip.py TOP NAME EPOCH"""
import pathlib
import sys
import time
import zipfile


def main(top, name, epoch):
    top = pathlib.Path(top)
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]  # a zip cannot date before 1980
    with zipfile.ZipFile(top / f"{name}.zip", "w") as archive:
        for path in sorted([top / name, *(top / name).rglob("*")]):
            entry = zipfile.ZipInfo(path.relative_to(top).as_posix(), stamp)
            entry.create_system = 3  # Unix, so that the mode counts; Windows sees the folder flag
            entry.external_attr = (path.stat().st_mode & 0o170777) << 16 | path.is_dir() << 4
            if path.is_dir():
                entry.filename += "/"
                archive.writestr(entry, b"")
            else:
                entry.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(entry, path.read_bytes(), compresslevel=9)


if __name__ == "__main__":
    main(*sys.argv[1:])
