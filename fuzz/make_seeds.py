#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Each seed is a small, well-formed input (plus a few near misses) written from
the formats' own layouts, so the fuzzers start inside the formats instead of
having to find their markers. Run it again after changing a format; the
corpora are kept in the repository.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def band(kind, freq, q=16, gain=30):
    return bytes([kind, freq >> 8, freq & 0xFF, q, gain])


def preset_image():
    """A legal running preset in record order (the layout of the device's memory map)."""
    p = bytearray(624)
    p[0:16] = b"Seed preset     "
    p[16:18] = bytes([120, 120])
    for i in range(2):
        p[20 + 4 * i:24 + 4 * i] = bytes([0, 0, 7, 5])
    for i in range(2):
        for b in range(4):
            at = 30 + 5 * (i + 2 * b)
            p[at:at + 5] = band(0, [125, 500, 2000, 8000][b])
        for b in range(3):
            at = 70 + 5 * (i + 2 * b)
            p[at:at + 5] = band(0, [250, 1000, 4000][b])
    p[100:104] = bytes([158, 30, 30, 158])
    p[104:110] = bytes([0, 0, 20, 0, 0, 20])
    p[110:116] = bytes([0, 0x4E, 0x20, 0, 0x4E, 0x20])
    thirds = [25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630, 800, 1000, 1250, 1600,
              2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000]
    for o in range(2):
        for b in range(30):
            at = 118 + 5 * (o + 2 * b)
            p[at:at + 5] = band(0, thirds[b])
    p[419:451] = b" " * 32
    p[451:455] = bytes([1, 1, 0x80, 0x80])
    for o in range(2):
        p[467 + 7 * o:474 + 7 * o] = bytes([0, 90, 2, 50, 9, 10, 120])
        p[485 + 4 * o:489 + 4 * o] = bytes([0, 0, 4, 9])
    p[493:495] = bytes([120, 120])
    for b in range(16):
        at = 500 + 5 * b
        p[at:at + 5] = band(0, thirds[min(2 * b, 29)])
    return bytes(p)


def taps():
    words = [0x200000] + [0] * 383
    return b"".join(struct.pack("<I", w) for w in words)


def preset_file():
    return struct.pack("<h", 83) + preset_image() + taps() + taps()


def text(s):
    return struct.pack("<H", len(s)) + s.encode("latin-1")


def entry(in_list, name="", uid="", ip=""):
    return (struct.pack("<hhhh", 0, 2, 0, 0) + text(ip) + struct.pack("<hh", 2, -1 if in_list else 0) +
            bytes([0]) + text(name) + text(uid) + struct.pack("<h", 0))


def eq_target():
    return (struct.pack("<h", 0) + struct.pack("<10h", *([0] * 10)) +
            struct.pack("<10d", 125, 250, 500, 1000, 2000, 4000, 8000, 10000, 16000, 20000) +
            struct.pack("<10d", *([1.0] * 10)) + struct.pack("<10d", *([0.0] * 10)) + struct.pack("<h", 1))


def project(listed):
    out = struct.pack("<h", 53)
    for slot in range(1, 33):
        if slot in listed:
            out += entry(True, "Stage %d" % slot, "025A4546%04X" % slot, "127.0.0.%d" % slot)
        else:
            out += entry(False)
    out += struct.pack("<ii", 120, 340)
    settings = bytearray(240)
    settings[5:21] = b"ZEF-4.260       "
    for slot in sorted(listed):
        out += bytes(settings) + preset_image() + taps() + taps() + eq_target()
    return out


def sfu(image, version=(3, 1, 0)):
    head = bytearray(32)
    head[0:4] = b"ZSFU"
    struct.pack_into("<HH", head, 4, 1, 4260)
    head[8:11] = bytes(version)
    struct.pack_into("<II", head, 12, len(image), zlib.crc32(image) & 0xFFFFFFFF)
    struct.pack_into("<I", head, 28, zlib.crc32(bytes(head[0:28])) & 0xFFFFFFFF)
    return bytes(head) + image


def announcement(name=b"Stage Left", uid=bytes([2, 0x5A, 0x45, 0x46, 0, 1]), network=2, kind=1):
    d = bytearray(26)
    d[0] = 0x21
    d[1] = network
    d[2] = kind
    d[3:9] = uid
    d[9:25] = name.ljust(16, b" ")
    d[25] = sum(d[0:25]) & 0xFF
    return bytes(d)


def reply(code, data, address=1):
    return bytes([0xF0, 0x21, address, code]) + bytes(data) + bytes([0xF7])


def identify_reply(address=1):
    return bytes([0xF0, 0x21, address, 0, 0x21, 2, 2, 0x5A, 0x45, 0x46, 0, 1, 0]) + b"ZEF-4.260       " + b"\xF7"


def whole_read(address=1, fill=0x10):
    out = b""
    for _ in range(2):
        out += reply(20, [fill] * 120, address)
    for _ in range(8):
        out += reply(20, [0] * 78, address)
    for _ in range(12):
        out += reply(20, [0] * 192, address)
    return out


def frame(address, code, params):
    return bytes([0xF0, 0x21, address, code] + list(params) + [0xF7])


def block_write(address, data):
    return bytes([0xF0, 0x21, 1, 21, address >> 8, address & 0xFF, len(data)]) + bytes(data) + b"\xF7"


def rig_message(kind, payload):
    return struct.pack("<HHI", kind, 0, len(payload)) + payload


def rig_hello(fast=1):
    names = b"".join(struct.pack("<H", len(n)) + n for n in [b"Microphone", b"Loopback", b"L", b"R"])
    payload = b"ZRIG" + struct.pack("<HBBIHHHH", 1, 0, fast, 48000, 2, 2, 240, 0) + names
    return rig_message(1, payload)


def rig_input(block):
    return rig_message(3, struct.pack("<II", block, 0) + struct.pack("<480f", *([0.25] * 480)))


def rig_output(block):
    return rig_message(4, struct.pack("<I", block) + struct.pack("<480f", *([0.0] * 480)))


def wav(channels, bits, frames, fmt=1, rate=48000):
    """A RIFF/WAVE file: PCM (fmt 1) or IEEE float (fmt 3) samples of a slow ramp."""
    width = bits // 8
    if fmt == 3:
        body = struct.pack("<%df" % (frames * channels), *[(i % 50) / 50.0 - 0.5 for i in range(frames * channels)])
    elif bits == 8:
        body = bytes((128 + i % 50) & 0xFF for i in range(frames * channels))
    else:
        body = struct.pack("<%dh" % (frames * channels), *[(i % 50) * 300 - 7500 for i in range(frames * channels)])
    fmt_chunk = struct.pack("<HHIIHH", fmt, channels, rate, rate * channels * width, channels * width, bits)
    chunks = b"fmt " + struct.pack("<I", len(fmt_chunk)) + fmt_chunk + b"data" + struct.pack("<I", len(body)) + body
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def main():
    put("preset_file", "preset.zef", preset_file())
    put("preset_file", "truncated.zef", preset_file()[:1000])
    put("preset_file", "project_marker.zef", struct.pack("<h", 53) + preset_file()[2:])

    put("project_file", "one_device.prp", project({1}))
    put("project_file", "three_devices.prp", project({1, 4, 9}))
    put("project_file", "empty_list.plt", project(set()))
    put("project_file", "preset_marker.prp", struct.pack("<h", 83) + project({2})[2:])

    put("init_config", "init.cfg", struct.pack("<14h", 3, 0, 0, 0, 0, 0, 127, 0, 0, 2, 127, 0, 0, 9))
    put("init_config", "short.cfg", struct.pack("<h", 7))

    put("fir_text", "lines.txt", b"\x00" + b"0.5\r\n0.25\r\n-0.125\r\n")
    put("fir_text", "comma_locale.txt", b"\x04" + b"0,5\n0,25\n")
    put("fir_text", "comma_lines.csv", b"\x01" + b"0.5,\r\n0.25,\r\n0.125,\r\n")
    put("fir_text", "semicolons.csv", b"\x01" + b"0.125;0.25;0.5;0.75")
    put("fir_text", "commas.csv", b"\x01" + b"0.125,0.25,0.5,0.75")
    put("fir_text", "too_large.txt", b"\x00" + b"4\r\n")

    put("sfu_file", "small.sfu", sfu(bytes(range(256)) * 4))
    put("sfu_file", "damaged.sfu", sfu(b"\x55" * 64)[:-1] + b"\x54")

    samples = [1.0, 0.5, -0.25, 0.0]
    put("irw_file", "ir.irw", struct.pack("<i", len(samples) - 1) + struct.pack("<%dd" % len(samples), *samples))
    put("irw_file", "wrong_length.irw", struct.pack("<i", 9) + struct.pack("<2d", 1.0, 0.0))

    def wiz(ir, gains=None, latency=3.0, codes=None):
        """A wizard file: the IR, the EQ target record, then the design settings."""
        freqs = [31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000]
        codes = codes or [0] * 10
        gains = gains or [0.0] * 10
        target = struct.pack("<h10h", 0, *codes) + struct.pack("<10d", *freqs) + \
            struct.pack("<10d", *([1.0] * 10)) + struct.pack("<10d", *gains) + struct.pack("<h", 1)
        settings = struct.pack("<hhh", 5, 16000, 0x0136) + struct.pack("<d", latency) + \
            struct.pack("<hhhh", 1, 1, 400, 10)
        return struct.pack("<i", len(ir) - 1) + struct.pack("<%dd" % len(ir), *ir) + target + settings

    room = [0.0] * 8 + [1.0, 0.4, -0.2, 0.1] + [0.0] * 84 + [0.3, -0.1] + [0.0] * 30
    put("wiz_file", "room.wiz", wiz(room, gains=[0, 0, 0, 0, -3.0, 2.0, 0, 0, 0, 0]))
    put("wiz_file", "steep_target.wiz", wiz(room, gains=[1e300] + [0.0] * 9, latency=1e9))
    put("wiz_file", "nan_sample.wiz", wiz([1.0, float("nan"), 0.0]))

    put("announcement", "lan.bin", announcement())
    put("announcement", "bootloader.bin", announcement(b"Boot", network=1, kind=255))
    put("announcement", "bad_sum.bin", announcement()[:-1] + b"\x00")

    session = identify_reply() + whole_read() + reply(22, [0] * 19) + reply(1, [2, 0, 0, 0, 0, 0, 0, 120]) + \
        reply(20, [0] * 78)
    put("replies", "tcp_session.bin", b"\x00" + session)
    put("replies", "usb_session.bin", b"\x01" + session)
    put("replies", "changed_marks.bin", b"\x00" + identify_reply() + whole_read(address=0xA1))
    put("replies", "garbled.bin", b"\x00" + identify_reply() + bytes(range(125)) + whole_read())
    put("replies", "usb_resync.bin", b"\x01" + identify_reply() + reply(20, [0] * 60) + identify_reply() +
        whole_read())

    put("sim_frames", "identify.bin", frame(0, 0, [0] * 8))
    put("sim_frames", "session.bin", frame(0, 0, [0] * 8) + frame(1, 20, [0, 0, 120, 0, 0, 0, 0, 0]) + b"\x00" +
        frame(1, 1, [2, 0, 0, 0, 0, 0, 0, 100]) + b"\x00" + block_write(240, b"Seed name       ") +
        frame(1, 23, [1, 0, 0, 0, 0, 0, 0, 0]) + frame(1, 24, [1, 0, 0, 0, 0, 0, 0, 0]) +
        frame(1, 22, [0] * 8) + frame(1, 29, [2, 0, 0, 0, 0, 0, 0, 0]))
    put("sim_frames", "fir_write.bin", block_write(0x1000, bytes(48)) + block_write(0x1000 + 48, bytes([0x20] * 48)))
    put("sim_frames", "noise.bin", b"\x00\x00\xF0\x22\xF0\x21\x01\x15\x00\x00\x50" + b"\xFF" + frame(1, 3, [1] * 8))

    put("rig_wire", "rig_stream.bin", b"\x00" + rig_message(2, b"") + rig_output(0) + rig_output(1))
    put("rig_wire", "rig_bad_type.bin", b"\x00" + rig_message(9, b"x"))
    put("rig_wire", "client_stream.bin", b"\x01" + rig_hello() + rig_input(0) + rig_input(1))
    put("rig_wire", "client_error.bin", b"\x01" + rig_hello() + rig_message(5, b"the rig is busy"))
    put("rig_wire", "client_busy.bin", b"\x01" + rig_hello()[:14] + b"\x01" + rig_hello()[15:])

    put("remote_request", "set.txt", b"PUT /api/v1/devices/1/parameters/out1.eq.5.gain\n{\"value\":-3.5}")
    put("remote_request", "batch.txt",
        b"POST /api/v1/devices/0A0B0C0D0E01/parameters\n{\"values\":{\"out1.mute\":\"on\",\"inL.gain\":-60}}")
    put("remote_request", "store.txt", b"PUT /api/v1/devices/2/presets/3\n{\"name\":\"Show\"}")
    put("remote_request", "bad_json.txt", b"PUT /api/v1/devices/1/standby\n{\"standby\":")
    put("remote_request", "config.txt", b"# zefd\ndevice 127.0.0.2\nlisten 127.0.0.1:8320\ntoken " + b"ab" * 32 +
        b" read\nrate 50\n")

    def osc(path, types, args):
        """An OSC message: padded path, padded type tags, big-endian arguments."""
        def pad(b):
            return b + b"\0" * (4 - len(b) % 4)
        return pad(path) + pad(b"," + types) + args

    put("osc", "set_float.osc", osc(b"/zef/1/out1.gain", b"f", struct.pack(">f", -3.5)))
    put("osc", "set_string.osc", osc(b"/zef/0A0B0C0D0E01/out1.mute", b"s", b"on\0\0"))
    put("osc", "query.osc", osc(b"/zef/2/out2.eq.5.freq", b"", b""))
    put("osc", "recall.osc", osc(b"/zef/1/recall", b"i", struct.pack(">i", 2)))
    put("osc", "subscribe.osc", osc(b"/zef/subscribe", b"s", b"1\0\0\0"))
    put("osc", "bool.osc", osc(b"/zef/1/out1.polarity", b"T", b""))

    put("wav_file", "mono16.wav", wav(1, 16, 64))
    put("wav_file", "stereo8.wav", wav(2, 8, 40, rate=8000))
    put("wav_file", "float.wav", wav(3, 32, 20, fmt=3))
    put("wav_file", "cut_data.wav", wav(1, 16, 64)[:60])


if __name__ == "__main__":
    main()
