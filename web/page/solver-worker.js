// Double-dummy analysis in Web Workers.  Each worker owns one WebAssembly
// instance and its solver table and solves whole boards; SolverPool, on the
// page's side, hands the boards out one at a time to as many workers as the
// computer has cores (at most 8) and reports each board's tricks as they
// come.  The workers are made from a blob of this script and the core's, so
// the page needs no special headers and runs from file:// too; they share
// nothing (no SharedArrayBuffer), and stopping ends them: the boards they
// were on go back to the queue.  A worker that fails (a browser short of
// memory may refuse a solver table) is let go and its board handed to the
// others, so a computer with room for fewer tables analyses on fewer
// workers; only when none is left does the pool stop with the reason.
//
//   const pool = new Tarrow.SolverPool(module, {onStarted, onResult, onFinished, onError});
//   pool.start([{board: 1, number: '48DB1DE1 5ED13920 FC4FE771'}, ...]);
//   pool.stop();   // start() again goes on with what is left

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
    const tricks = core.solve(message.number);
    if (tricks === null) {
      self.postMessage({board: message.board, error: core.error()});
    } else {
      self.postMessage({board: message.board, tricks, ms: performance.now() - started});
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
      this.workers = [];  // {worker, job}
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
        const slot = {worker: makeWorker(), job: null};
        slot.worker.onmessage = (event) => this.received(slot, event.data);
        slot.worker.onerror = (event) => {
          event.preventDefault();
          this.letGo(slot, `a solver worker failed: ${event.message}`);
        };
        slot.worker.postMessage({module: this.module});
        this.workers.push(slot);
      }
    }

    // Ends every worker; the boards they were on are queued again first.
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
        slot.job = null;
        this.onResult(message.board, message.tricks, message.ms);
      }
      this.handOut(slot);
    }

    handOut(slot) {
      if (this.queue.length > 0) {
        slot.job = this.queue.shift();
        slot.worker.postMessage(slot.job);
        this.onStarted(slot.job.board);
        return;
      }
      slot.worker.terminate();
      this.workers = this.workers.filter((s) => s !== slot);
      if (this.workers.length === 0) this.onFinished();
    }

    // Ends one worker that failed; its board goes back to the queue for the
    // others.  With no worker left the pool stops and says why.
    letGo(slot, message) {
      slot.worker.terminate();
      this.workers = this.workers.filter((s) => s !== slot);
      if (slot.job) this.queue.unshift(slot.job);
      if (this.workers.length > 0) return;  // the others take the board when they are free
      this.stop();
      this.onError(message);
    }
  };
})(globalThis.Tarrow = globalThis.Tarrow || {});
