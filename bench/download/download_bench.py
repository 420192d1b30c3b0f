#!/usr/bin/env python3
"""Download benchmark, side by side in one run on loopback.

One nginx (a single process, sendfile) serves a 512 MiB file from tmpfs; each
client fetches it into tmpfs in turn, rounds interleaved:
  the download component with 5 connections and a 1024-byte receive block,
  the same with a 20480-byte block, aria2c -x5 -s5, curl (one connection), and
  a minimal C client doing the same five ranged GETs with 1 KiB and with 64 KiB
  reads and positioned writes.
Every run's file is compared with the served one. Reports throughput (best and
median, MB/s = 10^6 bytes/s), CPU seconds, peak resident memory, and the ratios.

usage: download_bench.py DOWNLOAD_CLIENT MINIMAL_CLIENT [--rounds N] [--size-mib N]
"""
import argparse
import filecmp
import json
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Nginx:
    """nginx in the foreground with a configuration of its own; stopped by stop()."""

    def __init__(self, root, work):
        self.root, self.work, self.process, self.port = root, work, None, 0

    def start(self):
        nginx = shutil.which("nginx") or "/usr/sbin/nginx"
        for _ in range(3):
            self.port = free_port()
            with open(os.path.join(self.work, "nginx.conf"), "w") as conf:
                conf.write(f"""daemon off;
master_process off;
worker_processes 1;
pid {self.work}/nginx.pid;
error_log {self.work}/error.log warn;
events {{ worker_connections 64; }}
http {{
  access_log off;
  client_body_temp_path {self.work}/body;
  proxy_temp_path {self.work}/proxy;
  fastcgi_temp_path {self.work}/fastcgi;
  uwsgi_temp_path {self.work}/uwsgi;
  scgi_temp_path {self.work}/scgi;
  sendfile on;
  tcp_nopush on;
  server {{ listen 127.0.0.1:{self.port}; root {self.root}; }}
}}
""")
            self.process = subprocess.Popen([nginx, "-p", self.work, "-c", os.path.join(self.work, "nginx.conf")])
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline and self.process.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                    return
                except OSError:
                    time.sleep(0.02)
            self.stop()
        raise RuntimeError("nginx did not start")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGQUIT)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None


def run_measured(command):
    """Wall seconds, CPU seconds (user + system) and peak RSS in KiB of one child."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    out = process.stdout.read().decode(errors="replace")
    err = process.stderr.read().decode(errors="replace")
    process.stdout.close()
    process.stderr.close()
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, process.returncode, out, err


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("download_client")
    parser.add_argument("minimal_client")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--size-mib", type=int, default=512)
    args = parser.parse_args()
    for tool in ("aria2c", "curl", "nginx"):
        if not shutil.which(tool) and not os.path.exists(f"/usr/sbin/{tool}"):
            sys.exit(f"{tool} is not installed (scripts/install-deps.sh)")

    base = tempfile.mkdtemp(prefix="download-bench-", dir="/dev/shm")
    served, work, out_dir = (os.path.join(base, name) for name in ("served", "nginx", "out"))
    for folder in (served, work, out_dir):
        os.makedirs(folder)
    source = os.path.join(served, "up.zip")
    size = args.size_mib * 1024 * 1024
    nginx = Nginx(served, work)
    try:
        with open(source, "wb") as f:
            for _ in range(args.size_mib):
                f.write(os.urandom(1024 * 1024))
        nginx.start()
        url = f"http://127.0.0.1:{nginx.port}/up.zip"
        out = os.path.join(out_dir, "up.zip")
        port = str(nginx.port)
        clients = [
            ("component 5 conn, 1 KiB block", [args.download_client, url, out, "5", "1024"]),
            ("component 5 conn, 20 KiB block", [args.download_client, url, out, "5", "20480"]),
            ("aria2c -x5 -s5", ["aria2c", "-x5", "-s5", "--file-allocation=none", "--allow-overwrite=true",
                                "--auto-file-renaming=false", "--summary-interval=0", "--console-log-level=warn",
                                "-q", "-d", out_dir, "-o", "up.zip", url]),
            ("curl, 1 conn", ["curl", "-s", "-S", "-o", out, url]),
            ("minimal C 5 conn, 1 KiB reads", [args.minimal_client, "127.0.0.1", port, "/up.zip", out, "5", "1024"]),
            ("minimal C 5 conn, 64 KiB reads",
             [args.minimal_client, "127.0.0.1", port, "/up.zip", out, "5", "65536"]),
        ]
        results = {name: [] for name, _ in clients}
        for round_index in range(args.rounds):
            # Rotate the order so no client always runs first or last.
            order = clients[round_index % len(clients):] + clients[:round_index % len(clients)]
            for name, command in order:
                if os.path.exists(out):
                    os.remove(out)
                wall, cpu, rss, code, stdout, stderr = run_measured(command)
                ok = code == 0 and os.path.exists(out) and os.path.getsize(out) == size and \
                    filecmp.cmp(source, out, shallow=False)
                if not ok:
                    print(f"{name}: FAILED (exit {code}) {stdout.strip()} {stderr.strip()}", file=sys.stderr)
                results[name].append({"wall": wall, "cpu": cpu, "rss_kib": rss, "ok": ok})
                os.remove(out) if os.path.exists(out) else None
        report(results, size, args)
    finally:
        nginx.stop()
        shutil.rmtree(base, ignore_errors=True)


def report(results, size, args):
    def speeds(name):
        return [size / r["wall"] / 1e6 for r in results[name] if r["ok"]]

    print(f"\n{args.size_mib} MiB from nginx on loopback to tmpfs, {args.rounds} rounds, {os.cpu_count()} CPUs\n")
    print(f"{'client':34} {'best MB/s':>10} {'median':>8} {'CPU s':>7} {'peak RSS MiB':>13}   [every run]")
    summary = {}
    for name, runs in results.items():
        good = speeds(name)
        best = max(good) if good else 0.0
        median = statistics.median(good) if good else 0.0
        cpu = statistics.median(r["cpu"] for r in runs)
        rss = max(r["rss_kib"] for r in runs) / 1024
        failed = sum(not r["ok"] for r in runs)
        summary[name] = {"best": best, "median": median, "cpu": cpu, "rss_mib": rss, "failed": failed}
        samples = " ".join(f"{v:.0f}" for v in good)
        print(f"{name:34} {best:10.0f} {median:8.0f} {cpu:7.2f} {rss:13.1f}   [{samples}]" +
              (f"  ({failed} failed)" if failed else ""))

    def ratio(a, b):
        return summary[a]["median"] / summary[b]["median"] if summary[b]["median"] else 0.0

    ours, ours_big = "component 5 conn, 1 KiB block", "component 5 conn, 20 KiB block"
    checks = [
        ("component 1 KiB / aria2c -x5 -s5", ratio(ours, "aria2c -x5 -s5"), 0.9),
        ("component 1 KiB / minimal C 1 KiB", ratio(ours, "minimal C 5 conn, 1 KiB reads"), 0.95),
        ("component 1 KiB / component 20 KiB", ratio(ours, ours_big), None),
        ("minimal C 1 KiB / minimal C 64 KiB", ratio("minimal C 5 conn, 1 KiB reads", "minimal C 5 conn, 64 KiB reads"),
         None),
        ("component 1 KiB / curl", ratio(ours, "curl, 1 conn"), None),
    ]
    print("\nratios of median throughput")
    for label, value, target in checks:
        verdict = "" if target is None else ("  meets >= %.2f" % target if value >= target else "  BELOW %.2f" % target)
        print(f"  {label:40} {value:5.2f}{verdict}")
    cpu_ratio = summary[ours]["cpu"] / summary[ours_big]["cpu"] if summary[ours_big]["cpu"] else 0.0
    print(f"  {'CPU, component 1 KiB / 20 KiB':40} {cpu_ratio:5.2f}")
    peak = summary[ours]["rss_mib"]
    verdict = "  (under 64 MiB)" if peak < 64 else "  OVER 64 MiB"
    print(f"\npeak memory of the component's process: {peak:.1f} MiB{verdict}")
    print(json.dumps(summary))


if __name__ == "__main__":
    main()
