// Where Korvel types Cyrillic: on the sites the user turned it on for, and
// nowhere else. At install it asks for nothing on any website. The toolbar
// button and the shortcut turn it on or off for the current tab's site:
// on asks the browser for that site's permission (within the click, the user
// gesture the browser wants) and registers the content scripts there, off
// removes both. Where the user refuses the permission, Korvel is on in that
// tab alone (activeTab) until it goes to another page. Which sites are on is
// Korvel's own list, `sites` in storage.sync (one host a line, as the
// options page shows it): a permission alone, granted in the browser's own
// menu, never switches it on. The commands and the context menu that fix a
// word act on the current tab through activeTab. The button's badge says
// "ON" where Korvel is on.
'use strict';

const SCRIPTS = ['keyboard_table.js', 'keyboard.js', 'alphabet_detector.js', 'typing.js', 'content.js'];
const patternOf = (host) => `*://${host}/*`;
const tabKey = (tabId) => `tab-${tabId}`;

function hostOf(url) {
  try {
    const { protocol, hostname } = new URL(url);
    return protocol === 'http:' || protocol === 'https:' ? hostname : '';
  } catch (error) {
    return '';
  }
}

// The list, and a copy of it in memory for the toolbar's click, which must
// ask for a permission before anything it waits for can come.
let listed = null;

async function listedHosts() {
  const { sites = '' } = await chrome.storage.sync.get('sites');
  listed = new Set(sites.split('\n').map((line) => line.trim().toLowerCase()).filter(Boolean));
  return listed;
}

async function keepListed(hosts) {
  listed = hosts;
  await chrome.storage.sync.set({ sites: [...hosts].join('\n') });
}

// Hosts the manifest grants at install (none but in the tests' build): they
// cannot be given back.
const GRANTED_AT_INSTALL = new Set(chrome.runtime.getManifest().host_permissions || []);
function giveBack(pattern) {
  return GRANTED_AT_INSTALL.has(pattern) ? Promise.resolve() : chrome.permissions.remove({ origins: [pattern] })
    .catch(() => {});
}

// One change at a time; one that fails (a tab closed meanwhile) holds up
// none after it.
let queue = Promise.resolve();
function inTurn(work) {
  const done = queue.then(work);
  queue = done.catch(() => {});
  return done;
}

// The content scripts registered for exactly the listed sites that the
// browser lets Korvel on, each in the frames of its own site alone.
function syncRegistrations() {
  return inTurn(async () => {
    const wanted = new Map();
    for (const host of await listedHosts()) {
      if (await chrome.permissions.contains({ origins: [patternOf(host)] })) wanted.set(`korvel-${host}`, host);
    }
    const registered = (await chrome.scripting.getRegisteredContentScripts()).map((script) => script.id);
    const stale = registered.filter((id) => !wanted.has(id));
    if (stale.length) await chrome.scripting.unregisterContentScripts({ ids: stale });
    const fresh = [...wanted].filter(([id]) => !registered.includes(id)).map(([id, host]) => ({
      id, matches: [patternOf(host)], js: SCRIPTS, allFrames: true, runAt: 'document_start',
      persistAcrossSessions: true,
    }));
    if (fresh.length) await chrome.scripting.registerContentScripts(fresh);
  });
}

function show(tabId, on) {
  return Promise.all([
    chrome.action.setBadgeText({ tabId, text: on ? chrome.i18n.getMessage('badgeOn') : '' }),
    chrome.action.setBadgeBackgroundColor({ tabId, color: '#0b3d91' }),
    chrome.action.setTitle({ tabId, title: chrome.i18n.getMessage(on ? 'buttonOn' : 'buttonOff') }),
  ]).catch(() => {});
}

// Whether Korvel is on for `host` in the tab: the site's switch, or the
// tab's own where the site's permission was refused.
async function isOn(tabId, host) {
  if ((await listedHosts()).has(host)) return true;
  const { [tabKey(tabId)]: tabHost } = await chrome.storage.session.get(tabKey(tabId));
  return Boolean(host) && tabHost === host;
}

// Korvel's scripts into the tab's frames that it may reach (those of the
// tab's site, through activeTab), where they are not yet.
async function inject(tabId, frameIds) {
  const target = frameIds ? { tabId, frameIds } : { tabId, allFrames: true };
  try {
    const present = await chrome.scripting.executeScript({ target, func: () => Boolean(globalThis.korvelAttached) });
    const missing = present.filter((frame) => !frame.result).map((frame) => frame.frameId);
    if (missing.length) await chrome.scripting.executeScript({ target: { tabId, frameIds: missing }, files: SCRIPTS });
  } catch (error) {
    // A frame Korvel may not reach: nothing to do there.
  }
}

// Every frame of every tab showing `host` hears of its switch at once.
async function tellEveryTab(host, on) {
  for (const tab of await chrome.tabs.query({})) {
    chrome.tabs.sendMessage(tab.id, { korvelSite: host, on }).catch(() => {});
  }
}

// The toolbar button and the shortcut: Korvel on or off for the tab's site.
function onToolbarButton(tab) {
  // A page still loading is the page the switch is for.
  const host = hostOf(tab.pendingUrl || tab.url);
  if (!host) return Promise.resolve(false); // a browser page: nothing to type in
  const pattern = patternOf(host);
  // Asked at once, within the user's click; where Korvel is on there, it
  // asks for nothing.
  const asked = listed && listed.has(host) ? Promise.resolve(true)
    : chrome.permissions.request({ origins: [pattern] }).catch(() => false);
  return inTurn(async () => {
    const hosts = await listedHosts();
    const on = !hosts.has(host) && !(await isOn(tab.id, host));
    // Allowed now, or already (in the browser's own site-access menu).
    if (on && (await asked || await chrome.permissions.contains({ origins: [pattern] }))) {
      hosts.add(host);
      await keepListed(hosts);
    } else if (on) {
      await chrome.storage.session.set({ [tabKey(tab.id)]: host }); // refused: this tab alone
    } else {
      hosts.delete(host);
      await keepListed(hosts);
      await chrome.storage.session.remove(tabKey(tab.id));
      await giveBack(pattern);
    }
    if (on) await inject(tab.id);
    await show(tab.id, on);
    await tellEveryTab(host, on);
    return on;
  }).then(async (on) => {
    await syncRegistrations();
    return on;
  });
}

// The word before the caret, or the selection, in the other alphabet: by
// the keyboard, or by the transcription. The frame with the focus does it.
const REWRITES = { 'rewrite-word': false, 'transcribe-word': true };

async function rewrite(tab, transcription, frameId) {
  const frameIds = typeof frameId === 'number' ? [frameId] : undefined;
  await inject(tab.id, frameIds);
  await chrome.tabs.sendMessage(tab.id, { korvelRewrite: transcription }, frameIds ? { frameId } : {}).catch(() => {});
}

function onCommand(command, tab) {
  if (!tab) return Promise.resolve();
  if (command === 'toggle-korvel') return onToolbarButton(tab);
  if (command in REWRITES) return rewrite(tab, REWRITES[command]);
  return Promise.resolve();
}

function onContextMenu(info, tab) {
  return info.menuItemId in REWRITES && tab ? rewrite(tab, REWRITES[info.menuItemId], info.frameId)
    : Promise.resolve();
}

chrome.action.onClicked.addListener(onToolbarButton);
// Firefox for Android has no shortcuts and no context menus.
if (chrome.commands) chrome.commands.onCommand.addListener(onCommand);
if (chrome.contextMenus) {
  chrome.contextMenus.onClicked.addListener(onContextMenu);
  chrome.runtime.onInstalled.addListener(() => {
    chrome.contextMenus.removeAll(() => {
      for (const id of Object.keys(REWRITES)) {
        chrome.contextMenus.create({ id, title: chrome.i18n.getMessage(id === 'rewrite-word' ? 'menuRewrite'
          : 'menuTranscribe'), contexts: ['editable'] });
      }
    });
  });
}

// A frame's script asks, as its page starts, whether to type: for its own
// site, never for the tab's (a cross-origin frame follows its own switch).
chrome.runtime.onMessage.addListener((message, sender, reply) => {
  if (!message || typeof message.korvelState !== 'string' || !sender.tab) return false;
  isOn(sender.tab.id, message.korvelState).then((on) => {
    if (sender.frameId === 0) show(sender.tab.id, on);
    reply({ on });
  });
  return true; // the reply comes later
});

// A new page in the tab: the badge is its page's to set, and a switch of
// the tab's own was for the page before.
chrome.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status !== 'loading') return;
  show(tabId, false);
  chrome.storage.session.remove(tabKey(tabId));
});
chrome.tabs.onRemoved.addListener((tabId) => chrome.storage.session.remove(tabKey(tabId)));

// The list changed (the options page), or a permission: the registrations
// follow, and a site no longer listed gives its permission back.
chrome.storage.onChanged.addListener((changes, area) => {
  if (area !== 'sync' || !changes.sites) return;
  const before = new Set((changes.sites.oldValue || '').split('\n').map((line) => line.trim().toLowerCase()));
  const now = new Set((changes.sites.newValue || '').split('\n').map((line) => line.trim().toLowerCase()));
  for (const host of before) {
    if (host && !now.has(host)) {
      giveBack(patternOf(host));
      tellEveryTab(host, false);
    }
  }
  syncRegistrations();
});
chrome.permissions.onAdded.addListener(() => syncRegistrations());
chrome.permissions.onRemoved.addListener(() => syncRegistrations());
syncRegistrations();
