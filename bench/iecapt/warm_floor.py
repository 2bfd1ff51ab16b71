#!/usr/bin/env python3
"""The warm floor: one headless shell for every page, a new page in a
context of its own per address, waited for until its load event, then one
full-page JPEG shot (quality 90, as iecapt's default) - no settling, no
consent rules. What no tool that keeps a browser can beat.

    warm_floor.py BROWSER REQUESTS ANSWERS

Reads "ADDRESS FILE" lines from the FIFO REQUESTS and writes one line,
"ok" or why not, to the FIFO ANSWERS after each, until REQUESTS ends.
"""
import base64
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile


class Browser:
    def __init__(self, path):
        self.profile = tempfile.mkdtemp(prefix="warm-floor-")
        commands, self.commands = os.pipe()
        self.events, replies = os.pipe()
        flags = ["--headless", "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                 "--no-startup-window"]
        if os.geteuid() == 0:
            flags.append("--no-sandbox")
        # The pipe ends on descriptors 3 and 4, where the browser reads and writes.
        self.process = subprocess.Popen(
            [path, *flags], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            preexec_fn=lambda: (os.dup2(os.dup(commands), 3), os.dup2(os.dup(replies), 4)),
            close_fds=False)
        os.close(commands)
        os.close(replies)
        self.next_id = 0
        self.buffer = b""
        self.waiting = []

    def message(self):
        while b"\0" not in self.buffer:
            if not select.select([self.events], [], [], 60)[0]:
                raise TimeoutError("the browser went quiet")
            chunk = os.read(self.events, 1 << 20)
            if not chunk:
                raise EOFError("the browser quit")
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(text)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            command["sessionId"] = session
        os.write(self.commands, json.dumps(command).encode() + b"\0")
        while True:
            message = self.message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error'].get('message')}")
                return message["result"]
            self.waiting.append(message)

    def wait_for_load(self, session):
        while True:
            events, self.waiting = self.waiting, []
            for event in events:
                if (event.get("sessionId") == session and event.get("method") == "Page.lifecycleEvent"
                        and event["params"]["name"] == "load"):
                    return
            self.waiting.append(self.message())

    def capture(self, address, path):
        context = self.call("Target.createBrowserContext")["browserContextId"]
        try:
            target = self.call("Target.createTarget",
                               {"url": "about:blank", "browserContextId": context})["targetId"]
            session = self.call("Target.attachToTarget",
                                {"targetId": target, "flatten": True})["sessionId"]
            self.call("Page.enable", session=session)
            self.call("Page.setLifecycleEventsEnabled", {"enabled": True}, session)
            self.call("Emulation.setDeviceMetricsOverride",
                      {"width": 1024, "height": 768, "deviceScaleFactor": 1, "mobile": False},
                      session)
            self.waiting = []
            self.call("Page.navigate", {"url": address}, session)
            self.wait_for_load(session)
            size = self.call("Page.getLayoutMetrics", session=session)["cssContentSize"]
            height = min(max(768, int(size["height"] + 0.999)), 65500)
            shot = self.call("Page.captureScreenshot",
                             {"format": "jpeg", "quality": 90, "captureBeyondViewport": True,
                              "clip": {"x": 0, "y": 0, "width": 1024, "height": height,
                                       "scale": 1}}, session)
            with open(path, "wb") as image:
                image.write(base64.b64decode(shot["data"]))
        finally:
            self.call("Target.disposeBrowserContext", {"browserContextId": context})

    def close(self):
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def main():
    browser_path, requests, answers = sys.argv[1:4]
    browser = Browser(browser_path)
    try:
        with open(requests) as incoming:
            for line in incoming:
                address, path = line.split()
                try:
                    browser.capture(address, path)
                    answer = "ok"
                except Exception as failure:  # said to the bench, which goes on
                    answer = str(failure)
                with open(answers, "w") as outgoing:
                    outgoing.write(answer + "\n")
    finally:
        browser.close()


if __name__ == "__main__":
    main()
