// The WebAssembly core against the native one: runs every record that
// tests/web/core_reference wrote through korvel-core.js and compares the
// output unit for unit.
//   node core_agreement.js path/to/korvel-core.js reference.bin
'use strict';
const fs = require('fs');
const path = require('path');

const createKorvelCore = require(path.resolve(process.argv[2]));
const reference = fs.readFileSync(process.argv[3]);
const KINDS = ['keyboard', 'to Latin', 'to Cyrillic'];

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
  ];
  const counts = [0, 0, 0];
  const failures = [];
  let offset = 0;
  while (offset < reference.length) {
    const kind = reference[offset];
    let input, expected;
    [input, offset] = readUnits(offset + 1);
    [expected, offset] = readUnits(offset);
    const actual = Array.from(convert[kind](toString(input)));
    counts[kind]++;
    if (actual.length !== expected.length || actual.some((unit, i) => unit !== expected[i])) {
      failures.push(`${KINDS[kind]} of [${Array.from(input).map((u) => u.toString(16))}]: ` +
                    `[${actual.map((u) => u.toString(16))}], native [${Array.from(expected).map((u) => u.toString(16))}]`);
    }
  }
  console.log(KINDS.map((name, kind) => `${counts[kind]} ${name}`).join(', ') + ` compared; ${failures.length} differ`);
  for (const failure of failures.slice(0, 20)) console.log(failure);
  process.exit(failures.length === 0 && counts.every((count) => count >= 65536) ? 0 : 1);
});
