// What Korvel's typing and transcriptions make of a text, read from the
// keyboard table that make_keyboard_table.js writes from the core
// (keyboard_table.js, loaded before this file): typing, the way back, both
// transcriptions, and the rewriting of a text in the other alphabet.
'use strict';

const KorvelKeyboardTable = ((data) => {
  const outputs = {};
  for (const name of Object.keys(data.maps)) outputs[name] = new Map(Object.entries(data.maps[name]));
  const digraphs = new Map(data.digraphs);
  const SCRIPTS = data.scripts;
  const LATIN = 1;
  const CYRILLIC = 2;

  // Each unit of `text` as `name` gives it, one after the other.
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

  // `text` in the other alphabet, chosen by most of its letters: mostly
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
  return { typedText, untypedText, cyrillicToLatin, latinToCyrillic, rewrite, scriptOf };
})(typeof KorvelKeyboardData === 'object' ? KorvelKeyboardData : require('./keyboard_table.js'));
if (typeof module === 'object') module.exports = KorvelKeyboardTable;
