// Which tabs Korvel types Cyrillic in. It is off everywhere until the user
// switches it on for a tab's site, with the toolbar button or the
// shortcut, or names the site on the options page. The button's badge says "ON"
// where it is on.
'use strict';

function hostOf(url) {
  try {
    return new URL(url).hostname;
  } catch (error) {
    return '';
  }
}

// The sites where Korvel starts switched on: host names, one a line.
async function listedHosts() {
  const { sites = '' } = await chrome.storage.sync.get('sites');
  return new Set(sites.split('\n').map((line) => line.trim().toLowerCase()).filter(Boolean));
}

const switchKey = (tabId) => `tab-${tabId}`;

// Whether Korvel types on `host` in the tab, and the sequence number of the
// tab's switch it comes from (0: none), so that pages can tell a newer
// setting from an older one. A tab's own switch, used on its own site,
// counts over the list of sites; on another site the list counts again. A
// switch made while the tab was loading a page is for that page, whose
// site its own first question names (`top`).
async function stateOf(tabId, host, top = false) {
  const key = switchKey(tabId);
  const { [key]: switched } = await chrome.storage.session.get(key);
  if (switched && switched.host === null && top) {
    switched.host = host;
    await chrome.storage.session.set({ [key]: switched });
  }
  if (switched && (switched.host === host || switched.host === null)) {
    return { on: switched.on, sequence: switched.sequence };
  }
  return { on: (await listedHosts()).has(host), sequence: switched ? switched.sequence : 0 };
}

function show(tabId, on) {
  return Promise.all([
    chrome.action.setBadgeText({ tabId, text: on ? chrome.i18n.getMessage('badgeOn') : '' }),
    chrome.action.setBadgeBackgroundColor({ tabId, color: '#0b3d91' }),
    chrome.action.setTitle({ tabId, title: chrome.i18n.getMessage(on ? 'buttonOn' : 'buttonOff') }),
  ]);
}

// One switch at a time: two quick presses switch twice.
let switching = Promise.resolve();

// Switches Korvel in the tab on or off (`to`), or over (undefined).
function toggle(tab, to) {
  switching = switching.then(async () => {
    const state = await stateOf(tab.id, hostOf(tab.url));
    const switched = { host: tab.status === 'loading' ? null : hostOf(tab.url),
                       on: typeof to === 'boolean' ? to : !state.on, sequence: state.sequence + 1 };
    await chrome.storage.session.set({ [switchKey(tab.id)]: switched });
    await show(tab.id, switched.on);
    // Every frame of the tab; a browser page has no content script to tell.
    await chrome.tabs.sendMessage(tab.id, { korvel: { on: switched.on, sequence: switched.sequence } }).catch(() => {});
    return switched.on;
  });
  return switching;
}

function onToolbarButton(tab) {
  return toggle(tab);
}

// The word before the caret, or the selection, in the other alphabet: by
// the keyboard, or by the transcription. The frame with the focus does it.
const REWRITES = { 'rewrite-word': false, 'transcribe-word': true };

function rewrite(tab, transcription, frameId) {
  const options = typeof frameId === 'number' ? { frameId } : {};
  return chrome.tabs.sendMessage(tab.id, { korvelRewrite: transcription }, options).catch(() => {});
}

function onCommand(command, tab) {
  if (!tab) return Promise.resolve();
  if (command === 'toggle-korvel') return toggle(tab);
  if (command in REWRITES) return rewrite(tab, REWRITES[command]);
  return Promise.resolve();
}

function onContextMenu(info, tab) {
  return info.menuItemId in REWRITES && tab ? rewrite(tab, REWRITES[info.menuItemId], info.frameId) : Promise.resolve();
}

chrome.runtime.onInstalled.addListener(() => {
  chrome.contextMenus.removeAll(() => {
    chrome.contextMenus.create({ id: 'rewrite-word', title: chrome.i18n.getMessage('menuRewrite'),
                                 contexts: ['editable'] });
    chrome.contextMenus.create({ id: 'transcribe-word', title: chrome.i18n.getMessage('menuTranscribe'),
                                 contexts: ['editable'] });
  });
});

chrome.action.onClicked.addListener(onToolbarButton);
chrome.commands.onCommand.addListener(onCommand);
chrome.contextMenus.onClicked.addListener(onContextMenu);

// A page's content script asks, as the page starts, whether to type; a
// page's own frame knows best which site it shows.
chrome.runtime.onMessage.addListener((message, sender, reply) => {
  // A rewriting chose the alphabet that typing goes on in.
  if (message && typeof message.korvelSwitchTo === 'boolean' && sender.tab) {
    toggle(sender.tab, message.korvelSwitchTo);
    return false;
  }
  if (message !== 'korvel-state' || !sender.tab) return false;
  const top = sender.frameId === 0;
  stateOf(sender.tab.id, hostOf(top ? sender.url : sender.tab.url), top).then((state) => {
    if (sender.frameId === 0) show(sender.tab.id, state.on);
    reply(state);
  });
  return true; // the reply comes later
});

// Once the tab has loaded, a switch still waiting is for the page it shows
// (one switched while its pictures loaded), or for none (a browser page,
// which has no content script to name its site).
chrome.tabs.onUpdated.addListener(async (tabId, change) => {
  if (change.status !== 'complete') return;
  const key = switchKey(tabId);
  const { [key]: switched } = await chrome.storage.session.get(key);
  if (!switched || switched.host !== null) return;
  const site = await chrome.tabs.sendMessage(tabId, 'korvel-site', { frameId: 0 }).catch(() => null);
  if (typeof site === 'string') await stateOf(tabId, site, true);
  else await chrome.storage.session.remove(key);
});

chrome.tabs.onRemoved.addListener((tabId) => chrome.storage.session.remove(switchKey(tabId)));
