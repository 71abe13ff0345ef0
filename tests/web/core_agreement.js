// The WebAssembly core against the native one: runs every record that
// tests/web/core_reference wrote through korvel-core.js and compares the
// output unit for unit; given the extension's keyboard table, its typing
// too, on every unit and every random text.
//   node core_agreement.js path/to/korvel-core.js reference.bin [path/to/keyboard_table.js]
'use strict';
const fs = require('fs');
const path = require('path');

const createKorvelCore = require(path.resolve(process.argv[2]));
const reference = fs.readFileSync(process.argv[3]);
const table = process.argv[4] ? require(path.resolve(process.argv[4])) : null;
const KINDS = ['keyboard', 'to Latin', 'to Cyrillic', "the extension's table"];

function readUnits(offset) {
  const length = reference.readUInt32LE(offset);
  const units = new Uint16Array(length);
  for (let i = 0; i < length; i++) units[i] = reference.readUInt16LE(offset + 4 + 2 * i);
  return [units, offset + 4 + 2 * length];
}

function toString(units) {
  let text = '';
  for (let i = 0; i < units.length; i += 4096) text += String.fromCharCode.apply(null, units.subarray(i, i + 4096));
  return text;
}

createKorvelCore().then((core) => {
  const convert = [
    (text) => core.typedText(text),
    (text) => core.cyrillicToLatin(text),
    (text) => core.latinToCyrillic(text),
    (text) => table.typedText(text).split('').map((c) => c.charCodeAt(0)),
  ];
  const counts = [0, 0, 0, 0];
  const failures = [];
  const compare = (kind, input, expected) => {
    const actual = Array.from(convert[kind](toString(input)));
    counts[kind]++;
    if (actual.length !== expected.length || actual.some((unit, i) => unit !== expected[i])) {
      failures.push(`${KINDS[kind]} of [${Array.from(input).map((u) => u.toString(16))}]: ` +
                    `[${actual.map((u) => u.toString(16))}], native [${Array.from(expected).map((u) => u.toString(16))}]`);
    }
  };
  let offset = 0;
  while (offset < reference.length) {
    const kind = reference[offset];
    let input, expected;
    [input, offset] = readUnits(offset + 1);
    [expected, offset] = readUnits(offset);
    compare(kind, input, expected);
    if (kind === 0 && table) compare(3, input, expected);
  }
  const checked = table ? counts : counts.slice(0, 3);
  console.log(checked.map((count, kind) => `${count} ${KINDS[kind]}`).join(', ') + ` compared; ${failures.length} differ`);
  for (const failure of failures.slice(0, 20)) console.log(failure);
  process.exit(failures.length === 0 && checked.every((count) => count >= 65536) ? 0 : 1);
});
