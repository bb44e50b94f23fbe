#!/usr/bin/env python3
"""Build the update guide that Setup.exe shows in its read-only text box.

usage: make_guide.py IN OUT [LINES BYTES]

IN is the guide in UTF-8 with LF line ends.  OUT receives the same text with
CR LF line ends, encoded in code page 932.  A release may fix the form of its
guide: given LINES and BYTES, the result must hold exactly LINES lines, each
ended by CR LF, and be exactly BYTES long.  Any deviation is an error and OUT
is not left behind.
"""
import os
import sys

MAX_LINE_BYTES = 78  # the text box is about 76 half-width columns wide


def check_source(text):
    """Problems that are easier to explain in terms of the UTF-8 source."""
    problems = []
    if text.startswith('\ufeff'):
        problems.append('source starts with a byte order mark')
    if '\r' in text:
        problems.append('source contains CR; use LF line ends only')
    if not text.endswith('\n'):
        problems.append('last line is not ended by a line feed')
    for number, line in enumerate(text.split('\n'), 1):
        for ch in line:
            if ch == '\t':
                problems.append('line %d: tab (columns would not line up)' % number)
            elif ch == '\r':
                pass  # already reported once for the whole file
            elif ord(ch) < 0x20 or ord(ch) == 0x7F:
                problems.append('line %d: control character U+%04X' % (number, ord(ch)))
            else:
                try:
                    encoded = ch.encode('cp932')
                except UnicodeEncodeError:
                    problems.append('line %d: U+%04X %r has no code page 932 form'
                                    % (number, ord(ch), ch))
                    continue
                # Characters such as U+301C WAVE DASH or U+2212 MINUS SIGN
                # encode, but decode as a different code point, and other
                # converters may disagree about them.  Require the one form
                # that every converter maps the same way both ways.
                if encoded.decode('cp932') != ch:
                    problems.append('line %d: U+%04X %r does not round-trip; use U+%04X'
                                    % (number, ord(ch), ch, ord(encoded.decode('cp932'))))
    return problems


def check_result(data, expected_lines, expected_bytes):
    """Problems with the converted bytes, plus the line count found."""
    problems = []
    lines = data.split(b'\r\n')
    if lines[-1] != b'':
        problems.append('result does not end with CR LF')
    lines = lines[:-1]
    if data.count(b'\r') != len(lines) or data.count(b'\n') != len(lines):
        problems.append('result contains a CR or LF that is not part of a CR LF pair')
    if b'\0' in data:
        problems.append('result contains a NUL byte')
    for number, line in enumerate(lines, 1):
        if len(line) > MAX_LINE_BYTES:
            problems.append('line %d is %d bytes wide (limit %d)'
                            % (number, len(line), MAX_LINE_BYTES))
    if expected_bytes is not None and len(data) != expected_bytes:
        problems.append('result is %d bytes, expected %d (%+d)'
                        % (len(data), expected_bytes, len(data) - expected_bytes))
    if expected_lines is not None and len(lines) != expected_lines:
        problems.append('result has %d lines, expected %d (%+d)'
                        % (len(lines), expected_lines, len(lines) - expected_lines))
    return problems, len(lines)


def main(argv):
    if len(argv) not in (3, 5):
        sys.stderr.write('usage: make_guide.py IN OUT [LINES BYTES]\n')
        return 2
    source, target = argv[1], argv[2]
    expected_lines, expected_bytes = (int(argv[3]), int(argv[4])) if len(argv) == 5 else (None, None)
    try:
        with open(source, 'rb') as f:
            text = f.read().decode('utf-8')
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write('make_guide: cannot read %s: %s\n' % (source, e))
        return 1

    problems = check_source(text)
    if not problems:
        data = text.replace('\n', '\r\n').encode('cp932')
        result_problems, line_count = check_result(data, expected_lines, expected_bytes)
        problems += result_problems
    if problems:
        for p in problems:
            sys.stderr.write('make_guide: %s: %s\n' % (source, p))
        if os.path.exists(target):
            os.remove(target)  # never leave a stale or partial guide behind
        return 1

    os.makedirs(os.path.dirname(target) or '.', exist_ok=True)
    with open(target, 'wb') as f:
        f.write(data)
    print('make_guide: wrote %s (%d bytes, %d lines)' % (target, len(data), line_count))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
