"""Reads a desktop entry as a desktop does.

    desktop_entry.py FILE KEY   prints the value of KEY in [Desktop Entry]
    desktop_entry.py FILE Exec  prints the command line's arguments, one a line

The Exec value is read by the desktop entry rules: the string escapes first,
then the double quotes (inside which a backslash takes the next character
literally), then "%%" for a single "%". Any other field code fails.
"""
import sys


def value_of(path, key):
    group = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and line.split("=", 1)[0] == key:
                return line.split("=", 1)[1]
    sys.exit(f"no {key} in {path}")


def unescape(text):
    escapes = {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in escapes:
            out.append(escapes[text[i + 1]])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def arguments(command):
    args, current, i = [], None, 0
    while i < len(command):
        c = command[i]
        if c == " ":
            if current is not None:
                args.append(current)
            current = None
        elif c == '"':
            current = current or ""
            i += 1
            while command[i] != '"':
                if command[i] == "\\":
                    i += 1
                current += command[i]
                i += 1
        else:
            current = (current or "") + c
        i += 1
    if current is not None:
        args.append(current)
    result = []
    for arg in args:
        if "%" in arg.replace("%%", ""):
            sys.exit(f"unexpected field code in {arg!r}")
        result.append(arg.replace("%%", "%"))
    return result


def main():
    path, key = sys.argv[1], sys.argv[2]
    value = value_of(path, key)
    if key == "Exec":
        print("\n".join(arguments(unescape(value))))
    else:
        print(unescape(value))


main()
