// Writes the app manifest in each of the page's languages from the one in
// web/ and the page's texts: manifest.webmanifest (English) and
// manifest.de.webmanifest, manifest.ru.webmanifest.
//
//   node web/make_manifests.js manifest.webmanifest page_texts.js SITE_DIR
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const [template, texts, site] = process.argv.slice(2);
const { LANGUAGES, text } = require(path.resolve(texts));
const common = JSON.parse(fs.readFileSync(template, 'utf8'));
for (const language of LANGUAGES) {
  const manifest = {
    name: text(language, 'manifestName'), short_name: 'Korvel', description: text(language, 'manifestDescription'),
    lang: language, ...common,
  };
  const name = language === 'en' ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`;
  fs.writeFileSync(path.join(site, name), `${JSON.stringify(manifest, null, 2)}\n`);
}
