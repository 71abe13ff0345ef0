// The page's texts in German, Russian and English, and the language the page
// speaks: the one chosen on the page (kept in this browser), else the first
// of German, Russian and English that the browser's languages name, else
// English. An element shows a text by its key: `data-text` for its
// contents, `data-label` for its accessible name, `data-alt` for an
// image's. "{detail}" in a text stands for the text that `data-reason` names,
// with `data-error` after it. A text that a language lacks shows in English.
'use strict';

const KorvelPageTexts = (() => {
  const TEXTS = {
    en: {
      title: 'Korvel: type Russian on a German keyboard',
      manifestName: 'Korvel: Russian on a German keyboard',
      manifestDescription: 'Type Russian in Cyrillic on a German keyboard, or on the keyboard on the screen.',
      language: 'Language',
      heading: 'German to Russian',
      intro: 'Type with your German keyboard: every key comes out as its Cyrillic letter as you type (P r i v e t ' +
        'gives Привет, Ü gives Э, # gives ж). Pasted text stays as it is. Nothing leaves this page: it works offline.',
      yourText: 'Your text',
      copyHelp: 'copies the whole text',
      typeCyrillic: 'Type Cyrillic',
      fixByItself: 'Fix the alphabet by itself',
      newText: 'New text',
      keyboardOnScreen: 'Keyboard on screen',
      storageUsual: 'Your text stays on this device only: this browser keeps it, and nothing is sent anywhere.',
      storageRefused: 'This browser does not let the page keep your text: it is lost when the page is closed.',
      storageOlder: 'What is kept here is an older copy of your text: the newest did not fit in this browser\'s ' +
        'storage. Copy your text before you close the page.',
      screenKeyboard: 'On-screen German keyboard: each key shows the Cyrillic letter it types',
      keyShift: 'Shift',
      keyBackspace: 'Backspace',
      keyEnter: 'Enter',
      keySpace: 'Space',
      keySpaceShown: 'space',
      toLatinHelp: 'Ru do Cz: the selection, or else the whole text, from Cyrillic to Czech-style Latin.',
      toCyrillicHelp: 'Cz do Ru: back to Cyrillic.',
      rewriteHelp: 'Typed in the wrong alphabet? Pause turns the word before the caret, or the selection, into the ' +
        'other one, and the switch follows; Shift+Pause does it with Czech-style Latin; Pause again at once puts ' +
        'it back.',
      editorHelp: 'Tab types a tab. To leave the text box with the keyboard, press Esc, then Tab (or Shift+Tab). ' +
        'Ctrl+A and Ctrl+C also copy the whole text; Ctrl+Z undoes.',
      shellText: 'Shell text:',
      keyMap: 'Key map',
      keyMapPicture: 'Korvel\'s key map: a German keyboard with the Cyrillic letter each key types, alone and with ' +
        'Shift.',
      layouts: 'The same keys as a keyboard layout of your system, to type Cyrillic everywhere without Korvel:',
      layoutWindows: 'Windows (for Microsoft\'s keyboard layout creator)',
      coreFailure: 'Korvel\'s keyboard could not start here: {detail}. You can still write and copy your text below, ' +
        'but the keys type their own letters, not Cyrillic.',
      noWebAssembly: 'this browser runs no WebAssembly',
      noCoreFile: 'its file korvel-core.js did not load',
      coreNotLoaded: 'the core did not load',
      coreNotStarted: 'the editor did not start',
    },
    de: {
      title: 'Korvel: Russisch tippen auf der deutschen Tastatur',
      manifestName: 'Korvel: Russisch auf der deutschen Tastatur',
      manifestDescription: 'Russisch in kyrillischer Schrift tippen – auf der deutschen Tastatur oder auf der ' +
        'Bildschirmtastatur.',
      language: 'Sprache',
      heading: 'Deutsche Tastatur, russische Schrift',
      intro: 'Tippen Sie auf Ihrer deutschen Tastatur: Jede Taste ergibt sofort ihren kyrillischen Buchstaben ' +
        '(P r i v e t ergibt Привет, Ü ergibt Э, # ergibt ж). Eingefügter Text bleibt, wie er ist. Nichts verlässt ' +
        'diese Seite – sie funktioniert auch offline.',
      yourText: 'Ihr Text',
      copyHelp: 'kopiert den ganzen Text',
      typeCyrillic: 'Kyrillisch tippen',
      fixByItself: 'Alphabet von selbst korrigieren',
      newText: 'Neuer Text',
      keyboardOnScreen: 'Bildschirmtastatur',
      storageUsual: 'Ihr Text bleibt auf diesem Gerät: Nur dieser Browser bewahrt ihn auf, nichts wird gesendet.',
      storageRefused: 'Dieser Browser lässt die Seite Ihren Text nicht aufbewahren: Er geht verloren, wenn Sie die ' +
        'Seite schließen.',
      storageOlder: 'Hier ist eine ältere Fassung Ihres Textes gespeichert: Die neueste passte nicht mehr in den ' +
        'Speicher dieses Browsers. Kopieren Sie Ihren Text, bevor Sie die Seite schließen.',
      screenKeyboard: 'Deutsche Bildschirmtastatur: Jede Taste zeigt den kyrillischen Buchstaben, den sie tippt',
      keyShift: 'Umschalt',
      keyBackspace: 'Rücktaste',
      keyEnter: 'Eingabe',
      keySpace: 'Leertaste',
      keySpaceShown: 'Leertaste',
      toLatinHelp: 'Ru do Cz: die Auswahl, sonst der ganze Text, von Kyrillisch in lateinische Schrift nach ' +
        'tschechischer Art.',
      toCyrillicHelp: 'Cz do Ru: zurück ins Kyrillische.',
      rewriteHelp: 'Im falschen Alphabet getippt? Pause schreibt das Wort vor der Einfügemarke oder die Auswahl ' +
        'ins andere um, und der Schalter folgt; Umschalt+Pause tut es mit lateinischer Schrift nach tschechischer ' +
        'Art; ein zweites Pause gleich danach nimmt es zurück.',
      editorHelp: 'Die Tabulatortaste tippt einen Tabulator. Um das Textfeld mit der Tastatur zu verlassen, drücken ' +
        'Sie Esc und dann Tab (oder Umschalt+Tab). Strg+A und Strg+C kopieren ebenfalls den ganzen Text, Strg+Z ' +
        'macht rückgängig.',
      shellText: 'Kopiert:',
      keyMap: 'Tastenbelegung',
      keyMapPicture: 'Korvels Tastenbelegung: eine deutsche Tastatur mit dem kyrillischen Buchstaben, den jede Taste ' +
        'allein und mit Umschalt tippt.',
      layouts: 'Dieselben Tasten als Tastaturlayout für Ihr System, um überall ohne Korvel Kyrillisch zu tippen:',
      layoutWindows: 'Windows (für Microsofts Keyboard Layout Creator)',
      coreFailure: 'Korvels Tastatur konnte hier nicht starten: {detail}. Sie können Ihren Text unten trotzdem ' +
        'schreiben und kopieren, aber die Tasten tippen ihre eigenen Buchstaben, kein Kyrillisch.',
      noWebAssembly: 'Dieser Browser führt kein WebAssembly aus',
      noCoreFile: 'Die Datei korvel-core.js wurde nicht geladen',
      coreNotLoaded: 'Der Kern wurde nicht geladen',
      coreNotStarted: 'Der Editor ist nicht gestartet',
    },
    ru: {
      title: 'Korvel: печатать по-русски на немецкой клавиатуре',
      manifestName: 'Korvel: русский на немецкой клавиатуре',
      manifestDescription: 'Печатайте по-русски кириллицей на немецкой клавиатуре или на экранной.',
      language: 'Язык',
      heading: 'Немецкая клавиатура — русские буквы',
      intro: 'Печатайте на своей немецкой клавиатуре: каждая клавиша сразу даёт свою кириллическую букву ' +
        '(P r i v e t — Привет, Ü — Э, # — ж). Вставленный текст остаётся как есть. Ничто не покидает эту ' +
        'страницу — она работает и без сети.',
      yourText: 'Ваш текст',
      copyHelp: 'копирует весь текст',
      typeCyrillic: 'Печатать кириллицей',
      fixByItself: 'Исправлять алфавит самостоятельно',
      newText: 'Новый текст',
      keyboardOnScreen: 'Экранная клавиатура',
      storageUsual: 'Ваш текст остаётся только на этом устройстве: его хранит этот браузер, никуда ничего не ' +
        'отправляется.',
      storageRefused: 'Этот браузер не даёт странице сохранить ваш текст: он пропадёт, когда вы закроете страницу.',
      storageOlder: 'Здесь сохранена более старая версия вашего текста: новая не поместилась в хранилище ' +
        'браузера. Скопируйте текст, прежде чем закрыть страницу.',
      screenKeyboard: 'Экранная немецкая клавиатура: на каждой клавише — кириллическая буква, которую она печатает',
      keyShift: 'Shift',
      keyBackspace: 'Удалить',
      keyEnter: 'Ввод',
      keySpace: 'Пробел',
      keySpaceShown: 'пробел',
      toLatinHelp: 'Ru do Cz: выделение, а если его нет, весь текст из кириллицы в латиницу на чешский лад.',
      toCyrillicHelp: 'Cz do Ru: обратно в кириллицу.',
      rewriteHelp: 'Набрали не в том алфавите? Pause переводит слово перед курсором или выделение в другой ' +
        'алфавит, и переключатель следует за ним; Shift+Pause делает это с латиницей на чешский лад; повторное ' +
        'Pause сразу после этого всё возвращает.',
      editorHelp: 'Tab печатает табуляцию. Чтобы выйти из текстового поля с клавиатуры, нажмите Esc, затем Tab ' +
        '(или Shift+Tab). Ctrl+A и Ctrl+C тоже копируют весь текст, Ctrl+Z отменяет.',
      shellText: 'Скопировано:',
      keyMap: 'Раскладка',
      keyMapPicture: 'Раскладка Korvel: немецкая клавиатура, на каждой клавише — кириллическая буква, которую она ' +
        'печатает отдельно и с Shift.',
      layouts: 'Те же клавиши как раскладка для вашей системы — чтобы печатать кириллицей везде и без Korvel:',
      layoutWindows: 'Windows (для Microsoft Keyboard Layout Creator)',
      coreFailure: 'Клавиатура Korvel не смогла здесь запуститься: {detail}. Текст ниже по-прежнему можно писать ' +
        'и копировать, но клавиши печатают свои буквы, а не кириллицу.',
      noWebAssembly: 'этот браузер не выполняет WebAssembly',
      noCoreFile: 'не загрузился файл korvel-core.js',
      coreNotLoaded: 'не загрузилось ядро',
      coreNotStarted: 'редактор не запустился',
    },
  };
  const LANGUAGES = Object.keys(TEXTS);
  const CHOICE_KEY = 'korvel.language';

  function text(language, key) {
    return (TEXTS[language] && TEXTS[language][key]) || TEXTS.en[key];
  }

  // The first of ours that `preferred` (as navigator.languages) names.
  function fromBrowser(preferred) {
    for (const tag of preferred || []) {
      const language = String(tag).toLowerCase().split('-')[0];
      if (LANGUAGES.includes(language)) return language;
    }
    return 'en';
  }

  function chosen() {
    try {
      const choice = window.localStorage.getItem(CHOICE_KEY);
      if (LANGUAGES.includes(choice)) return choice;
    } catch (error) {
      // storage refused: the browser's languages decide
    }
    return fromBrowser(navigator.languages);
  }

  function keep(language) {
    try {
      window.localStorage.setItem(CHOICE_KEY, language);
    } catch (error) {
      // storage refused: the choice holds for this visit
    }
  }

  // Puts the texts of `language` on the page: every element that names one,
  // the page's title and language, and the app manifest of that language.
  function show(language) {
    const say = (element, key) => {
      const { reason, error } = element.dataset;
      const detail = reason ? text(language, reason) + (error ? ` (${error})` : '') : '';
      return text(language, key).replace('{detail}', detail);
    };
    for (const element of document.querySelectorAll('[data-text]')) element.textContent = say(element, element.dataset.text);
    for (const element of document.querySelectorAll('[data-label]')) {
      element.setAttribute('aria-label', say(element, element.dataset.label));
    }
    for (const element of document.querySelectorAll('[data-alt]')) element.alt = say(element, element.dataset.alt);
    document.title = text(language, 'title');
    document.documentElement.lang = language;
    const manifest = document.querySelector('link[rel="manifest"]');
    if (manifest) manifest.href = language === 'en' ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`;
  }

  const api = { TEXTS, LANGUAGES, text, fromBrowser, chosen, keep, show };
  if (typeof module === 'object') module.exports = api; // the build writes the app manifests from these texts
  return api;
})();
