#!/usr/bin/env python3
"""Check the encoding of a release description before the build reads it.

usage: check_release_texts.py FILE KEY...

FILE must be UTF-8 (a byte order mark is allowed).  The value of each KEY
given (the texts that the programs show or carry in their version block) must
have a code page 932 (Shift-JIS) form, the one the programs use: the compiler
and the resource compiler would otherwise fail later without naming the
description, or carry a text the programs cannot show.  Prints every problem
found, naming the file, the line and the key, and ends with 1 if there was
one.
"""
import re
import sys

LINE = re.compile(r'^[ \t]*([a-z_]+)[ \t]*=[ \t]*(.*?)[ \t]*$')


def encoding_problem(ch):
    """Why `ch` has no single code page 932 form, or None."""
    try:
        encoded = ch.encode('cp932')
    except UnicodeEncodeError:
        return 'U+%04X %r has no Shift-JIS (code page 932) form' % (ord(ch), ch)
    # Characters such as U+301C WAVE DASH encode but come back as another
    # code point, and converters disagree about them: require the form that
    # every converter maps the same way both ways.
    back = encoded.decode('cp932')
    if back != ch:
        return 'U+%04X %r has no single Shift-JIS form; use U+%04X %r' % (ord(ch), ch, ord(back), back)
    return None


def problems(path, text_keys):
    raw = open(path, 'rb').read()
    if raw.startswith(b'\xef\xbb\xbf'):
        raw = raw[3:]
    found = []
    for number, line in enumerate(raw.split(b'\n'), 1):
        try:
            text = line.decode('utf-8')
        except UnicodeDecodeError:
            found.append('%s:%d: not UTF-8: the release description must be saved as UTF-8' % (path, number))
            continue
        match = LINE.match(text.rstrip('\r'))
        if match is None or match.group(1) not in text_keys:
            continue
        for ch in match.group(2):
            problem = encoding_problem(ch)
            if problem is not None:
                found.append('%s:%d: %s: %s' % (path, number, match.group(1), problem))
    return found


def main():
    found = problems(sys.argv[1], set(sys.argv[2:]))
    for problem in found:
        print(problem)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
