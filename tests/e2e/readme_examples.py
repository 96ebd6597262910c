#!/usr/bin/env python3
"""Runs the examples of README.md as a newcomer would, with the real hinoki, headless.

Usage: readme_examples.py HINOKI_EXECUTABLE SOURCE_DIR

In README.md, a fenced block right after a line

    <!-- example NAME[,NAME...]: FILE -->

is the file FILE of the example games NAME. Each game is written into a throw-away folder
(.lua and .lat files converted from the README's UTF-8 to Shift-JIS, as a newcomer saves
them), with the system files it needs from system/, and run by hinoki with
SDL_VIDEODRIVER=offscreen. Every example must end by itself with exit status 0 and show
no box. The text example is run once more under a small load script that records what
the example's sprites were given and writes their glyph textures as PNG, so their
sizes, places and pixels can be checked; the retry example is run once more the way
the README tells the reader to try it: a line that fails is added, the box appears, the
line is taken out again and the box is answered.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

FAILURES = []


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else ": " + str(detail)))
    if not ok:
        FAILURES.append(name)
    return ok


# --- the examples --------------------------------------------------------------------

MARK = re.compile(r"<!-- example ([\w,]+): (\S+) -->\n```[a-z]*\n(.*?)\n```", re.S)


def read_examples(readme_text):
    """{name: {file: text}} of every marked block."""
    games = {}
    for names, file_name, body in MARK.findall(readme_text):
        for name in names.split(","):
            games.setdefault(name, {})[file_name] = body + "\n"
    return games


def write_game(folder, files, source_dir):
    os.makedirs(os.path.join(folder, "system"), exist_ok=True)
    for name in ("notex.lat", "text.lua"):
        shutil.copy(os.path.join(source_dir, "system", name), os.path.join(folder, "system"))
    for name, text in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        script = name.endswith(".lua") or name.endswith(".lat")
        with open(path, "wb") as f:
            f.write(text.encode("cp932" if script else "utf-8"))


# --- running hinoki ------------------------------------------------------------------

class Game:
    """One hinoki process on a game folder; output is collected while it runs."""

    def __init__(self, hinoki, folder):
        env = {"SDL_VIDEODRIVER": "offscreen"}
        for name in ("PATH", "HOME"):
            if name in os.environ:
                env[name] = os.environ[name]
        self.process = subprocess.Popen([hinoki], cwd=folder, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.out, self.err = bytearray(), bytearray()
        self.readers = [threading.Thread(target=self._collect, args=(s, b), daemon=True)
                        for s, b in ((self.process.stdout, self.out),
                                     (self.process.stderr, self.err))]
        for reader in self.readers:
            reader.start()

    @staticmethod
    def _collect(stream, buffer):
        for chunk in iter(lambda: stream.read1(4096), b""):
            buffer.extend(chunk)

    def wait_for_error(self, text, seconds=30):
        deadline = time.time() + seconds
        while text.encode("utf-8") not in self.err:
            if time.time() > deadline or self.process.poll() is not None:
                return False
            time.sleep(0.05)
        return True

    def answer(self, line):
        self.process.stdin.write(line.encode("utf-8"))
        self.process.stdin.flush()

    def finish(self, seconds=60):
        """Closes the input (nobody answers further boxes) and waits for the end."""
        self.process.stdin.close()
        try:
            status = self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = "killed after %d s" % seconds
        for reader in self.readers:
            reader.join()
        return status, self.out.decode("utf-8", "replace"), self.err.decode("utf-8", "replace")


def printed_lines(out):
    """The lines of print: values separated by tabs, each value followed by one."""
    return [line.rstrip("\t").split("\t") for line in out.splitlines()]


def expect_clean_end(name, status, out, err):
    check(name + ": exit status 0", status == 0, "%s\n--- stdout\n%s--- stderr\n%s" %
          (status, out, err))
    check(name + ": no box", err == "", err)


# --- PNG files that RenderN.SavePNG writes ---------------------------------------------

def read_png(path):
    """(width, height, rows of (r, g, b, a)) of an 8-bit RGBA, non-interlaced PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    assert (depth, colour_type, interlace) == (8, 6, 0), (path, header)
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, up_left = previous[i], previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else
                                      up if pb <= pc else up_left)) & 255
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        previous = line
    return width, height, rows


# --- the text example ------------------------------------------------------------------

# Runs the example's main.lua and records, per sprite in creation order, its texture,
# size, centre and order; after ScriptInitialize every sprite's place (GetMatrix) and
# values are printed and its texture is written as spriteN.png.
TEXT_CHECK = r"""
local reason = ...
local records, sprites = {}, {}
local function Record(name, keep)
  local original = rawget(SPSPRITE, name)
  rawset(SPSPRITE, name, function(self, ...)
    if not records[self] then records[self] = {}; sprites[#sprites + 1] = self end
    keep(records[self], ...)
    return original(self, ...)
  end)
end
Record("SetTexture", function(r, t) r.texture = t end)
Record("SetSize", function(r, w, h) r.w, r.h = w, h end)
Record("SetCenterPosition", function(r, x, y) r.cx, r.cy = x, y end)
Record("SetOrder", function(r, order) r.order = order end)
local ok, message = assert(loadfile("main.lua"))(reason)
local ExampleInitialize = ScriptInitialize
function ScriptInitialize()
  ExampleInitialize()
  for i, sprite in ipairs(sprites) do
    local r, m = records[sprite], sprite:GetMatrix()
    RenderN.SavePNG(r.texture, "sprite" .. i .. ".png")
    print("sprite", i, m._41, m._42, r.w, r.h, r.cx, r.cy, r.order)
  end
end
return ok, message
"""

TITLE = dict(x=20, y=20, height=32, colour=(255, 240, 200), text="ひのき Hinoki")
GREETING = dict(x=320, y=240, height=24, colour=(120, 200, 255),
                lines=["ようこそ", "Welcome"])


def glyph_problem(sprite, path, colour):
    """What is wrong with one character's sprite and glyph texture, or None."""
    if (sprite["cx"], sprite["cy"]) != (0, 0):
        return "centre (%s, %s), not its top-left corner" % (sprite["cx"], sprite["cy"])
    w, h, rows = read_png(path)
    if (w, h) != (sprite["w"], sprite["h"]):
        return "texture %dx%d, sprite %sx%s" % (w, h, sprite["w"], sprite["h"])
    covered = [p for row in rows for p in row if p[3] > 0]
    if not any(p[3] == 255 for p in covered):
        return "no opaque glyph pixel"
    if any(p[:3] != colour for p in covered):
        return "glyph pixels of colours %s" % sorted(set(p[:3] for p in covered))[:4]
    return None


def check_text_example(hinoki, source_dir, files, readme_text):
    with tempfile.TemporaryDirectory(prefix="hinoki-readme-text-") as folder:
        write_game(folder, files, source_dir)
        status, out, err = Game(hinoki, folder).finish()
        expect_clean_end("text example", status, out, err)
        title_lines = [line for line in printed_lines(out) if line[0] == "title"]
        check("text example prints what the README says",
              title_lines == [["title", "9", "192", "32"]] and
              "It prints `title 9 192 32`" in readme_text, out)

        settings = files["system/loset.lat"]
        checked = settings.replace('return "main.lua"', 'return "check.lua"')
        write_game(folder, {"system/loset.lat": checked, "check.lua": TEXT_CHECK}, source_dir)
        status, out, err = Game(hinoki, folder).finish()
        expect_clean_end("text example, sprites recorded", status, out, err)
        sprites = [dict(zip(("i", "x", "y", "w", "h", "cx", "cy", "order"),
                            [float(v) for v in line[1:]]))
                   for line in printed_lines(out) if line[0] == "sprite"]
        title = [s for s in sprites if s["order"] == 0]
        greeting = [s for s in sprites if s["order"] == 1]
        if not check("one sprite per visible character",
                     (len(title), len(greeting)) == (9, 11), out):
            return
        # Every sprite shows its whole glyph texture from its top-left corner, and the
        # glyph is drawn in the text's colour with its coverage as alpha.
        problems = {}
        for s in sprites:
            colour = TITLE["colour"] if s["order"] == 0 else GREETING["colour"]
            problem = glyph_problem(s, os.path.join(folder, "sprite%d.png" % s["i"]), colour)
            if problem:
                problems[int(s["i"])] = problem
        check("every sprite shows its whole glyph in the text's colour", not problems,
              problems)

        # The title: one line from (20, 20), each character where the previous one ends;
        # the space takes the room of one half-width character and has no sprite.
        check("title characters are 32 pixels tall", all(s["h"] == 32 for s in title), title)
        check("title sits on one line at y 20", all(s["y"] == 20 for s in title), title)
        x, gaps = TITLE["x"], []
        for s in title:
            gaps.append(s["x"] - x)
            x = s["x"] + s["w"]
        half_width = title[3]["w"]  # "H"
        check("title characters follow each other from x 20",
              gaps == [0, 0, 0, half_width, 0, 0, 0, 0, 0], gaps)
        check("title width is what text.Create returned", x - TITLE["x"] == 192, x)

        # The greeting: two lines 24 pixels apart, each centred on x 320 (to the pixel, so
        # every glyph starts on a whole pixel).
        lines = [greeting[:4], greeting[4:]]
        for number, line in enumerate(lines):
            top = GREETING["y"] + number * GREETING["height"]
            check("greeting line %d at y %d" % (number + 1, top),
                  all(s["y"] == top and s["h"] == 24 for s in line), line)
            joined = all(a["x"] + a["w"] == b["x"] for a, b in zip(line, line[1:]))
            centre = (line[0]["x"] + line[-1]["x"] + line[-1]["w"]) / 2
            whole = all(s["x"] == int(s["x"]) for s in line)
            check("greeting line %d is centred on x 320" % (number + 1),
                  joined and whole and abs(centre - GREETING["x"]) <= 0.5, line)


# --- the retry example -----------------------------------------------------------------

MISTAKE = '  if frames == 50 then error("oops") end\n'


def check_retry_example(hinoki, source_dir, files, readme_text):
    for said in ("`loaded init 0`", "`ended after 121 frames`", "`loaded all 50`",
                 MISTAKE.strip()):
        check("the README says " + said, said in readme_text)
    with tempfile.TemporaryDirectory(prefix="hinoki-readme-retry-") as folder:
        write_game(folder, files, source_dir)
        status, out, err = Game(hinoki, folder).finish()
        expect_clean_end("retry example", status, out, err)
        lines = printed_lines(out)
        check("retry example loads once and counts to 121",
              ["loaded", "init", "0"] in lines and ["ended after", "121", "frames"] in lines
              and ["loaded", "all"] not in [line[:2] for line in lines], out)

        # As the README suggests: add a failing line, let the box appear, take the line
        # out again and press OK (Enter answers a box on the terminal).
        main = files["main.lua"]
        count = "  frames = frames + 1\n"
        check("the example counts frames in ScriptFrame", count in main)
        write_game(folder, {"main.lua": main.replace(count, count + MISTAKE)}, source_dir)
        game = Game(hinoki, folder)
        shown = game.wait_for_error("oops") and game.wait_for_error("[OK]")
        check("a failing ScriptFrame shows the box", shown, game.err.decode("utf-8", "replace"))
        write_game(folder, {"main.lua": main}, source_dir)
        game.answer("\n")
        status, out, err = game.finish()
        check("after the fix the game ends normally", status == 0,
              "%s\n--- stdout\n%s--- stderr\n%s" % (status, out, err))
        check("only the one box was shown", err.count("[OK]") == 1, err)
        lines = printed_lines(out)
        check("the state survives the retry",
              ["loaded", "init", "0"] in lines and ["loaded", "all", "50"] in lines and
              ["ended after", "121", "frames"] in lines, out)


def main():
    hinoki, source_dir = sys.argv[1], sys.argv[2]
    with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
        readme_text = f.read()
    games = read_examples(readme_text)
    check("README has the examples text and retry",
          sorted(games) == ["retry", "text"] and
          all(sorted(g) == ["main.lua", "system/loset.lat"] for g in games.values()), games)
    if FAILURES:
        return 1
    check_text_example(hinoki, source_dir, games["text"], readme_text)
    check_retry_example(hinoki, source_dir, games["retry"], readme_text)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
