"""Wine's relay trace as one line per top-level call of the program, and the lines tests expect,
alike: strings escaped as the trace does, the module instance as INST, its windows as OWNER
(OWNER2...), other pointers PTR, numbers by their low 32 bits (64-bit traces keep leftovers)."""
import re

# Argument kinds, then the result's after ":": s string or NULL, p pointer, h window, i module
# instance, x hexadecimal, d signed decimal; a atom, w new window, e shell result (FAILED from 0
# to 32, else OPENED), f search handle (NONE or FOUND).
SIGNATURES = {
    "SetDefaultDllDirectories": "x:d", "SetCurrentDirectoryA": "s:d", "GetClassInfoA": "isp:d",
    "UnregisterClassA": "si:d", "RegisterClassA": "p:a", "CreateWindowExA": "xssxddddhhip:w",
    "ShowWindow": "hd:d",
    "ShellExecuteA": "hssssd:e", "MessageBoxA": "hssx:d", "DestroyWindow": "h:d",
    "GetPrivateProfileStringA": "ssspds:d", "FindFirstFileA": "sp:f",
}
LINE = re.compile(r"([0-9A-Fa-f]+):(Call|Ret)\s+[\w.]+\.(\w+)\((.*)\)\s+"
                  r"(?:retval=([0-9A-Fa-f]+)\s+)?ret=[0-9A-Fa-f]+\s*$")
ARGUMENT = re.compile(r'\s*([0-9A-Fa-f]+)(?:\s+(L?"(?:[^"\\]|\\.)*"(?:\.\.\.)?))?\s*(?:,|$)')


def shown(kind, value, string, names):
    low = value & 0xFFFFFFFF
    signed = low - (1 << 32) if low & 0x80000000 else low
    if kind == "w" and low:
        names[low] = "OWNER" + (str(len(names)) if len(names) > 1 else "")
    results = {"s": string or ("NULL" if not value else "%x" % low),
               "p": "PTR" if value else "NULL", "x": "%x" % low, "w": names.get(low, "0"),
               "h": names.get(low, "%x" % low) if low else "0",
               "i": "INST" if value == names[None] else "%x" % low,
               "a": "ATOM" if low else "0", "e": "FAILED" if 0 <= signed <= 32 else "OPENED",
               "f": "NONE" if signed == -1 else "FOUND"}
    return results.get(kind, str(signed))


def show_call(function, arguments, names):
    kinds = SIGNATURES.get(function, ":d").split(":")[0]
    values = [shown(kinds[i] if i < len(kinds) else "x", int(m.group(1), 16), m.group(2), names)
              for i, m in enumerate(ARGUMENT.finditer(arguments))]
    return "%s(%s)" % (function, ",".join(values))


def top_level_calls(lines, image_base):
    """The calls of the thread that enters the program's folder (its first call), with results."""
    matches = [match for match in map(LINE.search, lines) if match]
    thread = next((m.group(1) for m in matches if m.group(3) == "SetCurrentDirectoryA"), None)
    names, depth, pending, out = {None: image_base}, 0, None, []
    for match in (m for m in matches if m.group(1) == thread):
        if match.group(2) == "Call":
            if depth == 0:
                pending = show_call(match.group(3), match.group(4), names)
            depth += 1
        elif depth > 0:
            depth -= 1
            if depth == 0 and pending:
                kind = SIGNATURES.get(match.group(3), ":d").split(":")[1]
                out.append("%s = %s" % (pending, shown(kind, int(match.group(5) or "0", 16),
                                                       None, names)))
                pending = None
    return out + [pending + " = ?"] if pending else out


def escaped(data):
    """Bytes as the trace shows a string."""
    named = {0x0A: "\\n", 0x0D: "\\r", 0x09: "\\t", 0x22: '\\"', 0x5C: "\\\\"}
    return "".join(named.get(b) or (chr(b) if 0x20 <= b < 0x7F else "\\x%02x" % b) for b in data)


# The program's first call: DLLs are searched for in the system folder only (0x800).
PROTECTED = ["SetDefaultDllDirectories(800) = 1"]


def entered(folder):
    return PROTECTED + ['SetCurrentDirectoryA("%s") = 1' % escaped(folder)]


OWNER_WINDOW = ['GetClassInfoA(INST,"TPUtilWindow",PTR) = 0', "RegisterClassA(PTR) = ATOM",
                'CreateWindowExA(80,"TPUtilWindow","",80000000,0,0,0,0,0,0,INST,NULL) = OWNER']
DESTROYED = ["DestroyWindow(OWNER) = 1"]


def request(target, result):
    """The shell's request for "mailto:" target; result OPENED or FAILED."""
    return 'ShellExecuteA(OWNER,NULL,"mailto:%s",NULL,NULL,1) = %s' % (escaped(target), result)


def box(text, caption=b""):
    return 'MessageBoxA(0,"%s","%s",0) = 1' % (escaped(text), escaped(caption))


def setting(key, own, file, found, length):
    """The own file looked up afresh (FOUND or NONE), then key's value of length bytes read."""
    return ['FindFirstFileA("%s",PTR) = %s' % (escaped(own), found),
            'GetPrivateProfileStringA("EMAIL","%s","",PTR,1024,"%s") = %d' % (
                key, escaped(file), length)]
