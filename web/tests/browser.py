"""Debian's Chromium, headless, driven over the DevTools protocol on a pipe
(--remote-debugging-pipe): no port, no WebSocket library, nothing downloaded.

    with Browser() as browser:
        page = browser.new_page(width=1280)
        page.open('file:///.../index.html#seed=abc')
        page.wait_for('document.body.dataset.state === "done"')
        text = page.evaluate('document.getElementById("pbn").value')
"""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM = '/usr/bin/chromium'
FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync',
         '--disable-dev-shm-usage', '--hide-scrollbars', '--remote-debugging-pipe']


class BrowserError(Exception):
    pass


class Browser:
    def __init__(self, timeout=60):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix='tarrow-chromium-')
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def plumb():  # the pipe ends the protocol expects: 3 reads commands, 4 writes answers
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        log = open(os.path.join(self.profile, 'chromium.log'), 'wb')
        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, f'--user-data-dir={self.profile}', 'about:blank'],
            pass_fds=(3, 4), preexec_fn=plumb,
            stdout=subprocess.DEVNULL, stderr=log)
        log.close()
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._answers = {}
        self.events = []
        self._lock = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        buffer = b''
        while True:
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                break
            buffer += chunk
            while b'\0' in buffer:
                raw, buffer = buffer.split(b'\0', 1)
                message = json.loads(raw)
                with self._lock:
                    if 'id' in message:
                        self._answers[message['id']] = message
                    else:
                        self.events.append(message)
                    self._lock.notify_all()
        with self._lock:
            self._lock.notify_all()

    def send(self, method, params=None, session=None):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {'id': ident, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        os.write(self._to_browser, json.dumps(message).encode() + b'\0')
        deadline = time.monotonic() + self.timeout
        with self._lock:
            while ident not in self._answers:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise BrowserError(f'no answer to {method}')
                self._lock.wait(0.5)
            answer = self._answers.pop(ident)
        if 'error' in answer:
            raise BrowserError(f'{method}: {answer["error"]}')
        return answer.get('result', {})

    def wait_event(self, predicate, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        with self._lock:
            while True:
                for event in self.events:
                    if predicate(event):
                        self.events.remove(event)
                        return event
                if time.monotonic() > deadline:
                    raise BrowserError('the awaited event did not come')
                self._lock.wait(0.5)

    def new_page(self, width=1280, height=900):
        target = self.send('Target.createTarget', {'url': 'about:blank'})['targetId']
        session = self.send('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        page = Page(self, session)
        page.send('Page.enable')
        page.send('Runtime.enable')
        page.resize(width, height)
        return page

    def close(self):
        try:
            self.send('Browser.close')
        except BrowserError:
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session

    def send(self, method, params=None):
        return self.browser.send(method, params, self.session)

    def resize(self, width, height):
        self.send('Emulation.setDeviceMetricsOverride',
                  {'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': width < 600})

    def open(self, url):
        self.send('Page.navigate', {'url': url})
        self.browser.wait_event(lambda e: e.get('method') == 'Page.loadEventFired'
                                and e.get('sessionId') == self.session)

    def evaluate(self, expression, gesture=False):
        answer = self.send('Runtime.evaluate', {'expression': expression, 'returnByValue': True,
                                                'awaitPromise': True, 'userGesture': gesture})
        if 'exceptionDetails' in answer:
            raise BrowserError(f'{expression}: {answer["exceptionDetails"]}')
        return answer['result'].get('value')

    def wait_for(self, expression, timeout=120):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.05)
        raise BrowserError(f'still not true after {timeout} s: {expression}')

    def click(self, selector):
        self.evaluate(f'document.querySelector({json.dumps(selector)}).click()', gesture=True)

    def choose_file(self, selector, path):
        root = self.send('DOM.getDocument')['root']['nodeId']
        node = self.send('DOM.querySelector', {'nodeId': root, 'selector': selector})['nodeId']
        self.send('DOM.setFileInputFiles', {'nodeId': node, 'files': [path]})

    def drop_file(self, path):
        """Drops the file on the page as a file manager's drag would."""
        with open(path, 'rb') as f:
            data = base64.b64encode(f.read()).decode('ascii')
        name = json.dumps(os.path.basename(path))
        self.evaluate(f"""(() => {{
            const bytes = Uint8Array.from(atob('{data}'), (c) => c.charCodeAt(0));
            const carried = new DataTransfer();
            carried.items.add(new File([bytes], {name}));
            for (const type of ['dragenter', 'dragover', 'drop']) {{
              document.body.dispatchEvent(new DragEvent(type, {{dataTransfer: carried, bubbles: true,
                                                               cancelable: true}}));
            }}
        }})()""", gesture=True)

    def allow_downloads(self, folder):
        self.browser.send('Browser.setDownloadBehavior',
                          {'behavior': 'allow', 'downloadPath': folder, 'eventsEnabled': True})

    def screenshot(self, path):
        height = self.evaluate('Math.ceil(document.documentElement.scrollHeight)')
        width = self.evaluate('document.documentElement.clientWidth')
        shot = self.send('Page.captureScreenshot',
                         {'format': 'png', 'captureBeyondViewport': True,
                          'clip': {'x': 0, 'y': 0, 'width': width, 'height': height, 'scale': 1}})
        with open(path, 'wb') as f:
            f.write(base64.b64decode(shot['data']))
