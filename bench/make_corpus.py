#!/usr/bin/env python3
"""Makes the benchmark corpora, deterministically (every corpus has its own seed).

Each corpus is a folder OUTDIR/NAME holding _tamberlox_opn.txt, _tamberlox_cls.txt
and input. A folder made earlier by this same script with the same size and seed is kept.

  markup        HTML-like markup, 100 pairs <w>/</w>, a tag every ~40 bytes,
                lines of 80-200 bytes, nested (a stray or unclosed tag now and then)
  prose         prose lines with a pair of the same 100 around a phrase every ~10 KB
  code          C- and JSON-like code with the one pair { }
  random_names  1,000 pairs of random lowercase names (4-12 letters), one every
                ~50 bytes among lowercase words, found nowhere else
  one_line      the markup corpus with every LF made a blank: one line, no LF
  deep          markup text climbing to depth 2,000 and back, one climb per MB of
                input (a tag every ~260 bytes): the report is ~16 times the input
  hostile       the open name 'a' x 1000 + 'b' (close 'c') over lines of 'a' bytes
  benign        the same input as hostile with the names 'x' and 'y'
  common_start  1,000 pairs sharing a 200-byte start, over log lines that keep
                entering that start
  no_line_end   prose with the markup pairs and no line end at all
  slot_flood    32,768 four-byte names whose start keys all go to one slot of the
                hashed skip's first hash, over lines made of other keys of that slot
  random_slots  32,768 random four-byte names of the same bytes, over lines of other
                random keys: what slot_flood is timed against
  slot_flood_build, random_slots_build
                the same names over an empty file: building the matcher
  rotation_flood  64 pairs of four-byte names that fill the 32 slots behind the
                home slot of each rotation of one key (one of them with that
                rotation's exact hash), over lines of that key repeated
  rotation_twin 64 pairs of random four-byte names over the same input
  crowd_flood   16 groups of 127 four-byte names alike but for their top 7 bits,
                which shared one home slot under any odd factor while the home
                slot was the low bits of the hash, over lines of
                other keys of those home slots
  crowd_twin    2,032 random four-byte names over lines of other keys of the
                same hashes as 256 of them
  waiting       the open names 'X' + 'ab' x 5,000,000 and 'ab', close '>' and
                'ba', over lines of 'ab' x 40 + 'a': every match waits for the
                long name to be ruled out
  waiting_twin  the same with the long name 'X' + 'c' x 10,000,000, which holds
                no other
  shared_starts 1,000,000 pairs of random 8-letter names, which share their
                starts as far as so many do, over a little prose: the list's memory
  long_names    16,000 names of 1,000 bytes (a 5-letter start, then 'y's), one
                every ~5 KB among words and runs of 'y'
  small_markup  the markup corpus at 15 MB whatever the size asked for: under
                the size from which a file is checked on several threads
  short_lines   (input only) short lines for the line reader benchmark, --lines-mb

Sizes are in MB of 1,000,000 bytes.
"""

import argparse
import hashlib
import os
import random
import shutil

MB = 1_000_000
CHUNK = 1 << 20

WORDS = """the of and to in is that it was for on are as with his they at be this
from have or by one had not but what all were when we there can an your which their
said if do will each about how up out them then she many some so these would other
into has more her two like him see time could no make than first been its who now
people my made over did down only way find use may water long little very after words
called just where most know get through back much before go good new write our used
me man too any day same right look think also around another came come work three
word must because does part even place well such here take why things help put years
different away again off went old number great tell men say small every found still
between name should home big give air line set own under read last never us left end
along while might next sound below saw something thought both few those always looked
show large often together asked house don't world going want school important until
form food keep children feet land side without boy once animals life enough took
sometimes four head above kind began almost live page got earth need far hand high
year mother light parts country father let night following picture being study second
eyes soon times story boys since white days ever paper hard near sentence better best
across during today others however sure means knew it's try told young miles sun ways
thing whole hear example heard several change answer room sea against top turned learn
point city play toward five using himself usually""".split()
# Some words carry punctuation, so that joined words read as sentences.
PROSE_WORDS = WORDS + [w + "," for w in WORDS[:40]] + [w + "." for w in WORDS[40:70]]

# Elements with a closing tag; the void ones (br, img, ...) appear as unlisted noise.
HTML_TAGS = """html head title style script noscript body section nav article aside h1
h2 h3 h4 h5 h6 header footer address main p pre blockquote ol ul li dl dt dd figure
figcaption div a em strong small s cite q dfn abbr data time code var samp kbd sub sup
i b u mark ruby rt rp bdi bdo span ins del iframe object video audio canvas map svg
math table caption colgroup tbody thead tfoot tr td th form fieldset legend label
button select datalist optgroup option textarea output progress meter details summary
menu dialog template slot picture""".split()
MARKUP_WORDS = (HTML_TAGS + [f"x-{w}" for w in WORDS])[:100]
MARKUP_OPN = [f"<{w}>" for w in MARKUP_WORDS]
MARKUP_CLS = [f"</{w}>" for w in MARKUP_WORDS]
MARKUP_NOISE = ['<br/>', '<hr/>', '<img src="figure.png" alt="figure"/>', "a &lt; b",
                '<input type="text" name="q"/>', "<!-- note -->", "x < y"]


def words(rng, count, vocabulary=WORDS):
    return " ".join(rng.choices(vocabulary, k=count))


def prefix_free_words(rng, count, shortest, longest):
    """Distinct random lowercase words, none a prefix of another."""
    chosen, prefixes, result = set(), set(), []
    while len(result) < count:
        word = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=rng.randint(shortest, longest)))
        if word in prefixes or any(word[:i] in chosen for i in range(1, len(word) + 1)):
            continue
        chosen.add(word)
        prefixes.update(word[:i] for i in range(1, len(word) + 1))
        result.append(word)
    return result


class Lines:
    """Collects tokens into lines of a random target length, indented by depth."""

    def __init__(self, rng, shortest, longest, line_end="\n"):
        self.rng, self.shortest, self.longest, self.line_end = rng, shortest, longest, line_end
        self.pieces, self.length, self.written, self.out = [], 0, 0, []
        self.target = rng.randint(shortest, longest)

    def add(self, token, depth):
        if not self.pieces:
            token = "  " * min(depth, 12) + token
        self.pieces.append(token)
        self.length += len(token)
        if self.length >= self.target:
            self.end_line()

    def end_line(self):
        line = "".join(self.pieces) + self.line_end
        self.out.append(line)
        self.written += len(line)
        self.pieces, self.length = [], 0
        self.target = self.rng.randint(self.shortest, self.longest)

    def take(self):
        """The lines collected so far, once there are enough to be worth a write."""
        if len(self.out) < 4096:
            return ""
        text, self.out = "".join(self.out), []
        return text

    def finish(self):
        if self.pieces:
            self.end_line()
        text, self.out = "".join(self.out), []
        return text


def nested_tags(rng, size, opn, cls, text, glue="", max_depth=12, line_end="\n",
                error_rate=1 / 20000):
    """Text with a tag after each text token, mostly properly nested."""
    lines = Lines(rng, 80, 200, line_end)
    stack = []
    while lines.written < size:
        lines.add(text(rng), len(stack))
        depth = len(stack)
        roll = rng.random()
        if roll < error_rate:
            lines.add(glue + rng.choice(cls) + glue, depth)  # a stray close name
        elif roll < 2 * error_rate and stack:
            stack.pop()  # a tag left unclosed
        elif stack and (depth >= max_depth or rng.random() < depth / max_depth):
            lines.add(glue + cls[stack.pop()] + glue, depth)
        else:
            pair = rng.randrange(len(opn))
            lines.add(glue + opn[pair] + glue, depth)
            stack.append(pair)
        yield lines.take()
    while stack:
        lines.add(cls[stack.pop()], len(stack))
    yield lines.finish()


def markup_text(rng):
    if rng.random() < 0.05:
        return " " + rng.choice(MARKUP_NOISE) + " " + words(rng, 2)
    return words(rng, rng.randint(3, 6))


def markup(rng, size, line_end="\n"):
    return MARKUP_OPN, MARKUP_CLS, nested_tags(rng, size, MARKUP_OPN, MARKUP_CLS,
                                               markup_text, line_end=line_end)


def one_line(rng, size):
    return markup(rng, size, line_end=" ")


def prose_lines(rng, size, opn, cls, line_end):
    written, next_tag = 0, rng.randint(5000, 15000)
    while written < size:
        lines = []
        for _ in range(rng.randint(3, 9)):
            line = words(rng, rng.randint(9, 15), PROSE_WORDS)
            if written >= next_tag:
                pair = rng.randrange(len(opn))
                line += f" {opn[pair]}{words(rng, 3)}{cls[pair]} {words(rng, 2)}"
                next_tag += rng.randint(5000, 15000)
            lines.append(line + line_end)
            written += len(lines[-1])
        lines.append(line_end)
        written += len(line_end)
        yield "".join(lines)


def prose(rng, size):
    return MARKUP_OPN, MARKUP_CLS, prose_lines(rng, size, MARKUP_OPN, MARKUP_CLS, "\n")


def no_line_end(rng, size):
    return MARKUP_OPN, MARKUP_CLS, prose_lines(rng, size, MARKUP_OPN, MARKUP_CLS, " ")


C_STATEMENTS = ["total += compute(ctx, i);", "log_value(\"step\", i);", "ctx->count++;",
                "buffer[i] = (char)(value & 0xff);", "value = next_value(ctx, value);",
                "if (value < 0) return -1;", "memset(buffer, 0, sizeof buffer);",
                "result = lookup(table, key, &found);", "continue;", "i += step;"]
C_HEADS = ["if (ctx->items[i].flag & 0x4)", "for (int j = 0; j < limit; ++j)",
           "while (value > threshold)", "if (found && result != NULL)", "switch (mode)"]


def c_block(rng, indent, depth, out):
    pad = "    " * indent
    for _ in range(rng.randint(2, 6)):
        if depth < 4 and rng.random() < 0.3:
            out.append(f"{pad}{rng.choice(C_HEADS)} {{\n")
            c_block(rng, indent + 1, depth + 1, out)
            if rng.random() < 0.3:
                out.append(f"{pad}}} else {{\n")
                c_block(rng, indent + 1, depth + 1, out)
            out.append(f"{pad}}}\n")
        else:
            out.append(f"{pad}{rng.choice(C_STATEMENTS)}\n")


def json_value(rng, indent, depth, out):
    pad = "  " * indent
    keys = rng.sample(WORDS, rng.randint(2, 6))
    out.append("{\n")
    for n, key in enumerate(keys):
        out.append(f'{pad}  "{key}": ')
        roll = rng.random()
        if depth < 5 and roll < 0.3:
            json_value(rng, indent + 1, depth + 1, out)
        elif roll < 0.5:
            out.append('["' + '", "'.join(rng.sample(WORDS, 3)) + '"]')
        elif roll < 0.75:
            out.append(str(rng.randint(0, 100000)))
        else:
            out.append(f'"{words(rng, 3)}"')
        out.append(",\n" if n + 1 < len(keys) else "\n")
    out.append(pad + "}")


def code_text(rng, size):
    written = 0
    while written < size:
        out = []
        if rng.random() < 0.5:
            name = "_".join(rng.sample(WORDS, 2))
            out.append(f"static int {name}(struct context *ctx, int limit) {{\n")
            out.append("    int total = 0;\n")
            c_block(rng, 1, 1, out)
            out.append("    return total;\n}\n\n")
        else:
            out.append(f"static const char *config_{rng.randint(0, 99999)} = R\"json(")
            json_value(rng, 0, 0, out)
            out.append(")json\";\n\n")
        text = "".join(out)
        written += len(text)
        yield text


def code(rng, size):
    return ["{"], ["}"], code_text(rng, size)


def free_standing_names(rng, count, shortest, longest):
    """Random lowercase names found only where they are written: none lies inside a
    word of WORDS or inside another name, so none is a prefix of another either."""
    names = []
    while len(names) < count:
        name = "".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=rng.randint(shortest, longest)))
        if any(name in word for word in WORDS) or any(name in o or o in name for o in names):
            continue
        names.append(name)
    return names


def random_names(rng, size):
    names = free_standing_names(rng, 2000, 4, 12)
    opn, cls = names[:1000], names[1000:]
    text = lambda r: words(r, r.randint(4, 8))
    return opn, cls, nested_tags(rng, size, opn, cls, text, glue=" ")


def deep_text(rng, size):
    """Climbs from depth 0 to 2,000 and back, once per MB of input."""
    climbs = max(1, round(size / MB))
    # Per tag: the tag (~7 bytes), the words after it, and about a tenth of the
    # input in indentation.
    gap = max(1, int(0.9 * size / (climbs * 4000)) - 7)
    lines = Lines(rng, 80, 200)
    for _ in range(climbs):
        stack = []
        for step in range(4000):
            if step < 2000:
                stack.append(rng.randrange(len(MARKUP_OPN)))
                lines.add(MARKUP_OPN[stack[-1]], len(stack))
            else:
                lines.add(MARKUP_CLS[stack.pop()], len(stack))
            filler = words(rng, max(1, gap // 5))
            lines.add(filler[:gap], len(stack))
            yield lines.take()
    yield lines.finish()


def deep(rng, size):
    return MARKUP_OPN, MARKUP_CLS, deep_text(rng, size)


def a_lines(size):
    line = "a" * 4095 + "\n"
    block = line * 256
    for _ in range(size // len(block)):
        yield block
    yield line * ((size % len(block)) // len(line))


def hostile(_rng, size):
    return ["a" * 1000 + "b"], ["c"], a_lines(size)


def benign(_rng, size):
    return ["x"], ["y"], a_lines(size)


def common_start_lines(rng, size, start, suffixes, opn, cls):
    written, stack, n = 0, [], 0
    while written < size:
        n += 1
        roll = rng.random()
        if roll < 0.35:
            if stack and (len(stack) >= 8 or rng.random() < len(stack) / 8):
                entry = cls[stack.pop()]
            else:
                stack.append(rng.randrange(len(opn)))
                entry = opn[stack[-1]]
        elif roll < 0.7:
            entry = start + rng.choice(suffixes) + ".status()"  # the whole start and a word
        else:
            entry = start[: rng.randint(20, len(start) - 1)] + "Other.run()"
        line = f"2024-05-{n % 28 + 1:02d} 12:{n % 60:02d}:07 INFO {words(rng, 3)} {entry} {words(rng, 4)}\n"
        written += len(line)
        yield line
    yield "".join(f"{cls[pair]}\n" for pair in reversed(stack))


def common_start(rng, size):
    parts = "org.example.enterprise.platform.integration.services.messaging.internal".split(".")
    start = ""
    while len(start) < 199:
        start += rng.choice(parts) + "."
    start = start[:199] + "."
    suffixes = prefix_free_words(rng, 1000, 4, 10)
    opn = [f"{start}{s}.open()" for s in suffixes]
    cls = [f"{start}{s}.close()" for s in suffixes]
    return opn, cls, common_start_lines(rng, size, start, suffixes, opn, cls)


def short_lines_text(rng, size):
    written = 0
    while written < size:
        text = "".join(words(rng, rng.randint(0, 8)) + "\n" for _ in range(10000))
        written += len(text)
        yield text


# Bytes of the four-byte keys: any but NUL, LF, CR and 0x1A.
KEY_BYTES = [b for b in range(1, 256) if b not in (0x0A, 0x0D, 0x1A)]
# The hashed skip's first fixed hash and its table for 32,768 starts: the hash is
# bits 13 to 31 of key * factor, the key being the 4 bytes read little-endian,
# and a key's home slot the top bits of the hash (bits 16 to 31 here). The
# programs try a factor drawn at random first: these lists are aimed at the
# fixed one, which a run only falls back on when the drawn one crowds.
FLOOD_FACTOR, FLOOD_SHIFT, FLOOD_SLOT_BITS, FLOOD_NAMES = 0x9E3779B1, 13, 16, 32768


def key_text(key):
    return "".join(chr((key >> (8 * i)) & 0xFF) for i in range(4))


def usable_key(key):
    return all(((key >> (8 * i)) & 0xFF) in KEY_BYTES for i in range(4))


def keys_of_one_slot(slot):
    """Every usable key whose hash lands in `slot`: the hash run backwards."""
    inverse = pow(FLOOD_FACTOR, -1, 1 << 32)
    keys = []
    for low in range(1 << (32 - FLOOD_SLOT_BITS)):
        product = low | slot << (32 - FLOOD_SLOT_BITS)
        key = product * inverse & 0xFFFFFFFF
        if usable_key(key):
            keys.append(key_text(key))
    return keys


def random_keys(rng, count):
    keys = set()
    while len(keys) < count:
        keys.add("".join(chr(rng.choice(KEY_BYTES)) for _ in range(4)))
    return sorted(keys)


def key_lines(rng, size, keys):
    written = 0
    while written < size:
        text = "".join("".join(rng.choices(keys, k=20)) + "\n" for _ in range(10000))
        written += len(text)
        yield text


def split_pairs(names):
    half = len(names) // 2
    return names[:half], names[half:]


def slot_flood_lists(rng):
    keys = keys_of_one_slot(12345)
    rng.shuffle(keys)
    return split_pairs(keys[:FLOOD_NAMES]), keys[FLOOD_NAMES:]


def random_slots_lists(rng):
    keys = random_keys(rng, 2 * FLOOD_NAMES)
    rng.shuffle(keys)
    return split_pairs(keys[:FLOOD_NAMES]), keys[FLOOD_NAMES:]


def slot_flood(rng, size):
    (opn, cls), others = slot_flood_lists(rng)
    return opn, cls, key_lines(rng, size, others)


def random_slots(rng, size):
    (opn, cls), others = random_slots_lists(rng)
    return opn, cls, key_lines(rng, size, others)


def slot_flood_build(rng, _size):
    (opn, cls), _ = slot_flood_lists(rng)
    return opn, cls, []


def random_slots_build(rng, _size):
    (opn, cls), _ = random_slots_lists(rng)
    return opn, cls, []


# The hashed skip's table for up to 128 four-byte names: 256 slots, the home
# slot being the top 8 bits of the 19-bit hash.
SMALL_SLOTS = 256


def home_slot(hash_value, slot_count):
    return hash_value >> (19 - (slot_count.bit_length() - 1))


def start_hash(key, factor=FLOOD_FACTOR):
    return (key * factor & 0xFFFFFFFF) >> FLOOD_SHIFT


def key_of(text):
    return sum(ord(c) << (8 * i) for i, c in enumerate(text))


def keys_of_hash(rng, hash_value, count, factor=FLOOD_FACTOR):
    """`count` usable keys with the given hash."""
    inverse = pow(factor, -1, 1 << 32)
    keys = set()
    while len(keys) < count:
        product = rng.getrandbits(FLOOD_SHIFT) | hash_value << FLOOD_SHIFT
        key = product * inverse & 0xFFFFFFFF
        if usable_key(key):
            keys.add(key_text(key))
    return sorted(keys)


def rotation_key(rng):
    """A key whose four rotations have home slots at least 32 apart."""
    while True:
        key = random_keys(rng, 1)[0]
        homes = [home_slot(start_hash(key_of(key[r:] + key[:r])), SMALL_SLOTS) for r in range(4)]
        if len(set(key)) == 4 and all((a - b) % SMALL_SLOTS >= 32 for a in homes for b in homes
                                      if a != b) and len(set(homes)) == 4:
            return key


def rotation_lines(size, key):
    line = key * 1000 + "\n"
    for _ in range(size // len(line) + 1):
        yield line


def rotation_flood(rng, size):
    key = rotation_key(rng)
    names = []
    for r in range(4):
        rotation = key_of(key[r:] + key[:r])
        # One name of the rotation's own hash, 31 others of its home slot.
        names += [k for k in keys_of_hash(rng, start_hash(rotation), 2) if k != key][:1]
        while len(names) < 32 * (r + 1):
            home = home_slot(start_hash(rotation), SMALL_SLOTS)
            slot_hash = home << (19 - 8) | rng.getrandbits(19 - 8)
            names += [k for k in keys_of_hash(rng, slot_hash, 1) if k not in names]
    rng.shuffle(names)
    return *split_pairs(names), rotation_lines(size, key)


def rotation_twin(rng, size):
    key = rotation_key(rng)
    names = random_keys(rng, 128)
    rng.shuffle(names)
    return *split_pairs(names), rotation_lines(size, key)


def crowd_groups(rng):
    """16 groups of the 127 usable keys alike in bytes 0-2 and bit 24 (set)."""
    names = []
    while len(names) < 16 * 127:
        base = rng.getrandbits(24) | 1 << 24
        group = [key_text(base | v << 25) for v in range(128) if 2 * v + 1 != 0x0D]
        if usable_key(base) and group[0] not in names:
            names += group
    return names


# The hashed skip's factors, tried in turn; it keeps the first that crowds out
# the fewest starts, probing at most 32 slots from a key's own.
START_FACTORS = [0x9E3779B1, 0x85EBCA6B, 0xC2B2AE35, 0x27D4EB2F]


def crowded_starts(names, factor, slot_count):
    """How many names find no free slot within 32 of their own, in list order
    (open and close names by turns)."""
    taken, crowded = set(), 0
    for name in names:
        home = home_slot(start_hash(key_of(name), factor), slot_count)
        free = [s for s in range(home, home + 32) if s % slot_count not in taken]
        if free:
            taken.add(free[0] % slot_count)
        else:
            crowded += 1
    return crowded


def other_keys(rng, hashes, names, factor=FLOOD_FACTOR):
    """A key of each hash given, none of them a name."""
    keys = []
    for hash_value in hashes:
        keys += [k for k in keys_of_hash(rng, hash_value, 1, factor=factor) if k not in names]
    return keys


def crowd_flood(rng, size):
    names = crowd_groups(rng)
    rng.shuffle(names)
    opn, cls = split_pairs(names)
    in_order = [name for pair in zip(opn, cls) for name in pair]
    counts = [crowded_starts(in_order, f, 4096) for f in START_FACTORS]
    factor = START_FACTORS[counts.index(min(counts))]
    homes = sorted({home_slot(start_hash(key_of(name), factor), 4096) for name in names})
    hashes = [home << 7 | rng.getrandbits(7) for home in homes for _ in range(16)]
    return opn, cls, key_lines(rng, size, other_keys(rng, hashes, set(names), factor))


def crowd_twin(rng, size):
    names = random_keys(rng, 2032)
    keys = other_keys(rng, [start_hash(key_of(name)) for name in names[:256]], set(names))
    rng.shuffle(names)
    return *split_pairs(names), key_lines(rng, size, keys)


def waiting_lines(size):
    line = "ab" * 40 + "a\n"
    for _ in range(size // len(line)):
        yield line


def waiting(_rng, size):
    return ["X" + "ab" * 5_000_000, "ab"], [">", "ba"], waiting_lines(size)


def waiting_twin(_rng, size):
    return ["X" + "c" * 10_000_000, "ab"], [">", "ba"], waiting_lines(size)


def shared_starts(rng, _size):
    names = set()
    while len(names) < 2_000_000:
        names.add("".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=8)))
    names = sorted(names)
    rng.shuffle(names)
    return *split_pairs(names), [words(rng, 12) + "\n" for _ in range(1000)]


def long_names(rng, size):
    starts = prefix_free_words(rng, 16000, 5, 5)
    names = [start + "y" * 995 for start in starts]
    opn, cls = split_pairs(names)

    def lines():
        written = 0
        while written < size:
            roll = rng.random()
            if roll < 0.4:
                line = rng.choice(names) + " " + words(rng, 6) + "\n"
            elif roll < 0.7:
                line = rng.choice(starts) + "y" * rng.randint(0, 2000) + "\n"
            else:
                line = words(rng, rng.randint(200, 600)) + "\n"
            written += len(line)
            yield line
    return opn, cls, lines()


CORPORA = {"markup": markup, "prose": prose, "code": code, "random_names": random_names,
           "one_line": one_line, "deep": deep, "hostile": hostile, "benign": benign,
           "common_start": common_start, "no_line_end": no_line_end, "slot_flood": slot_flood,
           "random_slots": random_slots, "slot_flood_build": slot_flood_build,
           "random_slots_build": random_slots_build, "long_names": long_names,
           "rotation_flood": rotation_flood, "rotation_twin": rotation_twin,
           "crowd_flood": crowd_flood, "crowd_twin": crowd_twin, "waiting": waiting,
           "waiting_twin": waiting_twin, "shared_starts": shared_starts,
           "small_markup": markup}


# one_line is the markup corpus itself, with its line ends made blanks.
SEED_OF = {"one_line": "markup", "slot_flood_build": "slot_flood",
           "random_slots_build": "random_slots", "small_markup": "markup"}
FIXED_SIZE = {"small_markup": 15_000_000}


def corpus_seed(seed, name):
    return f"tamberlox-bench:{seed}:{SEED_OF.get(name, name)}"


def write_lines(path, names):
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.writelines(name + "\n" for name in names)


def write_input(path, pieces):
    with open(path, "w", encoding="latin-1", newline="") as f:
        for piece in pieces:
            f.write(piece)


def make_corpus(outdir, name, size, seed):
    folder = os.path.join(outdir, name)
    with open(__file__, "rb") as script:
        generator = hashlib.sha1(script.read()).hexdigest()
    stamp = f"size={size} seed={seed} generator={generator}\n"
    stamp_path = os.path.join(folder, ".made")
    if os.path.exists(stamp_path) and open(stamp_path).read() == stamp:
        return False
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    rng = random.Random(corpus_seed(seed, name))
    if name == "short_lines":
        write_input(os.path.join(folder, "input"), short_lines_text(rng, size))
    else:
        opn, cls, pieces = CORPORA[name](rng, size)
        write_lines(os.path.join(folder, "_tamberlox_opn.txt"), opn)
        write_lines(os.path.join(folder, "_tamberlox_cls.txt"), cls)
        write_input(os.path.join(folder, "input"), pieces)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("outdir")
    parser.add_argument("--size-mb", type=float, default=20)
    parser.add_argument("--lines-mb", type=float, default=100, help="size of short_lines")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", help="comma-separated corpus names (default: all)")
    args = parser.parse_args()
    names = args.only.split(",") if args.only else list(CORPORA) + ["short_lines"]
    for name in names:
        if name not in CORPORA and name != "short_lines":
            parser.error(f"unknown corpus {name}")
        size = int((args.lines_mb if name == "short_lines" else args.size_mb) * MB)
        size = FIXED_SIZE.get(name, size)
        made = make_corpus(args.outdir, name, size, args.seed)
        print(f"{'made' if made else 'kept'} {os.path.join(args.outdir, name)}", flush=True)


if __name__ == "__main__":
    main()
