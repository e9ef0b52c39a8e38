"""The built executable read without running it: machine, GUI subsystem, imports, icon, manifest."""
import struct
import xml.etree.ElementTree as tree

import pytest


def resources(pe, directory):
    """A resource directory as {type: {name: {language: bytes}}}, names str and numbers int."""
    return {str(e.name) if e.name else e.id: resources(pe, e.directory) if hasattr(e, "directory")
            else pe.get_data(e.data.struct.OffsetToData, e.data.struct.Size)
            for e in directory.entries}


@pytest.fixture(scope="module")
def exe(build_dir):
    pefile = pytest.importorskip("pefile", reason="no python3-pefile (tests/install.sh has it)")
    path = build_dir / "mailto.exe"
    if not path.exists():
        pytest.skip(f"{path} was not built: not a Windows build")
    pe = pefile.PE(str(path))
    return {"machine": pe.FILE_HEADER.Machine, "subsystem": pe.OPTIONAL_HEADER.Subsystem,
            "imports": sorted(i.dll.decode().lower() for i in pe.DIRECTORY_ENTRY_IMPORT),
            "resources": resources(pe, pe.DIRECTORY_ENTRY_RESOURCE),
            "characteristics": pe.OPTIONAL_HEADER.DllCharacteristics,
            "sections": [(s.Name.rstrip(b"\0").decode(), s.Characteristics) for s in pe.sections]}


def test_machine_gui_subsystem_and_system_imports(exe, build_dir):
    # The machine of the build's toolchain; subsystem 2, the Windows GUI: no console window.
    wide = "CMAKE_OBJDUMP:FILEPATH=/usr/bin/x86_64-" in (build_dir / "CMakeCache.txt").read_text()
    assert (exe["machine"], exe["subsystem"], exe["imports"]) == (
        0x8664 if wide else 0x14C, 2, ["kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"])


# The header's defences against code placed in the process: the DLL characteristic bit, and
# whether it applies to the 64-bit twin alone.
@pytest.mark.parametrize("bit, wide_only", [
    pytest.param(0x40, False, id="randomised_base"),
    pytest.param(0x100, False, id="no_execute_data"),
    pytest.param(0x8000, False, id="terminal_server_aware"),
    pytest.param(0x20, True, id="high_entropy_addresses"),
])
def test_dll_characteristics(exe, bit, wide_only):
    if wide_only and exe["machine"] != 0x8664:
        pytest.skip("a 32-bit address space has no room for high-entropy addresses")
    assert exe["characteristics"] & bit == bit, hex(exe["characteristics"])


def test_no_section_writable_and_executable(exe):
    both = 0x80000000 | 0x20000000  # IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE
    assert [name for name, flags in exe["sections"] if flags & both == both] == [], exe["sections"]


@pytest.mark.parametrize("index, bits, palette", [pytest.param(0, 8, 256, id="8bit"),
                                                   pytest.param(1, 24, 0, id="24bit")])
def test_icon(exe, index, bits, palette):
    group = list(exe["resources"].get(14, {}).get("MAINICON", {}).values())
    assert len(group) == 1 and struct.unpack_from("<3H", group[0]) == (0, 1, 2), "MAINICON of 2"
    width, height, _, _, _, bit_count, size, number = struct.unpack_from(
        "<4B2HIH", group[0], 6 + 14 * index)
    image = list(exe["resources"][3][number].values())[0]
    assert (width, height, bit_count, struct.unpack_from("<IiiHH", image)) == (
        32, 32, bits, (40, 32, 64, 1, bits))
    # The whole picture is there: header, palette, colour rows, then the transparency mask.
    assert len(image) == size == 40 + 4 * palette + 32 * 32 * bits // 8 + 32 * 4


NS = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
      "compat": "urn:schemas-microsoft-com:compatibility.v1"}
LEVEL = "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel"
CONTROLS = "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity"
SETTINGS = "v3:application/v3:windowsSettings/"


# Element path, attribute (None: the text) and the values found there.
MANIFEST = [
    pytest.param(LEVEL, "level", ["asInvoker"], id="level"),
    pytest.param(LEVEL, "uiAccess", ["false"], id="ui_access"),
    pytest.param(SETTINGS + "ws2016:dpiAwareness", None, ["PerMonitorV2"], id="dpi_awareness"),
    pytest.param(SETTINGS + "ws2005:dpiAware", None, ["true"], id="dpi_aware"),
    pytest.param(CONTROLS, "type", ["win32"], id="controls_type"),
    pytest.param(CONTROLS, "name", ["Microsoft.Windows.Common-Controls"], id="controls_name"),
    pytest.param(CONTROLS, "version", ["6.0.0.0"], id="controls_version"),
    pytest.param(CONTROLS, "processorArchitecture", ["*"], id="controls_architecture"),
    pytest.param(CONTROLS, "publicKeyToken", ["6595b64144ccf1df"], id="controls_key"),
    pytest.param("compat:compatibility/compat:application/compat:supportedOS", "Id", [
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"],
        id="windows_7_to_11"),
    # The program keeps the ANSI code page of the system it runs on.
    pytest.param(".//{*}activeCodePage", None, [], id="no_active_code_page"),
]


@pytest.mark.parametrize("path, attribute, want", MANIFEST)
def test_manifest(exe, path, attribute, want):
    found = exe["resources"].get(24, {})
    assert list(found) == [1] and len(found[1]) == 1, "one manifest, resource 1 of type 24"
    root = tree.fromstring(list(found[1].values())[0])
    assert root.tag == "{%s}assembly" % NS["v1"]
    assert [e.get(attribute) if attribute else e.text for e in root.findall(path, NS)] == want
