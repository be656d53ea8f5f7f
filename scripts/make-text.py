#!/usr/bin/env python3
"""Writes a text of number literals for the tools' --text=FILE.

    make-text.py [--length N] [--seed S] [--mix KIND=SHARE,...] [--separator TEXT] [-o FILE]

The literals are of the kinds the kernels classify: decimal integers, decimals (1234.567),
hexadecimal with an h suffix (0FFh), binary with a b or y suffix (1011b, 0110y), decimals
with an exponent (1.5e-3) and parenthesised literals ((12h)), their letters in either case,
drawn in the given shares and laid back to back (or with a separator; a blank ends the
switch layout's scan). The text is cut to exactly N bytes and has no NUL; the same seed
gives the same text.
"""
import argparse
import random
import sys

KINDS = ("decimal", "real", "hex", "binary", "exponent", "paren")
DEFAULT_MIX = "decimal=2,real=2,hex=2,binary=1,exponent=1,paren=1"


def digits(rng, alphabet, low, high):
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(low, high)))


def case(rng, letter):
    return letter.upper() if rng.random() < 0.25 else letter


def literal(rng, kind, depth=0):
    if kind == "decimal":
        return rng.choice("123456789") + digits(rng, "0123456789", 0, 5)
    if kind == "real":
        return digits(rng, "0123456789", 1, 5) + "." + digits(rng, "0123456789", 1, 5)
    if kind == "hex":
        return rng.choice("0123456789") + digits(rng, "0123456789abcdefABCDEF", 0, 5) + case(rng, "h")
    if kind == "binary":
        return digits(rng, "01", 1, 16) + case(rng, rng.choice("by"))
    if kind == "exponent":
        return (digits(rng, "0123456789", 1, 3) + "." + digits(rng, "0123456789", 1, 3) +
                case(rng, "e") + rng.choice(("", "-")) + digits(rng, "0123456789", 1, 2))
    inner = rng.choice([k for k in KINDS if k != "paren" or depth < 1])
    return "(" + literal(rng, inner, depth + 1) + ")"


def parse_mix(text):
    mix = {}
    for part in text.split(","):
        kind, _, share = part.partition("=")
        if kind not in KINDS:
            raise ValueError(f"unknown kind '{kind}' (kinds: {', '.join(KINDS)})")
        try:
            mix[kind] = float(share)
        except ValueError:
            raise ValueError(f"the share of {kind} is not a number: '{share}'") from None
        if mix[kind] < 0:
            raise ValueError(f"the share of {kind} is negative")
    if sum(mix.values()) <= 0:
        raise ValueError("no kind has a share above 0")
    return mix


def make_text(length, seed, mix, separator=""):
    rng = random.Random(seed)
    kinds, weights = zip(*mix.items())
    parts, size = [], 0
    while size < length:
        part = literal(rng, rng.choices(kinds, weights)[0]) + separator
        parts.append(part)
        size += len(part)
    return "".join(parts)[:length]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--length", type=int, default=499, help="bytes of text (499)")
    parser.add_argument("--seed", type=int, default=1, help="the random seed (1)")
    parser.add_argument("--mix", default=DEFAULT_MIX, help=f"KIND=SHARE,... ({DEFAULT_MIX})")
    parser.add_argument("--separator", default="", help="written after each literal (none)")
    parser.add_argument("-o", "--output", help="the file to write (standard output)")
    args = parser.parse_args()
    try:
        if not 1 <= args.length <= 1 << 20:
            raise ValueError(f"the length must be 1 to 1048576 bytes, not {args.length}")
        if "\0" in args.separator:
            raise ValueError("the separator holds a NUL byte, which would end the text")
        text = make_text(args.length, args.seed, parse_mix(args.mix), args.separator)
    except ValueError as error:
        sys.exit(f"make-text: {error}")
    data = text.encode("ascii")
    if args.output is None:
        sys.stdout.buffer.write(data)
        return
    # Written whole or not at all: a temporary file beside it, renamed into place.
    temporary = args.output + ".partial"
    try:
        with open(temporary, "wb") as file:
            file.write(data)
        import os
        os.replace(temporary, args.output)
    except OSError as error:
        sys.exit(f"make-text: cannot write {args.output}: {error.strerror}")


if __name__ == "__main__":
    main()
