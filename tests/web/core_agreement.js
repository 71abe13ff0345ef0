// The WebAssembly core against the native one: runs every record that
// tests/web/core_reference wrote through korvel-core.js and compares the
// output unit for unit; given the extension's keyboard table, that too, on
// every unit and every random text, and the extension's detector of text
// typed in the wrong alphabet on random runs of words.
//   node core_agreement.js path/to/korvel-core.js reference.bin [path/to/keyboard.js]
'use strict';
const fs = require('fs');
const path = require('path');

const createKorvelCore = require(path.resolve(process.argv[2]));
const reference = fs.readFileSync(process.argv[3]);
const table = process.argv[4] ? require(path.resolve(process.argv[4])) : null;
const detector = table ? require(path.join(path.dirname(path.resolve(process.argv[4])), 'alphabet_detector.js')) : null;
// Each kind of record, and what it holds the WebAssembly core and the
// extension's table to; a rewriting's output is led by its Cyrillic flag.
const asUnits = (text) => text.split('').map((c) => c.charCodeAt(0));
const rewritten = (result) =>
  [result.cyrillic ? 1 : 0, ...(typeof result.text === 'string' ? asUnits(result.text) : Array.from(result.text))];
const KINDS = {
  0: { name: 'keyboard', core: (core, text) => core.typedText(text), table: (table, text) => asUnits(table.typedText(text)) },
  1: { name: 'to Latin', core: (core, text) => core.cyrillicToLatin(text),
       table: (table, text) => asUnits(table.cyrillicToLatin(text)) },
  2: { name: 'to Cyrillic', core: (core, text) => core.latinToCyrillic(text),
       table: (table, text) => asUnits(table.latinToCyrillic(text)) },
  4: { name: 'keys', core: (core, text) => core.untypedText(text), table: (table, text) => asUnits(table.untypedText(text)) },
  5: { name: 'rewritten by keyboard', core: (core, text) => rewritten(core.rewrite(text, false)),
       table: (table, text) => rewritten(table.rewrite(text, false)) },
  6: { name: 'rewritten by transcription', core: (core, text) => rewritten(core.rewrite(text, true)),
       table: (table, text) => rewritten(table.rewrite(text, true)) },
};

function readUnits(offset) {
  const length = reference.readUInt32LE(offset);
  const units = new Uint16Array(length);
  for (let i = 0; i < length; i++) units[i] = reference.readUInt16LE(offset + 4 + 2 * i);
  return [units, offset + 4 + 2 * length];
}

function textOf(units) {
  let text = '';
  for (let i = 0; i < units.length; i += 4096) text += String.fromCharCode.apply(null, units.subarray(i, i + 4096));
  return text;
}

createKorvelCore().then((core) => {
  const counts = {};
  const failures = [];
  const compare = (what, convert, input, expected) => {
    const actual = Array.from(convert(textOf(input)));
    counts[what] = (counts[what] || 0) + 1;
    if (actual.length !== expected.length || actual.some((unit, i) => unit !== expected[i])) {
      failures.push(`${what} of [${Array.from(input).map((u) => u.toString(16))}]: ` +
                    `[${actual.map((u) => u.toString(16))}], native [${Array.from(expected).map((u) => u.toString(16))}]`);
    }
  };
  let offset = 0;
  while (offset < reference.length) {
    const kind = KINDS[reference[offset]];
    let input, expected;
    [input, offset] = readUnits(offset + 1);
    [expected, offset] = readUnits(offset);
    compare(kind.name, (text) => kind.core(core, text), input, expected);
    if (table) compare(`${kind.name}, the extension's table`, (text) => kind.table(table, text), input, expected);
  }
  if (detector) {
    // Runs of words as people type them, in either alphabet, either mode,
    // with the tokens the detector never touches, and a few words left alone.
    const words = ['Privet', 'kak', 'dela', 'u', 'tebx', '#du', 'xorosho', 'mir', 'da', 'Guten', 'Tag', 'wie',
      'geht', 'es', 'hello', 'how', 'are', 'you', 'C++', 'iPhone', 'NASA', '2day', 'www.example.com', 'Привет',
      'как', 'мир', 'Гутен', 'Таг', 'юие', 'гехт', 'ес', 'хелло', 'Щука', '*name', 'Ärger', 'über', 'ščuka'];
    const tails = ['', '', '', ',', '.', '?', '!', ':'];
    let seed = 1;
    const random = (n) => {
      seed = (seed * 1103515245 + 12345) % 2147483648;
      return seed % n;
    };
    const units = (text) => Uint16Array.from(asUnits(text));
    for (let round = 0; round < 20000; round++) {
      let run = '';
      for (let count = 1 + random(9); count > 0; count--) {
        run += words[random(words.length)] + tails[random(tails.length)] + ['\t', '\u00a0', ' ', ' ', ' ', ' '][random(6)];
      }
      const leftAlone = random(4) === 0 ? [words[random(words.length)]] : [];
      const native = core.judgeRun(run, leftAlone);
      const expected = native ? [native.begin, native.cyrillic ? 1 : 0, ...Array.from(native.text)] : [];
      compare("the extension's detector", (text) => {
        const fix = detector.judgeRun(text, leftAlone);
        return fix ? [fix.begin, fix.cyrillic ? 1 : 0, ...asUnits(fix.text)] : [];
      }, units(run), expected);
      compare("the extension's words left alone", (text) => asUnits(detector.wordsOf(text).map((w) => `${w}\n`).join('')),
              units(run), Array.from(core.wordsOf(run)));
    }
  }
  console.log(Object.entries(counts).map(([what, count]) => `${count} ${what}`).join(', ') +
              ` compared; ${failures.length} differ`);
  for (const failure of failures.slice(0, 20)) console.log(failure);
  const expectedKinds = Object.keys(KINDS).length * (table ? 2 : 1) + (detector ? 2 : 0);
  const complete = Object.keys(counts).length === expectedKinds &&
    Object.entries(counts).every(([what, count]) => count >= (what.includes('detector') || what.includes('left alone') ? 20000 : 65536));
  process.exit(failures.length === 0 && complete ? 0 : 1);
});
