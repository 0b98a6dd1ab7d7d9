// The WebAssembly core, for the page and for each solver worker: the module
// is compiled once from the bytes tarrow-wasm.js carries, and every instance
// (the page's, one per worker) is made from it.  Core wraps the binding's C
// functions (web/src/tarrow_web.cpp) in JavaScript terms: strings in and
// out, JSON parsed, files as Uint8Array.
//
//   const module = await Tarrow.compileCore();
//   const core = await Tarrow.Core.create(module);
//   core.deal('Club night 7 Dec', new Date());   // '' or the reason
function tarrowCoreScript(Tarrow) {
  'use strict';

  Tarrow.compileCore = function () {
    const text = atob(tarrowWasmBase64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    return WebAssembly.compile(bytes);
  };

  // "YYYY-MM-DD HH:MM:SS" in local time, the form the core reads and writes.
  Tarrow.localDateTime = function (date) {
    const two = (n) => String(n).padStart(2, '0');
    return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())} ` +
           `${two(date.getHours())}:${two(date.getMinutes())}:${two(date.getSeconds())}`;
  };

  Tarrow.Core = class Core {
    static async create(module) {
      const instance = await createTarrow({
        instantiateWasm(imports, receive) {
          WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
          return {};
        },
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),
      });
      return new Core(instance);
    }

    constructor(instance) {
      this.m = instance;
    }

    text(name, ...args) {
      return this.m.ccall(name, 'string', args.map(() => 'string'), args);
    }

    deal(seed, now) {
      return this.text('tw_deal', seed, Tarrow.localDateTime(now));
    }

    setFields({event, site, club, description, date}) {
      return this.text('tw_set_fields', event, site, club, description, date);
    }

    set() {
      return JSON.parse(this.m.ccall('tw_set_json', 'string', [], []));
    }

    board(number) {
      return JSON.parse(this.m.ccall('tw_board_json', 'string', ['number'], [number]));
    }

    // One strain of a board as a worker solved it: 4 tricks, declarer N E S W.
    storeStrain(board, strain, tricks) {
      const at = this.m._malloc(4);
      this.m.HEAPU8.set(tricks, at);
      this.m._tw_store_strain(board, strain, at);
      this.m._free(at);
    }

    // A file of the set: {bytes} or {error}.
    write(kind, lastBoard) {
      const size = this.m.ccall('tw_write', 'number', ['string', 'number'], [kind, lastBoard]);
      if (size < 0) return {error: this.m.UTF8ToString(this.m._tw_error())};
      const at = this.m._tw_output_data();
      return {bytes: this.m.HEAPU8.slice(at, at + size)};
    }

    // Takes a set from a file's bytes, of a PBN file's events the one
    // numbered (from 1) or the first: {error, warnings, events, eventLoaded}.
    load(name, bytes, event = 0) {
      const at = this.m._tw_input_buffer(bytes.length);
      this.m.HEAPU8.set(bytes, at);
      const answer = this.m.ccall('tw_load', 'string', ['string', 'number', 'number', 'string'],
                                  [name, at, bytes.length, event ? String(event) : '']);
      return JSON.parse(answer);
    }

    // Worker side: the 4 tricks (declarer N E S W) of a deal in a strain
    // (0 notrump, 1..4 spades..clubs), or null with the reason in error().
    solveStrain(numberHex, strain) {
      const at = this.m.ccall('tw_solve_strain', 'number', ['string', 'number'], [numberHex, strain]);
      return at === 0 ? null : this.m.HEAPU8.slice(at, at + 4);
    }

    error() {
      return this.m.UTF8ToString(this.m._tw_error());
    }
  };
}
tarrowCoreScript(globalThis.Tarrow = globalThis.Tarrow || {});
