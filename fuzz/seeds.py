#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Each seed is a small input that takes its target somewhere meaningful (a whole dialogue, a
write into each kind of INI file, ...), so that a short run starts from there. The input
layouts are described at the top of each fuzz_*.cpp. Run it again after changing a layout;
reproducers of past crashes (crash-*) are kept as they are.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# ---- fuzz_dialogue.cpp: op byte + payload
START, RECEIVE, CANNED, TICK, WAIT, LOSE, SETTINGS, LIST, FLOOD, DISMISS = range(10)
QUERY, CONFIGURE, FACTORY, IDENTIFY = range(4)
# indexes into Replies
R_ZERO, R_FOUR, R_OK, R_ERROR, R_ZERO_CRLF, R_OK_CRLF, R_FIVE, R_NINE_ZERO = range(8)


def start(which):
    return bytes([START, which])


def canned(*indexes):
    return b"".join(bytes([CANNED, i]) for i in indexes)


def receive(data):
    return bytes([RECEIVE, len(data)]) + data


def tick(n=1):
    return bytes([TICK]) * n


def settings(cts=True, dsr=True, open_fails=False, parity=0):
    return bytes([SETTINGS, int(cts) | int(dsr) << 1 | int(open_fails) << 2 | parity << 3])


def command_list(*entries):
    out = bytes([LIST, len(entries)])
    for e in entries:
        out += bytes([len(e)]) + e
    return out


DIALOGUE = {
    "query-ok": start(QUERY) + tick() + canned(R_ZERO, R_FIVE, R_ZERO, R_NINE_ZERO) + bytes([DISMISS]),
    "query-crlf-silent-speed": start(QUERY) + tick() + canned(R_ZERO_CRLF) + receive(b"\r\n002\r\n\r\n0\r\n") + tick(),
    "configure-ok": command_list(b"V0", b"S0=2", b"E0") + start(CONFIGURE) + tick()
    + canned(R_ZERO, R_ZERO, R_ZERO, R_ZERO) + tick(2) + bytes([DISMISS]),
    "configure-refused": start(CONFIGURE) + tick() + canned(R_ZERO, R_FOUR),
    "configure-empty-list": command_list() + start(CONFIGURE) + tick() + canned(R_ZERO),
    "configure-store-refused": command_list(b"E0") + start(CONFIGURE) + tick() + canned(R_ZERO, R_ZERO) + tick() + canned(R_ERROR),
    "factory-ok": start(FACTORY) + canned(R_OK) + tick() + canned(R_OK_CRLF) + bytes([DISMISS]),
    "factory-flood": start(FACTORY) + bytes([FLOOD, ord("A"), 15]) + canned(R_OK),
    "identify-ok": start(IDENTIFY) + tick() + canned(R_ZERO)
    + b"".join(receive(b"Modem %d\r\n" % i) + canned(R_ZERO) for i in range(12)),
    "identify-silent": start(IDENTIFY) + tick() + canned(R_ZERO) + tick(12),
    # a second action while one runs: its box stays open while the timer ticks and the line goes
    "second-start-box": start(QUERY) + start(FACTORY) + tick() + canned(R_ZERO) + bytes([LOSE, 0, DISMISS]),
    "lost-while-waiting": start(CONFIGURE) + tick() + bytes([LOSE, 1]),
    "no-cts-dsr": settings(cts=False, dsr=False) + start(QUERY),
    "open-fails": settings(open_fails=True) + start(IDENTIFY),
    "odd-parity": settings(parity=1) + start(QUERY) + tick() + receive(b"\xb0\x8d") + bytes([WAIT, 200]),
    "noise-then-ok": start(FACTORY) + receive(b"\n\n\rATZ\r\nO") + receive(b"K\r") + tick(),
}

# ---- fuzz_identify.cpp: parity byte, then op byte + payload
CHUNK, I_CANNED, I_TICK = range(3)


def chunk(data):
    return bytes([CHUNK, len(data)]) + data


IDENTIFY_SEEDS = {
    "answered": bytes([0]) + b"".join(chunk(b"\r\nInfo %d\r\n" % i) + chunk(b"\r\n0\r\n") for i in range(12)),
    "silent": bytes([0]) + bytes([I_TICK]) * 12,
    "refused": bytes([0]) + b"".join(bytes([I_CANNED, 1 + i % 2]) for i in range(12)),
    "split-crlf": bytes([0]) + chunk(b"Hayes\r") + chunk(b"\nOptima\r") + chunk(b"\n0\r") + bytes([I_TICK]),
    "line-left-over": bytes([0]) + chunk(b"half a li") + bytes([I_TICK]) + chunk(b"ne\r0\r"),
    "long-line": bytes([1]) + b"".join(chunk(bytes([0xC1]) * 255) for _ in range(2)) + chunk(b"\r0\r"),
    "many-lines": bytes([2]) + chunk(b"x\r" * 120) + chunk(b"y\r" * 100) + chunk(b"0\r"),
}

# ---- fuzz_inistore.cpp: flags, value length, value, file
UTF8, LATIN1, UTF16 = 0, 1, 2
NO_FILE = 4


def ini(value, file=b"", decoding=UTF8, no_file=False, section=0):
    flags = decoding | (NO_FILE if no_file else 0) | section << 3
    return bytes([flags, len(value)]) + value + file


INISTORE = {
    "replace-crlf": ini(b"V0;S0=#;E0", b"; comment\r\n[tavoli]\r\nCmdAT = old\r\nOther=1\r\n"),
    "append-to-section": ini(b"E0", b"[tavoli]\nOther=1\n\n[next]\nx=y\n"),
    "create-section": ini(b"E0", b"[other]\rCmdAT=1"),
    "no-file": ini(b"V0", no_file=True),
    "latin1-file": ini("café".encode("latin-1"), b"[TAVOLI]\r\nCmdAT=caf\xe9\r\nX=\xe9\r\n", decoding=LATIN1),
    "latin1-file-euro": ini("€".encode("utf-8"), b"[tavoli]\r\nCmdAT=\xe9\r\nY=\xff\r\n"),
    "bom": ini(b"  blanks  ", b"\xef\xbb\xbf[tavoli]\nCmdAT='q'\n"),
    "line-breaks-in-value": ini(b"V0\r\nE0\nQ0\rX", b"[tavoli]\r\nCmdAT=\r\n"),
    "quoted-value": ini(b'"V0"', b"[tavoli]\nCmdAT=\"old\"\n"),
    "lone-surrogate": ini("A".encode("utf-16-le") + b"\x00\xd8", b"[tavoli]\nCmdAT=1\n", decoding=UTF16),
    "second-occurrence": ini(b"x", b"[tavoli]\na=1\n[b]\n[TAVOLI]\ncmdat=2\n", section=0),
    "section-ntilde": ini(b"x", "[ñandú]\nCmdAT=1\n".encode("utf-8"), section=3),
    "empty-section-name": ini(b"x", b"[]\nCmdAT=1\n", section=2),
    "nul-bytes": ini(b"a\x00b", b"\x00\x00\n[tavoli]\nCmdAT=V0"),
}

# ---- fuzz_commandlist.cpp: flags, typed length, typed, text
US = "\x1f"


def cmdlist(text, typed=b"2", speed=0, utf16=False):
    data = text.encode("utf-16-le") if utf16 else text.encode("utf-8")
    return bytes([speed | (4 if utf16 else 0), len(typed)]) + typed + data


COMMANDLIST = {
    "built-in": cmdlist("V0;S0=#;B0;L2;M1;E0;Y1;N1;&D0;&S0"),
    "zoom": cmdlist("V0;S0=#;B0;L2;M1;E0;&D0;&S0;+MS=V#,0", typed=b" 7", speed=2),
    "rockwell": cmdlist("V0;S0=#;B0;L2;M1;E0;Y1;&Q5;N0;S37=#;&D0;&S0", typed=b"2.5", speed=1),
    "old-commas": cmdlist("V0,S0=#,E0,", typed=b"abc", speed=3),
    "one-comma-entry": cmdlist("+MS=V#,0" + US + "", typed=b"99"),
    "empty-entries": cmdlist(";;a;" + US + US, typed=b""),
    "utf16": cmdlist("Añadir €;S0=#S0=#", typed=b"-3", utf16=True),
}


# ---- fuzz_commandline.cpp: the arguments after the program name, cut at NUL bytes
def args(*words):
    return "\0".join(words).encode("utf-8")


COMMANDLINE = {
    "query": args("query", "--device", "/dev/ttyS0"),
    "configure": args("configure", "--port=1", "--rings", "2", "--list", "V0;S0=#;E0", "--verify"),
    "identify-two": args("identify", "--device=/tmp/a", "--device=/tmp/b", "--json", "--log", "/tmp/t.log"),
    "unconfigure-settings": args("unconfigure", "--port", "2", "--speed", "2400", "--parity", "even", "--stop-bits", "2"),
    "help": args("--help"),
    "version": args("-v"),
    "window-options": args("-style", "fusion", "--log", "f"),
    "bad-rings": args("configure", "--device=/dev/null", "--rings=100"),
    "same-device": args("query", "--device=/tmp/x", "--device=/tmp/../tmp/x"),
    "bad-port": args("query", "--port=5"),
}

# ---- fuzz_telnet.cpp: head (read-size count, bit 3 RFC 2217), read sizes - 1, server stream
IAC, SB, SE, WILL, WONT, DO, DONT = 255, 250, 240, 251, 252, 253, 254


def telnet(stream, sizes=(), rfc2217=True):
    return bytes([len(sizes) | (8 if rfc2217 else 0)]) + bytes(s - 1 for s in sizes) + stream


SER2NET_HELLO = bytes([IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 1, IAC, DONT, 1, IAC, DO, 0, IAC, WILL, 0,
                       IAC, DO, 44])
TELNET = {
    "ser2net-hello": telnet(SER2NET_HELLO),
    "ser2net-hello-bytewise": telnet(SER2NET_HELLO, sizes=(1,)),
    "modemstate-and-signature": telnet(bytes([IAC, SB, 44, 107, 0x30, IAC, SE, IAC, SB, 44, 100])
                                       + b"ser2net" + bytes([IAC, SE]), sizes=(2, 5, 1)),
    "iac-in-data": telnet(b"\r\nOK" + bytes([IAC, IAC, 0x80, IAC, IAC]) + b"\r\n", sizes=(3,)),
    "refused-com-port": telnet(bytes([IAC, DONT, 44, IAC, WONT, 0]) + b"Port already in use\r\n"),
    "long-subnegotiation": telnet(bytes([IAC, SB, 44, 100]) + b"x" * 600 + bytes([IAC, IAC, IAC, SE])
                                  + b"tail", sizes=(7, 255)),
    "broken-subnegotiation": telnet(bytes([IAC, SB, 44, IAC, 1, IAC, WILL, 3, IAC, SE, IAC])),
    "raw-line": telnet(bytes([IAC, DO, 44, IAC, WILL, 99]), rfc2217=False),
}


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("*"):
        if not old.name.startswith("crash-"):
            old.unlink()
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


write("dialogue", DIALOGUE)
write("identify", IDENTIFY_SEEDS)
write("inistore", INISTORE)
write("commandlist", COMMANDLIST)
write("commandline", COMMANDLINE)
write("telnet", TELNET)
