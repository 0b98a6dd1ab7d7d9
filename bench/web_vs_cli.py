#!/usr/bin/env python3
"""The browser version's speed against tarrow-cli on the same machine: a
36-board set dealt and analysed in headless Chromium (the page opened from
file:// with #seed=...&workers=N, timed from opening to data-state="done")
against `tarrow-cli deal --threads N` of the same seed, end to end.  Each
round runs both, the order swapped every round; each keeps its best.  Also
the time to the first board on screen, and the WebAssembly file's size.
Every run is printed with the load average before it, since a shared
machine's other work shows in both figures, and with the processor time it
took (tarrow-cli's process; the page's browser processes, read from /proc):
on a loaded machine the wall times swing with the others' work, while the
processor times show what each side's own work costs.

    scripts/build-web.sh && ./run.sh --version >/dev/null
    bench/web_vs_cli.py [--rounds 2] [--workers 1,2] [--seed abc]
"""
import argparse
import gzip
import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import time
import urllib.parse

root = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(root / 'web' / 'tests'))
from browser import Browser  # noqa: E402


def children_cpu():
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def tree_cpu(root_pid):
    """Processor seconds of a process and every process below it, per
    process id, from /proc."""
    tick = os.sysconf('SC_CLK_TCK')
    parent, cpu = {}, {}
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            stat = pathlib.Path('/proc', entry, 'stat').read_text()
        except OSError:
            continue
        fields = stat[stat.rindex(')') + 2:].split()
        parent[int(entry)] = int(fields[1])
        cpu[int(entry)] = (int(fields[11]) + int(fields[12])) / tick
    below = {}
    for pid, seconds in cpu.items():
        up = pid
        while up not in (0, root_pid):
            up = parent.get(up, 0)
        if up == root_pid:
            below[pid] = seconds
    return below


def cpu_since(before, after):
    """The processor seconds spent between two tree_cpu readings: a process
    that ended meanwhile (the last page's renderer) is left out."""
    return sum(seconds - before.get(pid, 0.0) for pid, seconds in after.items())


def time_cli(tarrow_cli, seed, threads, folder):
    out = pathlib.Path(folder, 'set.pbn')
    out.unlink(missing_ok=True)
    cpu = children_cpu()
    started = time.monotonic()
    subprocess.run([tarrow_cli, 'deal', '--seed', seed, '--out', str(out), '--no-pdf',
                    '--threads', str(threads)], cwd=folder, env=dict(os.environ, HOME=folder),
                   check=True, capture_output=True)
    return time.monotonic() - started, children_cpu() - cpu


def time_page(browser, index, seed, workers):
    page = browser.new_page()
    address = index + '#' + urllib.parse.urlencode({'seed': seed, 'workers': workers},
                                                   quote_via=urllib.parse.quote)
    cpu = tree_cpu(browser.process.pid)
    started = time.monotonic()
    page.open(address)
    page.wait_for('document.body.dataset.state === "done"', timeout=600)
    seconds = time.monotonic() - started
    cpu = cpu_since(cpu, tree_cpu(browser.process.pid))
    first = page.evaluate('performance.getEntriesByName("first-board")[0].startTime')
    browser.send('Target.closeTarget', {'targetId': page.send('Target.getTargetInfo')['targetInfo']['targetId']})
    return seconds, cpu, first


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
            best_cli = best_page = best_first = best_cli_cpu = best_page_cpu = float('inf')
            for round_ in range(args.rounds):
                runs = ['cli', 'page'] if round_ % 2 == 0 else ['page', 'cli']
                for run in runs:
                    load = os.getloadavg()[0]
                    if run == 'cli':
                        seconds, cpu = time_cli(args.cli, args.seed, workers, folder)
                        best_cli = min(best_cli, seconds)
                        best_cli_cpu = min(best_cli_cpu, cpu)
                        print(f'  round {round_ + 1}, {workers}: tarrow-cli {seconds:.2f} s, '
                              f'processor {cpu:.2f} s (load {load:.1f})', flush=True)
                    else:
                        seconds, cpu, first = time_page(browser, index, args.seed, workers)
                        best_page = min(best_page, seconds)
                        best_page_cpu = min(best_page_cpu, cpu)
                        best_first = min(best_first, first)
                        print(f'  round {round_ + 1}, {workers}: page {seconds:.2f} s, processor '
                              f'{cpu:.2f} s, first board {first:.0f} ms (load {load:.1f})', flush=True)
            print(f'seed {args.seed!r}, {workers} worker(s)/thread(s): page {best_page:.2f} s, '
                  f'tarrow-cli deal {best_cli:.2f} s, ratio {best_page / best_cli:.2f}; '
                  f'first board after {best_first:.0f} ms; processor time page {best_page_cpu:.2f} s, '
                  f'tarrow-cli {best_cli_cpu:.2f} s, ratio {best_page_cpu / best_cli_cpu:.2f}', flush=True)
    print(f'load average at the end: {" ".join(f"{x:.1f}" for x in os.getloadavg())}')


if __name__ == '__main__':
    main()
