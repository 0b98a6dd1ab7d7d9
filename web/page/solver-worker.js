// Double-dummy analysis in Web Workers.  Each worker owns one WebAssembly
// instance and its solver table; SolverPool, on the page's side, hands out
// the work one board's strain at a time (both sides, on one table: the
// second side's search reads what the first left there) to as many workers
// as the computer has cores (at most 8), and reports each strain's tricks as
// they come.  A worker keeps to one board while it has strains left, on the
// table that board's earlier strains filled; then it takes the lowest board
// no worker is on, and at the end of the set the strains of the board
// another worker is on, so that no worker waits idle while another solves a
// whole heavy board alone.
//
// The workers are made from a blob of this script and the core's, so the
// page needs no special headers and runs from file:// too; they share
// nothing (no SharedArrayBuffer), and stopping ends them: the strains they
// were on go back to the queue.  A worker that fails (a browser short of
// memory may refuse a solver table) is let go and its strain handed to the
// others, so a computer with room for fewer tables analyses on fewer
// workers; only when none is left does the pool stop with the reason.
//
//   const pool = new Tarrow.SolverPool(module, {onStarted, onResult, onFinished, onError});
//   // onStarted(board) as a worker starts on a board, onResult(board, strain, tricks, ms)
//   pool.start([{board: 1, strain: 0, number: '48DB1DE1 5ED13920 FC4FE771'}, ...]);
//   pool.stop();   // returns the jobs left; start() them again to go on

// The worker's side; runs in the worker, never on the page.
function tarrowSolverWorker() {
  'use strict';
  let core = null;
  self.onmessage = async (event) => {
    const message = event.data;
    if (message.module) {
      try {
        core = await Tarrow.Core.create(message.module);
        self.postMessage({ready: true});
      } catch (error) {
        self.postMessage({error: `the solver could not start: ${error}`});
      }
      return;
    }
    const started = performance.now();
    const tricks = core.solveStrain(message.number, message.strain);
    if (tricks === null) {
      self.postMessage({error: core.error()});
    } else {
      self.postMessage({tricks, ms: performance.now() - started});
    }
  };
}

(function (Tarrow) {
  'use strict';

  Tarrow.workerCount = function () {
    return Math.max(1, Math.min(8, navigator.hardwareConcurrency || 1));
  };

  let workerUrl = null;
  function makeWorker() {
    if (workerUrl === null) {
      // createTarrow's body reads _scriptDir from the closure its script wraps it in.
      const source = `var _scriptDir;\nvar createTarrow = ${createTarrow.toString()};\n` +
                     `(${tarrowCoreScript.toString()})(globalThis.Tarrow = {});\n` +
                     `(${tarrowSolverWorker.toString()})();\n`;
      workerUrl = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    }
    return new Worker(workerUrl);
  }

  Tarrow.SolverPool = class SolverPool {
    constructor(module, {onStarted, onResult, onFinished, onError}, workers = Tarrow.workerCount()) {
      this.module = module;
      this.size = workers;
      this.onStarted = onStarted;
      this.onResult = onResult;
      this.onFinished = onFinished;
      this.onError = onError;
      this.queue = [];
      this.workers = [];  // {worker, job, board}: the job in hand, the board it was last on
    }

    get running() {
      return this.workers.length > 0;
    }

    // The boards the workers are on now.
    get boardsInWork() {
      return this.workers.filter((slot) => slot.job).map((slot) => slot.job.board);
    }

    start(jobs) {
      this.queue = jobs.slice();
      const count = Math.min(this.size, this.queue.length);
      if (count === 0) {
        this.onFinished();
        return;
      }
      for (let i = 0; i < count; ++i) {
        const slot = {worker: makeWorker(), job: null, board: 0};
        slot.worker.onmessage = (event) => this.received(slot, event.data);
        slot.worker.onerror = (event) => {
          event.preventDefault();
          this.letGo(slot, `a solver worker failed: ${event.message}`);
        };
        slot.worker.postMessage({module: this.module});
        this.workers.push(slot);
      }
    }

    // Ends every worker; the jobs they were on are queued again first.
    stop() {
      for (const slot of this.workers) {
        slot.worker.terminate();
        if (slot.job) this.queue.unshift(slot.job);
      }
      this.workers = [];
      return this.queue;
    }

    received(slot, message) {
      if (!this.workers.includes(slot)) return;  // stopped or let go meanwhile
      if (message.error) {
        this.letGo(slot, message.error);
        return;
      }
      if (message.tricks) {
        const {board, strain} = slot.job;
        slot.job = null;
        this.onResult(board, strain, message.tricks, message.ms);
      }
      this.handOut(slot);
    }

    // The queued job a worker takes next: a strain of the board it was on,
    // else the first of a board no worker is on, else one of the board in
    // work with the most strains queued.
    nextJob(slot) {
      let at = this.queue.findIndex((job) => job.board === slot.board);
      if (at < 0) {
        const inWork = this.boardsInWork;
        at = this.queue.findIndex((job) => !inWork.includes(job.board));
      }
      if (at < 0) {
        const queued = new Map();
        for (const job of this.queue) queued.set(job.board, (queued.get(job.board) || 0) + 1);
        const board = [...queued].reduce((most, entry) => (entry[1] > most[1] ? entry : most))[0];
        at = this.queue.findIndex((job) => job.board === board);
      }
      return this.queue.splice(at, 1)[0];
    }

    handOut(slot) {
      if (this.queue.length > 0) {
        slot.job = this.nextJob(slot);
        const newBoard = slot.job.board !== slot.board;
        slot.board = slot.job.board;
        slot.worker.postMessage(slot.job);
        if (newBoard) this.onStarted(slot.job.board);
        return;
      }
      slot.worker.terminate();
      this.workers = this.workers.filter((s) => s !== slot);
      if (this.workers.length === 0) this.onFinished();
    }

    // Ends one worker that failed; its job goes back to the queue for the
    // others.  With no worker left the pool stops and says why.
    letGo(slot, message) {
      slot.worker.terminate();
      this.workers = this.workers.filter((s) => s !== slot);
      if (slot.job) this.queue.unshift(slot.job);
      if (this.workers.length > 0) return;  // the others take the job when they are free
      this.stop();
      this.onError(message);
    }
  };
})(globalThis.Tarrow = globalThis.Tarrow || {});
