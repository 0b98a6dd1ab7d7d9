// Bytes to downloads and back: a file of the set handed to the browser to
// save under a name, and a chosen or dropped file read into bytes for the
// core.  Nothing goes over a network; a download is a blob in memory.
//
//   Tarrow.download(bytes, 'club-night.pbn');
//   const bytes = await Tarrow.readFile(input.files[0]);
(function (Tarrow) {
  'use strict';

  // Other files go as plain bytes, so that no browser changes their extension.
  const types = {
    pdf: 'application/pdf',
    html: 'text/html',
  };

  Tarrow.download = function (bytes, name) {
    const extension = name.slice(name.lastIndexOf('.') + 1);
    const blob = new Blob([bytes], {type: types[extension] || 'application/octet-stream'});
    const url = URL.createObjectURL(blob);
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60_000);
  };

  // The largest file the core reads.
  Tarrow.largestFile = 64 << 20;

  Tarrow.readFile = async function (file) {
    return new Uint8Array(await file.arrayBuffer());
  };

  // The set's text files are Windows-1252, as on the desktop.
  Tarrow.fileText = function (bytes) {
    return new TextDecoder('windows-1252').decode(bytes);
  };

  // A file name made of a seed or an event: what a file system takes.
  Tarrow.fileStem = function (text) {
    const stem = text.normalize('NFKD').replace(/[^\w.-]+/g, '-').replace(/^[-.]+|-+$/g, '');
    return stem.slice(0, 60) || 'boards';
  };
})(globalThis.Tarrow = globalThis.Tarrow || {});
