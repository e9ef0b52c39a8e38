"""The worst-case command line, built in one place for the end-to-end tests and the benchmarks."""
import collections

WorstCase = collections.namedtuple("WorstCase", "argv request message")


def worst_case(program, length=32767, address="a"):
    """The argv, PROGRAM first, whose elements joined by single blanks make LENGTH bytes, by default
    Windows' longest (the native build quotes a PROGRAM holding a blank: two bytes more): ADDRESS,
    one-byte arguments (the digits in turn), then the "/error=" switch last, so that the switch
    search walks every argument. Returns a WorstCase: that argv, the request mailto hands the
    opener, and the text of the message box it shows when the open fails (the native build writes
    it to standard error, then a line break). Raises ValueError where LENGTH leaves no room."""
    switch = "/error=Worst<#0D><#0A>case"
    room = length - len(program) - 1 - len(address) - 1 - len(switch)
    if room % 2:  # one more byte in the switch makes room for whole blank-and-byte pairs
        switch, room = switch + "!", room - 1
    if room < 2:
        raise ValueError(f"a command line of {length} bytes leaves no room for the arguments")
    argv = [program, address] + [str(i % 10) for i in range(room // 2)] + [switch]
    target = f"{address}?subject=0"
    return WorstCase(argv, "mailto:" + target, f"Worst\r\ncase{switch[26:]}\r\n\r{target}")
