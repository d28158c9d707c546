#!/usr/bin/env python3
"""Generate the five permutation rows of the KV hash (KvHashPermutations).

Usage: tools/make_hash_permutations.py > crypto/U_KV_Hash_Standard_01_Permutations.cpp
       then run clang-format on the written file.

The rows are part of the hash: every digest, and so every database key, depends
on them. Once a database exists they must never change. This script documents
how the table was built and lets anyone check it; it is not run by the build.

All rows are orders of the same 1000 values. Row P3 is the base; the other rows
are read from P3 by two "readers" that each walk one half of P3 and take turns
in short runs (a zigzag):

  low half  = P3 entries 1 ... 499
  high half = P3 entries 500 ... 1000

P3  Start at 11, repeatedly add 355 modulo 1043, keep every value from 1 to
    1000 (skip 0 and 1001 ... 1042) until 1000 values are taken.

P5  Zigzag from both ends of P3 inwards. The first reader walks the high half
    backwards (entries 1000, 999, ..., 500), the second the low half forwards
    (1, 2, ..., 499). The runs alternate, first reader first. The run lengths
    of the first reader repeat 2 2 2 3 3 3, those of the second reader repeat
    3 3 3 2 2 2 2 3. With these lengths both readers finish together in the
    middle of P3: the row ends with entries 498, 499 and then 501, 500.

P4  Zigzag from the middle of P3 outwards. The first reader walks the high
    half forwards (500, 501, ..., 1000), the second the low half backwards
    (499, 498, ..., 1). Run lengths: first reader 2 3 3 3 2 2 3, second
    reader 2 2 3 3 3 2 3, repeating. The row ends with entries 3, 2, 1 and
    then 999, 1000.

P1  P5 read with a step of two: first the odd-numbered P3 entries in the order
    P5 takes them, then the even-numbered ones in the reverse of that order.
    So both readers walk their half on odd entries going one way and return
    on even entries, and the runs keep the zigzag of P5 (lengths 1 or 2).
    In addition, P3 entries 997 and 998 exchange places.

P2  P4 read with a step of two in the same way, starting with the even
    entries: first the even-numbered P3 entries in P4's order, then the
    odd-numbered ones in reverse order. In addition, P3 entries 498 and 499
    exchange places.

The two exchanged pairs are not a consequence of the rule: the table existed
before this generator, and its fixed reference entries (positions 1-12 and
996-1000 of each row, checked below and by the unit test) contain them. The
rule above reproduces those entries exactly and fills the rest.
"""

import itertools
import sys

SIZE = 1000
MIDDLE = 500  # first entry of the high half

# Positions 1-12 and 996-1000 of each row: the reference entries the
# generated table must reproduce.
REFERENCE = {
    1: ([344, 11, 721, 677, 388, 300, 55, 765, 633, 432, 966, 256], [743, 33, 322, 366, 699]),
    2: ([355, 688, 22, 732, 311, 399, 644, 66, 776, 977, 267, 443], [44, 666, 377, 333, 710]),
    3: ([11, 366, 721, 33, 388, 743, 55, 410, 765, 77, 432, 787], [655, 322, 677, 344, 699]),
    4: ([355, 710, 688, 333, 22, 377, 732, 666, 311, 44, 399, 754], [721, 366, 11, 344, 699]),
    5: ([699, 344, 11, 366, 721, 677, 322, 33, 388, 743, 655, 300], [22, 333, 688, 710, 355]),
}


def base_row():
    """P3: the values 1..1000 in steps of 355 modulo 1043, starting at 11."""
    row, value = [], 11
    while len(row) < SIZE:
        if 1 <= value <= SIZE:
            row.append(value)
        value = (value + 355) % 1043
    return row


def zigzag(first_path, second_path, first_runs, second_runs):
    """Positions taken alternately in runs from two paths.

    Each reader takes its next run (lengths repeat its own cycle) in turn; a
    reader whose path is used up takes nothing, and the last run of a path is
    whatever is left of it.
    """
    paths = (first_path, second_path)
    runs = (itertools.cycle(first_runs), itertools.cycle(second_runs))
    taken = [0, 0]
    order = []
    reader = 0
    while len(order) < len(first_path) + len(second_path):
        start = taken[reader]
        end = min(start + next(runs[reader]), len(paths[reader]))
        order.extend(paths[reader][start:end])
        taken[reader] = end
        reader = 1 - reader
    return order


def step_two(order, first_parity):
    """Entries of one parity in the given order, then the others reversed."""
    first = [p for p in order if p % 2 == first_parity]
    rest = [p for p in order if p % 2 != first_parity]
    return first + rest[::-1]


def exchange(order, a, b):
    i, j = order.index(a), order.index(b)
    order[i], order[j] = order[j], order[i]
    return order


def build_rows():
    """The five rows as lists of values, P1 first."""
    low = list(range(1, MIDDLE))  # P3 positions 1..499
    high = list(range(MIDDLE, SIZE + 1))  # P3 positions 500..1000

    p5 = zigzag(high[::-1], low, (2, 2, 2, 3, 3, 3), (3, 3, 3, 2, 2, 2, 2, 3))
    p4 = zigzag(high, low[::-1], (2, 3, 3, 3, 2, 2, 3), (2, 2, 3, 3, 3, 2, 3))
    p1 = exchange(step_two(p5, 1), 997, 998)
    p2 = exchange(step_two(p4, 0), 498, 499)
    p3 = list(range(1, SIZE + 1))

    base = base_row()
    return [[base[p - 1] for p in order] for order in (p1, p2, p3, p4, p5)]


def run_lengths(row, base):
    """Lengths of the runs of consecutive entries from the same half of P3."""
    position = {value: i + 1 for i, value in enumerate(base)}
    halves = [position[v] >= MIDDLE for v in row]
    lengths = [len(list(group)) for _, group in itertools.groupby(halves)]
    return lengths


def check(rows):
    base = rows[2]
    for number, row in enumerate(rows, start=1):
        assert sorted(row) == list(range(1, SIZE + 1)), f"P{number} is not a permutation"
        head, tail = REFERENCE[number]
        assert row[:12] == head, f"P{number} entries 1-12: {row[:12]}"
        assert row[-5:] == tail, f"P{number} entries 996-1000: {row[-5:]}"
        if number != 3:
            assert max(run_lengths(row, base)) <= 3, f"P{number} has a run longer than 3"
    for a, b in itertools.combinations(range(5), 2):
        assert rows[a] != rows[b], f"P{a + 1} equals P{b + 1}"


def emit(rows, out):
    out.write(
        "// Generated by tools/make_hash_permutations.py, which describes the rule.\n"
        "// These rows are part of the KV hash: every digest and every database key\n"
        "// depends on them. They must never change.\n"
        "\n"
        '#include "U_KV_Hash_Standard_01_Permutations.h"\n'
        "\n"
        "const std::uint16_t KvHashPermutations[5][1001] = {\n"
    )
    for number, row in enumerate(rows, start=1):
        out.write(f"    // P{number}\n    {{0, // index 0 is unused\n")
        for i in range(0, SIZE, 10):
            out.write("     " + ", ".join(str(v) for v in row[i : i + 10]) + ",\n")
        out.write("    },\n")
    out.write("};\n")


def main():
    rows = build_rows()
    check(rows)
    emit(rows, sys.stdout)


if __name__ == "__main__":
    main()
