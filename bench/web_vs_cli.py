#!/usr/bin/env python3
"""The browser version's speed against tarrow-cli on the same machine: a
36-board set dealt and analysed in headless Chromium (the page opened from
file:// with #seed=...&workers=N, timed from opening to data-state="done")
against `tarrow-cli deal --threads N` of the same seed, end to end.  Each
round runs both, the order swapped every round; each keeps its best.  Also
the time to the first board on screen, and the WebAssembly file's size.
Every run is printed with the load average before it, since a shared
machine's other work shows in both figures.

    scripts/build-web.sh && ./run.sh --version >/dev/null
    bench/web_vs_cli.py [--rounds 2] [--workers 1,2] [--seed abc]
"""
import argparse
import gzip
import os
import pathlib
import subprocess
import sys
import tempfile
import time
import urllib.parse

root = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(root / 'web' / 'tests'))
from browser import Browser  # noqa: E402


def time_cli(tarrow_cli, seed, threads, folder):
    out = pathlib.Path(folder, 'set.pbn')
    out.unlink(missing_ok=True)
    started = time.monotonic()
    subprocess.run([tarrow_cli, 'deal', '--seed', seed, '--out', str(out), '--no-pdf',
                    '--threads', str(threads)], cwd=folder, env=dict(os.environ, HOME=folder),
                   check=True, capture_output=True)
    return time.monotonic() - started


def time_page(browser, index, seed, workers):
    page = browser.new_page()
    address = index + '#' + urllib.parse.urlencode({'seed': seed, 'workers': workers},
                                                   quote_via=urllib.parse.quote)
    started = time.monotonic()
    page.open(address)
    page.wait_for('document.body.dataset.state === "done"', timeout=600)
    seconds = time.monotonic() - started
    first = page.evaluate('performance.getEntriesByName("first-board")[0].startTime')
    browser.send('Target.closeTarget', {'targetId': page.send('Target.getTargetInfo')['targetInfo']['targetId']})
    return seconds, first


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rounds', type=int, default=2)
    parser.add_argument('--workers', default='1,2')
    parser.add_argument('--seed', default='abc')
    parser.add_argument('--dist', default=str(root / 'build-web' / 'dist'))
    parser.add_argument('--cli', default=str(root / 'build' / 'bin' / 'tarrow-cli'))
    args = parser.parse_args()
    wasm = (pathlib.Path(args.dist).parent / 'wasm' / 'tarrow.wasm').read_bytes()
    print(f'tarrow.wasm: {len(wasm)} bytes, {len(gzip.compress(wasm, 9))} with gzip -9')
    index = pathlib.Path(args.dist, 'index.html').resolve().as_uri()
    folder = tempfile.mkdtemp(prefix='tarrow-web-bench-')
    print(f'load average at the start: {" ".join(f"{x:.1f}" for x in os.getloadavg())}')
    with Browser(timeout=600) as browser:
        for workers in [int(w) for w in args.workers.split(',')]:
            best_cli = best_page = best_first = float('inf')
            for round_ in range(args.rounds):
                runs = ['cli', 'page'] if round_ % 2 == 0 else ['page', 'cli']
                for run in runs:
                    load = os.getloadavg()[0]
                    if run == 'cli':
                        seconds = time_cli(args.cli, args.seed, workers, folder)
                        best_cli = min(best_cli, seconds)
                        print(f'  round {round_ + 1}, {workers}: tarrow-cli {seconds:.2f} s '
                              f'(load {load:.1f})', flush=True)
                    else:
                        seconds, first = time_page(browser, index, args.seed, workers)
                        best_page = min(best_page, seconds)
                        best_first = min(best_first, first)
                        print(f'  round {round_ + 1}, {workers}: page {seconds:.2f} s, first board '
                              f'{first:.0f} ms (load {load:.1f})', flush=True)
            print(f'seed {args.seed!r}, {workers} worker(s)/thread(s): page {best_page:.2f} s, '
                  f'tarrow-cli deal {best_cli:.2f} s, ratio {best_page / best_cli:.2f}; '
                  f'first board after {best_first:.0f} ms', flush=True)
    print(f'load average at the end: {" ".join(f"{x:.1f}" for x in os.getloadavg())}')


if __name__ == '__main__':
    main()
