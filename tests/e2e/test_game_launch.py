#!/usr/bin/env python3
"""Entering the game from the real launcher.exe under Wine: the message when
online.exe is missing, and with the stand-in client (online.exe of
tools/dummy_client) the start of the client with its bare path as the command
line, in the launcher's working directory, with the launcher minimised and
then gone."""

import shutil
import sys
import time
import unittest
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import CLIENT_EXE, LauncherTestCase, dos_path, wait_for_file  # noqa: E402

MISSING_CLIENT_TEXT = "请把登陆器放在Velmora客户端目录内!"
MISSING_CLIENT_TITLE = "提示"
READY_LINE = "本地版本为：1.0 服务器版本为：1.0      可以进行游戏"
CLIENT_TITLE = "Velmora 游戏客户端"
START_RECORD = "online-started.txt"
# Long enough to outlast every check; the cleanup waits for its own end.
CLIENT_SECONDS = 2


def seen_command_line(exe_path):
    """What online.exe reads from GetCommandLineW: its bare, unquoted path, also
    when the path has blanks. The launcher names the program explicitly, so
    nothing has to look for the program's end in the line (and quote it)."""
    return dos_path(exe_path)


@dataclass(frozen=True)
class LaunchCase:
    folder: str           # the client folder's name: the run directory
    window_delay_ms: int  # how late the client makes its window (ready for input)
    # Bounds of the time from the client's start to the launcher's end: the
    # launcher waits for the client to be ready for input, at most one second.
    min_end_ms: int
    max_end_ms: int


# The upper bounds leave room for a loaded machine; the lower one is the real
# check that the launcher waits for a client that is slow to get ready.
LAUNCH_CASES = {
    "client_ready_at_once": LaunchCase("VelmoraClient", 0, 0, 3000),
    # Blanks in the path; the wait gives up after a second: the launcher must not stay for the window.
    "client_slow_to_get_ready": LaunchCase("游戏 客户端 v2", 2000, 500, 3000),
}


class GameLaunchTest(LauncherTestCase):
    """A current client (进入游戏 enabled at once); one launcher run per case."""

    def start_current_launcher(self, folder, files=None, cwd=None, window_delay_ms=0):
        client = self.client(folder=folder, name="Velmora", version="1.0", files=files)
        self.serve({"bb.txt": b"1.0"})
        # The client inherits the launcher's environment.
        run = self.launch(client, cwd=cwd, env={"DUMMY_CLIENT_SECONDS": str(CLIENT_SECONDS),
                                                "DUMMY_CLIENT_WINDOW_DELAY_MS": str(window_delay_ms)})
        self.driver.wait_window(timeout_ms=30000)
        self.assertEqual(self.driver.text("版本更新提示", until=READY_LINE), READY_LINE)
        self.assertTrue(self.driver.enabled("进入游戏"))
        return client, run

    def wait_client_gone(self):
        answer = self.driver.call("wait-gone", timeout_ms=(CLIENT_SECONDS + 10) * 1000, exe=CLIENT_EXE,
                                  expect_ok=False)
        self.assertEqual(answer["exit_code"], 0, f"{CLIENT_EXE} did not end by itself: {answer}")

    def read_start_record(self, client, timeout_s=10):
        """(command line, working directory, Unix ms of the client's start)."""
        path = client / START_RECORD
        self.assertTrue(wait_for_file(path, timeout_s), f"{CLIENT_EXE} did not start within {timeout_s} s")
        command_line, working_directory = path.read_text(encoding="utf-8").splitlines()
        return command_line, working_directory, path.stat().st_mtime * 1000

    def check_launch(self, case):
        elsewhere = self.work / "start here"
        elsewhere.mkdir()
        client, run = self.start_current_launcher(case.folder, files={CLIENT_EXE: self.client_exe.read_bytes()},
                                                  cwd=elsewhere, window_delay_ms=case.window_delay_ms)
        self.addCleanup(self.wait_client_gone)
        self.driver.call("click", "进入游戏")

        if case.window_delay_ms:
            # The launcher waits for the slow client: long enough to see it minimised.
            deadline = time.monotonic() + 3
            seen = None
            while run.process.poll() is None and time.monotonic() < deadline:
                seen = self.driver.call("wait-window", timeout_ms=0, expect_ok=False)
                if seen.get("iconic"):
                    self.screenshot("minimised")
                    break
            self.assertTrue(seen and seen.get("iconic"), f"the launcher was not seen minimised: {seen}")

        ended_ms = run.end_ms(timeout_s=10)
        self.assertEqual(run.process.returncode, 0, f"exit code of launcher.exe\n{run.log()}")
        command_line, working_directory, started_ms = self.read_start_record(client)
        # The full path, no arguments.
        self.assertEqual(command_line, seen_command_line(client / CLIENT_EXE))
        self.assertEqual(working_directory, dos_path(elsewhere))
        took = ended_ms - started_ms
        print(f"launcher ended {took:.0f} ms after {CLIENT_EXE} started ({case.folder!r})")
        self.assertTrue(case.min_end_ms <= took <= case.max_end_ms,
                        f"the launcher ended {took:.0f} ms after the client's start, "
                        f"not within [{case.min_end_ms}, {case.max_end_ms}] ms")

        window = self.driver.wait_window(timeout_ms=case.window_delay_ms + 5000, exe=CLIENT_EXE)
        self.assertEqual(window["title"], CLIENT_TITLE)
        self.assertFalse(window["iconic"], "the client's window is not shown normally")
        self.screenshot("client")
        self.assertEqual(list(elsewhere.iterdir()), [], "files appeared in the working directory")

    def test_missing_client_then_placed(self):
        """Without online.exe: a message and nothing else; the check is made
        anew at the next click, so placing the client afterwards works."""
        client, run = self.start_current_launcher("Velmora Client")
        self.driver.call("click", "进入游戏")
        box = self.driver.wait_messagebox(timeout_ms=10000)
        self.screenshot("missing-client-box")
        self.assertEqual((box["text"], box["title"], box["icon"]), (MISSING_CLIENT_TEXT, MISSING_CLIENT_TITLE, "none"),
                         box["icon_detail"])
        self.assertEqual([button["id"] for button in box["buttons"]], [1], "one OK button")
        self.driver.press_ok()

        window = self.driver.wait_window(timeout_ms=5000)
        self.assertFalse(window["iconic"], "the launcher was minimised without a client to start")
        self.assertTrue(self.driver.enabled("进入游戏"))
        self.assertIsNone(run.process.poll(), f"launcher.exe ended:\n{run.log()}")

        shutil.copy2(self.client_exe, client / CLIENT_EXE)
        self.addCleanup(self.wait_client_gone)
        self.driver.call("click", "进入游戏")
        self.assertEqual(run.wait_exit(timeout_s=10), 0, f"exit code of launcher.exe\n{run.log()}")
        command_line, working_directory, _ = self.read_start_record(client)
        self.assertEqual((command_line, working_directory), (seen_command_line(client / CLIENT_EXE), dos_path(client)))


for _label, _case in LAUNCH_CASES.items():
    setattr(GameLaunchTest, f"test_enter_game_{_label}", lambda self, case=_case: self.check_launch(case))


if __name__ == "__main__":
    unittest.main(verbosity=2)
