#!/usr/bin/env python3
"""Damaged settings and recovery files, and hostile messages, for morimo.exe.

  hostile_gen.py settings SEED INDEX OUT CAPTION   a settings file (CP932 bytes)
  hostile_gen.py recovery SEED INDEX OUT HWND...   a recovery file (4-byte records)
  hostile_gen.py messages SEED COUNT OUT ID...     lines for "morimo_probe storm"

Each file depends on SEED and INDEX alone, so a run names what it wrote and
any one file can be made again. CAPTION is a prefix of the test windows'
captions, so that some rules take them; HWND are live handles to mix in.
"""
import random
import re
import sys

KEYS_GENERAL = ["DisplayWidthStartup", "ShowTopMost", "RealyHideOnHidden", "TimerPeriod",
                "ShowOnlyHidden", "TraySpec_Count"]
KEYS_RULE = ["UseCaption", "UseClassname", "HideIfIconized", "UseTrayIcon",
             "ShowIconOnlyHidden", "ShowTopMost", "CaptionMatchType", "Caption", "ClassName",
             "UserName", "AlphaPercent", "AlphaPercentBG", "HideOnStartup", "CloseOnStartup",
             "TitleStyle", "DisableTitleStyleChanging"]
NUMBERS = ["0", "1", "2", "3", "-1", "7", "100", "-50", "250", "2147483647", "-2147483648",
           "4294967296", "99999999999999999999", "12abc", "", " 7", "0x10", "--3", "1e9", "+5",
           "\u3000\uff11"]  # last: a full-width blank and digit


def text_values(caption):
    return [caption, caption[:3], "", "MoriMo", "MoriMoTarget", "\u30c6\u30b9\u30c8",
            "\"" + caption + "\"", " " + caption + " ", "*", "x" * 2000]


def valid_file(rng, caption, rules):
    lines = ["[General]", "DisplayWidthStartup=%d" % rng.randint(0, 1),
             "ShowTopMost=0", "RealyHideOnHidden=0", "TimerPeriod=500", "ShowOnlyHidden=0",
             "TraySpec_Count=%d" % rules]
    for i in range(rules):
        lines += ["[TraySpec_%04d]" % i, "UseCaption=1", "UseClassname=0",
                  "HideIfIconized=1", "UseTrayIcon=%d" % rng.randint(0, 1),
                  "ShowIconOnlyHidden=0", "ShowTopMost=%d" % rng.randint(0, 1),
                  "CaptionMatchType=1", "Caption=" + caption, "ClassName=",
                  "UserName=rule %d" % i, "AlphaPercent=%d" % rng.choice([0, 50, 100]),
                  "AlphaPercentBG=%d" % rng.choice([0, 50, 100]),
                  "HideOnStartup=%d" % rng.randint(0, 1), "CloseOnStartup=0",
                  "TitleStyle=%d" % rng.randint(0, 2), "DisableTitleStyleChanging=0"]
    return "\r\n".join(lines).encode("cp932") + b"\r\n"


def random_lines(rng, caption, sections):
    out = [b"[General]"]
    for _ in range(rng.randint(0, 8)):
        out.append(("%s=%s" % (rng.choice(KEYS_GENERAL), rng.choice(NUMBERS))).encode("cp932"))
    for s in range(sections):
        out.append(rng.choice([b"[TraySpec_%04d]" % s, b"[TraySpec_%d]" % s, b"[TraySpec_%04d" % s,
                               b"[]", b"[General]", b"[TraySpec_0000]"]))
        for _ in range(rng.randint(0, 16)):
            key = rng.choice(KEYS_RULE)
            value = rng.choice(NUMBERS + text_values(caption))
            out.append(("%s=%s" % (key, value)).encode("cp932"))
    return out


def damage_lines(rng, lines):
    """Lines without '=', invalid CP932, NULs, stray bytes, long lines."""
    out = []
    for line in lines:
        r = rng.random()
        if r < 0.05:
            out.append(line.replace(b"=", b""))
        elif r < 0.10:
            out.append(line + rng.choice([b"\x81", b"\x82\x00", b"\xff\xfe", b"\x80\xa0\xfd"]))
        elif r < 0.13:
            out.append(line[:rng.randint(0, len(line))] + b"\x00" + line)
        elif r < 0.15:
            out.append(line + b"A" * rng.randint(1000, 70000))
        else:
            out.append(line)
    return out


def settings(seed, index, caption):
    rng = random.Random("%s/settings/%d" % (seed, index))
    kind = index % 8
    if kind == 0:  # random bytes
        return bytes(rng.getrandbits(8) for _ in range(rng.randint(0, 4096))), "random bytes"
    if kind == 1:  # a valid file cut short
        data = valid_file(rng, caption, rng.randint(1, 6))
        return data[:rng.randint(0, len(data))], "truncated"
    if kind == 2:  # a valid file with bytes flipped, inserted and removed
        data = bytearray(valid_file(rng, caption, rng.randint(1, 6)))
        for _ in range(rng.randint(1, 40)):
            at = rng.randrange(len(data))
            op = rng.randint(0, 2)
            if op == 0:
                data[at] ^= 1 << rng.randint(0, 7)
            elif op == 1:
                data.insert(at, rng.getrandbits(8))
            else:
                del data[at]
        return bytes(data), "mutated"
    if kind == 3:  # huge and bad numbers in a well-formed file
        data = valid_file(rng, caption, rng.randint(1, 4)).decode("cp932")
        out = []
        for line in data.split("\r\n"):
            if "=" in line and not line.startswith(("Caption", "UserName", "ClassName")):
                line = line.split("=")[0] + "=" + rng.choice(NUMBERS)
            out.append(line)
        return "\r\n".join(out).encode("cp932"), "bad numbers"
    if kind == 4:  # many sections
        lines = random_lines(rng, caption, rng.randint(200, 400))
        return b"\r\n".join(lines), "many sections"
    if kind == 5:  # random keys and values, damaged lines
        lines = damage_lines(rng, random_lines(rng, caption, rng.randint(1, 12)))
        return rng.choice([b"\r\n", b"\n", b"\r"]).join(lines), "damaged lines"
    if kind == 6:  # a Unicode file, as an editor may save it
        data = valid_file(rng, caption, rng.randint(1, 3)).decode("cp932")
        if rng.random() < 0.5:
            return b"\xff\xfe" + data.encode("utf-16-le"), "UTF-16"
        return b"\xef\xbb\xbf" + data.encode("utf-8"), "UTF-8 with BOM"
    # huge counts with few sections, or none
    data = valid_file(rng, caption, rng.randint(0, 2)).decode("cp932")
    count = rng.choice(["2147483647", "-1", "10001", "4294967295", "65536"])
    data = re.sub(r"TraySpec_Count=\d+", "TraySpec_Count=" + count, data)
    return data.encode("cp932"), "huge count"


def recovery(seed, index, handles):
    rng = random.Random("%s/recovery/%d" % (seed, index))
    live = [int(h, 0) for h in handles] or [0x10020]
    kind = index % 6

    def records(values):
        return b"".join((v & 0xFFFFFFFF).to_bytes(4, "little") for v in values)

    if kind == 0:  # random bytes
        return bytes(rng.getrandbits(8) for _ in range(rng.randint(0, 2048))), "random bytes"
    if kind == 1:  # live handles among random ones, a short tail
        values = [rng.choice(live) if rng.random() < 0.5 else rng.getrandbits(32)
                  for _ in range(rng.randint(1, 40))]
        return records(values) + bytes(rng.getrandbits(8) for _ in range(rng.randint(0, 3))), \
            "mixed handles"
    if kind == 2:  # one live handle many times over
        return records([rng.choice(live)] * rng.randint(100, 5000)), "repeated handle"
    if kind == 3:  # far more records than windows can exist
        return records(rng.getrandbits(32) for _ in range(rng.randint(70000, 200000))), "huge"
    if kind == 4:  # sign-extended and edge values
        edge = [0, 1, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 0xFFFF0000] + \
            [h | 0xFFFF0000 for h in live] + [h ^ 0x10000 for h in live]
        return records(rng.choice(edge) for _ in range(rng.randint(1, 64))), "edge values"
    return records(live)[:rng.randint(0, 4 * len(live))], "live handles, cut"


def messages(seed, count, ids):
    """Private messages with random parameters; lParam never the low word of
    a left press or right release, which from a live icon id would hide,
    show or open a menu, as a real click does."""
    rng = random.Random("%s/messages" % seed)
    clicks = {0x201, 0x205}
    edges = [0, 1, 2, 3, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFFFFFFFFFF,
             0x8000000000000000, 0x100000000]

    def param():
        r = rng.random()
        if r < 0.3:
            return rng.randint(0, 64)
        if r < 0.5:
            return rng.choice(edges)
        return rng.getrandbits(64)

    lines = []
    for _ in range(count):
        msg = rng.choice(ids)
        wparam, lparam = param(), param()
        while lparam & 0xFFFFFFFF in clicks:
            lparam = param()
        how = "send" if rng.random() < 0.6 else "post"
        lines.append("%s %s 0x%x 0x%x" % (how, msg, wparam, lparam))
    return "\n".join(lines) + "\n"


def main(argv):
    what = argv[1] if len(argv) > 1 else ""
    if what == "settings" and len(argv) == 6:
        data, kind = settings(argv[2], int(argv[3]), argv[5])
    elif what == "recovery" and len(argv) >= 5:
        data, kind = recovery(argv[2], int(argv[3]), argv[5:])
    elif what == "messages" and len(argv) >= 6:
        data, kind = messages(argv[2], int(argv[3]), argv[5:]).encode(), "messages"
    else:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[4], "wb") as f:
        f.write(data)
    print("%s %d bytes" % (kind, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
