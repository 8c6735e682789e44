#!/usr/bin/env python3
"""The user's journey through the editor under a real X server, driven with real X input.

Starts Xvfb (1366x768) with openbox, one simulated amplifier (zefsim, "Stage Left" on
127.0.0.2, announcing itself) and the real zefedit with its own HOME and data folder, then
operates the editor with xdotool as a user does: connect, open the channel editor, drag an EQ
band on the graph, type a value into a numeric box and Tab out, store and recall a preset by
selecting a row, open the output EQ/FIR editor, run AutoEQ at two microphone positions through
zefsim's virtual measurement rig and apply it, and import a FIR file. Every step checks what
the simulated amplifier received: its memory (zefsim's `dump` control command) and the frames
it was sent (`frames`), read through zefsim's standard input, never over the device's single
TCP connection that the editor holds. At the end, with the editor closed, `zefctl get` reads
the typed value back.

Widgets are found through zefedit's ZEF_GEOMETRY_DUMP file (the screen rectangles of its
windows, named widgets and item-view cells). A screenshot of every step goes to OUT (default
build/journey); on failure the step's name is printed and the last screenshot kept as
OUT/failed.png. Exit 77 (a skip for ctest) when the X tools are not installed.

usage: journey.py --zefedit PATH --zefsim PATH --zefctl PATH [--out DIR] [--keep]
"""
import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
WIDTH, HEIGHT = 1366, 768
HOST = "127.0.0.2"
TOOLS = ("Xvfb", "openbox", "xdotool", "xprop", "import", "convert")


class StepFailed(Exception):
    pass


def wait_for(what, probe, timeout=15.0, every=0.1):
    """Polls probe() until it returns something true; StepFailed after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise StepFailed(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(every)


class Simulator:
    """zefsim with its control commands on a pipe and its answers in a log file."""

    def __init__(self, path, port, announce, rig, workdir):
        self.log_path = os.path.join(workdir, "zefsim.log")
        self.log = open(self.log_path, "w+b")
        self.proc = subprocess.Popen(
            [path, "--name", "Stage Left", "--tcp", f"{HOST}:{port}", "--announce", f"127.0.0.1:{announce}",
             "--announce-interval", "1000", "--rig", rig, "--rig-speed", "fast", "--card-latency", "20"],
            stdin=subprocess.PIPE, stdout=self.log, stderr=subprocess.STDOUT)

    def ask(self, command):
        """Sends one control command and returns what zefsim printed for it."""
        with open(self.log_path, "rb") as f:
            start = len(f.read())
        # `list` prints the device line after the answer: the end of the answer is in sight.
        self.proc.stdin.write(f"{command}\nlist\n".encode())
        self.proc.stdin.flush()

        def answered():
            with open(self.log_path, "rb") as f:
                text = f.read()[start:].decode(errors="replace")
            return text if 'uid 025A45460001' in text else None

        text = wait_for(f"zefsim's answer to '{command}'", answered, timeout=5)
        return text[:text.rfind('\n1: "')] if '\n1: "' in text else text

    def memory(self):
        """The 864 bytes of settings and preset memory."""
        data = bytearray()
        for line in self.ask("dump 1").splitlines():
            head, _, rest = line.partition(": ")
            if len(head) == 4 and all(c in "0123456789ABCDEF" for c in head):
                data += bytes(int(b, 16) for b in rest.split())
        if len(data) != 864:
            raise StepFailed(f"zefsim dump gave {len(data)} bytes, not 864")
        return bytes(data)

    def frames(self):
        """(frames received so far, the last frames as lists of bytes)."""
        lines = self.ask("frames 1").splitlines()
        count = 0
        last = []
        for line in lines:
            if " frames, " in line:
                count = int(line.split()[0])
            elif line.startswith("  F0"):
                last.append([int(b, 16) for b in line.split()])
        return count, last

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Screen:
    """The X display, the editor's geometry dump and the xdotool input."""

    def __init__(self, display, dump_path, shots):
        self.env = dict(os.environ, DISPLAY=display)
        self.dump_path = dump_path
        self.shots = shots
        self.shot_number = 0

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True,
                              timeout=20).stdout

    def shot(self, name):
        self.shot_number += 1
        path = os.path.join(self.shots, f"{self.shot_number:02d}-{name}.png")
        subprocess.run(["import", "-window", "root", path], env=self.env, capture_output=True, timeout=20)
        return path

    def rows(self):
        try:
            with open(self.dump_path, encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        rows = []
        window = ""
        for line in lines:
            parts = line.split("\t", 6)
            if len(parts) == 7 and all(p.lstrip("-").isdigit() for p in parts[2:6]):
                kind, name, x, y, w, h, text = parts
                if kind == "window":
                    window = name
                rows.append((kind, name, int(x), int(y), int(w), int(h), text, window))
        return rows

    def find(self, kind, name=None, text=None, contains=None, window=None):
        """The first row of the dump that matches; window = a part of its window's title."""
        for row in self.rows():
            if row[0] != kind or (name is not None and row[1] != name):
                continue
            if text is not None and row[6].split("\t")[-1] != text:
                continue
            if contains is not None and contains not in row[1] + "\t" + row[6]:
                continue
            if window is not None and window not in row[7]:
                continue
            return row
        return None

    def wait(self, what, kind, timeout=15.0, **match):
        return wait_for(what, lambda: self.find(kind, **match), timeout)

    def gone(self, what, kind, timeout=15.0, **match):
        wait_for(what, lambda: self.find(kind, **match) is None, timeout)

    @staticmethod
    def shown(row):
        """The text a dumped widget shows (after its class name)."""
        return row[6].split("\t")[-1] if row else ""

    @staticmethod
    def centre(row):
        return row[2] + row[4] // 2, row[3] + row[5] // 2

    def move(self, x, y):
        # --sync waits for the pointer to arrive, which never happens when it is there already.
        here = self.xdotool("getmouselocation", "--shell")
        if f"X={x}\n" in here and f"Y={y}\n" in here:
            return
        self.xdotool("mousemove", "--sync", x, y)

    def click(self, row, button=1, repeat=1):
        x, y = self.centre(row)
        self.move(x, y)
        time.sleep(0.1)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)

    def click_until(self, row, what, kind, tries_of=5, **match):
        """Clicks row until a widget matching kind/match shows (a window that has just
        appeared may not take the first click); three tries of tries_of seconds."""
        for attempt in range(3):
            again = self.find(row[0], name=row[1], window=row[7]) if attempt else row
            if again:  # gone = the first click did its work: only wait longer
                self.click(again)
            try:
                return wait_for(what, lambda: self.find(kind, **match), timeout=tries_of)
            except StepFailed:
                if attempt == 2:
                    raise

    def drag(self, start, end):
        self.move(*start)
        self.xdotool("mousedown", 1)
        steps = 8
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            self.move(x, y)
            time.sleep(0.03)
        self.xdotool("mouseup", 1)

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 60, text)


def write_fir(path, taps=384):
    """A linear-phase band-pass 200 Hz..8 kHz (Blackman-windowed sinc), one coefficient a line."""
    m = (taps - 1) / 2
    with open(path, "w", newline="") as f:
        for i in range(taps):
            k = i - m
            w = 0.42 - 0.5 * math.cos(2 * math.pi * i / (taps - 1)) + 0.08 * math.cos(4 * math.pi * i / (taps - 1))
            h = (math.sin(2 * math.pi * 8000 * k / 48000) - math.sin(2 * math.pi * 200 * k / 48000)) / (math.pi * k)
            f.write(f"{w * h:.9f}\r\n")


def changed(before, after):
    """Addresses whose byte differs between two memory images."""
    return [a for a in range(len(before)) if before[a] != after[a]]


def step_connect(j):
    """The announcement's question answered Yes, the connect dialog's Connect pressed: the
    editor reads the device and the list says On-line."""
    s = j.screen
    s.wait("the editor's main window", "window", contains="ZEF Editor", timeout=30)
    s.wait("the question 'Do you want to connect?'", "widget", name="qt_msgbox_label", contains="connect", timeout=20)
    s.shot("announcement")
    frames_before, _ = j.sim.frames()
    dialog = s.click_until(s.wait("the Yes button", "button", name="Yes"), "the connect dialog", "window",
                           contains="Connect")
    s.shot("connect-dialog")
    s.click(s.wait("the dialog's Connect button", "widget", name="LabelConnect", window=dialog[1]))
    s.wait("the device row On-line", "cell", text="On-line", timeout=40)
    frames_after, last = j.sim.frames()
    if frames_after - frames_before < 20:
        raise StepFailed(f"the device was sent {frames_after - frames_before} frames on connecting; a whole read is more")


def step_open_editor(j):
    """The channel editor opens for the device (by itself after connecting, else by
    double-clicking the row's name) and shows the graph."""
    s = j.screen
    if not s.find("widget", name="PictureGraph"):
        name = s.wait("the device's name in the list", "cell", text="Stage Left")
        s.click(name, repeat=2)
    s.wait("the channel editor's graph", "widget", name="PictureGraph", timeout=20)
    s.shot("channel-editor")


def wait_memory_change(j, before, what, timeout=6.0):
    """The memory image once it differs from before; StepFailed naming what was expected."""
    return wait_for(what, lambda: (lambda m: m if m != before else None)(j.sim.memory()), timeout, every=0.3)


def find_marker(j, graph):
    """The centre of the selected band's marker (a bright red disc in a white ring), found in a
    screenshot of the graph: the markers' places depend on the plot's scales, not on widgets."""
    path = os.path.join(j.tmp, "graph.ppm")
    shot = j.screen.shot("graph")
    subprocess.run(["convert", shot, "-crop", f"{graph[4]}x{graph[5]}+{graph[2]}+{graph[3]}", "+repage",
                    "ppm:" + path], check=True, capture_output=True, timeout=20)
    os.remove(shot)
    j.screen.shot_number -= 1
    with open(path, "rb") as f:
        data = f.read()
    header = data.split(b"\n", 3)
    w, h = map(int, header[1].split())
    px = header[3]
    red = [(x, y) for y in range(h) for x in range(w)
           if px[3 * (y * w + x)] > 200 and px[3 * (y * w + x) + 1] < 60 and px[3 * (y * w + x) + 2] < 60]
    clusters = []
    for x, y in sorted(red):
        if clusters and x - clusters[-1][-1][0] <= 3:
            clusters[-1].append((x, y))
        else:
            clusters.append([(x, y)])
    for c in clusters:
        cx = (min(p[0] for p in c) + max(p[0] for p in c)) // 2
        cy = (min(p[1] for p in c) + max(p[1] for p in c)) // 2
        r, g, b = px[3 * (cy * w + cx):3 * (cy * w + cx) + 3]
        if r > 240 and g < 40 and b < 40 and 4 < max(p[0] for p in c) - min(p[0] for p in c) < 20:
            return graph[2] + cx, graph[3] + cy
    raise StepFailed("no selected band marker (a bright red disc) on the graph")


def step_drag_band(j):
    """Band 1's marker dragged right and up: its frequency and gain change on the device."""
    s = j.screen
    s.click(s.wait("the Band 1 button", "widget", name="BandBtn1"))
    graph = s.wait("the graph", "widget", name="PictureGraph")
    freq_before = s.shown(s.wait("the band's frequency box", "widget", name="TxtEqFreq"))
    gain_before = s.shown(s.wait("the band's gain box", "widget", name="TxtEqGain"))
    start = find_marker(j, graph)
    before = j.sim.memory()
    s.drag(start, (start[0] + 90, start[1] - 30))
    after = wait_memory_change(j, before, "the dragged band's bytes on the device")
    s.shot("band-dragged")
    freq_after = s.shown(s.find("widget", name="TxtEqFreq"))
    gain_after = s.shown(s.find("widget", name="TxtEqGain"))
    if freq_after == freq_before or gain_after == gain_before:
        raise StepFailed(f"after dragging right and up the band shows {freq_after} Hz / {gain_after} dB "
                         f"(was {freq_before} / {gain_before}); both should change")
    j.dragged = changed(before, after)
    if len(j.dragged) < 2:
        raise StepFailed(f"dragging changed {len(j.dragged)} byte(s) on the device; frequency and gain are more")


def type_into(j, name, value, commit_keys):
    """Selects the box's text with a triple click, types value, and once the box shows it
    presses commit_keys; a keystroke lost on a busy machine is typed again (three tries)."""
    s = j.screen
    for attempt in range(3):
        box = s.wait(f"the {name} box", "widget", name=name)
        s.click(box, repeat=3)
        time.sleep(0.2)  # the triple click's selection settles before the keys come
        s.type(value)
        try:
            wait_for(f"the {name} box to show {value}",
                     lambda: s.shown(s.find("widget", name=name)) == value, timeout=2)
            break
        except StepFailed:
            if attempt == 2:
                raise
    s.key(*commit_keys)


def step_type_value(j):
    """250 typed into the band's frequency box and Tab pressed: the focus leaves the box and
    the device holds 250 Hz (read back with zefctl at the end)."""
    s = j.screen
    before = j.sim.memory()
    type_into(j, "TxtEqFreq", "250", ["Tab"])
    try:
        after = wait_memory_change(j, before, "the typed frequency on the device after Tab", timeout=4)
    except StepFailed:
        s.shot("tab-did-not-commit")
        j.soft_failures.append("type_value: Tab in the frequency box sent nothing to the device")
        type_into(j, "TxtEqFreq", "250", ["Return"])
        after = wait_memory_change(j, before, "the typed frequency on the device after Return")
    s.shot("value-typed")
    shown = s.shown(s.find("widget", name="TxtEqFreq"))
    if shown != "250":
        raise StepFailed(f"the frequency box shows '{shown}' after typing 250")
    j.expect["inL.eq.1.freq"] = "250"
    if not changed(before, after):
        raise StepFailed("typing 250 changed no byte on the device")


def answer_questions(j, seconds=1.5):
    """Answers Yes / OK to any question box that comes up within seconds."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        box = j.screen.find("widget", name="qt_msgbox_label")
        if box:
            j.screen.shot("question")
            button = j.screen.find("button", name="Yes") or j.screen.find("button", name="OK")
            if button:
                j.screen.click(button)
                end = time.monotonic() + seconds
        time.sleep(0.2)


def step_store_preset(j):
    """The running program stored into slot 2 (its row selected) under the name Journey."""
    s = j.screen
    before = j.sim.memory()
    if b"Journey" in before:
        raise StepFailed("the device holds the name Journey before it was stored")
    s.click_until(s.wait("the Store button", "button", name="Store"), "the store window", "widget", name="FrmStore")
    row = s.wait("the list's second row", "cell", name="List1/1/0")
    s.click(row)
    s.click(s.wait("the name box", "widget", name="Text1"), repeat=3)
    s.type("Journey")
    s.shot("store-window")
    s.click(s.wait("the window's Store button", "widget", name="BtnStore"))
    answer_questions(j)
    s.gone("the store window to close", "widget", name="FrmStore", timeout=20)
    after = wait_memory_change(j, before, "the stored preset on the device")
    s.shot("stored")
    at = after.find(b"Journey")
    if at < 0:
        raise StepFailed("the device does not hold the preset name Journey after storing")
    j.stored = after


def step_recall_preset(j):
    """The frequency changed to 400, then Recall with the stored row selected: the device's
    running program is the stored one again (recalling another slot would leave 400 or bring
    that slot's program)."""
    s = j.screen
    before = j.sim.memory()
    type_into(j, "TxtEqFreq", "400", ["Return"])
    edited = wait_memory_change(j, before, "the frequency 400 on the device")
    moved = changed(j.stored, edited)
    if not moved:
        raise StepFailed("typing 400 changed no byte on the device")
    s.click_until(s.wait("the Recall button", "button", name="Recall"), "the recall window", "widget", name="FrmRead")
    row = s.wait("the list's row named Journey", "cell", contains="Journey")
    s.click(row)
    s.shot("recall-window")
    s.click(s.wait("the window's Recall button", "widget", name="BtnRecall"))
    answer_questions(j)
    s.gone("the recall window to close", "widget", name="FrmRead", timeout=30)
    s.shot("recalled")
    after = j.sim.memory()
    wrong = [a for a in moved if after[a] != j.stored[a]]
    if wrong:
        raise StepFailed(f"after recalling, bytes {wrong} differ from the stored program")
    j.expect["inL.eq.1.freq"] = "250"


def choose_item(j, combo, downs):
    """Opens a combo box's list with a click and picks the item `downs` below the highlighted one
    with the keyboard, as a user who knows the list does."""
    s = j.screen
    s.click(s.wait(f"the list {combo}", "widget", name=combo))
    time.sleep(0.6)
    for _ in range(downs):
        s.key("Down")
    s.key("Return")
    time.sleep(0.6)


def step_autoeq_positions(j):
    """AutoEQ from the output editor (30-band mode) through the virtual rig at two microphone
    positions: the rig and its microphone chosen on the card page, "Positions" typed, Start; between
    the positions the window asks to move the microphone and says it waits; OK measures the second;
    the result names the spread over the positions; Apply writes the bands to the device."""
    s = j.screen
    s.click(s.wait("the Outputs tab", "tab", name="Outputs"))
    s.click_until(s.wait("the output EQ/FIR button", "widget", name="BtnOutputEq"), "the output EQ/FIR editor",
                  "widget", name="FrmEQFIR")
    s.click_until(s.wait("the AutoEQ button", "widget", name="ImageAutoEq", window="Output"), "the AutoEQ wizard",
                  "widget", name="FrmAutoEq")
    s.click_until(s.wait("the card page's button", "widget", name="LabelBtnPage1"), "the card list", "widget",
                  name="ComboAsioDev")
    choose_item(j, "ComboAsioDev", 1)  # after " Select ASIO card": the rig, the only card here
    choose_item(j, "ComboAsioInp", 0)  # its first input: the microphone
    if "virtual rig" not in s.shown(s.find("widget", name="ComboAsioDev")):
        raise StepFailed(f"the card list shows '{s.shown(s.find('widget', name='ComboAsioDev'))}', not the rig")
    s.shot("autoeq-card")
    s.click(s.wait("the run page's button", "widget", name="LabelBtnPage2"))
    type_into(j, "SpinPositions", "2", ["Tab"])
    before = j.sim.memory()
    s.click(s.wait("the Start button", "widget", name="LabelStart"))
    s.wait("the question to move the microphone", "widget", name="qt_msgbox_label", contains="Move the microphone",
           timeout=120)
    waiting = s.shown(s.find("widget", name="LabelProgress"))
    s.shot("autoeq-move-microphone")
    if waiting != "Waiting for the microphone at position 2 of 2":
        raise StepFailed(f"while it asks to move the microphone the window says '{waiting}'")
    s.click(s.wait("the question's OK", "button", name="OK"))
    result = s.wait("the result's spread line", "widget", name="LabelDeviation", contains="Spread over 2 positions",
                    timeout=120)
    s.shot("autoeq-result")
    if j.sim.memory() != before:
        raise StepFailed("measuring changed the device's settings before Apply")
    s.click(s.wait("the Apply button", "widget", name="LabelApply"))
    wait_memory_change(j, before, "the AutoEQ bands on the device", timeout=15)
    s.click(s.wait("the Exit button", "widget", name="LabelExitRun"))
    answer_questions(j)
    s.gone("the AutoEQ wizard after Exit", "widget", name="FrmAutoEq")
    if "Deviation" not in s.shown(result):
        raise StepFailed(f"the result reads '{s.shown(result)}'")


def step_open_output_editor(j):
    """The Outputs page, then its EQ/FIR button: the output editor opens and writes nothing.
    In the mode without FIR, "10PEQ + FIR" is chosen in the EQ mode window: the device's mode
    byte changes and the editor shows its FIR frame."""
    s = j.screen
    before = j.sim.memory()
    s.click(s.wait("the Outputs tab", "tab", name="Outputs"))
    s.click_until(s.wait("the output EQ/FIR button", "widget", name="BtnOutputEq"), "the output EQ/FIR editor",
                  "widget", name="FrmEQFIR")
    s.shot("output-editor")
    after = j.sim.memory()
    if after != before:
        raise StepFailed(f"opening the output editor changed device bytes {changed(before, after)}")
    if s.find("widget", name="LabelFirMenu1"):
        return
    s.click_until(s.wait("the EQ mode button", "widget", name="BtnEqMode"), "the EQ mode window", "widget",
                  name="LabelMode1")
    s.shot("eq-mode")
    s.click(s.wait("the mode 10PEQ + FIR", "widget", name="LabelMode1"))
    answer_questions(j, seconds=2)
    wait_memory_change(j, before, "the EQ mode byte on the device")
    if not s.find("widget", name="FrmEQFIR"):
        s.click(s.wait("the output EQ/FIR button", "widget", name="BtnOutputEq"))
    s.wait("the output editor's FIR frame", "widget", name="LabelFirMenu1")
    s.shot("output-editor-fir")


def step_import_fir(j):
    """Import / View, a FIR text file chosen in the file dialog, Store: the editor names the
    stored FIR; that the device holds it is read back at the end (its FIR memory lies outside
    what zefsim's dump shows)."""
    s = j.screen
    fir = os.path.join(j.data, "FIR", "Journey BP 384.txt")
    os.makedirs(os.path.dirname(fir), exist_ok=True)
    write_fir(fir)
    s.click_until(s.wait("the Import / View button", "widget", name="LabelFirMenu1"), "the FIR import window",
                  "widget", name="FormExternalFir")
    load = s.wait("the load button", "widget", name="ImageBtn")
    s.click(load)
    try:
        s.wait("the file dialog", "widget", timeout=8, name="fileNameEdit")
    except StepFailed:
        # The click reached the window but not the button (it has the focus then): Space.
        s.key("space")
        s.wait("the file dialog", "widget", timeout=10, name="fileNameEdit")
    s.shot("file-dialog")
    s.type(fir)
    s.key("Return")
    wait_for("384 taps shown", lambda: "384" in s.shown(s.find("widget", name="LabelTaps")), timeout=15)
    s.shot("fir-loaded")
    s.click(s.wait("the store button", "widget", name="ImageBtnStore"))
    answer_questions(j, seconds=3)
    s.gone("the FIR import window to close after storing", "widget", name="FormExternalFir", timeout=60)
    wait_for("the output editor naming the stored FIR",
             lambda: "Journey BP 384" in s.shown(s.find("widget", name="LabelNameFir", window="Output")))
    s.shot("fir-stored")
    j.expect_fir = True


def step_autoeq_escape(j):
    """AutoEQ from the output editor, now in the 10PEQ + FIR mode: its first page says there is
    nothing to fit and its Next is off, before any page is turned; Esc closes the wizard and
    nothing reached the device."""
    s = j.screen
    before = j.sim.memory()
    s.click_until(s.wait("the AutoEQ button", "widget", name="ImageAutoEq", window="Output"), "the AutoEQ wizard",
                  "widget", name="FrmAutoEq")
    s.wait("the EQ mode refusal on the first page", "widget", name="LabelModeRefusal")
    s.shot("autoeq-refusal")
    s.key("Escape")
    s.gone("the AutoEQ wizard after Esc", "widget", name="FrmAutoEq")
    after = j.sim.memory()
    if after != before:
        raise StepFailed(f"opening and leaving AutoEQ changed device bytes {changed(before, after)}")


class Journey:
    """Everything the journey starts, stopped again by close()."""

    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="zef-journey-")
        self.procs = []
        self.sim = None
        self.editor = None
        self.soft_failures = []
        self.expect_fir = False
        self.expect = {}
        os.makedirs(args.out, exist_ok=True)
        for old in os.listdir(args.out):
            if old.endswith(".png"):
                os.remove(os.path.join(args.out, old))
        self.port = 20000 + os.getpid() % 20000
        self.announce = self.port + 1 if self.port < 39999 else self.port - 1
        self.rig = f"127.0.0.1:{self.port + 2 if self.port < 39998 else self.port - 2}"
        self.data = os.path.join(self.tmp, "data")
        home = os.path.join(self.tmp, "home")
        for d in ("", "/.config", "/.cache", "/.local/share", "/runtime"):
            os.makedirs(home + d, exist_ok=True)
        os.chmod(home + "/runtime", 0o700)
        self.base_env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
                             XDG_CACHE_HOME=home + "/.cache", XDG_DATA_HOME=home + "/.local/share",
                             XDG_RUNTIME_DIR=home + "/runtime")
        self.base_env.pop("QT_QPA_PLATFORM", None)  # ctest runs the others offscreen; this one on X
        self.base_env.pop("WAYLAND_DISPLAY", None)

    def spawn(self, argv, env, name):
        log = open(os.path.join(self.tmp, name + ".log"), "wb")
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        self.procs.append(proc)
        return proc

    def start_display(self):
        # The server picks a free display number itself and writes it to the pipe (-displayfd):
        # no race with other X servers starting on this machine at the same time.
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.tmp, "xvfb.log"), "wb")
        self.procs.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp",
             "-noreset"],
            env=self.base_env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, pass_fds=(write_end,)))
        os.close(write_end)
        number = b""
        end = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < end:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            raise StepFailed("Xvfb did not start (see xvfb.log)")
        display = f":{number.strip().decode()}"
        self.env = dict(self.base_env, DISPLAY=display)
        # The socket appears before the server takes connections: ask it something instead. Without
        # -noreset the server resets when that question's connection closes, and a window manager
        # connecting during the reset is refused ("Failed to open the display").
        wait_for("the X server", lambda: subprocess.run(["xprop", "-root", "-len", "0"], env=self.env,
                                                         capture_output=True).returncode == 0, timeout=20)
        self.spawn(["openbox"], self.env, "openbox")
        self.screen = Screen(display, os.path.join(self.tmp, "geometry.txt"), self.args.out)
        wait_for("the window manager", lambda: "window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, capture_output=True, text=True).stdout,
            timeout=60)  # a loaded machine (a sanitizer build beside it) takes its time

    def start_simulator(self):
        self.sim = Simulator(self.args.zefsim, self.port, self.announce, self.rig, self.tmp)
        wait_for("zefsim", lambda: "uid 025A45460001" in open(self.sim.log_path, errors="replace").read(), timeout=10)

    def start_editor(self):
        env = dict(self.env, ZEF_GEOMETRY_DUMP=self.screen.dump_path)
        self.editor = self.spawn([self.args.zefedit, "--data", self.data, "--loopback-lan", "--device-port",
                                  str(self.port), "--announce-port", str(self.announce), "--rig", self.rig], env,
                                 "zefedit")

    def close(self):
        if self.sim:
            self.sim.stop()
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)


def step_read_back(j):
    """The editor closed, zefctl reads the typed value back over the device's connection."""
    j.editor.terminate()
    j.editor.wait(10)
    for name, want in j.expect.items():
        got = subprocess.run([j.args.zefctl, "--port", str(j.port), "--timeout", "20", "get", HOST, name],
                             env=j.base_env, capture_output=True, text=True, timeout=40)
        value = got.stdout.split("=")[-1].split()[0] if "=" in got.stdout else got.stdout + got.stderr
        if value != want:
            raise StepFailed(f"zefctl get {name} gives '{value.strip()}', the editor set {want}")
    if j.expect_fir:
        # The imported band-pass (200 Hz..8 kHz) in output 1's response as the device holds it.
        got = subprocess.run([j.args.zefctl, "--port", str(j.port), "--timeout", "30", "response", HOST, "out1",
                              "--csv"], env=j.base_env, capture_output=True, text=True, timeout=60)
        points = [tuple(map(float, line.split(","))) for line in got.stdout.splitlines()
                  if line[:1].isdigit() and line.count(",") == 1]
        if not points:
            raise StepFailed(f"zefctl response gave no points: {got.stderr.strip()}")

        def level(hz):
            return min(points, key=lambda p: abs(p[0] - hz))[1]
        if not (level(50) < level(1000) - 15 and level(15000) < level(1000) - 15):
            raise StepFailed(f"output 1 on the device is not the imported band-pass: {level(50):.1f} dB at 50 Hz, "
                             f"{level(1000):.1f} dB at 1 kHz, {level(15000):.1f} dB at 15 kHz")


STEPS = [step_connect, step_open_editor, step_drag_band, step_type_value, step_store_preset, step_recall_preset,
         step_autoeq_positions, step_open_output_editor, step_import_fir, step_autoeq_escape]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zefedit", required=True)
    parser.add_argument("--zefsim", required=True)
    parser.add_argument("--zefctl", required=True)
    parser.add_argument("--out", default="build/journey")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder (logs, data)")
    args = parser.parse_args()
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print(f"journey: skipped, not installed: {' '.join(missing)}")
        return SKIP
    journey = Journey(args)
    started = time.monotonic()
    current = "start"
    try:
        journey.start_display()
        journey.start_simulator()
        journey.start_editor()
        for step in STEPS:
            current = step.__name__[len("step_"):]
            step(journey)
            print(f"journey: {current} passed ({time.monotonic() - started:.0f} s)", flush=True)
        current = "read_back"
        step_read_back(journey)
    except (StepFailed, subprocess.SubprocessError, OSError) as failure:
        print(f"journey: step '{current}' FAILED: {failure}", flush=True)
        try:
            path = os.path.join(args.out, "failed.png")
            subprocess.run(["import", "-window", "root", path], env=journey.env, capture_output=True, timeout=20)
            print(f"journey: screenshot {path}; editor log {os.path.join(journey.tmp, 'zefedit.log')}")
            args.keep = True
        except (AttributeError, subprocess.SubprocessError, OSError):
            pass
        return 1
    finally:
        journey.close()
    for failure in journey.soft_failures:
        print(f"journey: FAILED: {failure}")
    print(f"journey: {len(STEPS) + 1} steps in {time.monotonic() - started:.0f} s; screenshots in {args.out}")
    return 1 if journey.soft_failures else 0

if __name__ == "__main__":
    sys.exit(main())
