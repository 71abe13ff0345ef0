// Writes the extension's keyboard table from the core itself (the
// WebAssembly build, run under node), as data alone: for every UTF-16 unit,
// what typing it into Korvel inserts and what the way back gives, where that
// differs from the unit; what each transcription makes of it, with the
// digraphs; which units are letters of which alphabet; and the letter
// statistics of the detector of text typed in the wrong alphabet. The content
// script needs it as data, since pages whose Content-Security-Policy lacks
// 'wasm-unsafe-eval' let no content script compile WebAssembly; keyboard.js
// reads it.
//   node make_keyboard_table.js path/to/korvel-core.js > keyboard_table.js
'use strict';
const path = require('path');

const createKorvelCore = require(path.resolve(process.argv[2]));

createKorvelCore().then((core) => {
  const of = (convert, unit) => String.fromCharCode.apply(null, convert(String.fromCharCode(unit)));
  const maps = { typed: {}, untyped: {}, toLatin: {}, toCyrillic: {} };
  const converters = { typed: core.typedText, untyped: core.untypedText, toLatin: core.cyrillicToLatin,
                       toCyrillic: core.latinToCyrillic };
  const scripts = []; // [first, last, script] runs of units that are letters
  for (let unit = 0; unit <= 0xffff; unit++) {
    for (const name of Object.keys(maps)) {
      const output = of(converters[name], unit);
      if (output !== String.fromCharCode(unit)) maps[name][String.fromCharCode(unit)] = output;
    }
    const script = core.scriptOf(unit);
    const last = scripts[scripts.length - 1];
    if (script === 0) continue;
    if (last && last[1] === unit - 1 && last[2] === script) last[1] = unit;
    else scripts.push([unit, unit, script]);
  }
  // The detector's letter statistics: Russian, German, English.
  const base64 = (view) => Buffer.from(view.buffer, view.byteOffset, view.byteLength).toString('base64');
  const alphabet = [0, 1, 2].map((language) => {
    const costs = core.alphabetCosts(language);
    return { letters: String.fromCharCode.apply(null, costs.letters), pairs: base64(costs.pairs),
             threes: base64(costs.threes), threeCosts: base64(costs.threeCosts) };
  });
  const digraphs = core.latinToCyrillicDigraphs().map(([first, second, output]) =>
    [String.fromCharCode(first) + String.fromCharCode(second), String.fromCharCode(output)]);
  process.stdout.write(`// What Korvel's typing and transcriptions make of each character, where it
// is not the character itself, written by make_keyboard_table.js from the
// core: data alone (keyboard.js reads it). Do not edit.
'use strict';
const KorvelKeyboardData = ${JSON.stringify({ maps, digraphs, scripts, alphabet })};
if (typeof module === 'object') module.exports = KorvelKeyboardData;
`);
});
