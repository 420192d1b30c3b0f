#!/usr/bin/env python3
"""Side-by-side extraction: the ZIP component against unzip -o -q and bsdtar -xf.

Makes one archive of 1,000 mixed entries (compressible text and random data, about
128 MB out and 64 MB compressed) in a temporary folder, on tmpfs when there is one,
then times the three extractors in alternating rounds, into an empty folder and over
an earlier extraction (the patch case: every file replaced). Reports medians, the ratio
to the faster peer and each extractor's peak memory.

usage: extract_bench.py ZIP_EXTRACT_BINARY [--rounds N] [--keep]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

ENTRIES = 1000


def make_archive(folder):
    rng = random.Random(20240501)
    words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9)))
             for _ in range(400)]
    # A text pool larger than deflate's window, so entries compress like real text
    # (about 4:1), not like one repeated block.
    pool = ' '.join(rng.choice(words) for _ in range(1_400_000)).encode()
    path = os.path.join(folder, 'up.zip')
    out_bytes = 0
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for i in range(ENTRIES):
            name = f'data/pack{i // 100:02}/part{i // 10 % 10}/file{i:04}.' + ('dat' if i % 2 else 'txt')
            if i % 2:
                data = rng.randbytes(rng.randint(35_000, 115_000))  # noise: does not compress
            else:
                size = rng.randint(100_000, 240_000)
                start = rng.randrange(0, len(pool) - size)
                data = pool[start:start + size]
            out_bytes += len(data)
            # The zip tool's rule: noise is stored, text deflated.
            z.writestr(name, data, zipfile.ZIP_STORED if i % 2 else zipfile.ZIP_DEFLATED)
    return path, out_bytes


def run(command):
    """Runs a command under GNU time; its wall time and peak resident memory in KiB.

    GNU time forks the command itself: a child forked from this Python process would
    count Python's own memory as its peak."""
    start = time.perf_counter()
    done = subprocess.run(['/usr/bin/time', '-f', 'peak_kib=%M'] + command, capture_output=True)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f'{command[0]} failed ({done.returncode}): {(done.stdout + done.stderr).decode(errors="replace")}')
    peak = int(done.stderr.decode().rsplit('peak_kib=', 1)[1].split()[0])
    return seconds, peak


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('zip_extract')
    parser.add_argument('--rounds', type=int, default=7)
    parser.add_argument('--keep', action='store_true', help='keep the temporary folder')
    args = parser.parse_args()
    for tool in ('unzip', 'bsdtar'):
        if not shutil.which(tool):
            sys.exit(f'{tool} is missing (scripts/install-deps.sh installs it)')
    if not os.path.isfile('/usr/bin/time'):
        sys.exit('GNU time (/usr/bin/time) is missing (scripts/install-deps.sh installs it)')

    base = '/dev/shm' if os.path.isdir('/dev/shm') else None
    work = tempfile.mkdtemp(prefix='zip-bench-', dir=base)
    try:
        archive, out_bytes = make_archive(work)
        print(f'archive: {ENTRIES} entries, {os.path.getsize(archive) / 1e6:.1f} MB compressed, '
              f'{out_bytes / 1e6:.1f} MB out, in {work}')
        extractors = {
            'zip component': lambda target: [args.zip_extract, archive, target],
            'unzip -o -q': lambda target: ['unzip', '-o', '-q', archive, '-d', target],
            'bsdtar -xf': lambda target: ['bsdtar', '-xf', archive, '-C', target],
        }
        times = {(name, case): [] for name in extractors for case in ('empty', 'replace')}
        peaks = {name: 0 for name in extractors}
        for _ in range(args.rounds):
            for name, command in extractors.items():
                target = os.path.join(work, 'out-' + name.split()[0])
                shutil.rmtree(target, ignore_errors=True)
                os.makedirs(target)
                for case in ('empty', 'replace'):
                    seconds, peak = run(command(target))
                    times[(name, case)].append(seconds)
                    peaks[name] = max(peaks[name], peak)
        # Every extractor must give the same files.
        reference = None
        for name in extractors:
            target = os.path.join(work, 'out-' + name.split()[0])
            listing = sorted((os.path.relpath(os.path.join(r, f), target), os.path.getsize(os.path.join(r, f)))
                             for r, _, files in os.walk(target) for f in files)
            if reference is None:
                reference = listing
            elif listing != reference:
                sys.exit(f'{name} extracted other files than the zip component')

        for case in ('empty', 'replace'):
            medians = {name: statistics.median(times[(name, case)]) for name in extractors}
            fastest_peer = min(medians['unzip -o -q'], medians['bsdtar -xf'])
            print(f'\ninto {"an empty folder" if case == "empty" else "a folder of the same files (all replaced)"}:'
                  f' median of {args.rounds}')
            for name, seconds in medians.items():
                print(f'  {name:14} {seconds:7.3f} s  {out_bytes / seconds / 1e6:7.0f} MB/s  '
                      f'{seconds / fastest_peer:5.2f}x the faster peer')
        print('\npeak memory:')
        for name, peak in peaks.items():
            print(f'  {name:14} {peak / 1024:7.1f} MiB')
    finally:
        if args.keep:
            print(f'kept {work}')
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
