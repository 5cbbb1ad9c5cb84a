"""A headless Chromium driven over its DevTools pipe, with nothing but the standard library: open a page,
run JavaScript in it, wait for a condition, take a screenshot."""

from __future__ import annotations

import base64
import json
import os
import shutil
import subprocess
import time
from pathlib import Path


def find() -> str | None:
    return shutil.which("chromium") or shutil.which("chromium-browser")


class Browser:
    def __init__(self, executable: str, width: int = 1280, height: int = 1000) -> None:
        # The DevTools pipe is file descriptors 3 (commands in) and 4 (replies out), messages
        # separated by NUL bytes.
        commands_read, self._commands = os.pipe()
        self._replies, replies_write = os.pipe()

        def onto_3_and_4() -> None:
            # Both are copied away first, in case either already sits on 3 or 4.
            commands, replies = os.dup(commands_read), os.dup(replies_write)
            os.dup2(commands, 3)
            os.dup2(replies, 4)

        self._process = subprocess.Popen(
            [executable, "--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
             "--no-first-run", "--hide-scrollbars", "--remote-debugging-pipe", f"--window-size={width},{height}",
             "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=onto_3_and_4)
        os.close(commands_read)
        os.close(replies_write)
        self._buffer = b""
        self._next_id = 0
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self._session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.call("Page.enable", session=True)
        self.call("Emulation.setDeviceMetricsOverride", session=True, width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def call(self, method: str, session: bool = False, **params: object) -> dict:
        self._next_id += 1
        message: dict[str, object] = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self._session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        while True:
            reply = self._read()
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})

    def _read(self) -> dict:
        while b"\0" not in self._buffer:
            chunk = os.read(self._replies, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its DevTools pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def evaluate(self, expression: str) -> object:
        result = self.call("Runtime.evaluate", session=True, expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression: str, timeout: float = 20.0) -> object:
        """The expression's value once it is truthy; fails after the timeout."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError(f"still false after {timeout} s: {expression}")
            time.sleep(0.2)

    def open(self, url: str) -> None:
        self.call("Page.navigate", session=True, url=url)
        self.wait_for("document.readyState === 'complete'")

    def screenshot(self, path: Path) -> Path:
        data = self.call("Page.captureScreenshot", session=True, format="png")["data"]
        path.write_bytes(base64.b64decode(data))
        return path

    def close(self) -> None:
        try:
            self.call("Browser.close")
        except RuntimeError:
            pass
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        os.close(self._commands)
        os.close(self._replies)
