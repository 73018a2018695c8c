#!/usr/bin/python3
"""The site in a real browser, and the library compiled to WebAssembly.

Serves build-web/site on 127.0.0.1, drives headless Chromium through the
DevTools protocol (python3-websocket), and checks:
- the show page with ?autostart: it reaches "playing", its pictures come and
  change, the first scene's picture is not black, the music's position moves
  on, and Escape ends it with the abort message and brings the form back;
  how long from GO to the first picture, and what a pass costs (measures);
- what the site weighs, raw and compressed (measures);
- the player page plays a corpus module: it reaches "playing" through the
  page's sound output and its position moves on; a file that is no module
  gives the library's error in words;
- the ring the page's sound output plays from behaves (sound_ring_test.js,
  under Node);
- the WebAssembly build of the library (under Node) mixes a module to the
  same samples as the native build, and how fast, as a ratio;
- no page writes an error to the console.

    tests/web/browser_tests.py --site build-web/site --native build/bin/render_digest \
        --wasm build-web/wasm/bin/render_digest.js --corpus build/corpus

Exit status 0 when every check passes. Measurements go to standard output.
"""

import argparse
import base64
import contextlib
import gzip
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket

CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--autoplay-policy=no-user-gesture-required",
    "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--mute-audio",
    "--remote-allow-origins=*",
]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(condition, seconds, step=0.1):
    """condition() until it returns something true, at most `seconds`."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


@contextlib.contextmanager
def static_server(folder):
    """The site on a plain static server, as any host would serve it."""
    port = free_port()
    server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind", "127.0.0.1",
                               "--directory", folder], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    base = "http://127.0.0.1:%d/" % port

    def answers():
        try:
            urllib.request.urlopen(base, timeout=1).close()
            return True
        except OSError:
            return False

    try:
        if not wait_until(answers, 10):
            raise RuntimeError("the static server did not start")
        yield base
    finally:
        server.terminate()
        server.wait()


class Page:
    """One headless Chromium with one page, driven through the DevTools protocol."""

    def __init__(self, chromium):
        self.profile = tempfile.mkdtemp(prefix="solvane-chromium-")
        port = free_port()
        self.process = subprocess.Popen(
            [chromium, *CHROMIUM_FLAGS, "--remote-debugging-port=%d" % port, "--user-data-dir=" + self.profile,
             "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        listing = "http://127.0.0.1:%d/json/list" % port

        def page_target():
            try:
                with urllib.request.urlopen(listing, timeout=1) as answer:
                    targets = json.load(answer)
            except OSError:
                return None
            return next((t for t in targets if t.get("type") == "page"), None)

        target = wait_until(page_target, 20)
        if not target:
            self.close()
            raise RuntimeError("headless Chromium did not start")
        self.socket = websocket.create_connection(target["webSocketDebuggerUrl"], timeout=30, suppress_origin=True)
        self.next_id = 0
        self.console_errors = []
        self.call("Runtime.enable")
        self.call("Log.enable")
        self.call("Page.enable")

    def close(self):
        with contextlib.suppress(Exception):
            self.socket.close()
        # Chromium's helper processes outlive the browser for a moment and may
        # still write into the profile: end its whole process group before
        # removing the profile.
        self._signal_group(signal.SIGTERM)
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.process.wait(10)
        self._signal_group(signal.SIGKILL)
        self.process.wait()
        for _ in range(20):
            shutil.rmtree(self.profile, ignore_errors=True)
            if not os.path.exists(self.profile):
                break
            time.sleep(0.1)

    def _signal_group(self, number):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(self.process.pid, number)

    def _note(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            self.console_errors.append(" ".join(str(a.get("value", a.get("description", ""))) for a in params["args"]))
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.console_errors.append(details.get("exception", {}).get("description", details.get("text")))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.console_errors.append(params["entry"]["text"] + " " + params["entry"].get("url", ""))

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self._note(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"].get("text")))
        return result["result"].get("value")

    def dataset(self):
        return self.evaluate("Object.assign({}, document.body ? document.body.dataset : {})") or {}

    def wait_for_state(self, states, seconds):
        return wait_until(lambda: self.dataset().get("state") in states, seconds)

    def open(self, url):
        self.call("Page.navigate", url=url)

    def choose_file(self, selector, path):
        document = self.call("DOM.getDocument")
        node = self.call("DOM.querySelector", nodeId=document["root"]["nodeId"], selector=selector)
        self.call("DOM.setFileInputFiles", nodeId=node["nodeId"], files=[path])

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, what):
        print(("ok    " if condition else "FAIL  ") + what, flush=True)
        if not condition:
            self.failures.append(what)
        return condition


def song_place(dataset):
    return int(dataset.get("position", 0)) * 1000 + int(dataset.get("row", 0))


def reached(checks, page, url, state, what):
    """Opens url; whether the page comes to the state (a check saying what that means)."""
    page.open(url)
    came = page.wait_for_state({state}, 30)
    checks.expect(came, "%s (state %s)" % (what, page.dataset().get("state")))
    return came


def check_player(checks, page, base, module):
    if not reached(checks, page, base + "player.html?module=%s&autostart" % module, "playing",
                   "the player page plays %s on its own" % module):
        return
    device = page.evaluate("document.getElementById('device').textContent")
    checks.expect("sound card" in device, "it plays through the page's sound output (%r)" % device)
    first = song_place(page.dataset())
    time.sleep(3)
    later = page.dataset()
    checks.expect(song_place(later) > first, "its position moves on (position %s row %s after 3 s)" %
                  (later.get("position"), later.get("row")))
    checks.expect(page.evaluate("document.getElementById('title').textContent") not in ("", "–"),
                  "it shows the module's title")

    with tempfile.NamedTemporaryFile(suffix=".xm", delete=False) as garbage:
        garbage.write(b"Extended Module: but nothing after it that a loader could use" * 3)
    try:
        page.choose_file("#file", garbage.name)
        page.wait_for_state({"error"}, 10)
        error = page.evaluate("document.getElementById('error').textContent")
        checks.expect(page.dataset().get("state") == "error" and "cannot be played:" in error,
                      "a file that is no module is refused in words (%r)" % error)
    finally:
        os.unlink(garbage.name)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


# Share of the canvas's pixels that are not black, read back from the page.
CANVAS_LIT = """(() => {
  const canvas = document.getElementById('screen');
  const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let lit = 0;
  for (let i = 0; i < data.length; i += 4)
    if (data[i] + data[i + 1] + data[i + 2] > 24) ++lit;
  return lit / (data.length / 4);
})()"""


def check_show(checks, page, base):
    if not reached(checks, page, base + "index.html?autostart", "playing", "the show page starts on its own"):
        return
    wait_until(lambda: int(page.dataset().get("frames", 0)) > 0, 10)
    first = page.dataset()
    time.sleep(4)
    later = page.dataset()
    checks.expect(int(later.get("frames", 0)) > int(first.get("frames", 0)) + 30,
                  "its pictures keep coming (%s, then %s 4 s later)" % (first.get("frames"), later.get("frames")))
    checks.expect(song_place(later) > song_place(first), "the music's position moves on (position %s row %s)" %
                  (later.get("position"), later.get("row")))
    lit = page.evaluate(CANVAS_LIT)
    checks.expect(lit > 0.002, "the first scene's picture is on the canvas (%.1f %% of it not black)" % (100 * lit))
    passes = page.evaluate("window.solvaneShowTimes")["passes"]
    print("measure  a drawn pass in the browser (draw and present): median %.2f ms, 99th percentile %.2f ms, "
          "%d passes" % (percentile(passes, 0.5), percentile(passes, 0.99), len(passes)))

    page.call("Input.dispatchKeyEvent", type="rawKeyDown", key="Escape", code="Escape", windowsVirtualKeyCode=27)
    page.call("Input.dispatchKeyEvent", type="keyUp", key="Escape", code="Escape", windowsVirtualKeyCode=27)
    aborted = page.wait_for_state({"aborted"}, 10)
    message = page.evaluate("document.getElementById('message').hidden ? '' : "
                            "document.getElementById('messageText').textContent")
    checks.expect(aborted and message == "Demonstration aborted, darn it...",
                  "Escape ends it with the abort message (state %s, %r)" % (page.dataset().get("state"), message))
    checks.expect(page.evaluate("!document.getElementById('setup').hidden && "
                                "document.getElementById('stage').hidden"),
                  "and the setup form is back")


# The sound setup on the form: "Custom..." at 37800 Hz interpolating, mono,
# a 120 ms buffer, none of them the defaults.
CHOOSE_SOUND = """(() => {
  document.querySelector('input[name=quality][value="1006"]').click();
  document.getElementById('customRate').value = '37800';
  document.querySelector('input[name=customMixing][value="1"]').checked = true;
  document.getElementById('stereo').checked = false;
  document.getElementById('bufferLength').value = '120';
  document.getElementById('fullscreen').checked = false;
})()"""
CHOSEN_SOUND = """[document.querySelector('input[name=quality]:checked').value,
  document.getElementById('customRate').value, document.querySelector('input[name=customMixing]:checked').value,
  document.getElementById('stereo').checked, document.getElementById('bufferLength').value,
  !document.getElementById('custom').hidden].join(' ')"""


def click(page, selector):
    """A real click (a user gesture) in the middle of the element."""
    box = page.evaluate("(() => { const e = document.querySelector(%r); e.scrollIntoView(); "
                        "const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()"
                        % selector)
    for kind in ("mousePressed", "mouseReleased"):
        page.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left", clickCount=1)


def check_go(checks, page, base):
    """The viewer's way in: the form, a sound setup chosen, "GO!" clicked."""
    if not reached(checks, page, base + "index.html", "setup", "the show page offers its setup form"):
        return
    page.evaluate("solvaneAudioShared.warm")  # made while the viewer looks at the form
    page.evaluate(CHOOSE_SOUND)
    chosen = page.evaluate(CHOSEN_SOUND)
    click(page, "#go")
    started = wait_until(lambda: int(page.dataset().get("frames", 0)) > 0, 30)
    checks.expect(started, "GO! starts the show (state %s)" % page.dataset().get("state"))
    if not started:
        return
    times = page.evaluate("window.solvaneShowTimes")
    print("measure  GO to the first picture: %.0f ms (sound output running %.0f ms, show loaded %.0f ms; "
          "progress lines at %s ms)" %
          (times["firstPicture"] - times["go"], times["ready"] - times["go"], times["started"] - times["go"],
           ", ".join("%.0f" % (line["at"] - times["go"]) for line in times["progress"])))
    # The last lines ("ok", "", "Done...") come together, as the display opens.
    frames = [line["frame"] for line in times["progress"]]
    checks.expect(len(frames) >= 4 and frames[:4] == sorted(set(frames[:4])),
                  "the progress lines come one by one while it loads (in animation frames %s)" % frames)

    page.open(base + "index.html")
    page.wait_for_state({"setup"}, 30)
    kept = page.evaluate(CHOSEN_SOUND)
    checks.expect(kept == chosen, "the sound setup chosen is kept for the next visit (%r, chosen %r)" %
                  (kept, chosen))


def check_whole_show(checks, page, base):
    """From the first note to the black frame, in real time."""
    page.open(base + "index.html?autostart")
    start = time.monotonic()
    ended = page.wait_for_state({"ended", "aborted", "error"}, 15 * 60)
    state = page.dataset().get("state")
    checks.expect(state == "ended", "the whole show plays to its end (state %s after %.0f s)" %
                  (state, time.monotonic() - start))
    if ended:
        lit = page.evaluate(CANVAS_LIT)
        checks.expect(lit == 0, "its last picture is black (%.1f %% of it not black)" % (100 * lit))


def measure_site(site):
    """What a visitor downloads: the programs and the show's data, raw and gzip-compressed."""
    groups = {"code (wasm, js)": (".wasm", ".js"), "data (qorv.dat, qorv.xm)": (".dat", ".xm")}
    for what, endings in groups.items():
        names = [n for n in sorted(os.listdir(site)) if n.endswith(endings)]
        raw = packed = 0
        for name in names:
            with open(os.path.join(site, name), "rb") as f:
                content = f.read()
            raw += len(content)
            packed += len(gzip.compress(content, 9))
        print("measure  site %s: %d kB raw, %d kB gzip-compressed (%s)" % (what, raw // 1024, packed // 1024,
                                                                         ", ".join(names)))


def check_sound_ring(checks):
    test = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sound_ring_test.js")
    answer = subprocess.run(["node", test], capture_output=True, text=True, timeout=60)
    print(answer.stdout, end="")
    checks.expect(answer.returncode == 0, "the sound output's ring plays as it should")


def check_wasm_render(checks, native, wasm, module):
    def run(command):
        answer = subprocess.run(command, capture_output=True, text=True, timeout=600)
        if answer.returncode != 0:
            raise RuntimeError("%s: %s" % (" ".join(command), answer.stderr.strip()))
        fields = answer.stdout.split()
        return {fields[i]: fields[i + 1] for i in range(0, len(fields) - 1, 2)}

    seconds, runs = "120", "3"
    mine = run([native, module, seconds, runs])
    theirs = run(["node", "--no-experimental-fetch", wasm, module, seconds, runs])
    checks.expect(mine["frames"] == theirs["frames"] and mine["digest"] == theirs["digest"],
                  "WebAssembly mixes %s to the same samples as the native build (%s frames, digest %s / %s)" %
                  (os.path.basename(module), theirs["frames"], mine["digest"], theirs["digest"]))
    ratio = float(mine["seconds"]) / max(float(theirs["seconds"]), 1e-9)
    print("measure  mixing speed, WebAssembly / native: %.2f (%s s against %s s for %s s of sound, fastest of %s)" %
          (ratio, theirs["seconds"], mine["seconds"], seconds, runs))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--site", required=True)
    parser.add_argument("--native", required=True, help="the native render_digest")
    parser.add_argument("--wasm", required=True, help="render_digest.js")
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    parser.add_argument("--whole-show", action="store_true",
                        help="also play the whole show to its end, in real time (several minutes)")
    options = parser.parse_args()

    checks = Checks()
    measure_site(options.site)
    check_sound_ring(checks)
    s3m = os.path.join(options.corpus, "pingus-data", "gd-giirm.s3m")
    if os.path.exists(s3m):
        check_wasm_render(checks, options.native, options.wasm, s3m)
    else:
        print("skip  the WebAssembly render check: no corpus in " + options.corpus)

    with static_server(options.site) as base:
        page = Page(options.chromium)
        try:
            modules = json.load(open(os.path.join(options.site, "modules", "index.json")))
            corpus_modules = [m["file"] for m in modules if m["file"] != "qorv.xm"]
            check_show(checks, page, base)
            check_go(checks, page, base)
            if options.whole_show:
                check_whole_show(checks, page, base)
            check_player(checks, page, base, corpus_modules[0] if corpus_modules else "qorv.xm")
            page.call("Page.navigate", url="about:blank")
            checks.expect(not page.console_errors, "no errors on the console" +
                          "".join("\n      " + e for e in page.console_errors))
        finally:
            page.close()

    if checks.failures:
        print("%d check(s) failed" % len(checks.failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
