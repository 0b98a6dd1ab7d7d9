// The page: wires the controls to one state object and shows it.  The core
// (core.js) holds the set; the solver pool (solver-worker.js) analyses it;
// board-view.js draws the board looked at; files.js moves bytes in and out.
// Every change goes through the state and then render(), which is the only
// code that writes to the page.  Scripts and tests read two things: the
// <body>'s data-state ("empty", "analysing", "stopped", "done") and the
// read-only <textarea id="pbn"> that "Show PBN" fills.
//
// A link such as index.html#seed=Club%20night%207%20Dec&board=5 deals that
// seed as the page opens and shows board 5 (event, site, club, description
// and date may be given too; workers=N sets how many workers analyse, for
// measuring).  The page marks "first-board" (performance.mark) when it
// first shows a board.
(function (Tarrow) {
  'use strict';

  const $ = (id) => document.getElementById(id);
  const fieldIds = ['event', 'site', 'club', 'description', 'date'];

  const state = {
    core: null,
    module: null,
    pool: null,
    set: null,            // the core's account of the set: header, board states, strains to do
    board: 1,             // the board looked at
    analysis: 'idle',     // idle, running, stopped, done
    runStarted: 0,        // this run's start (ms) and the strains left at it
    todoAtRunStart: 0,
    analysisMs: 0,        // time spent analysing, over every run of this set
    messages: [],         // {kind: 'error' | 'warning', text}
    pbnShown: false,
    fromSeed: false,      // dealt here, so a link to the seed deals it again
    fileStem: 'boards',   // the downloads' name
    lastBoard: 36,        // "Last Board" of the dealing-machine files
    file: null,           // the file the set came from: {name, bytes, events, eventLoaded}
  };

  // ---- the set -----------------------------------------------------------

  // The fields as typed; an empty date is a set without one (as a file's
  // Date "?"), but a set dealt without a date gets today's, as tarrow-cli
  // deals without --date.
  function fields(dealing = false) {
    const values = {};
    for (const id of fieldIds) values[id] = $(id).value;
    if (dealing) values.date ||= Tarrow.localDateTime(new Date()).slice(0, 10);
    return values;
  }

  function showFields(set) {
    for (const id of fieldIds) $(id).value = set[id] || '';
  }

  // The set the core now holds, with its own last board for the machine files.
  function takeSet() {
    state.set = state.core.set();
    state.lastBoard = state.set.lastBoard || 36;
  }

  // "Last Board" as typed, when it is a board number.
  function typedLastBoard() {
    const typed = Number($('last-board').value);
    return Number.isInteger(typed) && typed >= 1 && typed <= 36 ? typed : null;
  }

  function say(kind, text) {
    state.messages.push({kind, text});
  }

  // Hands the fields to the core; false (and says why) when one is refused.
  function takeFields(dealing = false) {
    const refused = state.core.setFields(fields(dealing));
    if (refused) say('error', refused);
    return !refused;
  }

  // Goes on with the set there was after a refusal, if it was being analysed.
  function keepSet(wasRunning) {
    if (wasRunning) startAnalysis();
    render();
  }

  function deal(seed) {
    state.messages = [];
    const wasRunning = state.pool.running;
    stopAnalysis();
    if (!takeFields(true)) return keepSet(wasRunning);
    const refused = state.core.deal(seed, new Date());
    if (refused) {
      say('error', refused);
      return keepSet(wasRunning);
    }
    takeSet();
    showFields(state.set);
    state.fileStem = Tarrow.fileStem(seed);
    state.fromSeed = true;
    state.file = null;
    state.analysisMs = 0;
    state.analysis = 'idle';
    startAnalysis();
  }

  async function openFile(file) {
    state.messages = [];
    // The core reads no larger file; one is refused before it fills memory.
    if (file.size > Tarrow.largestFile) {
      say('error', `cannot read ${file.name}: the file is larger than ${Tarrow.largestFile >> 20} MiB`);
      return render();
    }
    takeFile(file.name, await Tarrow.readFile(file), 0);
  }

  // Takes the set of a file's bytes (of a PBN file's events the one
  // numbered, 0 for the first), or says why not and keeps the set there was.
  function takeFile(name, bytes, event) {
    const wasRunning = state.pool.running;
    stopAnalysis();
    const answer = state.core.load(name, bytes, event);
    for (const warning of answer.warnings) say('warning', warning);
    if (answer.error) {
      say('error', answer.error);
      return keepSet(wasRunning);
    }
    state.file = {name, bytes, events: answer.events, eventLoaded: answer.eventLoaded};
    takeSet();
    showFields(state.set);
    $('seed').value = state.set.seed;
    state.fileStem = Tarrow.fileStem(name.replace(/\.[^.]*$/, ''));
    state.fromSeed = false;
    history.replaceState(null, '', location.href.replace(/#.*$/, ''));
    // A machine's run may start past board 1.
    state.board = Math.max(1, state.set.boards.findIndex((b) => b.state !== 'absent') + 1);
    state.analysisMs = 0;
    state.analysis = 'idle';
    startAnalysis();
  }

  // ---- analysis ----------------------------------------------------------

  function boardsDone() {
    return state.set.boards.filter((b) => b.state === 'done').length;
  }

  function boardsPresent() {
    return state.set.boards.filter((b) => b.state !== 'absent').length;
  }

  // The strains not yet solved, over the set's boards.
  function strainsToDo() {
    return state.set.boards.reduce((sum, b) => sum + b.todo.length, 0);
  }

  function startAnalysis() {
    const jobs = [];
    state.set.boards.forEach((b, i) => {
      for (const strain of b.todo) jobs.push({board: i + 1, strain, number: b.number});
    });
    state.runStarted = performance.now();
    state.todoAtRunStart = jobs.length;
    state.analysis = jobs.length > 0 ? 'running' : 'done';
    if (jobs.length > 0) state.pool.start(jobs);
    render();
  }

  function stopAnalysis() {
    if (!state.pool.running) return;
    state.pool.stop();
    state.analysisMs += performance.now() - state.runStarted;
    state.analysis = 'stopped';
  }

  function strainSolved(board, strain, tricks) {
    state.core.storeStrain(board, strain, tricks);
    const solved = state.set.boards[board - 1];
    solved.todo = solved.todo.filter((s) => s !== strain);
    if (solved.todo.length === 0) solved.state = 'done';
    // The page shows boards, not strains (the progress line follows each
    // second): only a board done, or the board looked at, changes the view.
    if (solved.state === 'done' || board === state.board) render();
  }

  function analysisFinished() {
    state.analysisMs += performance.now() - state.runStarted;
    state.analysis = 'done';
    render();
  }

  function analysisFailed(message) {
    state.analysisMs += performance.now() - state.runStarted;
    state.analysis = 'stopped';
    say('error', message);
    render();
  }

  function progressText() {
    if (!state.set) return '';
    const done = boardsDone();
    const present = boardsPresent();
    const seconds = (ms) => `${(ms / 1000).toFixed(1)} s`;
    if (state.analysis === 'done') {
      return state.analysisMs > 0 ? `All ${present} boards analysed in ${seconds(state.analysisMs)}.`
                                  : `All ${present} boards analysed.`;
    }
    if (state.analysis === 'stopped') return `Stopped: ${done} of ${present} boards analysed.`;
    if (state.analysis !== 'running') return '';
    // Time left from the strains solved in this run, the work's unit.
    const elapsed = performance.now() - state.runStarted;
    const todo = strainsToDo();
    const doneNow = state.todoAtRunStart - todo;
    const left = doneNow > 0 ? `, about ${Math.ceil(elapsed / doneNow * todo / 1000)} s left` : '';
    return `Analysing on ${state.pool.size} workers: ${done} of ${present} boards done${left}.`;
  }

  // ---- the page's address ------------------------------------------------

  function linkAddress() {
    const parts = [`seed=${encodeURIComponent(state.set.seed)}`];
    const given = fields();
    for (const id of fieldIds) {
      if (given[id]) parts.push(`${id}=${encodeURIComponent(given[id])}`);
    }
    parts.push(`board=${state.board}`);
    return `${location.href.replace(/#.*$/, '')}#${parts.join('&')}`;
  }

  function followAddress() {
    const wanted = new URLSearchParams(location.hash.slice(1));
    const seed = wanted.get('seed');
    const board = Number(wanted.get('board'));
    const workers = Number(wanted.get('workers'));
    if (workers >= 1 && workers <= 8) state.pool.size = workers;
    if (board >= 1 && board <= 36) state.board = board;
    if (seed === null) return render();
    if (state.fromSeed && state.set.seed === seed) return render();
    $('seed').value = seed;
    // The link gives the whole set: a field it leaves out is empty (the
    // date today's), as in a tab opened afresh, whatever was there before.
    for (const id of fieldIds) {
      $(id).value = wanted.get(id) ?? (id === 'date' ? Tarrow.localDateTime(new Date()).slice(0, 10) : '');
    }
    deal(seed);
  }

  // ---- showing the state -------------------------------------------------

  function renderBoards() {
    const list = $('boards');
    if (list.children.length !== 36) {
      list.replaceChildren();
      for (let board = 1; board <= 36; ++board) {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = String(board);
        button.addEventListener('click', () => look(board));
        const item = document.createElement('li');
        item.append(button);
        list.append(item);
      }
    }
    const inWork = state.pool ? state.pool.boardsInWork : [];
    [...list.children].forEach((item, i) => {
      const button = item.firstChild;
      let boardState = state.set ? state.set.boards[i].state : 'absent';
      if (boardState === 'open' && inWork.includes(i + 1)) boardState = 'working';
      button.className = boardState;
      button.disabled = boardState === 'absent';
      button.title = {absent: 'not in the set', open: 'not analysed yet', working: 'being analysed',
                      done: 'analysed'}[boardState];
      if (i + 1 === state.board && state.set) {
        button.setAttribute('aria-current', 'true');
      } else {
        button.removeAttribute('aria-current');
      }
    });
  }

  function renderMessages() {
    const list = $('messages').querySelector('ul');
    list.replaceChildren();
    for (const {kind, text} of state.messages) {
      const item = document.createElement('li');
      item.className = kind;
      const label = document.createElement('strong');
      label.textContent = kind === 'error' ? 'Error: ' : 'Warning: ';
      item.append(label, text);
      list.append(item);
    }
  }

  // The choice of a file's events, when it holds several.
  function renderEvents() {
    const events = state.file ? state.file.events : [];
    $('file-event-choice').hidden = events.length < 2;
    const choice = $('file-event');
    const options = events.map((name, i) => `${i + 1}${name ? `: ${name}` : ''}`);
    if ([...choice.options].map((o) => o.text).join('\n') !== options.join('\n')) {
      choice.replaceChildren(...options.map((text, i) => new Option(text, String(i + 1))));
    }
    if (events.length > 1) choice.value = String(state.file.eventLoaded);
  }

  function renderPbn() {
    const area = $('pbn');
    area.hidden = !state.pbnShown;
    $('show-pbn').textContent = state.pbnShown ? 'Hide PBN' : 'Show PBN';
    if (!state.pbnShown || !state.set) return;
    const written = state.core.write('pbn', 36);
    area.value = written.bytes ? Tarrow.fileText(written.bytes) : written.error;
  }

  function render() {
    const held = state.set !== null;
    const running = state.analysis === 'running';
    document.body.dataset.state = !held ? 'empty' : running ? 'analysing' : state.analysis;
    $('analyse').disabled = !held || running || state.analysis === 'done';
    $('analyse').textContent = state.analysis === 'stopped' ? 'Go on' : 'Analyse';
    $('stop').disabled = !running;
    $('progress').value = progressText();
    $('previous').disabled = !held || state.board <= 1;
    $('next').disabled = !held || state.board >= 36;
    for (const button of document.querySelectorAll('#files-out button')) button.disabled = !held;
    renderBoards();
    renderMessages();
    renderEvents();
    Tarrow.drawBoard($('board-view'), held ? state.core.board(state.board) : null);
    if (held && performance.getEntriesByName('first-board').length === 0) performance.mark('first-board');
    renderPbn();
    const link = $('link');
    link.replaceChildren();
    if (held && state.fromSeed) {
      const anchor = document.createElement('a');
      anchor.href = linkAddress();
      anchor.textContent = 'Link to these boards';
      link.append(anchor);
    }
    // Not while the director types in it.
    if (document.activeElement !== $('last-board')) $('last-board').value = state.lastBoard;
  }

  function look(board) {
    state.board = Math.max(1, Math.min(36, board));
    if (state.fromSeed && location.hash.includes('seed=')) {
      history.replaceState(null, '', linkAddress());
    }
    render();
  }

  function writeFile(kind) {
    state.messages = [];
    if (!takeFields()) return render();
    state.lastBoard = typedLastBoard() || state.lastBoard;
    const written = state.core.write(kind, state.lastBoard);
    if (written.error) {
      say('error', written.error);
      return render();
    }
    const names = {pdf: '.pdf', html: '.html', setup: '-setup.pdf', travelers: '-travelers.pdf'};
    Tarrow.download(written.bytes, state.fileStem + (names[kind] || `.${kind}`));
    render();
  }

  // ---- wiring ------------------------------------------------------------

  function wire() {
    $('deal-form').addEventListener('submit', (event) => {
      event.preventDefault();
      deal($('seed').value);
      // The address deals this set again (not one opened from a file).
      if (state.set && state.fromSeed) history.replaceState(null, '', linkAddress());
    });
    $('add-date-time').addEventListener('click', () => {
      $('seed').value += Tarrow.localDateTime(new Date());
      $('seed').focus();
    });
    for (const id of fieldIds) {
      $(id).addEventListener('change', () => {
        state.messages = [];
        if (state.set) takeFields();
        render();
      });
    }
    $('file-input').addEventListener('change', (event) => {
      const [file] = event.target.files;
      if (file) openFile(file).then(() => { event.target.value = ''; });
    });
    $('file-event').addEventListener('change', (event) => {
      state.messages = [];
      takeFile(state.file.name, state.file.bytes, Number(event.target.value));
    });
    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
      event.preventDefault();
      const [file] = event.dataTransfer.files;
      if (file) openFile(file);
    });
    $('last-board').addEventListener('input', () => {
      state.lastBoard = typedLastBoard() || state.lastBoard;
    });
    $('last-board').addEventListener('blur', render);
    $('analyse').addEventListener('click', startAnalysis);
    $('stop').addEventListener('click', () => { stopAnalysis(); render(); });
    $('previous').addEventListener('click', () => look(state.board - 1));
    $('next').addEventListener('click', () => look(state.board + 1));
    document.addEventListener('keydown', (event) => {
      if (!state.set || event.target.closest('input, textarea, select')) return;
      if (event.key === 'ArrowLeft') look(state.board - 1);
      if (event.key === 'ArrowRight') look(state.board + 1);
    });
    for (const button of document.querySelectorAll('#files-out button[data-kind]')) {
      button.addEventListener('click', () => writeFile(button.dataset.kind));
    }
    $('show-pbn').addEventListener('click', () => {
      state.pbnShown = !state.pbnShown;
      render();
    });
    window.addEventListener('hashchange', followAddress);
    // The progress line's time left.
    setInterval(() => { if (state.analysis === 'running') $('progress').value = progressText(); }, 1000);
  }

  async function start() {
    $('date').value = Tarrow.localDateTime(new Date()).slice(0, 10);
    try {
      state.module = await Tarrow.compileCore();
      state.core = await Tarrow.Core.create(state.module);
    } catch (error) {
      say('error', `This browser cannot run the page: ${error}`);
      return render();
    }
    state.pool = new Tarrow.SolverPool(state.module, {
      onStarted: render, onResult: strainSolved, onFinished: analysisFinished, onError: analysisFailed});
    wire();
    followAddress();
  }

  start();
})(globalThis.Tarrow = globalThis.Tarrow || {});
