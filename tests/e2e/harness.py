"""Runs the real launcher.exe under Wine against devserver and drives it from
outside with e2e-driver.exe. Standard library only.

The programs and the Wine environment come from environment variables that
tests/e2e/CMakeLists.txt sets:
  E2E_LAUNCHER, E2E_DRIVER, E2E_ZGTOOL, E2E_DEVSERVER  the programs
  E2E_CLIENT     online.exe, the stand-in game client (only tests that start it need it)
  E2E_STATE      folder where `scripts/wine-env.sh up` wrote its `env` file
  E2E_ARTIFACTS  folder for screenshots and the start-up time log
"""

import copy
import functools
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import types
import unittest
from pathlib import Path

LAUNCHER_EXE = "launcher.exe"
CLIENT_EXE = "online.exe"
UPDATE_PORT = 8089  # fixed in the launcher
PAGE_PORT = 80
ACCOUNT_PORT = 52001  # fixed in the launcher


class HarnessError(AssertionError):
    """The harness could not do its part; reported like a failed check."""


def _program(variable):
    value = os.environ.get(variable)
    if not value:
        raise HarnessError(f"{variable} is not set: run the e2e tests through ctest")
    path = Path(value)
    if not path.is_file():
        raise HarnessError(
            f"{variable}: {path} does not exist. Build it first: "
            "`cmake --preset win32 && cmake --build --preset win32` for launcher.exe and e2e-driver.exe, "
            "`cmake --build --preset native` for zgtool and devserver")
    return path


def dos_path(path):
    """The path as Windows programs in the prefix see it: Unix folders outside
    the prefix's drive_c are reached through Z:, which maps to /."""
    return "Z:" + str(Path(path).absolute()).replace("/", "\\")


def wait_for_file(path, timeout_s):
    """True once path exists; False when timeout_s passed first."""
    deadline = time.monotonic() + timeout_s
    while not Path(path).exists():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def _tail(path, lines=20):
    try:
        text = Path(path).read_text(errors="replace")
    except OSError:
        return ""
    return "\n".join(text.splitlines()[-lines:])


class Wine:
    """The prefix and display that the ctest fixture made, for every Wine program."""

    def __init__(self, state_dir):
        env_file = Path(state_dir) / "env"
        if not env_file.is_file():
            raise HarnessError(f"{env_file} is missing: the fixture `scripts/wine-env.sh up` did not run or failed")
        self.env = dict(os.environ)
        for line in env_file.read_text().splitlines():
            key, sep, value = line.partition("=")
            if sep:
                self.env[key] = value
        # Wine turns the Unix command line into UTF-16 with the Unix charset:
        # make it UTF-8 so Chinese arguments arrive intact.
        self.env["LANG"] = "C.UTF-8"
        self.env.pop("LC_ALL", None)

    def with_env(self, extra):
        """The same prefix and display, with further environment variables."""
        other = copy.copy(self)
        other.env = {**self.env, **extra}
        return other

    def popen(self, args, cwd, log_path):
        log = open(log_path, "wb")
        try:
            return subprocess.Popen(["wine", *args], cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT)
        finally:
            log.close()

    def run(self, args, timeout_s, cwd=None):
        """Runs a Wine program to its end and returns (exit status, stdout, stderr) as bytes.
        The output goes through files, not pipes: helper processes that Wine
        starts on demand (services, winedevice) inherit the handles and would
        hold a pipe open long after the program has ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(["wine", *args], cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err)
            try:
                process.wait(timeout=timeout_s)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=10)
                raise
            out.seek(0)
            err.seek(0)
            return process.returncode, out.read(), err.read()

    def screenshot(self, path):
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        try:
            subprocess.run(["/usr/bin/import", "-display", self.env["DISPLAY"], "-window", "root", str(path)],
                           env=self.env, capture_output=True, timeout=30, check=True)
            return True
        except (subprocess.SubprocessError, OSError):
            return False


class DriverFailure(AssertionError):
    """e2e-driver.exe answered with an error; the message shows what it saw."""


class Driver:
    """e2e-driver.exe: each call runs one command and returns its JSON answer."""

    def __init__(self, wine, exe):
        self.wine = wine
        self.exe = exe

    def call(self, command, *args, timeout_ms=10000, expect_ok=True, exe=LAUNCHER_EXE):
        argv = [str(self.exe), command, *map(str, args), "--timeout", str(timeout_ms)]
        if exe:
            argv += ["--exe", exe]
        try:
            returncode, stdout, stderr = self.wine.run(argv, timeout_s=timeout_ms / 1000 + 30)
        except subprocess.TimeoutExpired:
            raise DriverFailure(f"e2e-driver {command} {' '.join(map(str, args))} hung past its own timeout")
        lines = [line for line in stdout.decode("utf-8", "replace").splitlines() if line.strip()]
        try:
            answer = json.loads(lines[-1]) if lines else {}
        except json.JSONDecodeError:
            answer = {"unparsed": lines[-1]}
        answer["exit_code"] = returncode
        if expect_ok and returncode != 0:
            message = answer.get("error") or stderr.decode("utf-8", "replace").strip()
            saw = json.dumps(answer.get("saw"), ensure_ascii=False, indent=1)
            raise DriverFailure(
                f"e2e-driver {command} {' '.join(map(str, args))} failed (exit {returncode}): "
                f"{message}\nthe driver saw: {saw}")
        return answer

    # The commands, by name.
    def wait_window(self, timeout_ms=30000, **kw):
        return self.call("wait-window", timeout_ms=timeout_ms, **kw)

    def controls(self, **kw):
        return self.call("controls", **kw)

    def _read(self, command, control, until, timeout_ms):
        """A property of a control. With until, waits (bounded) for that value
        and returns the last value read either way, for the caller to compare."""
        if until is None:
            return self.call(command, control, timeout_ms=timeout_ms)[command]
        wanted = until if isinstance(until, str) else ("true" if until else "false")
        answer = self.call(command, control, "--until", wanted, timeout_ms=timeout_ms, expect_ok=False)
        if answer["exit_code"] == 0:
            return answer[command]
        saw = answer.get("saw") or {}
        if command in saw:
            return saw[command]
        raise DriverFailure(f"e2e-driver {command} {control} failed: {answer.get('error')}\n"
                            f"the driver saw: {json.dumps(saw, ensure_ascii=False)}")

    def text(self, control, until=None, timeout_ms=5000):
        return self._read("text", control, until, timeout_ms)

    def enabled(self, control, until=None, timeout_ms=5000):
        return self._read("enabled", control, until, timeout_ms)

    def visible(self, control, until=None, timeout_ms=5000):
        return self._read("visible", control, until, timeout_ms)

    def list_items(self, control, **kw):
        return self.call("list-items", control, **kw)

    def wait_messagebox(self, **kw):
        return self.call("wait-messagebox", **kw)

    def press_ok(self, **kw):
        return self.call("press-ok", **kw)

    def wait_gone(self, **kw):
        return self.call("wait-gone", **kw)


class DevServer:
    """devserver on the launcher's fixed ports, serving the files of root.

    database: SQLite file of the accounts (in memory when None);
    account_replies: scripted replies of the account gateway, in order;
    faults: further devserver options, e.g. ["--truncate-at", "100"];
    require_account: fail the start unless the account gateway listens on
    the launcher's port (devserver only warns when it cannot bind it)."""

    def __init__(self, exe, root, log_dir, database=None, account_replies=(), faults=(), require_account=False):
        self.exe = exe
        self.root = Path(root)
        self.ports_file = Path(log_dir) / "devserver.ports"
        self.log_path = Path(log_dir) / "devserver.log"
        self.process = None
        self.database = database
        self.extra_args = [*(["--database", str(database)] if database else []),
                           *[arg for reply in account_replies for arg in ("--account-reply", reply)],
                           *map(str, faults)]
        self.require_account = require_account

    def start(self, timeout_s=10, busy_retry_s=15):
        # The ports are fixed, so another program on this machine (a demo run)
        # may hold them for a while: retry, bounded, before giving up.
        deadline = time.monotonic() + busy_retry_s
        while True:
            try:
                return self._start_once(timeout_s)
            except HarnessError:
                if time.monotonic() > deadline or self.process.returncode != 1:
                    raise
                time.sleep(0.5)

    def _start_once(self, timeout_s):
        log = open(self.log_path, "wb")
        try:
            self.process = subprocess.Popen(
                [str(self.exe), "--root", str(self.root), "--update-port", str(UPDATE_PORT),
                 "--page-port", str(PAGE_PORT), "--ports-file", str(self.ports_file), "--verbose",
                 *self.extra_args],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        finally:
            log.close()
        deadline = time.monotonic() + timeout_s
        while not self.ports_file.is_file():
            if self.process.poll() is not None:
                raise HarnessError(f"devserver exited with {self.process.returncode} at start "
                                   f"(is port {UPDATE_PORT} or {PAGE_PORT} taken?):\n{_tail(self.log_path)}")
            if time.monotonic() > deadline:
                self.stop()
                raise HarnessError(f"devserver did not come up within {timeout_s} s:\n{_tail(self.log_path)}")
            time.sleep(0.02)
        ports = dict(line.split("=", 1) for line in self.ports_file.read_text().split())
        if ports.get("update_port") != str(UPDATE_PORT):
            self.stop()
            raise HarnessError(f"devserver listens on {ports}, not on the launcher's port {UPDATE_PORT}")
        if self.require_account and ports.get("account_port") != str(ACCOUNT_PORT):
            self.stop()
            raise HarnessError(f"devserver's account gateway is not on the launcher's port {ACCOUNT_PORT} "
                               f"(is it taken?): {ports}\n{_tail(self.log_path)}")
        return self

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=5)

    def _logged(self):
        """(port, rest) of every request line of the log so far."""
        for line in self.log_path.read_text(encoding="utf-8", errors="replace").splitlines():
            peer, arrow, rest = line.partition(" -> :")
            if arrow:
                port, _, rest = rest.partition(" ")
                yield port, rest

    def requests(self):
        """The HTTP requests devserver answered so far, as 'GET /bb.txt 200' lines."""
        return [rest for port, rest in self._logged() if port != str(ACCOUNT_PORT)]

    # "text" outcome "reply", with control bytes and backslashes as \xHH.
    _GATEWAY_LINE = re.compile(
        r'^"(?P<text>.*)" (?P<outcome>created|exists|malformed|unknown command|store failed|too long|scripted) '
        r'"(?P<reply>.*)"$')

    def gateway_requests(self):
        """What the account gateway received so far: (deciphered text, outcome,
        reply) per request, texts as str."""
        unescape = functools.partial(re.sub, r"\\x([0-9A-F]{2})", lambda m: chr(int(m.group(1), 16)))
        out = []
        for port, rest in self._logged():
            if port == str(ACCOUNT_PORT):
                match = self._GATEWAY_LINE.match(rest)
                if not match:
                    raise HarnessError(f"unreadable account gateway line in the devserver log: {rest!r}")
                out.append((unescape(match["text"]), match["outcome"], unescape(match["reply"])))
        return out

    def wait_gateway_requests(self, count, timeout_s=10):
        """The account gateway's records once there are at least count of them."""
        deadline = time.monotonic() + timeout_s
        while True:
            records = self.gateway_requests()
            if len(records) >= count or time.monotonic() > deadline:
                return records
            time.sleep(0.02)


class LauncherRun:
    """One `wine launcher.exe` in a client folder; the Wine process is the
    launcher's own process, so its exit status is the launcher's exit code.

    cwd: the working directory to start it in (default: the client folder);
    env: further environment variables, which a client it starts inherits."""

    def __init__(self, wine, client_dir, log_path, cwd=None, env=None):
        self.wine = wine
        self.client_dir = Path(client_dir)
        self.cwd = Path(cwd) if cwd else self.client_dir
        self.extra_env = dict(env or {})
        self.log_path = log_path
        self.process = None
        self.started_ms = None
        self.ended_ms = None  # when the process ended, as seen on the Linux side

    def start(self):
        self.started_ms = time.time() * 1000
        # Started elsewhere, Wine needs the program's own path.
        program = LAUNCHER_EXE if self.cwd == self.client_dir else str((self.client_dir / LAUNCHER_EXE).absolute())
        wine = self.wine.with_env(self.extra_env) if self.extra_env else self.wine
        self.process = wine.popen([program], cwd=self.cwd, log_path=self.log_path)
        # Notes the moment of the end, for checks of how soon it comes.
        self._end_watch = threading.Thread(target=self._note_end, daemon=True)
        self._end_watch.start()
        return self

    def _note_end(self):
        self.process.wait()
        self.ended_ms = time.time() * 1000

    def end_ms(self, timeout_s):
        """When the process ended (Unix ms, Linux clock); waits for the end, bounded."""
        self.wait_exit(timeout_s)
        self._end_watch.join(timeout=5)
        return self.ended_ms

    def wait_exit(self, timeout_s):
        try:
            return self.process.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"launcher.exe was still running {timeout_s} s later") from None

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)

    def log(self):
        return _tail(self.log_path)


def make_client(folder, launcher, zgtool, name=None, version=None, patch_name=None, files=None):
    """A game client folder: launcher.exe, a zg.ini made by zgtool when a name
    is given (none otherwise), and any further files (name -> bytes)."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(launcher, folder / LAUNCHER_EXE)
    if name is not None:
        args = [str(zgtool), "init", str(folder / "zg.ini"), "--name", name, "--version", version or ""]
        if patch_name is not None:
            args += ["--patch-name", patch_name]
        done = subprocess.run(args, capture_output=True, timeout=30)
        if done.returncode != 0:
            raise HarnessError(f"zgtool init failed ({done.returncode}): {done.stderr.decode(errors='replace')}")
    for file_name, content in (files or {}).items():
        (folder / file_name).write_bytes(content)
    return folder


class LauncherTestCase(unittest.TestCase):
    """One Wine run of launcher.exe per test; everything it starts is stopped
    by the cleanups, in reverse order, whatever the outcome."""

    maxDiff = None

    def __init__(self, methodName="runTest"):
        super().__init__(methodName)
        test = getattr(self, methodName, None)
        if methodName.startswith("test") and callable(test):
            setattr(self, methodName, self._screenshot_on_failure(test))

    def _screenshot_on_failure(self, test):
        """Saves the screen as it is when a check fails, before the clean-ups
        close the launcher."""
        @functools.wraps(test)
        def run(self):
            try:
                return test()
            except Exception:
                self.screenshot("failure")
                raise
        return types.MethodType(run, self)  # a bound method, as unittest's loader expects

    def setUp(self):
        self.launcher_exe = _program("E2E_LAUNCHER")
        self.driver_exe = _program("E2E_DRIVER")
        self.zgtool = _program("E2E_ZGTOOL")
        self.devserver_exe = _program("E2E_DEVSERVER")
        self.wine = Wine(os.environ.get("E2E_STATE", ""))
        self.artifacts = Path(os.environ.get("E2E_ARTIFACTS", tempfile.gettempdir()))
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.work = Path(tempfile.mkdtemp(prefix="launcher-e2e-"))
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.driver = Driver(self.wine, self.driver_exe)
        # A launcher left over from an earlier, killed run would answer in its place.
        self.driver.wait_gone(timeout_ms=5000)

    def shot_name(self, label):
        return f"{self.id().split('.', 1)[-1]}-{label}.png".replace("/", "_")

    def screenshot(self, label):
        path = self.artifacts / self.shot_name(label)
        if self.wine.screenshot(path):
            print(f"screenshot: {path}")
        return path

    def serve(self, files, **options):
        """devserver with files in its root; options as DevServer takes them."""
        root = self.work / "server"
        root.mkdir(exist_ok=True)
        for name, content in files.items():
            (root / name).write_bytes(content)
        server = DevServer(self.devserver_exe, root, self.work, **options)
        self.addCleanup(server.stop)
        return server.start()

    @property
    def client_exe(self):
        """online.exe, the stand-in game client of the win32 build."""
        return _program("E2E_CLIENT")

    def client(self, folder="client", **kw):
        return make_client(self.work / folder, self.launcher_exe, self.zgtool, **kw)

    def launch(self, client_dir, cwd=None, env=None):
        self._runs = getattr(self, "_runs", 0) + 1
        log = self.work / ("launcher.log" if self._runs == 1 else f"launcher-{self._runs}.log")
        run = LauncherRun(self.wine, client_dir, log, cwd=cwd, env=env)
        self.addCleanup(self._stop_launcher, run)
        return run.start()

    def _stop_launcher(self, run):
        run.kill()
        # Killing the Unix process ends the Windows process; make sure its
        # windows are gone before the next test looks for a launcher.
        answer = self.driver.call("wait-gone", timeout_ms=10000, expect_ok=False)
        if answer["exit_code"] != 0:
            raise HarnessError(f"launcher.exe is still there after it was killed: {answer.get('saw')}")

    def record_startup(self, run, window):
        """Prints and logs the start-up time: process start to main window visible."""
        total = window["seen_ms"] - run.started_ms
        line = f"{self.id()}: {total:.0f} ms from `wine launcher.exe` to the main window visible"
        if window.get("process_start_ms"):
            line += f" ({window['seen_ms'] - window['process_start_ms']} ms from the Windows process's creation)"
        print("start-up time under Wine: " + line)
        with open(self.artifacts / "startup-times.txt", "a", encoding="utf-8") as log:
            log.write(line + "\n")
