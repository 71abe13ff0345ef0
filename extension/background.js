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

// A tab's own switch, used on its current site, counts over the list of
// sites; on another site the list counts again.
async function isOn(tab) {
  const key = switchKey(tab.id);
  const { [key]: switched } = await chrome.storage.session.get(key);
  const host = hostOf(tab.url);
  if (switched && switched.host === host) return switched.on;
  return (await listedHosts()).has(host);
}

function show(tabId, on) {
  return Promise.all([
    chrome.action.setBadgeText({ tabId, text: on ? 'ON' : '' }),
    chrome.action.setBadgeBackgroundColor({ tabId, color: '#0b3d91' }),
    chrome.action.setTitle({ tabId, title: on ? 'Korvel is on here: keys type Cyrillic' : 'Korvel is off here' }),
  ]);
}

async function toggle(tab) {
  const on = !(await isOn(tab));
  await chrome.storage.session.set({ [switchKey(tab.id)]: { host: hostOf(tab.url), on } });
  await show(tab.id, on);
  // Every frame of the tab; a browser page has no content script to tell.
  await chrome.tabs.sendMessage(tab.id, { korvel: on }).catch(() => {});
  return on;
}

function onToolbarButton(tab) {
  return toggle(tab);
}

function onCommand(command, tab) {
  return command === 'toggle-korvel' && tab ? toggle(tab) : Promise.resolve();
}

chrome.action.onClicked.addListener(onToolbarButton);
chrome.commands.onCommand.addListener(onCommand);

// A page's content script asks, as the page starts, whether to type.
chrome.runtime.onMessage.addListener((message, sender, reply) => {
  if (message !== 'korvel-state' || !sender.tab) return false;
  isOn(sender.tab).then((on) => {
    if (sender.frameId === 0) show(sender.tab.id, on);
    reply(on);
  });
  return true; // the reply comes later
});

chrome.tabs.onRemoved.addListener((tabId) => chrome.storage.session.remove(switchKey(tabId)));
