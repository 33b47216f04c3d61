// The test form served by a real server process and used in real Chromium: control states reach
// the form's handlers and the handlers' changes reach the page, a message dialog is answered in
// the browser, a server-requested reload keeps the session while a plain reload starts a new
// one, a socket dropped by the server is replaced and the page keeps working, and two browsers
// at once each have a session of their own.
//
//   node form.test.mjs PATH/TO/duo_test_server
//
// Exit code 0 when everything holds; otherwise a message naming the scenario and what differed,
// followed by the server's output.  Screenshots go to screenshots/ under the working directory.

import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { launchChromium } from './chromium.mjs';
import { ServerProcess, within } from './serverprocess.mjs';

const STEP_MS = 15000; // any single wait in a page
const RUN_MS = 90000; // the whole run, server start and browser launch included

const binary = process.argv[2];
if (!binary) {
  console.error('usage: node form.test.mjs PATH/TO/duo_test_server');
  process.exit(2);
}

const screenshots = join(process.cwd(), 'screenshots');
mkdirSync(screenshots, { recursive: true });

// ---- what the page says, collected from every page of the run

const problems = [];
// Set while the server drops a page's socket on purpose: a network error of that socket is expected.
let droppingSocket = false;

function watch(page, label) {
  page.on('console', (message) => {
    if (message.type() !== 'error') return;
    const text = message.text();
    if (droppingSocket && /WebSocket|ERR_CONNECTION|net::/i.test(text)) return;
    problems.push(`${label}: console error: ${text}`);
  });
  page.on('pageerror', (error) => problems.push(`${label}: page error: ${error.message}`));
  page.on('requestfailed', (request) => {
    if (droppingSocket && request.url().includes('/websocket/')) return;
    // The reconnect probe is a HEAD request whose status is all the script reads; Chromium
    // reports such a request as aborted once the script has its answer, whatever the server.
    if (request.method() === 'HEAD' && request.url().includes('/reconnect?') &&
        request.failure()?.errorText === 'net::ERR_ABORTED') return;
    problems.push(`${label}: request failed: ${request.url()} ${request.failure()?.errorText ?? ''}`);
  });
  page.on('response', (response) => {
    if (response.status() >= 400) problems.push(`${label}: ${response.status()} for ${response.url()}`);
  });
}

function check(condition, message) {
  if (!condition) throw new Error(message);
}

// ---- page helpers

// The page is usable: its socket is open, the server has handled the page-loaded event and
// taken the loader away again.
async function waitInteractive(page) {
  await page.waitForFunction(
    () => {
      const loader = document.getElementById('duo-loader');
      return (
        window.vpageloadcomplete === true &&
        window.facetws !== null &&
        window.facetws.readyState === WebSocket.OPEN &&
        loader !== null &&
        getComputedStyle(loader).display === 'none'
      );
    },
    null,
    { timeout: STEP_MS },
  );
}

async function labelText(page) {
  return page.locator('#LBLRESULT').textContent();
}

async function expectLabel(page, expected, what) {
  try {
    await page.waitForFunction(
      (text) => document.getElementById('LBLRESULT')?.textContent === text,
      expected,
      { timeout: STEP_MS },
    );
  } catch {
    throw new Error(`${what}: the label shows ${JSON.stringify(await labelText(page))}, expected ${JSON.stringify(expected)}`);
  }
}

async function session(page) {
  return page.evaluate(() => ({ uuid: connectionInfo.facetsession, token: connectionInfo.token }));
}

async function fillAndRead(page, { name, agree, colour }) {
  await page.locator('#EDTNAME').fill(name);
  await page.locator('#CHKAGREE').setChecked(agree);
  await page.locator('#CMBCOLOUR').selectOption({ label: colour });
  await page.locator('#BTNREAD').click();
}

async function shoot(page, name) {
  await page.screenshot({ path: join(screenshots, `browser_form_${name}.png`), fullPage: true });
}

// ---- scenarios

// Every control is on the page once, and what the user enters reaches the form's handler, whose
// label text comes back to the page as text (markup characters included).
async function controlsReachTheHandler(page, server) {
  await page.goto(server.url);
  await waitInteractive(page);
  const counts = await page.evaluate(() =>
    ['EDTNAME', 'CHKAGREE', 'CMBCOLOUR', 'BTNREAD', 'BTNASK', 'LBLRESULT'].map(
      (id) => `${id}=${document.querySelectorAll(`[id="${id}"]`).length}`,
    ),
  );
  check(counts.every((entry) => entry.endsWith('=1')), `each control must be on the page once: ${counts.join(' ')}`);
  await expectLabel(page, 'nothing yet', 'a fresh page');

  const cases = [
    { name: 'Rua A & B "x" <b>', agree: true, colour: 'Green', expected: 'Rua A & B "x" <b>|on|Green' },
    { name: "José d'Ávila", agree: false, colour: 'Blue', expected: "José d'Ávila|off|Blue" },
  ];
  for (const entry of cases) {
    await fillAndRead(page, entry);
    await expectLabel(page, entry.expected, `Read with ${JSON.stringify(entry.name)}`);
    check((await page.locator('#LBLRESULT b').count()) === 0, 'the label text must not become markup');
  }
  await fillAndRead(page, cases[0]);
  await expectLabel(page, cases[0].expected, 'Read again');
  await shoot(page, 'controls');
}

// A message dialog of the handler is shown in the page; its answer reaches the waiting handler.
async function dialogAnswerReachesTheHandler(page) {
  await page.locator('#BTNASK').click();
  const dialog = page.locator('.swal2-popup');
  await dialog.waitFor({ state: 'visible', timeout: STEP_MS });
  check((await dialog.textContent()).includes('Continue?'), 'the dialog must show the question');
  await shoot(page, 'dialog');
  await dialog.getByRole('button', { name: 'Yes', exact: true }).click();
  await dialog.waitFor({ state: 'hidden', timeout: STEP_MS });
  await expectLabel(page, 'answered yes', 'after answering Yes');

  await page.locator('#BTNASK').click();
  await dialog.waitFor({ state: 'visible', timeout: STEP_MS });
  await dialog.getByRole('button', { name: 'No', exact: true }).click();
  await expectLabel(page, 'answered no', 'after answering No');

  await page.locator('#BTNASK').click();
  await dialog.waitFor({ state: 'visible', timeout: STEP_MS });
  await dialog.getByRole('button', { name: 'Yes', exact: true }).click();
  await expectLabel(page, 'answered yes', 'after answering Yes again');
}

// The reload the server asks for (the page's own reload into its session, whose cookies the
// server sets) comes back to the same session and its form as it was; the cookies are spent.
// A plain reload starts a new session.
async function reloadKeepsOrStartsTheSession(page) {
  const before = await session(page);
  const loaded = page.waitForEvent('load', { timeout: STEP_MS });
  await page.evaluate(({ token, uuid }) => {
    setTimeout(() => reloadSessionPage(token, uuid), 0);
  }, before);
  await loaded;
  await waitInteractive(page);
  const kept = await session(page);
  check(kept.uuid === before.uuid, `a server-requested reload must keep the session: ${before.uuid} became ${kept.uuid}`);
  check(kept.token === before.token, 'a server-requested reload must keep the session token');
  await expectLabel(page, 'answered yes', 'after the server-requested reload');
  const edit = await page.locator('#EDTNAME').inputValue();
  check(edit === 'Rua A & B "x" <b>', `after the reload the edit shows the form's text: ${JSON.stringify(edit)}`);
  check(await page.locator('#CHKAGREE').isChecked(), 'after the reload the check box is still ticked');
  const colour = await page.locator('#CMBCOLOUR').evaluate((select) => select.selectedOptions[0]?.textContent);
  check(colour === 'Green', `after the reload the combo box still shows Green: ${JSON.stringify(colour)}`);
  const cookies = await page.evaluate(() => document.cookie);
  check(!/Duo_/.test(cookies), `the reload cookies are spent after use: ${JSON.stringify(cookies)}`);
  await shoot(page, 'reload_kept');

  await page.reload();
  await waitInteractive(page);
  const fresh = await session(page);
  check(fresh.uuid !== before.uuid, 'a plain reload must start a new session');
  await expectLabel(page, 'nothing yet', 'after a plain reload');
  await shoot(page, 'reload_new');
}

// The server drops the page's socket (a page request carrying the session's reload cookies, as
// from another load of the same session): the page covers itself, finds the session still valid,
// opens a new socket, and the next click works.
async function droppedSocketIsReplaced(page, server) {
  const { uuid, token } = await session(page);
  await page.evaluate(() => {
    window.overlayShown = 0;
    const show = window.showOverlayError;
    window.showOverlayError = () => {
      window.overlayShown += 1;
      show();
    };
    window.droppedSocket = window.facetws;
    window.droppedSocket.addEventListener('close', (event) => {
      window.droppedSocketCode = event.code;
    });
  });
  const probe = page.waitForResponse((response) => response.url().includes('/reconnect?'), { timeout: STEP_MS });
  droppingSocket = true;
  try {
    const response = await within(
      STEP_MS,
      fetch(server.url, { headers: { Cookie: `Duo_Token=${token}; Duo_FacetSession=${uuid}; Duo_ReloadPage=true` } }),
      'the page request with reload cookies',
    );
    check(response.status === 200, `the page request with reload cookies answered ${response.status}`);
    const html = await response.text();
    check(html.includes(uuid), 'the page request with reload cookies must serve the same session');
    await page.waitForFunction(
      () =>
        window.droppedSocket.readyState === WebSocket.CLOSED &&
        window.facetws !== window.droppedSocket &&
        window.facetws.readyState === WebSocket.OPEN &&
        !isOverlayErrorVisible(),
      null,
      { timeout: STEP_MS },
    );
  } finally {
    droppingSocket = false;
  }
  const probeStatus = (await probe).status();
  check(probeStatus === 202, `the reconnect probe must find the session valid (202), it answered ${probeStatus}`);
  check((await page.evaluate(() => window.overlayShown)) === 1, 'the page covers itself once while its socket is lost');
  const code = await page.evaluate(() => window.droppedSocketCode);
  check(code === 1001, `the server closes the dropped socket as going away (1001), the page saw ${code}`);
  check((await session(page)).uuid === uuid, 'the page keeps its session across the new socket');
  await fillAndRead(page, { name: 'after the drop', agree: true, colour: 'Red' });
  await expectLabel(page, 'after the drop|on|Red', 'a click after the socket was replaced');
  await shoot(page, 'socket_replaced');
}

// Two browsers at once: each types and reads its own value; neither sees the other's.
async function twoBrowsersHaveTheirOwnSessions(browser, server) {
  const contexts = await Promise.all([browser.newContext(), browser.newContext()]);
  try {
    const pages = await Promise.all(contexts.map((context) => context.newPage()));
    pages.forEach((page, i) => {
      page.setDefaultTimeout(STEP_MS);
      watch(page, `browser ${i + 1}`);
    });
    await Promise.all(pages.map(async (page) => {
      await page.goto(server.url);
      await waitInteractive(page);
    }));
    const [first, second] = await Promise.all(pages.map(session));
    check(first.uuid !== second.uuid, 'two browsers must get two sessions');
    const values = [
      { name: 'first & one', agree: true, colour: 'Red', expected: 'first & one|on|Red' },
      { name: 'second "two"', agree: false, colour: 'Blue', expected: 'second "two"|off|Blue' },
    ];
    await Promise.all(pages.map((page, i) => fillAndRead(page, values[i])));
    await Promise.all(pages.map((page, i) => expectLabel(page, values[i].expected, `browser ${i + 1}`)));
    // The second browser reads again; the first one's label stays its own.
    await fillAndRead(pages[1], { ...values[1], name: 'second again' });
    await expectLabel(pages[1], 'second again|off|Blue', 'browser 2 reading again');
    check((await labelText(pages[0])) === values[0].expected, `browser 1 must keep its own label, it shows ${JSON.stringify(await labelText(pages[0]))}`);
    await Promise.all(pages.map((page, i) => shoot(page, `two_browsers_${i + 1}`)));
  } finally {
    await Promise.all(contexts.map((context) => context.close()));
  }
}

// ---- the run

async function run(server) {
  await server.start();
  const browser = await launchChromium();
  try {
    const context = await browser.newContext();
    const page = await context.newPage();
    page.setDefaultTimeout(STEP_MS);
    watch(page, 'page');
    const scenarios = [
      ['controls reach the handler', () => controlsReachTheHandler(page, server)],
      ['a dialog answer reaches the handler', () => dialogAnswerReachesTheHandler(page)],
      ['reloads keep or start the session', () => reloadKeepsOrStartsTheSession(page)],
      ['a dropped socket is replaced', () => droppedSocketIsReplaced(page, server)],
      ['two browsers have their own sessions', () => twoBrowsersHaveTheirOwnSessions(browser, server)],
    ];
    for (const [name, scenario] of scenarios) {
      const started = Date.now();
      try {
        await scenario();
      } catch (error) {
        await page.screenshot({ path: join(screenshots, 'browser_form_failure.png') }).catch(() => {});
        throw new Error(`${name}: ${error.message}`);
      }
      if (problems.length > 0) throw new Error(`${name}: the page reported problems:\n  ${problems.join('\n  ')}`);
      console.log(`ok - ${name} (${Date.now() - started} ms)`);
    }
  } finally {
    await browser.close();
  }
  const { code, signal } = await server.stop('SIGTERM');
  check(code === 0, `the server must end with code 0 after SIGTERM, it ended with code ${code}, signal ${signal}`);
}

const server = new ServerProcess(binary);
let failure = null;
try {
  await within(RUN_MS, run(server), 'the browser test did not finish');
} catch (error) {
  failure = error;
} finally {
  await server.dispose();
}
if (failure) {
  console.error(`FAILED: ${failure.message}`);
  console.error(server.output());
  process.exit(1);
}
console.log('all browser form scenarios passed');
process.exit(0);
