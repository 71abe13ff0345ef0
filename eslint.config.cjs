// ESLint for every JavaScript file here (scripts/test-all.sh runs it from
// build/test-tools, where the set-up installs it): the recommended rules, with each file's own environment. The page's and the
// extension's scripts are classic scripts that hand each other what they
// define as globals named Korvel...: the files that use them name them, and
// the files that define them are not told they never use them.
'use strict';

const path = require('node:path');

const tools = path.join(__dirname, 'build', 'test-tools', 'node_modules');
const js = require(path.join(tools, '@eslint', 'js'));
const globals = require(path.join(tools, 'globals'));

const korvelScripts = {
  KorvelTyping: 'readonly',
  KorvelKeyboardTable: 'readonly',
  KorvelKeyboardData: 'readonly',
  KorvelAlphabetDetector: 'readonly',
  KorvelPageTexts: 'readonly',
  KorvelScreenKeyboard: 'readonly',
  createKorvelCore: 'readonly',
};

module.exports = [
  { ignores: ['build/**', 'dist/**'] },
  js.configs.recommended,
  {
    files: ['**/*.js', '**/*.cjs'],
    languageOptions: { ecmaVersion: 2024, sourceType: 'script', globals: { ...globals.node } },
    rules: { 'no-unused-vars': ['error', { args: 'none', caughtErrors: 'none' }] },
  },
  {
    files: ['web/*.js', 'extension/*.js', 'tests/extension/site/*.js'],
    languageOptions: { globals: { ...globals.browser, ...globals.webextensions, ...korvelScripts } },
    rules: {
      'no-unused-vars': ['error', { args: 'none', caughtErrors: 'none', varsIgnorePattern: '^Korvel[A-Z]' }],
      'no-redeclare': ['error', { builtinGlobals: false }],
    },
  },
  // Node programs that hand functions to the browser to run in a page or in
  // the extension's background (puppeteer's evaluate): those see the page's
  // globals and the background's own functions.
  {
    files: ['tests/extension/editors_test.js', 'tests/extension/trust_test.js', 'bench/editor_typing.js'],
    languageOptions: {
      globals: {
        ...globals.browser, ...globals.webextensions, onCommand: 'readonly', onContextMenu: 'readonly',
        onToolbarButton: 'readonly',
      },
    },
  },
  { files: ['web/service-worker.js'], languageOptions: { globals: { ...globals.serviceworker } } },
  {
    files: ['tests/extension/editors/*.js'],
    languageOptions: { sourceType: 'module', globals: { ...globals.browser } },
  },
];
