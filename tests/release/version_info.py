"""The version resource of a Windows executable, as the file's properties show it."""
import pytest


def read(exe):
    """{name: value}: FILEVERSION and PRODUCTVERSION ("a.b.c.d") from the fixed part, then each
    string of the string tables; {} without a version resource."""
    pefile = pytest.importorskip("pefile", reason="no python3-pefile (tests/install.sh has it)")
    image = pefile.PE(str(exe), fast_load=True)
    image.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    found = {}
    for fixed in getattr(image, "VS_FIXEDFILEINFO", []):
        for name in ("FileVersion", "ProductVersion"):
            high, low = getattr(fixed, name + "MS"), getattr(fixed, name + "LS")
            found[name.upper()] = f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"
    for block in (block for info in getattr(image, "FileInfo", []) for block in info):
        for table in getattr(block, "StringTable", []):
            found.update((k.decode(), v.decode()) for k, v in table.entries.items())
    return found
