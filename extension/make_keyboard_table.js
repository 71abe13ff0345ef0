// Writes the extension's keyboard table from the core itself (the
// WebAssembly build, run under node): for every UTF-16 unit, what typing it
// into Korvel inserts and what the way back gives, where that differs from
// the unit; what each transcription makes of it, with the digraphs; and
// which units are letters of which alphabet. The content script needs it as
// data, since pages whose Content-Security-Policy lacks 'wasm-unsafe-eval'
// let no content script compile WebAssembly.
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
  const digraphs = core.latinToCyrillicDigraphs().map(([first, second, output]) =>
    [String.fromCharCode(first) + String.fromCharCode(second), String.fromCharCode(output)]);
  process.stdout.write(`// What Korvel's typing and transcriptions make of each character, where it
// is not the character itself: written by make_keyboard_table.js from the
// core. Do not edit.
'use strict';

// eslint-disable-next-line no-unused-vars
const KorvelKeyboardTable = (() => {
  const maps = ${JSON.stringify(maps)};
  const outputs = {};
  for (const name of Object.keys(maps)) outputs[name] = new Map(Object.entries(maps[name]));
  const digraphs = new Map(${JSON.stringify(digraphs)});
  const SCRIPTS = ${JSON.stringify(scripts)};
  const LATIN = 1;
  const CYRILLIC = 2;

  // Each unit of \`text\` as \`name\` gives it, one after the other.
  const unitByUnit = (name) => (text) => {
    const map = outputs[name];
    let converted = '';
    for (let i = 0; i < text.length; i++) converted += map.get(text[i]) || text[i];
    return converted;
  };
  const typedText = unitByUnit('typed');
  const untypedText = unitByUnit('untyped');
  const cyrillicToLatin = unitByUnit('toLatin');
  // Digraphs first at every position, as the core reads them.
  function latinToCyrillic(text) {
    let converted = '';
    for (let i = 0; i < text.length; i++) {
      const digraph = i + 1 < text.length && digraphs.get(text[i] + text[i + 1]);
      if (digraph) {
        converted += digraph;
        i++;
      } else {
        converted += outputs.toCyrillic.get(text[i]) || text[i];
      }
    }
    return converted;
  }

  function scriptOf(unit) {
    const code = unit.charCodeAt(0);
    for (const [first, last, script] of SCRIPTS) if (code >= first && code <= last) return script;
    return 0;
  }

  // \`text\` in the other alphabet, chosen by most of its letters: mostly
  // Cyrillic goes to Latin, anything else to Cyrillic.
  function rewrite(text, transcription) {
    let latin = 0;
    let cyrillic = 0;
    for (let i = 0; i < text.length; i++) {
      const script = scriptOf(text[i]);
      if (script === LATIN) latin++;
      else if (script === CYRILLIC) cyrillic++;
    }
    const toLatin = cyrillic > latin;
    const convert = transcription ? (toLatin ? cyrillicToLatin : latinToCyrillic) : (toLatin ? untypedText : typedText);
    return { text: convert(text), cyrillic: !toLatin };
  }
  return { typedText, untypedText, cyrillicToLatin, latinToCyrillic, rewrite };
})();
if (typeof module === 'object') module.exports = KorvelKeyboardTable;
`);
});
