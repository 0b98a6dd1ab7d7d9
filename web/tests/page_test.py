#!/usr/bin/env python3
"""The browser page, driven in Debian's headless Chromium the way a director
uses it: deal from a link (file:// and http://), wait for the analysis to
finish, compare the PBN with what tarrow-cli deals for the same seed, open a
dealing machine's file and a damaged PBN, download the hand records and
check the PDF, take screenshots at a phone's and a desk's width.  Prints the
speed and size figures beside tarrow-cli's.

    web/tests/page_test.py build-web/dist build/bin/tarrow-cli [--screenshots DIR]
"""
import argparse
import gzip
import http.server
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser  # noqa: E402

SEED = 'Club night 7 Dec'
EVENT = 'Monday pairs'
DATE = '2026-12-07'
DONE = 'document.body.dataset.state === "done"'
failures = []


def check(condition, what):
    print(('ok   ' if condition else 'FAIL ') + what, flush=True)
    if not condition:
        failures.append(what)


def without_machine_tags(text):
    """The PBN less the generation time and computer name, which differ by nature."""
    return re.sub(r'\[Application "[34][^\r\n]*\r?\n', '', text)


def cli(tarrow_cli, home, *args):
    env = dict(os.environ, HOME=home, LC_ALL='C.UTF-8')
    return subprocess.run([tarrow_cli, *args], cwd=home, env=env, capture_output=True, text=True)


def games(text, first=1, last=36):
    """The boards first..last of a PBN set, each less the tags of the set's
    header (event, site, date, generator, application, sponsor), which a file
    from a dealing machine does not carry."""
    header = re.compile(r'^\[(Event|Site|Date|Generator|Application|Eventsponsor) ')
    found = {}
    for game in re.split(r'\r?\n\r?\n', text.strip()):
        number = re.search(r'\[Board "(\d+)"\]', game)
        if number and first <= int(number.group(1)) <= last:
            found[int(number.group(1))] = [line for line in game.splitlines() if not header.match(line)]
    return found


def show_pbn(page):
    """Shows the PBN view, whatever the steps before left it at."""
    if page.evaluate('document.getElementById("pbn").hidden'):
        page.click('#show-pbn')


def hide_pbn(page):
    if not page.evaluate('document.getElementById("pbn").hidden'):
        page.click('#show-pbn')


def page_address(base, **wanted):
    return base + '#' + urllib.parse.urlencode(wanted, quote_via=urllib.parse.quote)


def wait_for_download(folder, name, timeout=30):
    path = pathlib.Path(folder, name)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if path.exists() and not pathlib.Path(folder, name + '.crdownload').exists():
            return path.read_bytes()
        time.sleep(0.1)
    return None


def serve(folder):
    handler = lambda *a: http.server.SimpleHTTPRequestHandler(*a, directory=folder)  # noqa: E731
    http.server.SimpleHTTPRequestHandler.log_message = lambda *a: None
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('dist')
    parser.add_argument('tarrow_cli')
    parser.add_argument('--screenshots')
    args = parser.parse_args()
    dist = os.path.abspath(args.dist)
    tarrow_cli = os.path.abspath(args.tarrow_cli)
    work = tempfile.mkdtemp(prefix='tarrow-web-test-')
    downloads = os.path.join(work, 'downloads')
    os.mkdir(downloads)

    wasm = pathlib.Path(dist, '..', 'wasm', 'tarrow.wasm').read_bytes()
    print(f'size: tarrow.wasm {len(wasm)} bytes, {len(gzip.compress(wasm, 9))} gzip -9')
    check(len(gzip.compress(wasm, 9)) <= 1 << 20, 'the WebAssembly file is at most 1 MiB compressed')

    started = time.monotonic()
    made = cli(tarrow_cli, work, 'deal', '--seed', SEED, '--event', EVENT, '--date', DATE,
               '--out', 'reference.pbn', '--no-pdf', '--threads', '2')
    cli_seconds = time.monotonic() - started
    check(made.returncode == 0, 'tarrow-cli deals the reference set' +
          ('' if made.returncode == 0 else f' ({made.stderr.strip()[-300:]})'))
    reference = pathlib.Path(work, 'reference.pbn').read_bytes().decode('cp1252')

    with Browser() as browser:
        page = browser.new_page(width=1280)
        page.allow_downloads(downloads)
        page.send('Network.enable')

        # From file://, as a director opens the page saved on a laptop.
        index = pathlib.Path(dist, 'index.html').as_uri()
        started = time.monotonic()
        page.open(page_address(index, seed=SEED, event=EVENT, date=DATE, workers=2))
        page.wait_for(DONE, timeout=300)
        page_seconds = time.monotonic() - started
        first_board = page.evaluate('performance.getEntriesByName("first-board")[0].startTime')
        print(f'speed: 36 boards, 2 workers: page {page_seconds:.1f} s (from opening), '
              f'tarrow-cli deal --threads 2 {cli_seconds:.1f} s, ratio {page_seconds / cli_seconds:.2f}')
        print(f'speed: first board shown {first_board:.0f} ms after opening')
        check(page.evaluate('document.getElementById("board-view").innerText').find('Board 1') >= 0,
              'the page shows board 1')
        show_pbn(page)
        shown = page.evaluate('document.getElementById("pbn").value')
        check(without_machine_tags(shown) == without_machine_tags(reference).replace('\r\n', '\n'),
              'file://: the PBN shown is the one tarrow-cli deals for the seed')

        page.click('button[data-kind="pbn"]')
        stem = 'Club-night-7-Dec'
        pbn = wait_for_download(downloads, stem + '.pbn')
        check(pbn is not None and without_machine_tags(pbn.decode('cp1252')) == without_machine_tags(reference),
              'the PBN downloaded is byte for byte tarrow-cli\'s, bar the time and computer tags')
        page.click('button[data-kind="pdf"]')
        pdf = wait_for_download(downloads, stem + '.pdf')
        checked = subprocess.run(['qpdf', '--check', os.path.join(downloads, stem + '.pdf')],
                                 capture_output=True, text=True) if pdf else None
        check(checked is not None and checked.returncode == 0, 'the hand records PDF passes qpdf --check')
        text = subprocess.run(['pdftotext', os.path.join(downloads, stem + '.pdf'), '-'],
                              capture_output=True, text=True).stdout if pdf else ''
        check(f'Seed=({SEED})' in text and 'Board 36' in text,
              'the hand records name the seed and reach board 36')

        page.click('button[data-kind="html"]')
        html = wait_for_download(downloads, stem + '.html')
        cli(tarrow_cli, work, 'html', 'reference.pbn', '--out', 'reference.html')
        reference_html = pathlib.Path(work, 'reference.html')
        check(html is not None and reference_html.exists() and html == reference_html.read_bytes(),
              'the hand records web page is the one tarrow-cli html writes')
        for kind, what in (('travelers', 'travelers'), ('setup', 'setup sheets')):
            page.click(f'button[data-kind="{kind}"]')
            sheets = wait_for_download(downloads, f'{stem}-{kind}.pdf')
            check(sheets is not None and subprocess.run(
                ['qpdf', '--check', os.path.join(downloads, f'{stem}-{kind}.pdf')],
                capture_output=True).returncode == 0, f'the {what} PDF passes qpdf --check')
        page.click('button[data-kind="dup"]')
        dup = wait_for_download(downloads, stem + '.dup')
        exported = cli(tarrow_cli, work, 'export', 'reference.pbn', '--format', 'dup', '--out', 'machine.dup')
        check(exported.returncode == 0 and dup == pathlib.Path(work, 'machine.dup').read_bytes(),
              'the .dup downloaded is the one tarrow-cli exports')

        if args.screenshots:
            os.makedirs(args.screenshots, exist_ok=True)
            hide_pbn(page)  # for the picture
            page.click('#next')
            page.screenshot(os.path.join(args.screenshots, 'web-1280.png'))
            page.resize(390, 844)
            page.screenshot(os.path.join(args.screenshots, 'web-390.png'))
            page.resize(1280, 900)

        # A dealing machine's file and a damaged PBN, through the file input.
        check(cli(tarrow_cli, work, 'export', 'reference.pbn', '--format', 'bri',
                  '--out', 'machine.bri').returncode == 0, 'tarrow-cli exports a .bri')
        page.choose_file('#file-input', os.path.join(work, 'machine.bri'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText').strip()
        check(messages == '', f'the .bri opens without a word ({messages!r})')
        deal_line = re.search(r'\[Deal "[^"]*"\]', reference).group(0)
        show_pbn(page)
        check(deal_line in page.evaluate('document.getElementById("pbn").value'),
              'the .bri\'s first board is the seed\'s')

        # A .dup from a dealing machine, dropped on the page: boards 1-24 of
        # the seed, said as the command line says it; analysed, they are the
        # seed's boards with the seed's tables and par.
        check(cli(tarrow_cli, work, 'export', 'reference.pbn', '--format', 'dup', '--last-board', '24',
                  '--out', 'first24.dup').returncode == 0, 'tarrow-cli exports boards 1-24 as a .dup')
        warned = cli(tarrow_cli, work, 'show', 'first24.dup').stderr.strip()
        page.drop_file(os.path.join(work, 'first24.dup'))
        page.wait_for('document.getElementById("messages").innerText.includes("first24.dup")', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        cli_warning = warned.removeprefix('tarrow-cli: warning: ')
        check(warned.startswith('tarrow-cli: warning: ') and 'Warning: ' + cli_warning in messages
              and 'Error' not in messages,
              f'the .dup is taken with the command line\'s warning ({cli_warning!r})')
        page.wait_for(DONE, timeout=300)
        shown = page.evaluate('document.getElementById("pbn").value')
        from_dup = games(shown)
        check(sorted(from_dup) == list(range(1, 25)) and from_dup == games(reference.replace('\r\n', '\n'), 1, 24),
              'the .dup\'s boards, analysed in the page, are boards 1-24 of the seed with its tables and par')
        check(page.evaluate('document.querySelectorAll("#boards button.absent").length') == 12
              and page.evaluate('document.getElementById("last-board").value') == '24',
              'boards 25-36 are not in the set, and Last Board is 24')

        # A damaged .dup (the two forms of board 1 disagree): refused in the
        # command line's words, the set kept.
        broken = bytearray(pathlib.Path(work, 'first24.dup').read_bytes())
        broken[5] = ord('9') if broken[5] != ord('9') else ord('8')
        pathlib.Path(work, 'broken.dup').write_bytes(bytes(broken))
        said = cli(tarrow_cli, work, 'show', 'broken.dup').stderr.strip().removeprefix('tarrow-cli: ')
        page.choose_file('#file-input', os.path.join(work, 'broken.dup'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(said != '' and 'Error: ' + said in messages,
              f'the damaged .dup is refused in the command line\'s words ({said!r})')
        check(page.evaluate('document.getElementById("pbn").value') == shown,
              'the .dup\'s set stays in the page')

        # A PBN with commentary: taken, and the director told what a PBN saved
        # from here leaves out.  Its Date is "?": the set has no date, and
        # keeps none when a field is changed.
        commented = reference.replace('[Board "2"]', '{Played in 3NT at every table}\r\n[Board "2"]', 1)
        commented = re.sub(r'\[Date "[^"]*"\]', '[Date "?"]', commented, count=1)
        pathlib.Path(work, 'commented.pbn').write_bytes(commented.encode('cp1252'))
        page.choose_file('#file-input', os.path.join(work, 'commented.pbn'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        check('commented.pbn holds what a set of this program cannot keep (commentary' in messages
              and page.evaluate('document.body.dataset.state') == 'done'
              and page.evaluate('document.getElementById("last-board").value') == '36',
              f'a PBN with commentary is taken with a warning, Last Board 36 again ({messages.strip()[:120]!r})')
        page.evaluate('(() => { const site = document.getElementById("site"); site.value = "Hall 2";'
                      ' site.dispatchEvent(new Event("change")); })()')
        show_pbn(page)
        undated = re.findall(r'\[(?:Site|Date) "[^"]*"\]', page.evaluate('document.getElementById("pbn").value'))
        check(page.evaluate('document.getElementById("date").value') == ''
              and undated[:2] == ['[Site "Hall 2"]', '[Date "?"]'],
              f'a PBN without a date opens with the date box empty, and its set stays without one ({undated[:2]})')

        # A file of two events: the first is taken with the command line's
        # warning naming both; choosing the second takes that one.
        second = cli(tarrow_cli, work, 'deal', '--seed', 'Second night', '--event', 'Tuesday',
                     '--out', 'second.pbn', '--no-pdf', '--threads', '2')
        check(second.returncode == 0, 'tarrow-cli deals a second set')
        second_text = pathlib.Path(work, 'second.pbn').read_bytes().decode('cp1252')
        pathlib.Path(work, 'two-events.pbn').write_bytes((reference + second_text).encode('cp1252'))
        named = cli(tarrow_cli, work, 'show', 'two-events.pbn').stderr.splitlines()[0]
        page.choose_file('#file-input', os.path.join(work, 'two-events.pbn'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(named.startswith('tarrow-cli: warning: ')
              and named.removeprefix('tarrow-cli: warning: ') in messages
              and page.evaluate('document.getElementById("seed").value') == SEED,
              f'a file of two events gives the first, named as the command line names them ({named!r})')
        page.evaluate('(() => { const choice = document.getElementById("file-event");'
                      ' choice.value = "2"; choice.dispatchEvent(new Event("change")); })()')
        page.wait_for(DONE, timeout=30)
        check(page.evaluate('document.getElementById("seed").value') == 'Second night'
              and games(page.evaluate('document.getElementById("pbn").value'))
              == games(second_text.replace('\r\n', '\n')),
              'choosing the second event takes its boards and tables')

        damaged = reference.replace('KJ765', 'KJ7655', 1) if 'KJ765' in reference else \
            re.sub(r'(\[Deal "N:)(\w)', r'\1\2\2', reference, count=1)
        pathlib.Path(work, 'damaged Café.pbn').write_bytes(damaged.encode('cp1252'))
        said = cli(tarrow_cli, work, 'show', 'damaged Café.pbn').stderr.strip()
        cli_words = said.removeprefix('tarrow-cli: ')
        before = page.evaluate('document.getElementById("pbn").value')
        page.choose_file('#file-input', os.path.join(work, 'damaged Café.pbn'))
        page.wait_for('document.getElementById("messages").innerText.includes("Error")', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(cli_words != '' and cli_words in messages,
              f'the damaged PBN is refused in the command line\'s words ({cli_words!r})')
        check(page.evaluate('document.getElementById("pbn").value') == before,
              'the set in the page stays as it was')

        # A PBN larger than the reader takes: refused in its words, the set kept.
        pathlib.Path(work, 'huge.pbn').write_bytes(reference.encode('cp1252') + b'\n' * (17 << 20))
        said = cli(tarrow_cli, work, 'show', 'huge.pbn').stderr.strip().removeprefix('tarrow-cli: ')
        page.choose_file('#file-input', os.path.join(work, 'huge.pbn'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(said != '' and 'Error: ' + said in messages
              and page.evaluate('document.getElementById("pbn").value') == before,
              f'a PBN too large is refused in the command line\'s words, the set kept ({said!r})')

        # Over http, as from a club's web space, with a board named in the link.
        server = serve(dist)
        address = f'http://127.0.0.1:{server.server_address[1]}/index.html'
        page.open(page_address(address, seed=SEED, event=EVENT, date=DATE, board=5))
        page.wait_for('document.getElementById("board-view").innerText.includes("Board ")', timeout=60)
        check('Board 5' in page.evaluate('document.getElementById("board-view").innerText'),
              'http: the link shows board 5')
        # Stop, then go on: the boards done stay done, the rest are analysed.
        page.wait_for('document.querySelectorAll("#boards button.done").length > 0', timeout=300)
        # A file refused while the set is analysed: the analysis goes on.
        page.choose_file('#file-input', os.path.join(work, 'damaged Café.pbn'))
        page.wait_for('document.getElementById("file-input").value === ""', timeout=30)
        going_on = page.evaluate('document.body.dataset.state')
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(cli_words in messages and going_on in ('analysing', 'done'),
              f'a file refused during the analysis leaves it going ({going_on})')
        page.click('#stop')
        stopped = page.evaluate('document.body.dataset.state')
        progress = page.evaluate('document.getElementById("progress").value')
        check(stopped == 'stopped' and progress.startswith('Stopped:'), f'Stop stops ({progress!r})')
        page.click('#analyse')
        page.wait_for(DONE, timeout=300)
        show_pbn(page)
        shown = page.evaluate('document.getElementById("pbn").value')
        check(without_machine_tags(shown) == without_machine_tags(reference).replace('\r\n', '\n'),
              'http, stopped and gone on: the PBN shown is the one tarrow-cli deals for the seed')

        # Nothing leaves the computer: every request the page made was for its
        # own files or its own blobs.
        local = re.compile(r'^(file:|blob:|data:|http://127\.0\.0\.1:\d+/)')
        asked = [e['params']['request']['url'] for e in browser.events
                 if e.get('method') == 'Network.requestWillBeSent']
        foreign = [url for url in asked if not local.match(url)]
        check(asked != [] and foreign == [], f'no request goes elsewhere ({foreign[:3]})')

        # A worker that fails (as when a browser refuses the memory for its
        # solver table) is let go and the others analyse its boards; when
        # every worker fails, the pool stops and says why.
        pool_run = '''(async (failing) => {
          const module = await Tarrow.compileCore();
          const core = await Tarrow.Core.create(module);
          core.deal('abc', new Date());
          const jobs = core.set().boards.slice(0, 3).flatMap(
            (b, i) => b.todo.map((strain) => ({board: i + 1, strain, number: b.number})));
          return await new Promise((resolve) => {
            const solved = [];
            const pool = new Tarrow.SolverPool(module, {
              onStarted() {}, onResult(board, strain) { solved.push(`${board}${'NSHDC'[strain]}`); },
              onFinished() { resolve({solved: solved.sort(), error: null}); },
              onError(error) { resolve({solved, error, running: pool.running}); }}, 2);
            pool.start(jobs);
            for (let i = 0; i < failing; ++i) pool.received(pool.workers[0], {error: 'no room for the table'});
          });
        })'''
        one_fails = page.evaluate(pool_run + '(1)')
        every_strain = sorted(f'{board}{strain}' for board in (1, 2, 3) for strain in 'NSHDC')
        check(one_fails == {'solved': every_strain, 'error': None},
              f'a failing worker is let go and the other analyses every strain ({one_fails})')
        all_fail = page.evaluate(pool_run + '(2)')
        check(all_fail == {'solved': [], 'error': 'no room for the table', 'running': False},
              f'when every worker fails the analysis stops with the reason ({all_fail})')

        # The page's set takes a board's strains one by one: the board is done
        # when the last is in, and until then a new run queues only the others.
        strains_in = page.evaluate('''(async () => {
          const core = await Tarrow.Core.create(await Tarrow.compileCore());
          core.deal('abc', new Date());
          const seen = [];
          for (const strain of [2, 0, 4, 1, 3]) {
            core.storeStrain(7, strain, [strain, 13 - strain, strain, 13 - strain]);
            const board = core.set().boards[6];
            seen.push(`${board.state} ${board.todo.join('')}`);
          }
          return {seen, tricks: core.board(7).tricks, other: core.set().boards[7].todo.join('')};
        })()''')
        check(strains_in['seen'] == ['open 0134', 'open 134', 'open 13', 'open 3', 'done ']
              and strains_in['tricks'] == [[0, 1, 2, 3, 4], [13, 12, 11, 10, 9]] * 2
              and strains_in['other'] == '01234',
              f'a board is done when its last strain is stored, and only its own strains count ({strains_in})')

        # A seed the core refuses: the command line's words, the set kept.
        refused = cli(tarrow_cli, work, 'deal', '--seed', '', '--out', 'empty.pbn').stderr
        words = refused.splitlines()[0].removeprefix('tarrow-cli deal: ') if refused else ''
        page.evaluate('document.getElementById("seed").value = ""')
        page.click('#deal')
        messages = page.evaluate('document.getElementById("messages").innerText')
        check(words != '' and words in messages, f'an empty seed is refused ({words!r})')
        check(page.evaluate('document.body.dataset.state') == 'done', 'the set dealt before stays')

        # "Link to these boards" carries the seed, the fields and the board
        # looked at; opened in another tab it deals the same set there.
        page.evaluate('(() => { const club = document.getElementById("club"); club.value = "Riverside BC";'
                      ' club.dispatchEvent(new Event("change")); })()')
        link = page.evaluate('document.querySelector("#link a").href')
        other = browser.new_page(width=1280)
        other.open(link)
        other.wait_for('document.getElementById("board-view").innerText.includes("Board ")', timeout=60)
        check('club=Riverside%20BC' in link and other.evaluate('document.getElementById("seed").value') == SEED
              and other.evaluate('document.getElementById("club").value') == 'Riverside BC'
              and other.evaluate('document.getElementById("event").value') == EVENT
              and 'Board 5' in other.evaluate('document.getElementById("board-view").innerText'),
              f'the page\'s link deals the same set, fields and board in another tab ({link[-80:]})')
        # A link followed in a tab that holds another set gives the link's set
        # alone: fields it leaves out are empty.
        other.evaluate('location.hash = "#seed=Second%20night&board=3"')
        other.wait_for('document.getElementById("seed").value === "Second night"', timeout=30)
        check(other.evaluate('document.getElementById("club").value') == ''
              and other.evaluate('document.getElementById("event").value') == ''
              and 'Board 3' in other.evaluate('document.getElementById("board-view").innerText'),
              'a link followed in the same tab deals its seed with its own fields only')
        server.shutdown()
        server.server_close()

    if failures:
        print(f'{len(failures)} web check(s) failed', file=sys.stderr)
        return 1
    print('All web checks passed.')
    return 0


if __name__ == '__main__':
    sys.exit(main())
