// What a browser gets from Vozmira's web program: the assets' headers, validators and
// persistent connections; a login that downloads no asset twice; the four pages (login,
// dashboard, request list, request form) at a desktop and a phone width; and the accessibility
// rules of axe-core (WCAG 2 A and AA) on the four pages.  Real Chromium against the web program
// on a fresh embedded database.
//
//   node pages.test.mjs PATH/TO/vozmira-web [PART-OF-A-SCENARIO-NAME]
//
// Every scenario runs; the run exits with 1 naming each failure.

import { rmSync, writeFileSync } from 'node:fs';
import { Agent, request as httpRequest } from 'node:http';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { brotliDecompressSync, gunzipSync } from 'node:zlib';
import { launchChromium } from './chromium.mjs';
import { ServerProcess, within } from './serverprocess.mjs';
import { testRun } from './testrun.mjs';

const STEP_MS = 20000;
const RUN_MS = 280000;
const AXE = join(dirname(fileURLToPath(import.meta.url)), '../../node_modules/axe-core/axe.min.js');

const { binary, only, screenshots, folder, lockFolder } = testRun('pages.test.mjs', 'browser_pages_');
const settingsFile = join(folder, 'settings.ini');
writeFileSync(settingsFile, '[Database]\nDatabase=vozmira.fdb\n[Duo Server Config]\nServer Port=0\n');

function check(condition, message) {
  if (!condition) throw new Error(message);
}

const show = (value) => JSON.stringify(value);

// ---- plain HTTP

// One GET (or HEAD) with the given header lines; the answer's status, headers and raw body
// (not decompressed), and whether it went over a connection used before.
function get(url, headers = {}, { agent, method = 'GET' } = {}) {
  return within(
    STEP_MS,
    new Promise((resolve, reject) => {
      const request = httpRequest(url, { method, headers, agent: agent ?? false }, (response) => {
        const chunks = [];
        response.on('data', (chunk) => chunks.push(chunk));
        response.on('end', () =>
          resolve({ status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks), reused: request.reusedSocket }),
        );
        response.on('error', reject);
      });
      request.on('error', reject);
      request.end();
    }),
    `no answer to GET ${url}`,
  );
}

// The same-site style sheets and scripts a page refers to, as absolute URLs.
function assetsOf(html, base) {
  const found = new Set();
  for (const match of html.matchAll(/<(?:script|link)\b[^>]*?(?:src|href)="([^"]+)"/g)) {
    const url = new URL(match[1].replaceAll('&amp;', '&'), base);
    if (url.origin === new URL(base).origin && /\.(js|css)$/.test(url.pathname)) found.add(url.href);
  }
  return [...found];
}

// ---- the browser

async function waitInteractive(page) {
  await page.waitForFunction(
    () => {
      const loader = document.getElementById('duo-loader');
      return (
        window.vpageloadcomplete === true &&
        window.facetws?.readyState === WebSocket.OPEN &&
        loader !== null &&
        getComputedStyle(loader).display === 'none' &&
        [...document.querySelectorAll('table.ui-jqgrid-btable')].every((table) => !table.grid || !table.grid.hDiv.loading)
      );
    },
    null,
    { timeout: STEP_MS },
  );
}

async function navigating(page, action) {
  const loaded = page.waitForEvent('load', { timeout: STEP_MS });
  await action();
  await loaded;
  await waitInteractive(page);
}

// A browser of its own; page errors, failed requests and answers of 400 and above are problems.
async function openPage(browser, options = {}) {
  const context = await browser.newContext({ locale: 'pt-BR', ...options });
  const page = await context.newPage();
  page.setDefaultTimeout(STEP_MS);
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`${response.status()} for ${response.url()}`);
  });
  return { context, page, problems };
}

async function login(page, user) {
  await page.locator('#EDTLOGIN').fill(user);
  await page.locator('#EDTSENHA').fill(user);
  await navigating(page, () => page.locator('#BTNENTRAR').click());
  check((await page.locator('#qtNovas').count()) === 1, 'after the login the dashboard must be shown');
}

// The navigation entry `id`, reached as a person would at the page's width: straight away on a
// wide screen, behind the menu button on a narrow one.
async function reachNav(page, id, narrow) {
  const toggle = page.locator('.navbar-toggler');
  const entry = page.locator(`#${id}`);
  if (narrow) {
    check(await toggle.isVisible(), 'at a phone width the menu button must be shown');
    check(!(await entry.isVisible()), `at a phone width ${id} must be folded away until the menu is opened`);
    await toggle.click();
    // Opened once its animation is over: a click while it runs is ignored.
    await page.locator('#navMenu.collapse.show').waitFor({ state: 'visible', timeout: STEP_MS });
    await entry.waitFor({ state: 'visible', timeout: STEP_MS });
    check((await toggle.getAttribute('aria-expanded')) === 'true', 'the opened menu button must say it is expanded');
  } else {
    check(!(await toggle.isVisible()), 'at a desktop width the menu button must not be shown');
  }
  check(await entry.isVisible(), `${id} must be visible`);
  const box = await entry.boundingBox();
  const width = page.viewportSize().width;
  check(box !== null && box.x >= 0 && box.x + box.width <= width, `${id} must lie within the ${width} px screen, it is at ${show(box)}`);
  return entry;
}

// The page does not scroll sideways as a whole.
async function checkNoSidewaysScroll(page, what) {
  const { scroll, view } = await page.evaluate(() => ({ scroll: document.documentElement.scrollWidth, view: document.documentElement.clientWidth }));
  check(scroll <= view, `${what}: the page is ${scroll} px wide on a ${view} px screen`);
}

// The four pages, in the order a person reaches them; each step leaves the page shown.
const PAGES = [
  { name: 'login', marker: '#EDTLOGIN', reach: async (page, server) => {
      await page.goto(server.url);
      await waitInteractive(page);
    } },
  { name: 'dashboard', marker: '#qtNovas', reach: (page) => login(page, 'pelix') },
  { name: 'request list', marker: '#DBGTAREFAS', reach: async (page, _server, narrow) => {
      const entry = await reachNav(page, 'navSolicitacoes', narrow);
      await navigating(page, () => entry.click());
    } },
  { name: 'request form', marker: '#DBEDESCRICAO', reach: (page) => navigating(page, () => page.locator('#BTNNOVO').click()) },
];

// Walks the four pages in one browser, calling `visit` on each.
async function walkPages(browser, server, options, narrow, visit) {
  const { context, page, problems } = await openPage(browser, options);
  try {
    for (const step of PAGES) {
      await step.reach(page, server, narrow);
      check((await page.locator(step.marker).count()) === 1, `the ${step.name} page must be shown (${step.marker} missing)`);
      await visit(step, page);
    }
    check(problems.length === 0, `the pages reported:\n  ${problems.join('\n  ')}`);
  } finally {
    await context.close();
  }
}

// ---- the scenarios

const scenarios = [];
const scenario = (name, body) => scenarios.push({ name, body });

scenario('assets: compressed, with validators answered by 304, kept a year when versioned, on one connection', async ({ server }) => {
  const page = await get(server.url);
  check(page.status === 200, `the login page must be served, got ${page.status}`);
  // A page is made for each request, and compressed for a client that takes it: the same page.
  const compressedPage = await get(server.url, { 'Accept-Encoding': 'gzip, deflate, br' });
  check(compressedPage.headers['content-encoding'] === 'br', `a page is compressed for a client that takes it, it says ${show(compressedPage.headers['content-encoding'])}`);
  const samePage = (html) => html.replace(/[A-Za-z0-9]{12,}/g, '*');
  check(samePage(brotliDecompressSync(compressedPage.body).toString('utf8')) === samePage(page.body.toString('utf8')), 'the compressed page must decode to the page (sessions aside)');
  check(page.headers['content-encoding'] === undefined, 'a client that takes no coding gets the page as it is');
  check(page.headers['cache-control'] === 'no-store', `a page is never cached, it says ${show(page.headers['cache-control'])}`);
  check(page.headers.etag === undefined && page.headers.connection?.toLowerCase() === 'close', 'a page has no validator and closes its connection');
  const assets = assetsOf(page.body.toString('utf8'), server.url);
  for (const name of ['bootstrap.min.css', 'jquery-3.6.4.js', 'jquery.inputmask.js', 'duoloader.js', 'facetserver.js'])
    check(assets.some((url) => url.includes(`/${name}?v=`)), `the page must refer to ${name} with its version, it refers to ${show(assets)}`);

  const agent = new Agent({ keepAlive: true, maxSockets: 1 });
  try {
    for (const [index, url] of assets.entries()) {
      const plain = await get(url, {}, { agent });
      const zipped = await get(url, { 'Accept-Encoding': 'gzip, deflate' }, { agent });
      const brotli = await get(url, { 'Accept-Encoding': 'gzip, deflate, br' }, { agent });
      for (const answer of [plain, zipped, brotli]) {
        check(answer.status === 200, `${url}: status ${answer.status}`);
        check(Number(answer.headers['content-length']) === answer.body.length, `${url}: Content-Length ${answer.headers['content-length']} for ${answer.body.length} bytes`);
        check(answer.headers['cache-control'] === 'public, max-age=31536000, immutable', `${url}: a versioned asset is kept a year, it says ${show(answer.headers['cache-control'])}`);
        check(/^"[0-9a-f]+(-gz|-br)?"$/.test(answer.headers.etag ?? '') && answer.headers['last-modified'] !== undefined, `${url}: validators missing`);
        check(answer.headers.connection === 'keep-alive', `${url}: the connection must stay open, it says ${show(answer.headers.connection)}`);
      }
      check(zipped.headers['content-encoding'] === 'gzip', `${url}: a client that takes gzip gets it`);
      check(gunzipSync(zipped.body).equals(plain.body), `${url}: the gzip body must inflate to the plain one`);
      check(brotli.headers['content-encoding'] === 'br', `${url}: a client that takes brotli gets it`);
      check(brotliDecompressSync(brotli.body).equals(plain.body), `${url}: the brotli body must decode to the plain one`);
      check(brotli.body.length < zipped.body.length, `${url}: the brotli form must be the smaller one`);
      check(plain.headers['content-encoding'] === undefined, `${url}: a client that does not take gzip gets the plain body`);
      check(index > 0 || !plain.reused, 'the first request opens the connection');
      check(zipped.reused, `${url}: the second request must go over the same connection`);

      for (const [what, headers] of [
        ['If-None-Match', { 'If-None-Match': plain.headers.etag }],
        ['If-None-Match of the gzip form', { 'If-None-Match': zipped.headers.etag, 'Accept-Encoding': 'gzip' }],
        ['If-None-Match of the brotli form', { 'If-None-Match': brotli.headers.etag, 'Accept-Encoding': 'br' }],
        ['If-Modified-Since', { 'If-Modified-Since': plain.headers['last-modified'] }],
      ]) {
        const again = await get(url, headers, { agent });
        check(again.status === 304 && again.body.length === 0, `${url} with ${what}: 304 without a body expected, got ${again.status} with ${again.body.length} bytes`);
        check(again.reused, `${url}: a 304 keeps the connection too`);
      }
      const changed = await get(url, { 'If-None-Match': '"0000"' }, { agent });
      check(changed.status === 200 && changed.body.equals(plain.body), `${url}: another tag gets the asset`);
    }
    // Without the version (or with another) the browser keeps the asset but asks again.
    const css = assets.find((url) => url.includes('/bootstrap.min.css?v='));
    for (const url of [css.replace(/\?v=.*$/, ''), css.replace(/\?v=.*$/, '?v=1')]) {
      const answer = await get(url, {}, { agent });
      check(answer.status === 200 && answer.headers['cache-control'] === 'no-cache', `${url}: 200 with no-cache expected, got ${answer.status} ${show(answer.headers['cache-control'])}`);
    }
    // HEAD: the head of the answer, no body.
    const head = await get(css, { 'Accept-Encoding': 'gzip' }, { agent, method: 'HEAD' });
    check(head.status === 200 && head.body.length === 0 && Number(head.headers['content-length']) > 0, 'HEAD answers with the head only');
    // The fonts the icon style sheet names carry their versions too.
    const iconSheet = (await get(assets.find((url) => url.includes('/font-awesome.min.css?v=')), {}, { agent })).body.toString('utf8');
    const font = /url\('([^']*fontawesome-webfont\.woff2\?v=[0-9a-f]{16})'\)/.exec(iconSheet);
    check(font !== null, 'the icon style sheet must name the woff2 font with its version');
    const fontAnswer = await get(new URL(font[1], assets.find((url) => url.includes('/font-awesome.min.css'))).href, { 'Accept-Encoding': 'gzip' }, { agent });
    check(fontAnswer.status === 200 && fontAnswer.headers['cache-control'].includes('max-age=31536000'), 'the font is kept a year');
    check(fontAnswer.headers['content-encoding'] === undefined, 'an already compressed font is sent as it is');
  } finally {
    agent.destroy();
  }
  // A client that asks to close gets its answer and the end of the connection.
  const closing = await get(assets[0], { Connection: 'close' });
  check(closing.status === 200 && closing.headers.connection === 'Close', 'Connection: close is honoured');
});

scenario('grid rows travel compressed only to a client that takes a coding, as the same JSON', async ({ browser, server }) => {
  const { context, page, problems } = await openPage(browser);
  try {
    await page.goto(server.url);
    await waitInteractive(page);
    await login(page, 'pelix');
    const url = await page.evaluate(() => $('#DBGNOVASSOLICITACOES').jqGrid('getGridParam', 'url'));
    check(/rest\/json\/jqgrid\/get\?/.test(url ?? ''), `the dashboard's grid must load its rows from the server, its URL is ${show(url)}`);
    const plain = await get(url);
    check(plain.status === 200 && plain.headers['content-encoding'] === undefined, `rows without a coding expected, got ${plain.status} ${show(plain.headers['content-encoding'])}`);
    const rows = JSON.parse(plain.body.toString('utf8'));
    check(Array.isArray(rows) && rows.length > 0 && rows.every((row, index) => row.FacetRecNo === index + 1), 'the rows must be the grid\'s JSON array');
    for (const [accepted, coding, decode] of [
      ['gzip, deflate', 'gzip', gunzipSync],
      ['gzip, deflate, br', 'br', brotliDecompressSync],
      ['identity', undefined, (body) => body],
    ]) {
      const answer = await get(url, { 'Accept-Encoding': accepted });
      check(answer.headers['content-encoding'] === coding, `${accepted}: ${show(coding)} expected, got ${show(answer.headers['content-encoding'])}`);
      check(answer.headers['cache-control'] === 'no-store', `${accepted}: rows are never cached`);
      check(decode(answer.body).equals(plain.body), `${accepted}: the rows must decode to the same JSON`);
    }
    check(problems.length === 0, `the pages reported:\n  ${problems.join('\n  ')}`);
  } finally {
    await context.close();
  }
});

scenario('a login downloads no asset twice', async ({ browser, server }) => {
  const { context, page, problems } = await openPage(browser);
  try {
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    // An answer that came over the wire with a body: not served from the browser's cache, not a
    // 304.
    const answers = new Map();
    // An answer the browser took from its disk cache or its prefetch cache did not cross the wire.
    cdp.on('Network.responseReceived', ({ requestId, response, type }) => {
      if (type !== 'Document' && type !== 'WebSocket' && response.status === 200 && !response.fromDiskCache && !response.fromPrefetchCache)
        answers.set(requestId, response.url);
    });
    const cached = new Set();
    cdp.on('Network.requestServedFromCache', ({ requestId }) => cached.add(requestId));
    await page.goto(server.url);
    await waitInteractive(page);
    // The working pages show icons: the login page fetches their font while the browser is idle,
    // and the pages after the login take it from the cache.
    await page.waitForLoadState('networkidle');
    check([...answers.values()].some((url) => url.includes('/fontawesome-webfont.woff2?v=')), 'the login page must fetch the icon font while idle');
    await login(page, 'brud');
    await page.waitForLoadState('networkidle');
    const downloads = new Map();
    // The icon is the browser's own request, which keeps no HTTP cache across pages.
    for (const [requestId, url] of answers)
      if (!cached.has(requestId) && !url.endsWith('/favicon.ico')) downloads.set(url, (downloads.get(url) ?? 0) + 1);
    const twice = [...downloads].filter(([, count]) => count > 1);
    check(twice.length === 0, `downloaded more than once: ${show(twice)}`);
    check(downloads.size >= 5, `the login must have downloaded its assets, it downloaded ${show([...downloads.keys()])}`);
    check(problems.length === 0, `the pages reported:\n  ${problems.join('\n  ')}`);
  } finally {
    await context.close();
  }
});

for (const [width, height] of [
  [1280, 800],
  [390, 844],
]) {
  scenario(`the four pages at ${width} px: navigation reachable, no sideways scroll`, async ({ browser, server }) => {
    const narrow = width < 768;
    await walkPages(browser, server, { viewport: { width, height }, isMobile: narrow, hasTouch: narrow }, narrow, async (step, page) => {
      await checkNoSidewaysScroll(page, step.name);
      if (step.name === 'login') {
        const card = await page.locator('.card').boundingBox();
        check(card.x >= 0 && card.x + card.width <= width, `the login card must fit the screen, it is at ${show(card)}`);
      } else {
        await page.keyboard.press('Escape');
        await reachNav(page, 'navSair', narrow);
        if (narrow) {
          // The menu folds away with an animation: the next step starts from a folded menu.
          await page.locator('.navbar-toggler').click();
          await page.locator('#navMenu').waitFor({ state: 'hidden', timeout: STEP_MS });
        }
      }
      await page.screenshot({ path: join(screenshots, `browser_pages_${width}_${step.name.replaceAll(' ', '_')}.png`), fullPage: true });
    });
  });
}

scenario('axe-core on the four pages: no critical or serious violation', async ({ browser, server }) => {
  const found = [];
  await walkPages(browser, server, {}, false, async (step, page) => {
    await page.addScriptTag({ path: AXE });
    const result = await page.evaluate(() => window.axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa'] } }));
    for (const violation of result.violations)
      if (violation.impact === 'critical' || violation.impact === 'serious')
        found.push(`${step.name}: ${violation.impact} ${violation.id} (${violation.nodes.length} nodes, e.g. ${violation.nodes[0].html}): ${violation.help}; ${violation.nodes[0].failureSummary}`);
  });
  check(found.length === 0, `violations:\n  ${found.join('\n  ')}`);
});

scenario('the page names the language of its session', async ({ browser, server }) => {
  for (const [locale, lang] of [
    ['pt-BR', 'pt-BR'],
    ['en-US', 'en-US'],
  ]) {
    const { context, page } = await openPage(browser, { locale });
    try {
      await page.goto(server.url);
      await waitInteractive(page);
      const shown = await page.evaluate(() => document.documentElement.lang);
      check(shown === lang, `a browser in ${locale} must get <html lang="${lang}">, it got ${show(shown)}`);
    } finally {
      await context.close();
    }
  }
});

// ---- the run

const server = new ServerProcess(binary, [settingsFile], { FIREBIRD_LOCK: lockFolder, ASAN_OPTIONS: `${process.env.ASAN_OPTIONS ?? ''}:detect_leaks=0` }, { webRoot: false });
let browser;
const failures = [];
try {
  await within(
    RUN_MS,
    (async () => {
      const line = await server.waitForLine(/open http:\/\/localhost:\d+\/ in a browser/, 60000, 'its address');
      server.port = Number(/localhost:(\d+)/.exec(line)[1]);
      browser = await launchChromium();
      for (const { name, body } of scenarios) {
        if (only !== undefined && !name.includes(only)) continue;
        try {
          await body({ browser, server });
          console.log(`ok: ${name}`);
        } catch (error) {
          failures.push(`${name}: ${error.stack ?? error}`);
          console.log(`FAILED: ${name}`);
        }
      }
    })(),
    'the run did not finish',
  );
} catch (error) {
  failures.push(String(error.stack ?? error));
} finally {
  await browser?.close();
  try {
    const status = await server.stop('SIGTERM', 20000);
    if (status.code !== 0) failures.push(`the server ended with code ${status.code}, signal ${status.signal}`);
  } catch (error) {
    failures.push(String(error));
  }
  const report = /(ERROR: AddressSanitizer.*|runtime error:.*|ERROR: LeakSanitizer.*)/.exec(server.stderr);
  if (report !== null) failures.push(`the server reported: ${report[1]}`);
  rmSync(folder, { recursive: true, force: true });
}
if (failures.length > 0) {
  console.error(`${failures.length} failed:\n${failures.join('\n\n')}\n${server.output()}`);
  process.exit(1);
}
console.log('all passed');
