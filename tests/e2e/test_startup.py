#!/usr/bin/env python3
"""Start-up of the real launcher.exe under Wine, against devserver on loopback:
the window title, the version line, the enter-game button, the server row and
the missing-zg.ini message box, read from outside through Win32 messages."""

import sys
import unittest
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import LauncherTestCase  # noqa: E402

MAIN_WINDOW_SIZE = (973, 475)
SERVER_LIST_COLUMNS = ["服务器名称", "开启线路", "当前状态", "连接速度", "选项"]
MISSING_CONFIG_TEXT = "文件打开失败，请检查客户端zg.ini配置文件是否存在。"
DEFAULT_MESSAGE_TITLE = "信息："


@dataclass(frozen=True)
class VersionCase:
    name: str             # "name" in zg.ini: the window title and the row's first column
    local: str            # "本地版本" in zg.ini
    served: bytes         # the body of /bb.txt
    version_line: str     # what 版本更新提示 must read
    current: bool         # 进入游戏 enabled and the progress bars hidden, or the reverse
    leftover_zip: bool = False  # an up.zip of an earlier run lies in the client folder


VERSION_CASES = {
    "equal_versions": VersionCase(
        "青龙一区", "1.0", b"1.0",
        "本地版本为：1.0 服务器版本为：1.0      可以进行游戏", current=True, leftover_zip=True),
    "different_versions": VersionCase(
        "Demo Server", "1.0", b"1.1",
        "本地版本为：1.0 服务器版本为：1.1      请等待更新", current=False),
    # The body is the version as it is: its line break makes the versions differ.
    "server_version_with_crlf": VersionCase(
        "青龙·怀旧服", "1.0", b"1.0\r\n",
        "本地版本为：1.0 服务器版本为：1.0\r\n      请等待更新", current=False),
}


class VersionOutcomeTest(LauncherTestCase):
    """What the player sees once the start-up sequence has compared the versions."""

    def check_version_outcome(self, case):
        files = {"up.zip": b"a patch archive left by an earlier run"} if case.leftover_zip else {}
        client = self.client(name=case.name, version=case.local, files=files)
        server = self.serve({"bb.txt": case.served})
        run = self.launch(client)

        window = self.driver.wait_window(timeout_ms=30000)
        self.record_startup(run, window)
        self.assertEqual(window["title"], case.name)
        self.assertEqual((window["width"], window["height"]), MAIN_WINDOW_SIZE)
        self.assertFalse(window["iconic"])

        self.assertEqual(self.driver.text("版本更新提示", until=case.version_line), case.version_line)
        self.assertEqual(self.driver.enabled("进入游戏", until=case.current), case.current)
        for bar in ("下载进度条", "解压进度条"):
            self.assertEqual(self.driver.visible(bar, until=not case.current), not case.current, f"{bar} shown")
        self.screenshot("main")

        servers = self.driver.list_items("服务器列表信息")
        self.assertEqual([column["text"] for column in servers["columns"]], SERVER_LIST_COLUMNS)
        self.assertEqual(len(servers["rows"]), 1, servers["rows"])
        name, route, state, latency, option = servers["rows"][0]
        self.assertEqual((name, route, state, option), (case.name, "全网", "正常", ""))
        number, _, unit = latency.partition(" ")
        self.assertTrue(unit == "Ms" and number.isdigit() and 5 <= int(number) <= 120, f"latency {latency!r}")

        self.assertIn("GET /bb.txt 200", server.requests())
        if case.leftover_zip:
            self.assertFalse((client / "up.zip").exists(), "the leftover up.zip is still there")
        self.assertIsNone(run.process.poll(), f"launcher.exe ended on its own:\n{run.log()}")


for _label, _case in VERSION_CASES.items():
    setattr(VersionOutcomeTest, f"test_{_label}", lambda self, case=_case: self.check_version_outcome(case))


class MissingConfigTest(LauncherTestCase):
    """No zg.ini: a message box, nothing else, and exit code 0 once it is dismissed."""

    def test_message_box_then_exit_code_0(self):
        client = self.client()  # no zg.ini
        server = self.serve({"bb.txt": b"1.0"})
        run = self.launch(client)

        box = self.driver.wait_messagebox(timeout_ms=30000)
        self.screenshot("message-box")
        self.assertEqual(box["text"], MISSING_CONFIG_TEXT)
        self.assertEqual(box["title"], DEFAULT_MESSAGE_TITLE)
        self.assertEqual(box["icon"], "error", box["icon_detail"])
        self.assertEqual([button["id"] for button in box["buttons"]], [1], "one OK button")

        # The check comes before any network access and ends the sequence:
        # no fetch of /bb.txt, and the main window is never shown.
        self.assertEqual(server.requests(), [])
        shown = self.driver.call("wait-window", timeout_ms=0, expect_ok=False)
        self.assertNotEqual(shown["exit_code"], 0, f"a launcher window is visible behind the message box: {shown}")

        self.driver.press_ok()
        self.assertEqual(run.wait_exit(timeout_s=15), 0, f"exit code of launcher.exe\n{run.log()}")
        self.assertEqual(server.requests(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
