// Draws one board as the hand records show it: the four hands around the
// board's number, dealer and vulnerability, each hand's points, the
// double-dummy tricks of every declarer and strain, and par.  Takes the
// board as the core describes it (Core.board) and builds plain markup; the
// page's style sheet lays it out.
//
//   Tarrow.drawBoard(document.getElementById('board-view'), core.board(7));
(function (Tarrow) {
  'use strict';

  const seats = ['North', 'East', 'South', 'West'];
  const suits = [
    {symbol: '\u2660', name: 'spades', red: false},
    {symbol: '\u2665', name: 'hearts', red: true},
    {symbol: '\u2666', name: 'diamonds', red: true},
    {symbol: '\u2663', name: 'clubs', red: false},
  ];
  const strains = [{symbol: 'NT', name: 'notrump', red: false}, ...suits];

  function element(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, value);
    for (const child of children) node.append(child);
    return node;
  }

  function suitSign(suit) {
    return element('span', {class: suit.red ? 'suit red' : 'suit', title: suit.name}, suit.symbol);
  }

  function hand(board, seat) {
    const cards = board.hands[seat];
    const list = element('dl', {class: 'cards'});
    suits.forEach((suit, i) => {
      // Printed records spell the ten "10"; a void shows as a dash.
      const ranks = cards[i].replace('T', '10').split('').join(' ').replace('1 0', '10');
      list.append(element('dt', {}, suitSign(suit)), element('dd', {}, ranks || '\u2014'));
    });
    const heading = element('h4', {}, seats[seat], ' ',
                            element('span', {class: 'points'}, `${board.points[seat]} HCP`));
    return element('section', {class: `hand ${seats[seat].toLowerCase()}`,
                               'aria-label': seats[seat]}, heading, list);
  }

  function trickTable(board) {
    const head = element('tr', {}, element('th', {scope: 'col'}, ''));
    for (const strain of strains) head.append(element('th', {scope: 'col'}, suitSign(strain)));
    const body = element('tbody');
    for (const seat of [0, 2, 1, 3]) {
      const row = element('tr', {}, element('th', {scope: 'row'}, seats[seat][0]));
      for (let strain = 0; strain < 5; ++strain) {
        const tricks = board.tricks[seat][strain];
        row.append(element('td', {}, tricks === null ? '\u00b7' : String(tricks)));
      }
      body.append(row);
    }
    return element('table', {class: 'tricks'},
                   element('caption', {}, 'Double-dummy tricks'), element('thead', {}, head), body);
  }

  Tarrow.drawBoard = function (container, board) {
    container.replaceChildren();
    if (!board || !board.present) {
      container.append(element('p', {}, board ? `Board ${board.board} is not in the set.` : ''));
      return;
    }
    const middle = element('div', {class: 'compass'},
                           element('strong', {class: 'board-number'}, `Board ${board.board}`),
                           element('span', {}, `Dealer ${board.dealer}`),
                           element('span', {}, `Vul ${board.vulnerable}`));
    const table = element('div', {class: 'table-of-hands'},
                          hand(board, 0), hand(board, 3), middle, hand(board, 1), hand(board, 2));
    const par = board.par ? `Par: ${board.par.score}` + (board.par.contracts ? ` (${board.par.contracts})` : '')
                          : 'Par: not known until the board is analysed';
    container.append(
        table,
        element('div', {class: 'analysis'}, trickTable(board), element('p', {class: 'par'}, par)),
        element('p', {class: 'deal-number'}, 'Deal number ',
                element('span', {class: 'number'}, board.number.trim())));
  };
})(globalThis.Tarrow = globalThis.Tarrow || {});
