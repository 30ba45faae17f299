"""Drives the installed Medora on a real X server as a user would.

Controls are found by the words a user reads, through the accessibility bus (AT-SPI); keys
and clicks go through xdotool; results are read from the records database with the sqlite3
shell. Nothing inside the program knows it is being tested.
"""

import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = 15.0


class JourneyFailure(AssertionError):
    pass


def fail(message):
    raise JourneyFailure(message)


def wait_for(what, probe, timeout=TIMEOUT):
    end = time.time() + timeout
    while time.time() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    fail("gave up waiting for " + what)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def walk(node, depth=0):
    """The node and what shows below it; the cells of tables and hidden screens are left out."""
    if node is None or depth > 30:
        return
    yield node
    try:
        if node.getRoleName() in ("table", "list", "menu bar", "page tab list"):
            return
        children = [child for child in node if child is not None and showing(child)]
    except Exception:
        return
    for child in children:
        yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


class Medora:
    def __init__(self, prefix, data_dir):
        self.prefix = prefix
        self.data_dir = data_dir
        self.process = None
        self.app = None
        self.main = None

    # The program

    def start(self):
        # The accessibility bus starts on first use; have it up before the program looks.
        wait_for("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)
        env = dict(os.environ, MEDORA_DATA_DIR=self.data_dir, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        log = open(os.path.join(self.data_dir, "..", "medora.log"), "ab")
        self.process = subprocess.Popen([os.path.join(self.prefix, "bin", "medora")], env=env,
                                        stdout=log, stderr=log)
        self.app = wait_for("Medora on the accessibility bus", self._find_app, timeout=40)
        if os.environ.get("MEDORA_DATABASE"):
            self.sign_in_to_server()
        return self

    def sign_in_to_server(self):
        """On a server every start asks who signs in; the connection's login is filled in, and
        the tests' server asks it for no password."""
        self.press("Sign in", within=self.window("Sign in"))

    def main_window(self):
        self.main = self.window("Medora 1.0 - [")

    def _find_app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "Medora 1.0":
                return app
        return None

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)

    def ended(self):
        try:
            self.process.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            fail("Medora did not end")
        return self.process.returncode

    # Windows

    def windows(self):
        return [w for w in self.app if w is not None]

    def window(self, title_start):
        def probe():
            for w in self.windows():
                if w.name.startswith(title_start) and showing(w):
                    return w
            return None
        return wait_for("a window titled " + repr(title_start), probe)

    def screen_title(self):
        return self.main.name

    def wait_screen(self, title):
        wanted = "Medora 1.0 - [" + title + "]"
        wait_for("the screen " + repr(title), lambda: self.main.name == wanted)

    # Controls

    def find(self, role, name, within=None, timeout=TIMEOUT):
        roots = [within] if within is not None else self.windows()

        def probe():
            for root in roots:
                for node in walk(root):
                    try:
                        if node.getRoleName() == role and node.name == name and showing(node):
                            return node
                    except Exception:
                        continue
            return None
        return wait_for("%s %r" % (role, name), probe, timeout)

    def center(self, node):
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x + box.width // 2, box.y + box.height // 2

    def in_main_window(self, node):
        while node is not None and node.getRoleName() not in ("frame", "dialog", "alert"):
            node = node.parent
        return node is not None and self.main is not None and node.name == self.main.name

    def bring_into_view(self, node):
        """Scrolls a form taller than the main window with the mouse wheel until node shows."""
        if not self.in_main_window(node):
            return
        frame = self.main.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        top, bottom = frame.y + 90, frame.y + frame.height - 30
        for _ in range(30):
            y = self.center(node)[1]
            if top <= y <= bottom:
                return
            xdotool("mousemove", "--sync", str(frame.x + frame.width // 2), str((top + bottom) // 2))
            xdotool("click", "5" if y > bottom else "4")
            time.sleep(0.1)
        fail("could not scroll %r into view" % node.name)

    def click(self, role, name, within=None, double=False):
        node = self.find(role, name, within)
        self.bring_into_view(node)
        x, y = self.center(node)
        xdotool("mousemove", "--sync", str(x), str(y))
        xdotool("click", "--repeat", "2" if double else "1", "--delay", "80", "1")
        time.sleep(0.3)

    def press(self, name, within=None):
        self.click("push button", name, within)

    def type_into(self, name, text, role="text", within=None):
        self.click(role, name, within)
        xdotool("key", "ctrl+a", "BackSpace")
        if text:
            xdotool("type", "--delay", "30", text)
        time.sleep(0.2)

    def keys(self, *names):
        xdotool("key", "--delay", "80", *names)
        time.sleep(0.3)

    def text_of(self, name, role="text", within=None):
        node = self.find(role, name, within)
        return node.queryText().getText(0, -1)

    def table_rows(self, name, within=None):
        table = self.find("table", name, within).queryTable()
        rows = []
        for r in range(table.nRows):
            rows.append([table.getAccessibleAt(r, c).name for c in range(table.nColumns)])
        return rows

    # Message boxes

    def answer(self, caption, button, expect_text=None):
        box = self.window(caption)
        if expect_text is not None:
            texts = [n.name for n in walk(box) if n.getRoleName() == "label"]
            if not any(expect_text in t for t in texts):
                fail("the box %r says %r, not %r" % (caption, texts, expect_text))
        self.press(button, within=box)

    def add_patient(self, first, last):
        """Registers a newborn from the main menu and comes back to it."""
        self.press("- Add a new patient")
        self.wait_screen("Add new patient record")
        self.type_into("First Name *", first)
        self.type_into("Last Name *", last)
        self.press("Add")
        self.answer("Confirmation", "Yes", "The date of birth is today's date.")
        self.answer("Confirmation", "No")
        self.wait_screen("Main Menu")

    # Records

    def sql(self, query):
        """Rows of the records in use: the data folder's file, or the server MEDORA_DATABASE
        names."""
        server = os.environ.get("MEDORA_DATABASE")
        command = (["psql", "-X", "-A", "-t", "-F", "|", "-d", server, "-c", query] if server
                   else ["sqlite3", os.path.join(self.data_dir, "clinic_db.mdb"), query])
        out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
        return [line.split("|") for line in out.splitlines()]


def run(journey, start=True):
    """Runs one journey function, with Medora started unless the journey starts it; the exit
    code tells CTest."""
    prefix, data_dir = sys.argv[1], sys.argv[2]
    medora = Medora(prefix, data_dir)
    try:
        if start:
            medora.start().main_window()
        journey(medora)
        print("journey passed")
        return 0
    except JourneyFailure as failure:
        subprocess.run(["import", "-window", "root", os.path.join(data_dir, "..", "failure.png")])
        print("journey failed:", failure)
        return 1
    finally:
        medora.stop()
