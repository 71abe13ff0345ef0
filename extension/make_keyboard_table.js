// Writes the extension's keyboard table from the core itself (the
// WebAssembly build, run under node): for every UTF-16 unit, what typing it
// into Korvel inserts, where that differs from the unit. The content script
// needs it as data, since pages whose Content-Security-Policy lacks
// 'wasm-unsafe-eval' let no content script compile WebAssembly.
//   node make_keyboard_table.js path/to/korvel-core.js > keyboard_table.js
'use strict';
const path = require('path');

const createKorvelCore = require(path.resolve(process.argv[2]));

createKorvelCore().then((core) => {
  const outputs = {};
  for (let unit = 0; unit <= 0xffff; unit++) {
    const typed = String.fromCharCode.apply(null, core.typedText(String.fromCharCode(unit)));
    if (typed !== String.fromCharCode(unit)) outputs[String.fromCharCode(unit)] = typed;
  }
  process.stdout.write(`// What typing each character inserts in Korvel, where it is not the character
// itself: written by make_keyboard_table.js from the core's keyboard table.
// Do not edit.
'use strict';

// eslint-disable-next-line no-unused-vars
const KorvelKeyboardTable = (() => {
  const outputs = new Map(Object.entries(${JSON.stringify(outputs)}));
  // What typing each unit of \`text\` inserts, one after the other.
  function typedText(text) {
    let typed = '';
    for (let i = 0; i < text.length; i++) typed += outputs.get(text[i]) || text[i];
    return typed;
  }
  return { typedText };
})();
if (typeof module === 'object') module.exports = KorvelKeyboardTable;
`);
});
