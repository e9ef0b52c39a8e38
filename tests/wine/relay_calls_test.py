#!/usr/bin/env python3
"""relay_calls_test.py: checks that relay_calls.py reads 32-bit and 64-bit relay traces alike,
with or without timestamps and process ids, and keeps to the program's own top-level calls."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import relay_calls  # noqa: E402

TRACE_64 = r"""
0024:trace:relay:load_list L"RelayInclude" = L"MessageBoxA;SetCurrentDirectoryA"
0024:Starting thread proc 00000001400014B0 (arg=0000000067FF0000)
01ac:Call user32.ShowWindow(00030052,00000000) ret=14000e1c7
01ac:Ret  user32.ShowWindow() retval=00000000 ret=14000e1c7
0024:Call KERNEL32.SetCurrentDirectoryA(0021fbd0 "C:\\t\\app\\") ret=1400015e1
0024:Ret  KERNEL32.SetCurrentDirectoryA() retval=00000001 ret=1400015e1
0024:Call user32.CreateWindowExA(00000080,140026047 "TPUtilWindow",140026016 "",80000000,200000000,00000000,100000000,00000000,00000000,00000000,140000000,00000000) ret=1400017f0
0024:Call window proc 00000002169EF6F0 (hwnd=0000000000030060,msg=WM_NCCREATE,wp=00000000,lp=0021ee60)
0024:Ret  user32.CreateWindowExA() retval=0002003e ret=1400017f0
0024:Call shell32.ShellExecuteA(0002003e,00000000,00c93a20 "mailto:a, b\"c",00000000,00000000,00000001) ret=140001818
0024:Ret  shell32.ShellExecuteA() retval=ffffffff8000002a ret=140001818
0024:Call user32.MessageBoxA(00000000,00c93a30 "x\r\n\r\xe9",140026016 "",00000000) ret=140001e25
0024:Ret  user32.MessageBoxA() retval=00000001 ret=140001e25
0024:Call user32.DestroyWindow(0002003e) ret=140001e7b
0024:Call user32.DestroyWindow(00030066) ret=31c5d538b
0024:Ret  user32.DestroyWindow() retval=00000001 ret=31c5d538b
0024:Ret  user32.DestroyWindow() retval=00000001 ret=140001e7b
"""

TRACE_32 = r"""
2911.683:0020:0024:Call KERNEL32.SetCurrentDirectoryA(0032fbd0 "C:\\t\\app\\") ret=004015e1
2911.688:0020:0024:Ret  KERNEL32.SetCurrentDirectoryA() retval=00000001 ret=004015e1
2911.690:0020:0024:Call user32.CreateWindowExA(00000080,00406047 "TPUtilWindow",00406016 "",80000000,00000000,00000000,00000000,00000000,00000000,00000000,00400000,00000000) ret=004017f0
2911.699:0020:0024:Ret  user32.CreateWindowExA() retval=00000000 ret=004017f0
2911.700:0020:0024:Call shell32.ShellExecuteA(00000000,00000000,00c93a20 "mailto:xxxxxxxx"...,00000000,00000000,00000001) ret=00401818
2911.800:0020:0024:Ret  shell32.ShellExecuteA() retval=0000001f ret=00401818
2911.900:0020:0024:Call user32.MessageBoxA(00000000,00c93a30 "Error opening",00406016 "",00000000) ret=00401e25
"""

EXPECTED_64 = [
    'SetCurrentDirectoryA("C:\\\\t\\\\app\\\\") = 1',
    'CreateWindowExA(80,"TPUtilWindow","",80000000,0,0,0,0,0,0,INST,NULL) = OWNER',
    'ShellExecuteA(OWNER,NULL,"mailto:a, b\\"c",NULL,NULL,1) = OPENED',
    'MessageBoxA(0,"x\\r\\n\\r\\xe9","",0) = 1',
    'DestroyWindow(OWNER) = 1',
]

EXPECTED_32 = [
    'SetCurrentDirectoryA("C:\\\\t\\\\app\\\\") = 1',
    'CreateWindowExA(80,"TPUtilWindow","",80000000,0,0,0,0,0,0,INST,NULL) = 0',
    'ShellExecuteA(0,NULL,"mailto:xxxxxxxx"...,NULL,NULL,1) = FAILED',
    'MessageBoxA(0,"Error opening","",0) = ?',
]


class TraceTest(unittest.TestCase):
    def test_reads_each_format(self):
        for text, base, expected in [(TRACE_64, 0x140000000, EXPECTED_64),
                                     (TRACE_32, 0x400000, EXPECTED_32)]:
            with self.subTest(base=hex(base)):
                names = relay_calls.new_names(base)
                calls = relay_calls.top_level_calls(text.splitlines(), names)
                self.assertEqual(calls, expected)

    def test_other_instance_is_shown_as_a_number(self):
        names = relay_calls.new_names(0x10000000)
        calls = relay_calls.top_level_calls(TRACE_32.splitlines(), names)
        self.assertIn(",400000,NULL) = 0", calls[1])


if __name__ == "__main__":
    unittest.main()
