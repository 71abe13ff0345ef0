// The fixing by itself, for the extension, whose content script cannot run
// the WebAssembly core on every page: the core's detector of runs typed in
// the wrong alphabet (transcription/alphabet_detector.cpp), rule for rule,
// over the letter statistics that make_keyboard_table.js writes from the
// core (keyboard_table.js, loaded before this file). The tests hold it to
// the core on random texts.
'use strict';

const KorvelAlphabetDetector = ((data, table) => {
  const RUN_MARGIN = 8 * 8;
  const WORD_MARGIN = 2 * 8;
  const RUN_WORDS = 2;
  const MOST_WORDS = 16;
  const AROUND = '.,!?;:"()[]{}\u00ab\u00bb\u201e\u201c\u201d\u2026\u2013\u2014<>\'';
  const LETTER_KEYS = "#'+*";
  const LATIN_KEYS = '\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df\u011a\u011b-';
  const LATIN = 1;
  const CYRILLIC = 2;
  const bytesOf = (base64) => (typeof atob === 'function' ? Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))
    : Uint8Array.from(Buffer.from(base64, 'base64')));
  const [russian, german, english] = data.alphabet.map(({ letters, pairs, threes, threeCosts }) => {
    const threeBytes = bytesOf(threes); // 16-bit, little-endian
    return { letters, size: letters.length + 1, pairs: bytesOf(pairs), threeCosts: bytesOf(threeCosts),
             threes: new Uint16Array(threeBytes.buffer, threeBytes.byteOffset, threeBytes.length / 2) };
  });
  // The cost of the three where they are known together, else the pair's.
  function letterCost({ size, pairs, threes, threeCosts }, a, b, c) {
    const three = (a * size + b) * size + c;
    let low = 0;
    let high = threes.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (threes[middle] < three) low = middle + 1;
      else high = middle;
    }
    return low < threes.length && threes[low] === three ? threeCosts[low] : pairs[b * size + c];
  }

  const code = (unit) => unit.charCodeAt(0);
  // A no-break space too: editors end a line's text with one.
  const isSeparator = (unit) => unit === ' ' || unit === '\t' || unit === '\u00a0';
  const isDigit = (unit) => unit >= '0' && unit <= '9';
  function isUpper(unit) {
    const c = code(unit);
    return (c >= 0x41 && c <= 0x5a) || (c >= 0xc0 && c <= 0xde && c !== 0xd7) || (c >= 0x400 && c <= 0x42f) ||
      c === 0x11a;
  }
  function isLower(unit) {
    const c = code(unit);
    return (c >= 0x61 && c <= 0x7a) || (c >= 0xdf && c <= 0xff && c !== 0xf7) || (c >= 0x430 && c <= 0x45f) ||
      c === 0x11b;
  }
  function lower(unit) {
    const c = code(unit);
    if ((c >= 0x41 && c <= 0x5a) || (c >= 0xc0 && c <= 0xde && c !== 0xd7) || (c >= 0x410 && c <= 0x42f)) {
      return String.fromCharCode(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40f) return String.fromCharCode(c + 0x50);
    return c === 0x11a ? '\u011b' : unit;
  }
  const scriptOf = (unit) => table.scriptOf(unit);
  const isLetter = (unit) => scriptOf(unit) !== 0;

  function scriptOfWord(word) {
    let latin = false;
    let cyrillic = false;
    for (const unit of word) {
      latin ||= scriptOf(unit) === LATIN;
      cyrillic ||= scriptOf(unit) === CYRILLIC;
    }
    if (latin && cyrillic) return 0;
    return latin ? LATIN : (cyrillic ? CYRILLIC : 0);
  }
  const letters = (word) => Array.prototype.filter.call(word, (u) => isLetter(u) || LETTER_KEYS.includes(u)).length;
  const isLatinKey = (unit) => /[a-zA-Z]/.test(unit) || LATIN_KEYS.includes(unit) || LETTER_KEYS.includes(unit);

  // Numbers, addresses, paths, code, abbreviations, CamelCase, hashtags, and
  // what no key of Korvel's types.
  function neverTouched(token, word, script) {
    if (Array.prototype.some.call(token, isDigit)) return true;
    if (['://', '@', 'www.', '/', '\\'].some((part) => token.includes(part))) return true;
    if (word[0] === '-' || word[0] === '_') return true;
    if (Array.prototype.some.call('_=$%&|~^', (unit) => word.includes(unit))) return true;
    if (word.includes('++') || (word.length === 2 && scriptOf(word[0]) === LATIN && word[1] === '#')) return true;
    let count = 0;
    let allUpper = true;
    for (let i = 0; i < word.length; i++) {
      const letter = isLetter(word[i]);
      if (letter) count++;
      if (letter && !isUpper(word[i])) allUpper = false;
      if (i > 0 && isLower(word[i - 1]) && isUpper(word[i])) return true;
      if (word[i] === '.' && i > 0 && i + 1 < word.length && isLetter(word[i - 1]) && isLetter(word[i + 1])) return true;
    }
    if (count >= 2 && allUpper) return true;
    if (word.length > 1 && word[0] === '#' && isUpper(word[1])) return true;
    for (const unit of word) {
      if (script === LATIN ? !isLatinKey(unit) : scriptOf(unit) !== CYRILLIC && unit !== '-') return true;
    }
    return false;
  }

  function wordCost(language, word) {
    const alphabet = language.letters;
    const number = (unit) => {
      const at = alphabet.indexOf(unit);
      return at < 0 ? alphabet.length : at;
    };
    let a = 0;
    let b = 0;
    let cost = 0;
    for (let i = 0; i <= word.length; i++) {
      const c = i < word.length ? number(lower(word[i])) : 0;
      cost += letterCost(language, a, b, c);
      a = b;
      b = c;
    }
    return cost;
  }

  const inOtherAlphabet = (word, script) => (script === LATIN ? table.typedText(word) : table.untypedText(word));

  function margin(word, script) {
    if (script === LATIN) {
      const cyrillic = table.typedText(word);
      for (let i = 1; i < cyrillic.length; i++) if (isLower(cyrillic[i - 1]) && isUpper(cyrillic[i])) return -99 * 8;
      return Math.min(wordCost(german, word), wordCost(english, word)) - wordCost(russian, cyrillic);
    }
    const latin = table.untypedText(word);
    return wordCost(russian, word) - Math.min(wordCost(german, latin), wordCost(english, latin));
  }

  function evidence(word, script, value) {
    if (letters(word) <= 1) return 0;
    if (isUpper(word[0]) || isUpper(inOtherAlphabet(word.slice(0, 1), script)[0])) return Math.min(value, 0);
    return value;
  }

  const sameWord = (a, b) => a.length === b.length && Array.prototype.every.call(a, (u, i) => lower(u) === lower(b[i]));

  function words(text) {
    const found = [];
    let i = 0;
    while (i < text.length) {
      while (i < text.length && isSeparator(text[i])) i++;
      const begin = i;
      while (i < text.length && !isSeparator(text[i])) i++;
      if (i === begin) break;
      let first = begin;
      let last = i;
      while (first < last && AROUND.includes(text[first])) first++;
      while (last > first && AROUND.includes(text[last - 1])) last--;
      found.push({ begin, end: i, first, last });
    }
    return found;
  }

  // The fix of the run's last words, { begin, text, cyrillic }, or null.
  function judgeRun(whole, leftAlone = []) {
    let tail = whole.length;
    for (let count = 0; tail > 0 && count <= MOST_WORDS;) {
      while (tail > 0 && isSeparator(whole[tail - 1])) tail--;
      if (count === MOST_WORDS) break;
      while (tail > 0 && !isSeparator(whole[tail - 1])) tail--;
      count++;
    }
    const run = whole.slice(tail);
    const found = words(run);
    if (found.length === 0) return null;
    const lettersOf = (w) => run.slice(w.first, w.last);
    const tokenOf = (w) => run.slice(w.begin, w.end);
    const setAside = (word) => leftAlone.some((w) => sameWord(w, word));
    const last = found[found.length - 1];
    const script = scriptOfWord(lettersOf(last));
    if (script === 0 || neverTouched(tokenOf(last), lettersOf(last), script) || setAside(lettersOf(last))) return null;
    const judged = [];
    let sum = 0;
    let counted = 0;
    let best = null;
    for (let i = found.length - 1; i >= 0; i--) {
      const word = lettersOf(found[i]);
      if (!Array.prototype.some.call(word, isLetter)) continue;
      if (scriptOfWord(word) !== script) break;
      if (neverTouched(tokenOf(found[i]), word, script)) continue;
      if (setAside(word)) break;
      const value = margin(word, script);
      sum += evidence(word, script, value);
      if (letters(word) > 1) counted++;
      judged.push({ index: i, margin: value });
      if (counted >= RUN_WORDS && sum >= RUN_MARGIN && (!best || sum >= best.sum)) best = { sum, count: judged.length };
    }
    if (!best) return null;
    judged.length = best.count;
    const begin = found[judged[judged.length - 1].index].begin;
    let text = run.slice(begin);
    let changed = false;
    for (const each of judged) {
      if (each.margin < -WORD_MARGIN) continue;
      const word = found[each.index];
      const other = inOtherAlphabet(lettersOf(word), script);
      changed ||= other !== lettersOf(word);
      text = text.slice(0, word.first - begin) + other + text.slice(word.last - begin);
    }
    return changed ? { begin: tail + begin, text, cyrillic: script === LATIN } : null;
  }

  // The words a fix taken back leaves alone from then on.
  const wordsOf = (text) => words(text).filter((w) => w.last > w.first).map((w) => text.slice(w.first, w.last));

  return { judgeRun, wordsOf };
})(typeof KorvelKeyboardData === 'object' ? KorvelKeyboardData : require('./keyboard_table.js'),
   typeof KorvelKeyboardTable === 'object' ? KorvelKeyboardTable : require('./keyboard.js'));
if (typeof module === 'object') module.exports = KorvelAlphabetDetector;
