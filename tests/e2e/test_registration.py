#!/usr/bin/env python3
"""Account registration in the real launcher.exe under Wine, against
devserver's account gateway on the launcher's port: what the player types and
sees, what the gateway receives and keeps, and the account file the launcher
writes into the client folder."""

import sqlite3
import sys
import unittest
from contextlib import closing
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import LauncherTestCase, wait_for_file  # noqa: E402

ACCOUNT_FILE = "Velmora帐号信息.txt"
SUCCESS_TEXT = "注册成功，帐号密码保存在您的客户端目录"
DEFAULT_MESSAGE_TITLE = "信息："
HINT_TITLE = "温馨提示"
INCOMPLETE_TEXT = "请输入完整的注册信息"
SAME_AS_ACCOUNT_TEXT = "密码不能与账号密码相同"
READY_LINE = "本地版本为：1.0 服务器版本为：1.0      可以进行游戏"


def account_text(account, password):
    """The account file's bytes: four lines, GBK, no line end after the last."""
    return f"帐号：{account}\r\n密码：{password}\r\n二级密码：\r\n系统提示：祝您游戏愉快".encode("gbk")


@dataclass(frozen=True)
class NewAccount:
    account: str
    password: str


NEW_ACCOUNTS = {
    "latin_name": NewAccount("velmora_01", "Pa55word"),
    # Goes out and into the file as GBK; an empty password passes validation
    # and leaves the request ending with the separator.
    "chinese_name_empty_password": NewAccount("青龙玩家", ""),
}


class RegistrationTest(LauncherTestCase):
    """A client that is current, the account gateway on its port, and one
    launcher run per case."""

    def start_launcher(self, server=None):
        if server is None:
            server = self.serve({"bb.txt": b"1.0"}, database=self.work / "accounts.db", require_account=True)
        client = self.work / "client"
        if not client.exists():
            self.client(name="Velmora", version="1.0")
        run = self.launch(client)
        self.driver.wait_window(timeout_ms=30000)
        # The start-up sequence has run to its end once the version line is set.
        self.assertEqual(self.driver.text("版本更新提示", until=READY_LINE), READY_LINE)
        return client, server, run

    def type_account(self, account, password):
        self.assertEqual(self.driver.call("set-text", "注册的账号名称", account)["text"], account)
        self.driver.call("set-text", "注册的密码信息", password)

    def stored_accounts(self):
        with closing(sqlite3.connect(self.work / "accounts.db")) as db:
            return [(bytes(name).decode("gbk"), bytes(password).decode("gbk"))
                    for name, password in db.execute("SELECT name, password FROM accounts ORDER BY name")]

    def wait_account_file(self, client, timeout_s=5):
        path = client / ACCOUNT_FILE
        self.assertTrue(wait_for_file(path, timeout_s), f"{ACCOUNT_FILE} was not written within {timeout_s} s of OK")
        return path.read_bytes()

    def check_new_account(self, case):
        client, server, run = self.start_launcher()
        self.assertTrue(self.driver.enabled("确定注册"))
        self.type_account(case.account, case.password)
        self.screenshot("typed")
        self.driver.call("click", "确定注册")

        box = self.driver.wait_messagebox(timeout_ms=10000)
        self.screenshot("success-box")
        self.assertEqual((box["text"], box["title"], box["icon"]), (SUCCESS_TEXT, DEFAULT_MESSAGE_TITLE, "none"),
                         box["icon_detail"])
        self.assertEqual([button["id"] for button in box["buttons"]], [1], "one OK button")
        self.assertEqual(server.wait_gateway_requests(1),
                         [(f"1|{case.account}|{case.password}", "created", "1")])
        # The file comes only once the player has closed the box.
        self.assertFalse((client / ACCOUNT_FILE).exists(), "the account file was written before OK")

        self.driver.press_ok()
        self.assertEqual(self.wait_account_file(client), account_text(case.account, case.password))
        self.assertEqual(self.stored_accounts(), [(case.account, case.password)])
        # One attempt per run.
        self.assertFalse(self.driver.enabled("确定注册"))
        self.assertEqual(sorted(p.name for p in client.iterdir()), sorted(["launcher.exe", "zg.ini", ACCOUNT_FILE]),
                         "only the account file is new in the client folder")
        self.assertIsNone(run.process.poll(), f"launcher.exe ended:\n{run.log()}")

    def test_validation_then_a_case_variant_password_passes(self):
        """Failed validations leave the button live and send nothing; a password
        that differs from the name only in letter case is no failure."""
        client, server, run = self.start_launcher()
        for label, account, password, message in [
            ("no-account", "", "secret", INCOMPLETE_TEXT),  # whatever the password
            ("nothing", "", "", INCOMPLETE_TEXT),
            ("password-is-account", "player7", "player7", SAME_AS_ACCOUNT_TEXT),
        ]:
            with self.subTest(label):
                self.type_account(account, password)
                self.driver.call("click", "确定注册")
                box = self.driver.wait_messagebox(timeout_ms=10000)
                self.screenshot(f"{label}-box")
                self.assertEqual((box["text"], box["title"], box["icon"]), (message, HINT_TITLE, "error"),
                                 box["icon_detail"])
                self.assertEqual([button["id"] for button in box["buttons"]], [1], "one OK button")
                self.driver.press_ok()
                self.assertTrue(self.driver.enabled("确定注册"), "确定注册 disabled by a failed validation")
        self.assertEqual(server.gateway_requests(), [], "a failed validation reached the gateway")

        self.type_account("Player7", "player7")
        self.driver.call("click", "确定注册")
        box = self.driver.wait_messagebox(timeout_ms=10000)
        self.assertEqual(box["text"], SUCCESS_TEXT)
        self.driver.press_ok()
        self.assertEqual(self.wait_account_file(client), account_text("Player7", "player7"))
        self.assertEqual(server.gateway_requests(), [("1|Player7|player7", "created", "1")])

    def test_existing_account_gets_no_box_and_no_file(self):
        """The same name in a second run: the gateway answers that it exists,
        and the launcher shows and writes nothing."""
        client, server, first = self.start_launcher()
        self.type_account("velmora_dup", "first")
        self.driver.call("click", "确定注册")
        self.driver.press_ok(timeout_ms=10000)
        self.assertEqual(self.wait_account_file(client), account_text("velmora_dup", "first"))
        self.driver.call("click", "关闭")
        self.assertEqual(first.wait_exit(timeout_s=10), 0, first.log())
        self.driver.wait_gone(timeout_ms=10000)
        (client / ACCOUNT_FILE).unlink()

        _, _, second = self.start_launcher(server)
        self.type_account("velmora_dup", "second")
        self.driver.call("click", "确定注册")
        self.assertEqual(server.wait_gateway_requests(2)[1:], [("1|velmora_dup|second", "exists", "0")])
        # The reply is in; a box would follow at once.
        box = self.driver.call("wait-messagebox", timeout_ms=1500, expect_ok=False)
        self.assertNotEqual(box["exit_code"], 0, f"a message box came up: {box}")
        self.screenshot("exists")
        self.assertFalse((client / ACCOUNT_FILE).exists(), "an account file was written for a refused account")
        self.assertFalse(self.driver.enabled("确定注册"))
        self.assertEqual(self.stored_accounts(), [("velmora_dup", "first")])
        self.assertIsNone(second.process.poll(), f"launcher.exe ended:\n{second.log()}")


for _label, _case in NEW_ACCOUNTS.items():
    setattr(RegistrationTest, f"test_new_account_{_label}", lambda self, case=_case: self.check_new_account(case))


if __name__ == "__main__":
    unittest.main(verbosity=2)
