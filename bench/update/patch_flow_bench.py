#!/usr/bin/env python3
"""Peak memory of the whole patch flow, for archives of growing size.

Makes archives of mixed entries (compressible text and random data) of about
64, 256 and 512 MiB on tmpfs when there is one, and runs patch_flow on each:
the headless launcher downloads, extracts and records the patch. The peak
memory must stay under 64 MiB and must not grow with the archive.

usage: patch_flow_bench.py PATCH_FLOW_BINARY [--sizes 64,256,512] [--keep]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile


def make_archive(path, mebibytes):
    rng = random.Random(mebibytes)
    text = (b"the quick brown fox jumps over the lazy dog " * 30000)[:1 << 20]
    written = 0
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        i = 0
        while written < mebibytes << 20:
            if i % 3 == 0:
                data = text  # compresses well
            else:
                data = rng.randbytes(4 << 20)  # does not compress
            z.writestr(f"data/pack{i // 50:02}/file{i:04}.bin", data)
            written += len(data) if i % 3 else len(data) // 50
            i += 1
    return os.path.getsize(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--sizes", default="64,256,512")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    top = tempfile.mkdtemp(prefix="patch-flow-", dir=base)
    try:
        for size in (int(s) for s in args.sizes.split(",")):
            archive = os.path.join(top, f"up-{size}.zip")
            actual = make_archive(archive, size)
            work = os.path.join(top, f"run-{size}")
            os.makedirs(work)
            result = subprocess.run([args.binary, archive, work], capture_output=True, text=True)
            print(f"archive {actual / 2**20:7.1f} MiB: {result.stdout.strip() or result.stderr.strip()}")
            shutil.rmtree(work, ignore_errors=True)
            os.remove(archive)
            if result.returncode != 0:
                return 1
    finally:
        if not args.keep:
            shutil.rmtree(top, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
