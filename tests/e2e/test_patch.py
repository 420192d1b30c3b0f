#!/usr/bin/env python3
"""The patch update of the real launcher.exe under Wine, against devserver:
the waiting state while up.zip downloads, the archive extracted over the
client folder, the new version recorded in zg.ini, the next start finding the
client current; and what a broken or abandoned download must leave alone."""

import random
import stat
import subprocess
import sys
import time
import unittest
import zipfile
from io import BytesIO
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import CLIENT_EXE, LauncherTestCase, wait_for_file  # noqa: E402

SERVER_VERSION = b"1.1\r\n"  # its line break is part of the version
WAITING_LINE = "本地版本为：1.0 服务器版本为：1.1\r\n      请等待更新"
PATCHED_LINE = "本地版本为：1.1\r\n 服务器版本为：1.1\r\n      可以进行游戏"
BARS = ("下载进度条", "解压进度条")
OLD_PATCH = "old_patch.zip"  # 补丁名称 in zg.ini: deleted before the download
READ_ONLY = "data/readonly.cfg"


class GbkNamedEntry(zipfile.ZipInfo):
    """An entry whose name is stored as GBK bytes without the UTF-8 flag, as
    Chinese archivers write them; zipfile on its own writes UTF-8 and sets
    the flag."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits


def patch_entries(client_exe):
    """name -> bytes of the patch; the name's form and the compression vary."""
    noise = random.Random(20240501).randbytes(300 * 1024)  # stored: gives the download some length
    return {
        CLIENT_EXE: client_exe,                                  # a new client, deflated
        "data/maps/map001.dat": noise,                           # stored, two folders deep
        "data/界面/按钮.txt": "新的按钮文字\r\n".encode("gbk"),  # UTF-8 name with the flag
        "补丁/说明/更新说明.txt": "本次更新内容".encode("gbk"),  # GBK name, no flag
        READ_ONLY: b"config = new\r\n",                          # replaces a read-only file
    }


def make_archive(entries):
    out = BytesIO()
    with zipfile.ZipFile(out, "w") as archive:
        archive.writestr(zipfile.ZipInfo("logs/"), b"")  # a folder entry of its own
        for name, data in entries.items():
            info = GbkNamedEntry(name) if name.startswith("补丁/") else zipfile.ZipInfo(name)
            info.compress_type = zipfile.ZIP_STORED if name.endswith(".dat") else zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    return out.getvalue()


def tree(folder):
    """Every file and folder below folder, as relative POSIX paths."""
    return sorted(p.relative_to(folder).as_posix() + ("/" if p.is_dir() else "") for p in folder.rglob("*"))


class PatchTestCase(LauncherTestCase):

    def patch_client(self):
        """A client at version 1.0 with an old online.exe, a leftover patch
        file that zg.ini names, and a read-only file the patch replaces."""
        client = self.client(name="Velmora", version="1.0", patch_name=OLD_PATCH,
                             files={CLIENT_EXE: b"old client", OLD_PATCH: b"an earlier patch"})
        read_only = client / READ_ONLY
        read_only.parent.mkdir(parents=True)
        read_only.write_bytes(b"config = old\r\n")
        read_only.chmod(stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)  # Wine shows it as FILE_ATTRIBUTE_READONLY
        return client

    def run_zgtool(self, *args):
        done = subprocess.run([str(self.zgtool), *map(str, args)], capture_output=True, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
        return done.stdout

    def check_waiting(self):
        """The state while a patch is pending: what the player sees."""
        self.assertEqual(self.driver.text("版本更新提示", until=WAITING_LINE), WAITING_LINE)
        self.assertFalse(self.driver.enabled("进入游戏"))
        for bar in BARS:
            self.assertTrue(self.driver.visible(bar), f"{bar} hidden while the patch is pending")

    def up_zip_requests(self, server):
        return [line for line in server.requests() if line.startswith("GET /up.zip ")]


# Update hosts that misbehave in ways a download must get over.
AWKWARD_SERVERS = {
    "without_ranges": ["--no-ranges"],             # 200 and the whole body to every Range request
    "dropping_connections": ["--drop-after", 50000],  # every answer cut short; the rest is asked for again
    # A one-second pause in every answer: a tenth of the task's receive time-out.
    "pausing_within_receive_timeout": ["--stall-after", "4096:1000"],
}


class PatchAppliedTest(PatchTestCase):

    def start_patching(self, faults):
        """The launcher on a client at 1.0, the patch under way."""
        client = self.patch_client()
        entries = patch_entries(self.client_exe.read_bytes())
        server = self.serve({"bb.txt": SERVER_VERSION, "up.zip": make_archive(entries)},
                            faults=[*faults, "--fault-path", "/up.zip"])
        config_before = (client / "zg.ini").read_bytes()
        run = self.launch(client, env={"DUMMY_CLIENT_SECONDS": "2"})
        self.driver.wait_window(timeout_ms=30000)
        return client, entries, server, run, config_before

    def wait_applied(self, client, server, entries, config_before, timeout_s):
        waited = time.monotonic()
        self.assertTrue(self.driver.enabled("进入游戏", until=True, timeout_ms=timeout_s * 1000),
                        f"进入游戏 still disabled {timeout_s} s into the patch, after "
                        f"{len(self.up_zip_requests(server))} requests for /up.zip")
        print(f"patch applied after another {time.monotonic() - waited:.1f} s")
        self.assertEqual(self.driver.text("版本更新提示"), PATCHED_LINE)
        for bar in BARS:
            self.assertFalse(self.driver.visible(bar), f"{bar} still shown after the patch")
        for name, data in entries.items():
            self.assertEqual((client / name).read_bytes(), data, f"{name} as extracted")
        self.assertEqual(tree(client), sorted([
            "launcher.exe", "zg.ini", CLIENT_EXE, "logs/",
            "data/", "data/maps/", "data/maps/map001.dat", "data/界面/", "data/界面/按钮.txt", READ_ONLY,
            "补丁/", "补丁/说明/", "补丁/说明/更新说明.txt",
        ]), f"up.zip and {OLD_PATCH} gone, nothing half-written left")
        self.check_recorded_version(client, config_before)

    def check_awkward_server(self, faults):
        client, entries, server, _, config_before = self.start_patching(faults)
        # A few seconds of work at most, pauses included.
        self.wait_applied(client, server, entries, config_before, timeout_s=10)

    def test_patch_applied_and_next_start_current(self):
        # Each answer pauses for 3 s early on: time to see the download under way.
        client, entries, server, run, config_before = self.start_patching(["--stall-after", "16384:3000"])
        self.check_waiting()
        # Inside the pause, so it costs no time: the bar shows what came before it.
        time.sleep(1)
        self.screenshot("downloading")
        self.wait_applied(client, server, entries, config_before, timeout_s=60)
        self.screenshot("patched")

        self.driver.call("click", "关闭")
        self.assertEqual(run.wait_exit(timeout_s=10), 0, run.log())
        self.driver.wait_gone(timeout_ms=10000)

        # The next start finds the client current, and the new client starts.
        fetched = len(self.up_zip_requests(server))
        second = self.launch(client, env={"DUMMY_CLIENT_SECONDS": "2"})
        self.driver.wait_window(timeout_ms=30000)
        self.assertEqual(self.driver.text("版本更新提示", until=PATCHED_LINE), PATCHED_LINE)
        self.assertTrue(self.driver.enabled("进入游戏"))
        for bar in BARS:
            self.assertFalse(self.driver.visible(bar), f"{bar} shown although the client is current")
        self.screenshot("current")
        self.assertEqual(len(self.up_zip_requests(server)), fetched, "the second start fetched up.zip again")

        self.addCleanup(self.driver.call, "wait-gone", exe=CLIENT_EXE, timeout_ms=15000, expect_ok=False)
        self.driver.call("click", "进入游戏")
        self.assertEqual(second.wait_exit(timeout_s=10), 0, second.log())
        self.assertTrue(wait_for_file(client / "online-started.txt", timeout_s=10),
                        "the patched online.exe did not start")

    def check_recorded_version(self, client, config_before):
        """本地版本 holds the cipher text of the server version; the rest of zg.ini is as it was."""
        shown = self.run_zgtool("show", client / "zg.ini").decode("utf-8")
        self.assertEqual(shown, f"name: Velmora\n本地版本: 1.1\r\n\n补丁名称: {OLD_PATCH}\n")
        cipher_text = self.run_zgtool("encrypt", "--hex", SERVER_VERSION.hex()).strip()
        key = "本地版本".encode("gbk") + b"="
        before = config_before.split(b"\r\n")
        after = (client / "zg.ini").read_bytes().split(b"\r\n")
        self.assertEqual([line for line in after if line.startswith(key)], [key + cipher_text])
        self.assertEqual([line for line in after if not line.startswith(key)],
                         [line for line in before if not line.startswith(key)])


for _label, _faults in AWKWARD_SERVERS.items():
    setattr(PatchAppliedTest, f"test_patch_applied_from_server_{_label}",
            lambda self, faults=_faults: self.check_awkward_server(faults))


class PatchFailureTest(PatchTestCase):
    """Nothing of a failed or abandoned patch may stay: zg.ini byte for byte
    as it was, the client folder as it was, and nothing in the launcher's
    working directory, which lies outside the client folder here."""

    ARCHIVE = make_archive(patch_entries(b"new client"))

    def start_patch_elsewhere(self, faults):
        """The launcher started from another working directory; the patch under way."""
        client = self.patch_client()
        elsewhere = self.work / "working dir"
        elsewhere.mkdir()
        server = self.serve({"bb.txt": SERVER_VERSION, "up.zip": self.ARCHIVE},
                            faults=[*faults, "--fault-path", "/up.zip"])
        before = {"zg.ini": (client / "zg.ini").read_bytes(), "tree": tree(client)}
        run = self.launch(client, cwd=elsewhere)
        self.driver.wait_window(timeout_ms=30000)
        self.check_waiting()
        return client, elsewhere, server, run, before

    def check_untouched(self, client, elsewhere, before):
        self.assertEqual((client / "zg.ini").read_bytes(), before["zg.ini"], "zg.ini changed")
        expected = [name for name in before["tree"] if name != OLD_PATCH]  # deleted before the download
        self.assertEqual(tree(client), expected)
        self.assertEqual((client / CLIENT_EXE).read_bytes(), b"old client")
        self.assertEqual(tree(elsewhere), [], "files in the working directory")

    def wait_download_over(self, client, server, quiet_s=1.0, timeout_s=30):
        """Until up.zip was asked for, is gone again, and no request came for quiet_s."""
        deadline = time.monotonic() + timeout_s
        last, since = None, time.monotonic()
        while time.monotonic() < deadline:
            requests = self.up_zip_requests(server)
            if requests != last:
                last, since = requests, time.monotonic()
            elif requests and not (client / "up.zip").exists() and time.monotonic() - since >= quiet_s:
                return requests
            time.sleep(0.05)
        self.fail(f"the download did not come to an end within {timeout_s} s: {last}")

    def test_truncated_archive_changes_nothing(self):
        client, elsewhere, server, run, before = self.start_patch_elsewhere(["--truncate-at", len(self.ARCHIVE) // 2])
        requests = self.wait_download_over(client, server)
        print(f"{len(requests)} requests for the truncated up.zip")
        # Give a wrongly finished patch the time to show itself.
        self.assertFalse(self.driver.enabled("进入游戏", until=True, timeout_ms=1500), "进入游戏 enabled")
        self.assertEqual(self.driver.text("版本更新提示"), WAITING_LINE)
        self.screenshot("failed")
        self.check_untouched(client, elsewhere, before)
        self.assertIsNone(run.process.poll(), f"launcher.exe ended:\n{run.log()}")

    def test_close_during_stalled_download_ends_at_once(self):
        # Each body stops after 4 KiB until the server stops.
        client, elsewhere, server, run, before = self.start_patch_elsewhere(["--stall-after", "4096"])
        self.assertTrue(wait_for_file(client / "up.zip", timeout_s=10),
                        f"the download did not start: {server.requests()}")
        self.screenshot("stalled")
        self.assertTrue((client / "up.zip").exists(), "the download ended before the click")

        clicked_ms = time.time() * 1000  # before the driver starts: the bound errs on the safe side
        self.driver.call("click", "关闭")
        ended_ms = run.end_ms(timeout_s=15)
        print(f"launcher ended {ended_ms - clicked_ms:.0f} ms after the click on 关闭 during the stalled download")
        self.assertEqual(run.process.returncode, 0, run.log())
        self.assertLess(ended_ms - clicked_ms, 2500, "the launcher took its time to end")
        self.check_untouched(client, elsewhere, before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
