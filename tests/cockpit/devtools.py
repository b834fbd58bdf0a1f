"""Debian's chromium, headless, driven over its DevTools protocol: open a
page, run script in it (or in the page's frame inside the console's shell),
press keys, click at an element's centre and take screenshots."""
import base64
import itertools
import json
import os
import shutil
import subprocess
import tempfile
import time
import urllib.request

import websocket


class Browser:
    def __init__(self, width=1100, height=900):
        self.profile = tempfile.mkdtemp(prefix="hlq-chromium-")
        self.process = subprocess.Popen(
            ["/usr/bin/chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
             "--disable-dev-shm-usage", "--no-first-run", "--disable-quic",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + self.profile,
             "--remote-debugging-port=0", "--window-size=%d,%d" % (width, height), "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + 30
        while not (os.path.exists(port_file) and open(port_file).read().count("\n") >= 1):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("chromium did not start")
            time.sleep(0.05)
        port = open(port_file).read().split("\n")[0]
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
        page = next(t for t in targets if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], suppress_origin=True,
                                                  timeout=60)
        self.ids = itertools.count(1)
        self.errors = []  # the pages' uncaught exceptions, as they come
        self.call("Runtime.enable")
        self.call("Page.enable")
        self.call("Network.enable")

    def call(self, method, **params):
        message_id = next(self.ids)
        self.socket.send(json.dumps({"id": message_id, "method": method, "params": params}))
        while True:
            reply = json.loads(self.socket.recv())
            if reply.get("method") == "Runtime.exceptionThrown":
                self.errors.append(reply["params"]["exceptionDetails"].get("exception", {}).get("description"))
            if reply.get("id") == message_id:
                if "error" in reply:
                    raise RuntimeError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})

    def set_language(self, origin, language):
        """The console picks its language by the CockpitLang cookie."""
        self.call("Network.setCookie", name="CockpitLang", value=language, url=origin)

    def open(self, url):
        self.call("Page.navigate", url=url)

    def frame_context(self, name):
        """A script context (an isolated world: the frame's document, not its
        scripts' globals) of the frame of that name, such as the page inside
        the console's shell, whose policy allows no eval()."""
        def find(tree):
            if tree["frame"].get("name") == name:
                return tree["frame"]["id"]
            return next(filter(None, (find(child) for child in tree.get("childFrames", []))), None)
        frame_id = find(self.call("Page.getFrameTree")["frameTree"])
        if frame_id is None:
            raise RuntimeError("no frame " + name)
        return self.call("Page.createIsolatedWorld", frameId=frame_id)["executionContextId"]

    def evaluate(self, script, frame=None):
        """The script's value; in `frame` (a frame's name) it runs there."""
        params = {"expression": script, "returnByValue": True, "awaitPromise": True}
        if frame:
            params["contextId"] = self.frame_context(frame)
        result = self.call("Runtime.evaluate", **params)
        if "exceptionDetails" in result:
            raise RuntimeError("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def wait(self, script, frame=None, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = self.evaluate(script, frame)
            except RuntimeError:
                value = None
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError("waited in vain for: " + script)
            time.sleep(0.05)

    def click(self, selector, frame=None):
        """A real press and release at the element's centre."""
        box = self.evaluate(
            "(() => { const e = document.querySelector(%s); e.scrollIntoView({block: 'center'});"
            " const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()"
            % json.dumps(selector), frame)
        x, y = box
        if frame:
            offset = self.evaluate(
                "(() => { const f = document.querySelector('iframe[name=%s]').getBoundingClientRect();"
                " return [f.left, f.top]; })()" % json.dumps(frame))
            x, y = x + offset[0], y + offset[1]
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, key, code=None):
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code or key,
                      windowsVirtualKeyCode={"Tab": 9, "Enter": 13, " ": 32, "ArrowRight": 39,
                                             "ArrowLeft": 37, "Home": 36, "End": 35}.get(key, 0))

    def type_text(self, text):
        self.call("Input.insertText", text=text)

    def screenshot(self, path):
        """The whole page, also what lies below the window, in its fonts."""
        self.evaluate("document.fonts.ready.then(() => true)")
        size = self.call("Page.getLayoutMetrics")["cssContentSize"]
        clip = {"x": 0, "y": 0, "width": size["width"], "height": size["height"], "scale": 1}
        data = self.call("Page.captureScreenshot", format="png", clip=clip, captureBeyondViewport=True)["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))

    def close(self):
        try:
            self.socket.close()
        finally:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
            shutil.rmtree(self.profile, ignore_errors=True)
