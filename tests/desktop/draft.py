#!/usr/bin/env python3
"""draft.py: prints what a saved draft message holds, as the mail program's user reads it: the To,
Cc and Subject headers with their encoded words (RFC 2047) decoded and their folding undone, and
the text of the body without its final line break; each as UTF-8, ended by a NUL byte.

Usage: draft.py DRAFT-FILE
"""
import email
import email.policy
import sys


def main():
    with open(sys.argv[1], "rb") as draft:
        message = email.message_from_binary_file(draft, policy=email.policy.default)
    fields = [str(message.get(name, "")) for name in ("To", "Cc", "Subject")]
    body = message.get_body(preferencelist=("plain",))
    text = body.get_content() if body is not None else ""
    fields.append(text[:-1] if text.endswith("\n") else text)
    out = sys.stdout.buffer
    for field in fields:
        out.write(field.encode("utf-8") + b"\0")


main()
