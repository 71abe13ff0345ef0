// Fails when one language lacks a text that another has: in the page's
// texts (page_texts.js) and in the extension's messages (_locales/*/messages.json).
//
//   node web/check_texts.js page_texts.js _locales/en/messages.json _locales/de/messages.json ...
'use strict';

const fs = require('node:fs');
const path = require('node:path');

// Each language's keys, named by where they come from.
function languagesIn(file) {
  if (file.endsWith('.json')) return { [file]: Object.keys(JSON.parse(fs.readFileSync(file, 'utf8'))) };
  const { TEXTS } = require(path.resolve(file));
  return Object.fromEntries(Object.entries(TEXTS).map(([language, texts]) => [`${file} (${language})`, Object.keys(texts)]));
}

// The files of one kind are compared with one another.
const groups = { page: {}, messages: {} };
for (const file of process.argv.slice(2)) Object.assign(groups[file.endsWith('.json') ? 'messages' : 'page'], languagesIn(file));
const missing = [];
for (const languages of Object.values(groups)) {
  const every = new Set(Object.values(languages).flat());
  for (const [name, keys] of Object.entries(languages)) {
    const lacking = [...every].filter((key) => !keys.includes(key));
    if (lacking.length) missing.push(`${name} lacks ${lacking.join(', ')}`);
  }
}
if (missing.length) {
  console.error(missing.join('\n'));
  process.exit(1);
}
