// What the browser gets: the web program started on a fresh embedded database and driven by a
// real Chromium (the system's, through playwright-core), counting what crosses the wire.
//
//   node bench/page_weight.mjs PATH/TO/vozmira-web [--runs 15] [--list]
//
// Prints, for the login page and the request list: bytes on the wire (HTTP answers as received,
// heads included; the WebSocket is not counted) and requests on a first visit (empty cache), and
// bytes and requests on a repeat visit (the same browser, its cache kept); the bytes of the
// reload into the dashboard after a login; and the login page's DOMContentLoaded beside that of a
// plain static page with the same style sheets and scripts, loaded from the same server in the
// same run, each with an empty cache (median of the runs).  With --list every answer counted is
// printed with its bytes.  Nothing here asserts a figure.

import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launchChromium } from '../tests/browser/chromium.mjs';
import { ServerProcess } from '../tests/browser/serverprocess.mjs';

const binary = process.argv[2];
const runsAt = process.argv.indexOf('--runs');
const RUNS = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 15;
const LIST = process.argv.includes('--list');
if (!binary || !(RUNS > 0)) {
  console.error('usage: node bench/page_weight.mjs PATH/TO/vozmira-web [--runs 15] [--list]');
  process.exit(2);
}

const folder = mkdtempSync(join(tmpdir(), 'vozmira-weight-'));
const lockFolder = join(folder, 'lock');
mkdirSync(lockFolder);
const settings = join(folder, 'settings.ini');
writeFileSync(settings, '[Database]\nDatabase=vozmira.fdb\n[Duo Server Config]\nServer Port=0\n');

const server = new ServerProcess(binary, [settings], { FIREBIRD_LOCK: lockFolder }, { webRoot: false });
let plain;
let browser;

// The answers of the page's HTTP requests while `action` runs, from the browser's network log.
async function wire(page, what, action) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.enable');
  const requests = new Map();
  cdp.on('Network.requestWillBeSent', (event) => requests.set(event.requestId, { url: event.request.url, bytes: 0, cached: false }));
  cdp.on('Network.requestServedFromCache', (event) => {
    const request = requests.get(event.requestId);
    if (request) request.cached = true;
  });
  // A prefetched answer taken from the cache says so in its response only.
  cdp.on('Network.responseReceived', (event) => {
    const request = requests.get(event.requestId);
    if (request && (event.response.fromDiskCache || event.response.fromPrefetchCache)) request.cached = true;
  });
  cdp.on('Network.loadingFinished', (event) => {
    const request = requests.get(event.requestId);
    if (request) request.bytes = event.encodedDataLength;
  });
  await action();
  // Late completions (a grid's rows) are in once the page is quiet.
  await page.waitForLoadState('networkidle');
  await cdp.detach();
  const sent = [...requests.values()].filter((request) => !request.cached && !request.url.startsWith('data:'));
  if (LIST) {
    console.log(what);
    for (const request of sent) console.log(`  ${String(request.bytes).padStart(8)} ${request.url}`);
  }
  return { bytes: sent.reduce((sum, request) => sum + request.bytes, 0), requests: sent.length };
}

// The page is usable: socket open, page-loaded event handled, loader hidden.
async function interactive(page) {
  await page.waitForFunction(
    () =>
      window.vpageloadcomplete === true &&
      window.facetws?.readyState === WebSocket.OPEN &&
      getComputedStyle(document.getElementById('duo-loader')).display === 'none',
    null,
    { timeout: 30000 },
  );
}

async function shown(page, marker, what) {
  if ((await page.locator(marker).count()) !== 1) throw new Error(`${what} is not shown (${marker} missing) at ${page.url()}`);
}

async function emptyCache(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Network.clearBrowserCache');
  await cdp.detach();
}

async function domContentLoaded(page) {
  return page.evaluate(() => {
    const entry = performance.getEntriesByType('navigation')[0];
    return entry.domContentLoadedEventEnd - entry.startTime;
  });
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;

try {
  const line = await server.waitForLine(/open http:\/\/localhost:\d+\/ in a browser/, 120000, 'its address');
  const url = `http://127.0.0.1:${/localhost:(\d+)/.exec(line)[1]}/`;
  browser = await launchChromium();
  const context = await browser.newContext({ locale: 'pt-BR' });
  const page = await context.newPage();

  const loginFirst = await wire(page, 'login page, first visit', async () => {
    await page.goto(url);
    await interactive(page);
  });
  const loginRepeat = await wire(page, 'login page, repeat visit', async () => {
    await page.goto(url);
    await interactive(page);
  });
  await shown(page, '#EDTLOGIN', 'the login page');
  // The plain page: the login page's own style sheets and scripts, nothing built by the server.
  const assets = await page.evaluate(() => [
    ...[...document.querySelectorAll('link[rel=stylesheet]')].map((link) => `<link rel="stylesheet" href="${link.href}">`),
    ...[...document.querySelectorAll('script[src]')].map((script) => `<script src="${script.src}"></script>`),
  ]);
  const plainHTML = `<!DOCTYPE html><html lang="pt-BR"><head><meta charset="utf-8"><title>plain</title>${assets.join('')}</head><body><p>plain</p></body></html>`;
  plain = createServer((request, response) => {
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Cache-Control': 'no-store' });
    response.end(plainHTML);
  });
  await new Promise((resolve) => plain.listen(0, '127.0.0.1', resolve));
  const plainURL = `http://127.0.0.1:${plain.address().port}/`;

  const loginDCL = [];
  const plainDCL = [];
  for (let run = 0; run < RUNS; run++) {
    await emptyCache(page);
    await page.goto(url);
    loginDCL.push(await domContentLoaded(page));
    await interactive(page);
    await emptyCache(page);
    await page.goto(plainURL, { waitUntil: 'load' });
    plainDCL.push(await domContentLoaded(page));
  }

  // A login: the login page from a warm cache, then the reload into the dashboard.
  await page.goto(url);
  await interactive(page);
  await page.locator('#EDTLOGIN').fill('pelix');
  await page.locator('#EDTSENHA').fill('pelix');
  const reload = await wire(page, 'reload into the dashboard', async () => {
    const loaded = page.waitForEvent('load');
    await page.locator('#BTNENTRAR').click();
    await loaded;
    await interactive(page);
  });
  await shown(page, '#qtNovas', 'the dashboard');

  await emptyCache(page);
  const listFirst = await wire(page, 'request list, first visit', async () => {
    const loaded = page.waitForEvent('load');
    await page.locator('#navSolicitacoes').click();
    await loaded;
    await interactive(page);
  });
  await shown(page, '#DBGTAREFAS', 'the request list');
  const dashboard = page.waitForEvent('load');
  await page.locator('#navDashboard').click();
  await dashboard;
  await interactive(page);
  const listRepeat = await wire(page, 'request list, repeat visit', async () => {
    const loaded = page.waitForEvent('load');
    await page.locator('#navSolicitacoes').click();
    await loaded;
    await interactive(page);
  });
  await shown(page, '#DBGTAREFAS', 'the request list');

  const rows = [
    ['login page, first visit', `${kb(loginFirst.bytes)} in ${loginFirst.requests} requests`],
    ['login page, repeat visit', `${kb(loginRepeat.bytes)} in ${loginRepeat.requests} requests`],
    ['reload into the dashboard after the login', `${kb(reload.bytes)} in ${reload.requests} requests`],
    ['request list, first visit (empty cache)', `${kb(listFirst.bytes)} in ${listFirst.requests} requests`],
    ['request list, repeat visit (from the dashboard)', `${kb(listRepeat.bytes)} in ${listRepeat.requests} requests`],
    [
      `DOMContentLoaded, login page / plain page, median of ${RUNS}`,
      `${median(loginDCL).toFixed(0)} / ${median(plainDCL).toFixed(0)} ms = ${(median(loginDCL) / median(plainDCL)).toFixed(2)} x`,
    ],
  ];
  for (const [what, figure] of rows) console.log(`${what.padEnd(58)} ${figure}`);
} catch (error) {
  console.error(error.stack ?? String(error));
  console.error(server.output());
  process.exitCode = 1;
} finally {
  await browser?.close();
  plain?.close();
  await server.dispose();
  rmSync(folder, { recursive: true, force: true });
}
