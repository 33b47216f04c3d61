// Vozmira itself in real Chromium: the web program started on a fresh embedded database, driven
// through its pages as the office's staff use them, and the database read back after each
// scenario (with the server stopped, since an embedded database file has one user at a time).
//
//   node vozmira.test.mjs PATH/TO/vozmira-web [PART-OF-A-SCENARIO-NAME]
//
// Scenarios: the login and the dashboard; the request list's filters and pages; "Alterar",
// "Salvar" and "Cancelar" on a request; "Novo" for each of the two users; markup and template
// tags typed into a request; two users at once; reloads and "Sair"; values the database cannot
// take, and a date it can, typed into a request.  The scenarios run in phases, each phase on a
// server of its own over the same database file (see "the run" below); every scenario leaves a
// screenshot in screenshots/ under the working directory and fails on any console error, page
// error, failed request, native dialog or sanitizer report it did not cause on purpose.  The run
// goes through every scenario and exits with 1 when any of them failed, naming each failure.
//
// Needs isql-fb (Debian firebird3.0-utils) to read the database.

import { execFile } from 'node:child_process';
import { createHash, randomBytes } from 'node:crypto';
import { rmSync, writeFileSync } from 'node:fs';
import { connect } from 'node:net';
import { join } from 'node:path';
import { launchChromium } from './chromium.mjs';
import { ServerProcess, within } from './serverprocess.mjs';
import { testRun } from './testrun.mjs';
import { countUnlocks } from './unlocks.mjs';

const STEP_MS = 20000; // any single wait in a page
const RUN_MS = 270000; // the whole run
const PER_PAGE = 10; // rows per page of the request list

const { binary, only, screenshots, folder, lockFolder } = testRun('vozmira.test.mjs', 'browser_vozmira_');
const settingsFile = join(folder, 'settings.ini');
const databaseFile = join(folder, 'vozmira.fdb');

function check(condition, message) {
  if (!condition) throw new Error(message);
}

const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const show = (value) => JSON.stringify(value);

// ---- the server process

// The web program on the run's settings file.  The settings are written before every start:
// the server writes the port it took back into them, and each start must pick a free one.
class VozmiraServer {
  constructor() {
    this.log = '';
    this.process = null;
  }

  async start() {
    writeFileSync(settingsFile, '[Database]\nDatabase=vozmira.fdb\n[Duo Server Config]\nServer Port=0\n');
    const asan = process.env.ASAN_OPTIONS ? `${process.env.ASAN_OPTIONS}:detect_leaks=0` : 'detect_leaks=0';
    this.process = new ServerProcess(binary, [settingsFile], { ASAN_OPTIONS: asan, FIREBIRD_LOCK: lockFolder }, { webRoot: false });
    const line = await this.process.waitForLine(/open http:\/\/localhost:\d+\/ in a browser/, 60000, 'its address');
    this.port = Number(/localhost:(\d+)/.exec(line)[1]);
    this.url = `http://127.0.0.1:${this.port}/`;
  }

  // SIGTERM, then the exit status (0 expected) and no sanitizer report in what it printed.
  async stop() {
    if (this.process === null) return;
    const server = this.process;
    this.process = null;
    let status;
    try {
      status = await server.stop('SIGTERM', 20000);
    } finally {
      this.log += `--- server run on port ${this.port}\n${server.output()}`;
    }
    check(status.code === 0, `the server must end with code 0 after SIGTERM, it ended with code ${status.code}, signal ${status.signal}`);
    const report = /(ERROR: AddressSanitizer.*|runtime error:.*|ERROR: LeakSanitizer.*)/.exec(server.stderr);
    check(report === null, `the server reported: ${report?.[1]}`);
  }

  async dispose() {
    try {
      await this.stop();
    } catch {
      // Reported by the scenario that stopped it; the process is gone either way.
    }
  }
}

// ---- the database, read with the Firebird command-line client while no server runs

const SNAPSHOT_SQL = `
SET HEADING OFF;
SELECT 'SOL|' || S.ID_SOLICITACAO || '|' || CAST(S.DATA_SOLICITACAO AS VARCHAR(30)) || '|' ||
  S.ID_USUARIO || '|' || S.ID_PREFEITURA || '|' || S.ID_SITUACAO || '|' || S.ID_TIPO || '|' ||
  S.ID_UNIDADE || '|' || COALESCE(U.NOME_USUARIO, '') || '|' || COALESCE(SIT.NOME_SITUACAO, '') || '|' ||
  COALESCE(T.NOME_TIPO, '') || '|' || COALESCE(UN.NOME_UNIDADE, '') || '|' || S.SOLICITACAO || '|END'
FROM SOLICITACAO S
LEFT JOIN USUARIO U ON U.ID_USUARIO = S.ID_USUARIO
LEFT JOIN SITUACAO SIT ON SIT.ID_SITUACAO = S.ID_SITUACAO
LEFT JOIN TIPO_SOLICITACAO T ON T.ID_TIPO = S.ID_TIPO
LEFT JOIN UNIDADE UN ON UN.ID_UNIDADE = S.ID_UNIDADE
ORDER BY S.ID_SOLICITACAO;
SELECT 'QT|' || QT_NOVAS || '|' || QT_ANDAMENTO || '|' || QT_FINALIZADAS || '|END' FROM SP_DASHBOARD_QT;
SELECT 'TQT|' || QT || '|' || NOME_TIPO || '|END' FROM SP_DASHBOARD_TIPO;
SELECT 'SIT|' || ID_SITUACAO || '|' || NOME_SITUACAO || '|END' FROM SITUACAO ORDER BY ID_SITUACAO;
SELECT 'TIPO|' || ID_TIPO || '|' || NOME_TIPO || '|END' FROM TIPO_SOLICITACAO ORDER BY ID_TIPO;
SELECT 'UNI|' || ID_UNIDADE || '|' || NOME_UNIDADE || '|END' FROM UNIDADE ORDER BY ID_UNIDADE;
SELECT 'USU|' || ID_USUARIO || '|' || LOGIN_USUARIO || '|END' FROM USUARIO ORDER BY ID_USUARIO;
SELECT 'PREF|' || ID_PREFEITURA || '|' || COALESCE(NOME_PREFEITURA, '') || '|END' FROM PREFEITURA ORDER BY ID_PREFEITURA;
`;

function isql(script) {
  const file = join(folder, 'query.sql');
  writeFileSync(file, script);
  return new Promise((resolve, reject) => {
    execFile(
      'isql-fb',
      ['-user', 'SYSDBA', '-ch', 'UTF8', '-q', databaseFile, '-i', file],
      { env: { ...process.env, FIREBIRD_LOCK: lockFolder }, maxBuffer: 16 * 1024 * 1024 },
      (error, stdout, stderr) => {
        if (error) reject(new Error(`isql-fb failed (is firebird3.0-utils installed?): ${error.message}\n${stderr}`));
        else resolve(stdout);
      },
    );
  });
}

// Everything the scenarios compare against, as the database holds it.
async function readDatabase() {
  const text = await isql(SNAPSHOT_SQL);
  const db = { requests: [], counts: null, typeCounts: [], statuses: [], types: [], units: [], users: {}, cityHalls: [] };
  for (const raw of text.split('\n')) {
    const line = raw.trimEnd();
    if (!line.endsWith('|END')) continue;
    const body = line.slice(0, -4);
    const fields = body.split('|');
    switch (fields[0]) {
      case 'SOL':
        db.requests.push({
          id: Number(fields[1]),
          date: fields[2],
          user: Number(fields[3]),
          cityHall: Number(fields[4]),
          status: Number(fields[5]),
          type: Number(fields[6]),
          unit: Number(fields[7]),
          userName: fields[8],
          statusName: fields[9],
          typeName: fields[10],
          unitName: fields[11],
          // The description is last: a "|" inside it stays in it.
          text: fields.slice(12).join('|'),
        });
        break;
      case 'QT':
        db.counts = { novas: Number(fields[1]), andamento: Number(fields[2]), finalizadas: Number(fields[3]) };
        break;
      case 'TQT':
        db.typeCounts.push({ name: fields.slice(2).join('|'), count: Number(fields[1]) });
        break;
      case 'SIT':
        db.statuses.push({ id: Number(fields[1]), name: fields.slice(2).join('|') });
        break;
      case 'TIPO':
        db.types.push({ id: Number(fields[1]), name: fields.slice(2).join('|') });
        break;
      case 'UNI':
        db.units.push({ id: Number(fields[1]), name: fields.slice(2).join('|') });
        break;
      case 'USU':
        db.users[fields[2]] = Number(fields[1]);
        break;
      case 'PREF':
        db.cityHalls.push(Number(fields[1]));
        break;
    }
  }
  check(db.requests.length > 0 && db.counts !== null, `the database could not be read:\n${text.slice(0, 2000)}`);
  return db;
}

// "2026-01-02 09:27:26.0000" as the grids show it: "02/01/2026 09:27:26".
function gridDate(dbDate) {
  const [, y, m, d, time] = /^(\d{4})-(\d{2})-(\d{2}) (\d{2}:\d{2}:\d{2})/.exec(dbDate);
  return `${d}/${m}/${y} ${time}`;
}

// The row a request grid shows for a request, by column field name.
function listRow(request) {
  return {
    ID_SOLICITACAO: String(request.id),
    DATA_SOLICITACAO: gridDate(request.date),
    SOLICITACAO: request.text,
    NOME_USUARIO: request.userName,
    NOME_SITUACAO: request.statusName,
    NOME_TIPO: request.typeName,
    NOME_UNIDADE: request.unitName,
  };
}

const newestFirst = (requests) => [...requests].sort((a, b) => (a.date < b.date ? 1 : a.date > b.date ? -1 : b.id - a.id));
const byId = (requests) => [...requests].sort((a, b) => a.id - b.id);

// The dashboard's counts by the office's rule: new is the status with the lowest key; finished
// are the statuses whose names begin with one of the closing words; every other status is in
// progress.
function countsByRule(db) {
  const first = Math.min(...db.statuses.map((status) => status.id));
  const finished = (name) => /^(CONCLU|FINALIZ|ENCERR|CANCEL|ARQUIV)/.test(name.toUpperCase());
  const counts = { novas: 0, andamento: 0, finalizadas: 0 };
  for (const request of db.requests) {
    const status = db.statuses.find((s) => s.id === request.status);
    if (status === undefined) continue;
    if (status.id === first) counts.novas += 1;
    else if (finished(status.name)) counts.finalizadas += 1;
    else counts.andamento += 1;
  }
  return counts;
}

// The rows of `after` that differ from `before`, and the rows only one of them has.
function differences(before, after) {
  const old = new Map(before.requests.map((r) => [r.id, r]));
  const changed = [];
  const added = [];
  for (const request of after.requests) {
    const was = old.get(request.id);
    if (was === undefined) added.push(request);
    else if (!same(was, request)) changed.push({ before: was, after: request });
    old.delete(request.id);
  }
  return { changed, added, removed: [...old.values()] };
}

// ---- what the pages say

// Problems the pages of a scenario report; a step that expects some says so with `allowing`.
class PageWatch {
  constructor() {
    this.problems = [];
    this.allowed = [];
  }

  // Runs `action` with the problems matching `patterns` expected.
  async allowing(patterns, action) {
    this.allowed.push(...patterns);
    try {
      return await action();
    } finally {
      this.allowed = this.allowed.filter((pattern) => !patterns.includes(pattern));
    }
  }

  note(text) {
    if (this.allowed.some((pattern) => pattern.test(text))) return;
    this.problems.push(text);
  }

  watch(page, label) {
    page.on('console', (message) => {
      if (message.type() === 'error') this.note(`${label}: console error: ${message.text()}`);
    });
    page.on('pageerror', (error) => this.note(`${label}: page error: ${error.message}`));
    page.on('dialog', (dialog) => {
      this.note(`${label}: native dialog (${dialog.type()}): ${dialog.message()}`);
      dialog.dismiss().catch(() => {});
    });
    page.on('requestfailed', (request) => {
      // The reconnect probe is a HEAD request whose status is all the script reads; Chromium
      // reports it as aborted once the script has its answer.
      if (request.method() === 'HEAD' && request.url().includes('/reconnect?') && request.failure()?.errorText === 'net::ERR_ABORTED') return;
      this.note(`${label}: request failed: ${request.method()} ${request.url()} ${request.failure()?.errorText ?? ''}`);
    });
    page.on('response', (response) => {
      if (response.status() >= 400) this.note(`${label}: ${response.status()} for ${response.request().method()} ${response.url()}`);
    });
    // A markup injection that worked would fetch its image.
    page.on('request', (request) => {
      if (/\/x$/.test(new URL(request.url()).pathname)) this.note(`${label}: the page asked for ${request.url()}`);
    });
  }

  take() {
    const problems = this.problems;
    this.problems = [];
    return problems;
  }
}

// The watch of each page, for steps that expect a problem.
const watchOf = new WeakMap();

// ---- page helpers

// A browser of its own (a context) for one user of a scenario, whose problems go to `watch`.
async function userBrowser(browser, watch, label) {
  const context = await browser.newContext({ locale: 'pt-BR' });
  await context.addInitScript(countUnlocks);
  const page = await context.newPage();
  page.setDefaultTimeout(STEP_MS);
  watch.watch(page, label);
  watchOf.set(page, watch);
  // The socket messages, the page loads with the session cookies they carried, and the reconnect
  // probes' answers, for a failure to show what the page and the server said.
  const traffic = [];
  const started = Date.now();
  const note = (text) => traffic.push(`${String(Date.now() - started).padStart(6)} ms ${text}`);
  page.on('websocket', (socket) => {
    note(`socket opened ${socket.url().replace(/token=[^&]*/, 'token=…')}`);
    socket.on('framesent', (frame) => note(`> ${String(frame.payload).slice(0, 600)}`));
    socket.on('framereceived', (frame) => note(`< ${String(frame.payload).slice(0, 600)}`));
    socket.on('close', () => note('socket closed'));
  });
  page.on('request', (request) => {
    if (request.isNavigationRequest()) note(`page load ${request.method()} ${request.url()} cookies: ${request.headers().cookie ?? 'none'}`);
  });
  page.on('response', (response) => {
    if (response.url().includes('/reconnect?')) note(`reconnect probe answered ${response.status()}`);
  });
  page.on('load', () => note('loaded'));
  return { context, page, label, traffic };
}

// No grid of the page is loading its rows (a person waits for them before the next step).
function gridsIdle() {
  return [...document.querySelectorAll('table.ui-jqgrid-btable')].every((table) => !table.grid || !table.grid.hDiv.loading);
}

// The page is usable: its socket is open, the server has handled the page-loaded event and
// taken the loader away again, and its grids have their rows.
async function waitInteractive(page) {
  await page.waitForFunction(
    (idle) => {
      const loader = document.getElementById('duo-loader');
      return (
        window.vpageloadcomplete === true &&
        window.facetws !== null &&
        window.facetws.readyState === WebSocket.OPEN &&
        loader !== null &&
        getComputedStyle(loader).display === 'none' &&
        (0, eval)(`(${idle})`)()
      );
    },
    gridsIdle.toString(),
    { timeout: STEP_MS },
  );
}

// Runs `action`, which makes the server show another page (a reload it asks for), and waits
// for the new page to be usable.
async function navigating(page, action) {
  const loaded = page.waitForEvent('load', { timeout: STEP_MS });
  await action();
  await loaded;
  await waitInteractive(page);
}

// Runs `action`, which sends an event the page waits for, and waits for the server's unlock
// and, unless `settle` is false, for the grids the event made load their rows again.
async function serverRound(page, action, { settle = true } = {}) {
  const before = await page.evaluate(() => window.vozmiraUnlocks);
  await action();
  await page.waitForFunction(
    ([count, idle]) =>
      window.vozmiraUnlocks > count &&
      getComputedStyle(document.getElementById('duo-loader')).display === 'none' &&
      (idle === null || (0, eval)(`(${idle})`)()),
    [before, settle ? gridsIdle.toString() : null],
    { timeout: STEP_MS },
  );
}

async function session(page) {
  return page.evaluate(() => ({ uuid: connectionInfo.facetsession, token: connectionInfo.token, form: window.duoFormUUID }));
}

async function shoot(page, name) {
  await page.screenshot({ path: join(screenshots, `browser_vozmira_${name}.png`), fullPage: true });
}

// A SweetAlert2 message dialog with `text` is shown; it is answered with its first button.
async function answerDialog(page, text) {
  const popup = page.locator('.swal2-popup');
  await popup.waitFor({ state: 'visible', timeout: STEP_MS });
  const shown = await page.locator('.swal2-html-container').textContent();
  check(shown === text, `the dialog must say ${show(text)}, it says ${show(shown)}`);
  await page.locator('.swal2-confirm').click();
  await popup.waitFor({ state: 'hidden', timeout: STEP_MS });
}

// Types into a field of a page whose dialog just closed.  The dialog hands the focus back to
// where it was a moment after it closes; when that happens in the middle of typing, what was
// typed goes nowhere, so the field is typed into again until it holds the value.
async function fillAfterDialog(page, selector, value) {
  const field = page.locator(selector);
  for (let attempt = 0; attempt < 3; attempt++) {
    await field.fill(value);
    if ((await field.inputValue()) === value) return;
  }
  check(false, `${selector} does not take ${show(value)}`);
}

async function openLogin(page, server) {
  await page.goto(server.url);
  await waitInteractive(page);
  check((await page.locator('#EDTLOGIN').count()) === 1, 'the first page must be the login page');
}

async function login(page, server, user, password = user) {
  await openLogin(page, server);
  await page.locator('#EDTLOGIN').fill(user);
  await page.locator('#EDTSENHA').fill(password);
  await navigating(page, () => page.locator('#BTNENTRAR').click());
  await expectWorkingPage(page, user, 'dashboard');
}

// A working page of `user`: the office's template naming the user, and the page's own control.
async function expectWorkingPage(page, user, which) {
  const marker = { dashboard: '#qtNovas', list: '#DBGTAREFAS', form: '#DBEDESCRICAO' }[which];
  check((await page.locator(marker).count()) === 1, `the ${which} page must be shown (${marker} missing) at ${page.url()}`);
  const name = (await page.locator('#userName').textContent()).trim();
  check(name === user, `the page must name the user ${show(user)}, it names ${show(name)}`);
}

// The menu's "Sair": the session ends, its socket with it; the page asks the server whether the
// session is still valid, gets 401 (a console error Chromium reports) and loads a fresh login
// page.
async function pressSair(page) {
  const expected = [/401 for HEAD .*\/reconnect\?/, /Failed to load resource: the server responded with a status of 401/];
  await watchOf.get(page).allowing(expected, () => navigating(page, () => page.locator('#navSair').click()));
  check((await page.locator('#EDTLOGIN').count()) === 1, 'after "Sair" the login page must be shown');
}

async function goToList(page) {
  await navigating(page, () => page.locator('#navSolicitacoes').click());
  await expectWorkingPage(page, await currentUser(page), 'list');
}

async function goToDashboard(page) {
  await navigating(page, () => page.locator('#navDashboard').click());
  await expectWorkingPage(page, await currentUser(page), 'dashboard');
}

async function currentUser(page) {
  return (await page.locator('#userName').textContent()).trim();
}

// ---- grids

// The rows the grid shows on its current page, each by column field name.
async function visibleRows(page, grid) {
  return page.evaluate((id) => {
    return [...document.querySelectorAll(`#${id} tr.jqgrow`)].map((tr) => {
      const row = {};
      for (const td of tr.querySelectorAll('td[aria-describedby]')) {
        const name = td.getAttribute('aria-describedby').slice(id.length + 1);
        row[name] = td.textContent === '\u00a0' ? '' : td.textContent;
      }
      return row;
    });
  }, grid);
}

async function pager(page, grid) {
  return page.evaluate((id) => {
    const g = $(`#${id}`);
    return {
      page: Number(g.jqGrid('getGridParam', 'page')),
      lastpage: Number(g.jqGrid('getGridParam', 'lastpage')),
      records: Number(g.jqGrid('getGridParam', 'records')),
      rowNum: Number(g.jqGrid('getGridParam', 'rowNum')),
    };
  }, grid);
}

async function goToGridPage(page, grid, number) {
  for (;;) {
    const { page: current } = await pager(page, grid);
    if (current === number) return;
    const button = current < number ? `#next_PAGER${grid}` : `#prev_PAGER${grid}`;
    await page.locator(button).click();
    await page.waitForFunction(
      ([id, from]) => Number($(`#${id}`).jqGrid('getGridParam', 'page')) !== from,
      [grid, current],
      { timeout: STEP_MS },
    );
  }
}

// Every row of the grid, page after page as the user turns them, back on the first page after.
async function allRows(page, grid) {
  await goToGridPage(page, grid, 1);
  const rows = [];
  const { lastpage } = await pager(page, grid);
  for (let number = 1; number <= Math.max(lastpage, 1); number++) {
    await goToGridPage(page, grid, number);
    rows.push(...(await visibleRows(page, grid)));
  }
  await goToGridPage(page, grid, 1);
  return rows;
}

// Waits until the grid holds exactly the requests `ids` (in any order), then returns its rows as
// the user pages through them.
async function waitForGridRequests(page, grid, ids, what) {
  const wanted = [...ids].sort((a, b) => a - b);
  try {
    await page.waitForFunction(
      ([id, expected]) => {
        const data = $(`#${id}`).jqGrid('getGridParam', 'data') || [];
        const held = data.map((row) => Number(row.ID_SOLICITACAO)).sort((a, b) => a - b);
        return JSON.stringify(held) === JSON.stringify(expected);
      },
      [grid, wanted],
      { timeout: STEP_MS },
    );
  } catch {
    const held = await page.evaluate((id) => ($(`#${id}`).jqGrid('getGridParam', 'data') || []).map((row) => row.ID_SOLICITACAO), grid);
    throw new Error(`${what}: the grid must hold requests ${show(wanted)}, it holds ${show(held)}`);
  }
  return allRows(page, grid);
}

// Rows compared by their cells, whatever the order of the columns.
const cells = (row) => row && Object.fromEntries(Object.entries(row).sort(([a], [b]) => (a < b ? -1 : 1)));

function expectRows(rows, expected, what) {
  if (same(rows.map(cells), expected.map(cells))) return;
  const index = Math.max(0, rows.findIndex((row, i) => !same(cells(row), cells(expected[i]))));
  throw new Error(
    `${what}: ${rows.length} rows shown, ${expected.length} expected; first difference at row ${index + 1}: ` +
      `shown ${show(rows[index])}, expected ${show(expected[index])}`,
  );
}

// ---- the request list and form

async function chooseStatusFilter(page, label) {
  await serverRound(page, () => page.locator('#CBBSITUACAO').selectOption({ label }));
}

async function typeTextFilter(page, text) {
  await serverRound(page, () => page.locator('#EDTPESQUISA').fill(text));
}

// Selects the row at `index` of the grid's current page and opens it with "Alterar"; returns
// the row as the grid showed it.
async function alterRow(page, index) {
  const row = page.locator('#DBGTAREFAS tr.jqgrow').nth(index);
  const shown = (await visibleRows(page, 'DBGTAREFAS'))[index];
  check(shown !== undefined, `the grid has no row ${index + 1} on its page`);
  await serverRound(page, () => row.locator('td[aria-describedby="DBGTAREFAS_SOLICITACAO"]').click());
  await navigating(page, () => page.locator('#BTNALTERAR').click());
  await expectWorkingPage(page, await currentUser(page), 'form');
  return shown;
}

async function readForm(page) {
  return page.evaluate(() => {
    const selected = (id) => {
      const select = document.getElementById(id);
      return select.selectedIndex >= 0 ? select.options[select.selectedIndex].textContent : '';
    };
    return {
      id: document.getElementById('DBECONTROLE').value,
      text: document.getElementById('DBEDESCRICAO').value,
      date: document.getElementById('DBEDATA').value,
      status: selected('CBBSITUACAO'),
      type: selected('CBBTIPO'),
      unit: selected('CBBUNIDADE'),
    };
  });
}

async function fillForm(page, { text, status, type, unit }) {
  if (text !== undefined) await page.locator('#DBEDESCRICAO').fill(text);
  if (type !== undefined) await page.locator('#CBBTIPO').selectOption({ label: type });
  if (unit !== undefined) await page.locator('#CBBUNIDADE').selectOption({ label: unit });
  if (status !== undefined) await page.locator('#CBBSITUACAO').selectOption({ label: status });
}

async function pressSalvar(page) {
  await serverRound(page, () => page.locator('#BTNSALVAR').click());
}

async function pressCancelar(page) {
  await serverRound(page, () => page.locator('#BTNCANCELAR').click());
}

// The form's own "Sair": back to the request list.
async function leaveForm(page) {
  await navigating(page, () => page.locator('#BTNSAIR').click());
  await expectWorkingPage(page, await currentUser(page), 'list');
}

async function expectForm(page, expected, what) {
  const form = await readForm(page);
  for (const [key, value] of Object.entries(expected))
    check(form[key] === value, `${what}: the form's ${key} must be ${show(value)}, it is ${show(form[key])}`);
}

// Opens "Novo", fills the form, saves, and returns the key the form shows after saving.
async function createRequest(page, fields) {
  await navigating(page, () => page.locator('#BTNNOVO').click());
  await expectWorkingPage(page, await currentUser(page), 'form');
  const fresh = await readForm(page);
  check(fresh.id === '0' || fresh.id === '', `a new request shows no key of its own yet, the form shows ${show(fresh.id)}`);
  check(fresh.text === '', `a new request starts with an empty description, the form shows ${show(fresh.text)}`);
  await fillForm(page, fields);
  await pressSalvar(page);
  const saved = await readForm(page);
  check(/^[1-9]\d*$/.test(saved.id), `after "Salvar" the form must show the new request's key, it shows ${show(saved.id)}`);
  check(saved.text === fields.text, `after "Salvar" the form must show the description as typed: ${show(saved.text)}`);
  return { id: Number(saved.id), form: saved };
}

// Reloads the page the way the server asks for it (the page's own reload into its session) and
// waits for the page to be usable again.
async function serverReload(page) {
  const { token, uuid } = await session(page);
  await navigating(page, () =>
    page.evaluate(({ token, uuid }) => {
      setTimeout(() => reloadSessionPage(token, uuid), 0);
    }, { token, uuid }),
  );
}

// ---- raw requests against the server, as someone holding an old token would send them

async function probe(server, { token, uuid }) {
  const response = await fetch(`${server.url}reconnect?token=${token}&&facetsession=${uuid}`, { method: 'HEAD' });
  return response.status;
}

// What the server answers to a WebSocket handshake on `path`: the status line, or "closed"
// when it ends the connection without answering.
function webSocketAnswer(server, path) {
  return within(
    STEP_MS,
    new Promise((resolve, reject) => {
      const key = randomBytes(16).toString('base64');
      const expected = createHash('sha1').update(`${key}258EAFA5-E914-47DA-95CA-C5AB0DC85B11`).digest('base64');
      const socket = connect(server.port, '127.0.0.1');
      let received = '';
      socket.setEncoding('latin1');
      socket.on('connect', () =>
        socket.write(
          `GET ${path} HTTP/1.1\r\nHost: 127.0.0.1:${server.port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n` +
            `Sec-WebSocket-Key: ${key}\r\nSec-WebSocket-Version: 13\r\n\r\n`,
        ),
      );
      socket.on('data', (chunk) => {
        received += chunk;
        const end = received.indexOf('\r\n\r\n');
        if (end < 0) return;
        const head = received.slice(0, end);
        const accepted = head.startsWith('HTTP/1.1 101') && head.includes(expected);
        socket.destroy();
        resolve(accepted ? 'accepted' : head.split('\r\n')[0]);
      });
      socket.on('error', reject);
      socket.on('close', () => resolve('closed'));
    }),
    `the WebSocket handshake on ${path}`,
  );
}

async function gridData(server, gridURL) {
  try {
    const response = await fetch(new URL(gridURL, server.url));
    return { status: response.status, body: await response.text() };
  } catch (error) {
    return { status: 0, body: '', error: error.message };
  }
}

// ---- scenarios
//
// Each scenario gets the browser, a started server and the database as it was before; it may
// return a check that gets the database after the server stopped.

// A wrong pair and missing fields are refused with the office's messages and open nothing;
// "pelix"/"pelix" reaches the dashboard, whose counts and grids are those of the database.
async function loginAndDashboard({ server, db, newUser }) {
  const { page, traffic } = await newUser('login');
  await openLogin(page, server);
  const refusals = [
    { user: 'pelix', password: 'errada', message: 'Usuário ou Senha não confere!' },
    { user: 'brud', password: 'pelix', message: 'Usuário ou Senha não confere!' },
    { user: 'PELIX', password: 'pelix', message: 'Usuário ou Senha não confere!' },
    { user: '', password: 'pelix', message: 'Informe o Login' },
    { user: 'pelix', password: '', message: 'Informe a senha' },
  ];
  for (const { user, password, message } of refusals) {
    await fillAfterDialog(page, '#EDTLOGIN', user);
    await fillAfterDialog(page, '#EDTSENHA', password);
    await page.locator('#BTNENTRAR').click();
    try {
      await answerDialog(page, message);
    } catch (error) {
      throw new Error(`login ${show(user)}/${show(password)}: ${error.message}\nthe socket's last messages:\n${traffic.slice(-30).join('\n')}`);
    }
    await waitInteractive(page);
    check((await page.locator('#EDTLOGIN').count()) === 1 && (await page.locator('#qtNovas').count()) === 0,
      `login ${show(user)}/${show(password)} must stay on the login page`);
    if (message === 'Usuário ou Senha não confere!') await shoot(page, 'login_refused');
  }

  await fillAfterDialog(page, '#EDTLOGIN', 'pelix');
  await fillAfterDialog(page, '#EDTSENHA', 'pelix');
  await navigating(page, () => page.locator('#BTNENTRAR').click());
  await expectWorkingPage(page, 'pelix', 'dashboard');

  const rule = countsByRule(db);
  check(same(db.counts, rule), `the dashboard procedure must count by the office's rule: it gives ${show(db.counts)}, the rule ${show(rule)}`);
  const shown = await page.evaluate(() => ({
    novas: document.getElementById('qtNovas').textContent.trim(),
    andamento: document.getElementById('qtAndamento').textContent.trim(),
    finalizadas: document.getElementById('qtFinalizadas').textContent.trim(),
  }));
  const expected = { novas: String(rule.novas), andamento: String(rule.andamento), finalizadas: String(rule.finalizadas) };
  check(same(shown, expected), `the dashboard counts must be ${show(expected)}, they are ${show(shown)}`);

  // Every request, newest first; the type grid has every type with its count.
  const requests = await allRows(page, 'DBGNOVASSOLICITACOES');
  const wanted = newestFirst(db.requests).map((request) => {
    const { ID_SOLICITACAO, ...row } = listRow(request);
    return row;
  });
  expectRows(requests, wanted, 'the dashboard request grid');
  const types = await allRows(page, 'DBGTIPOSOLICITACOES');
  const typeRows = db.typeCounts.map(({ name, count }) => ({ NOME_TIPO: name, QT: String(count) }));
  expectRows(types, typeRows, 'the dashboard type grid');
  const perType = db.types.map((type) => ({ name: type.name, count: db.requests.filter((r) => r.type === type.id).length }));
  const sortByName = (list) => [...list].sort((a, b) => (a.name < b.name ? -1 : 1));
  check(same(sortByName(perType), sortByName(db.typeCounts)), `the type counts must be those of the requests: ${show(perType)} against ${show(db.typeCounts)}`);
  await shoot(page, 'dashboard');

  // Back and forth between the working pages, by the menu and by the list's own "Sair", in one
  // session; the menu entry of the page shown keeps it.
  const { uuid } = await session(page);
  const moves = [
    { by: '#navSolicitacoes', to: 'list' },
    { by: '#navDashboard', to: 'dashboard' },
    { by: '#navSolicitacoes', to: 'list' },
    { by: '#BTNSAIR', to: 'dashboard' },
  ];
  let from = 'dashboard';
  for (const { by, to } of moves) {
    try {
      await navigating(page, () => page.locator(by).click());
    } catch (error) {
      throw new Error(`${by} on the ${from} page must show the ${to} page: ${error.message.split('\n')[0]}`);
    }
    await expectWorkingPage(page, 'pelix', to);
    check((await session(page)).uuid === uuid, `${by} on the ${from} page must keep the session`);
    from = to;
  }
  await serverRound(page, () => page.locator('#navDashboard').click());
  await expectWorkingPage(page, 'pelix', 'dashboard');
  await page.context().close();
  return { claims: [] };
}

// The list shows every request ten to a page, newest first, and narrows them by status and by
// text, both at once too.
async function listFiltersAndPages({ server, db, newUser }) {
  const { page } = await newUser('list');
  await login(page, server, 'pelix');
  await goToList(page);
  const grid = 'DBGTAREFAS';
  const all = db.requests;
  const allShown = await waitForGridRequests(page, grid, all.map((r) => r.id), 'the whole list');
  const asRows = (requests) => byId(requests).map(listRow);
  const sortRows = (rows) => [...rows].sort((a, b) => Number(a.ID_SOLICITACAO) - Number(b.ID_SOLICITACAO));
  expectRows(sortRows(allShown), asRows(all), 'the whole list');

  const paging = await pager(page, grid);
  const pages = Math.ceil(all.length / PER_PAGE);
  check(paging.rowNum === PER_PAGE && paging.records === all.length && paging.lastpage === pages,
    `the list must page ${all.length} requests ${PER_PAGE} to a page over ${pages} pages: ${show(paging)}`);
  const firstPage = await visibleRows(page, grid);
  check(firstPage.length === PER_PAGE, `the first page must show ${PER_PAGE} rows, it shows ${firstPage.length}`);
  await goToGridPage(page, grid, 2);
  const secondPage = await visibleRows(page, grid);
  expectRows(secondPage, allShown.slice(PER_PAGE, 2 * PER_PAGE), 'the second page');
  await goToGridPage(page, grid, pages);
  const lastPage = await visibleRows(page, grid);
  check(lastPage.length === all.length - (pages - 1) * PER_PAGE, `the last page must show the remaining ${all.length - (pages - 1) * PER_PAGE} rows, it shows ${lastPage.length}`);
  await goToGridPage(page, grid, 1);

  const statusLabel = (status) => `${status.id} - ${status.name}`;
  for (const status of db.statuses) {
    await chooseStatusFilter(page, statusLabel(status));
    const wanted = all.filter((r) => r.status === status.id);
    const rows = await waitForGridRequests(page, grid, wanted.map((r) => r.id), `status ${status.name}`);
    expectRows(sortRows(rows), asRows(wanted), `status ${status.name}`);
  }
  const inProgress = db.statuses.find((s) => s.name === 'Em Andamento');
  await chooseStatusFilter(page, statusLabel(inProgress));
  await shoot(page, 'list_status');

  // Text cases: plain, accented, a quote of the filter language, nothing found; with the status
  // still chosen, then with every status.
  const texts = ['Poda', 'água', "'", 'não existe em nenhuma'];
  for (const status of [inProgress, null]) {
    if (status === null) await chooseStatusFilter(page, 'Todos');
    for (const text of texts) {
      await typeTextFilter(page, text);
      const wanted = all.filter((r) => (status === null || r.status === status.id) && r.text.includes(text));
      const what = `text ${show(text)} with ${status === null ? 'every status' : `status ${status.name}`}`;
      const rows = await waitForGridRequests(page, grid, wanted.map((r) => r.id), what);
      expectRows(sortRows(rows), asRows(wanted), what);
    }
  }
  // Typed key by key, as a person types.
  await page.locator('#EDTPESQUISA').fill('');
  await page.locator('#EDTPESQUISA').pressSequentially('Esgoto');
  const sewage = all.filter((r) => r.text.includes('Esgoto'));
  await waitForGridRequests(page, grid, sewage.map((r) => r.id), 'text "Esgoto" typed key by key');
  await shoot(page, 'list_text');
  await typeTextFilter(page, '');
  await waitForGridRequests(page, grid, all.map((r) => r.id), 'the text cleared');

  // A slow connection: the rows of a status are still on their way when a text is typed; the
  // grid ends with the rows of both.  The first rows the grid asks for are held until the text
  // has been handled by the server.
  let release;
  const held = new Promise((resolve) => {
    release = resolve;
  });
  let holding = true;
  const rowsRoute = /\/rest\/json\/jqgrid\/get\?/;
  await page.route(rowsRoute, async (route) => {
    if (!holding) return route.continue();
    holding = false;
    const response = await route.fetch();
    await held;
    return route.fulfill({ response });
  });
  const concluded = db.statuses.find((s) => s.name === 'Concluída');
  await serverRound(page, () => page.locator('#CBBSITUACAO').selectOption({ label: statusLabel(concluded) }), { settle: false });
  await serverRound(page, () => page.locator('#EDTPESQUISA').fill('Poda'), { settle: false });
  release();
  const both = all.filter((r) => r.status === concluded.id && r.text.includes('Poda'));
  await waitForGridRequests(page, grid, both.map((r) => r.id), 'a text typed while the rows of a status were still on their way');
  await page.unroute(rowsRoute);
  await chooseStatusFilter(page, 'Todos');
  await typeTextFilter(page, '');
  await waitForGridRequests(page, grid, all.map((r) => r.id), 'both cleared');

  // The newest request first.
  const order = (await visibleRows(page, grid)).map((row) => Number(row.ID_SOLICITACAO));
  const newest = newestFirst(all).slice(0, PER_PAGE).map((r) => r.id);
  check(same(order, newest), `the first page must show the newest requests first: it shows ${show(order)}, the newest are ${show(newest)}`);
  await page.context().close();
  return { claims: [] };
}

// "Alterar" opens the selected row's request wherever the row is; "Salvar" stores the change
// of one request; "Cancelar" and leaving without saving store nothing.
async function alterSaveCancel({ server, db, newUser }) {
  const { page } = await newUser('alter');
  await login(page, server, 'pelix');
  await goToList(page);
  const grid = 'DBGTAREFAS';
  const status = (name) => db.statuses.find((s) => s.name === name);

  // Rows of sets the other scenarios of the phase add nothing to.
  const opened = [
    { what: 'row 4 of the second page of a status', status: 'Em Andamento', page: 2, index: 3 },
    { what: 'row 2 of another status', status: 'Concluída', page: 1, index: 1 },
    { what: 'the last row with a text typed', text: 'Poda', page: 'last', index: 'last' },
  ];
  for (const entry of opened) {
    if (entry.status) await chooseStatusFilter(page, `${status(entry.status).id} - ${entry.status}`);
    if (entry.text) await typeTextFilter(page, entry.text);
    const wanted = db.requests.filter((r) => (!entry.status || r.statusName === entry.status) && (!entry.text || r.text.includes(entry.text)));
    await waitForGridRequests(page, grid, wanted.map((r) => r.id), entry.what);
    const { lastpage } = await pager(page, grid);
    await goToGridPage(page, grid, entry.page === 'last' ? lastpage : entry.page);
    const index = entry.index === 'last' ? (await visibleRows(page, grid)).length - 1 : entry.index;
    const row = await alterRow(page, index);
    const request = db.requests.find((r) => String(r.id) === row.ID_SOLICITACAO);
    await expectForm(page, { id: row.ID_SOLICITACAO, text: request.text, status: request.statusName, type: request.typeName, unit: request.unitName }, `"Alterar" on ${entry.what}`);
    await leaveForm(page);
    // Back on the list as it was left.
    const filters = await page.evaluate(() => ({
      status: document.getElementById('CBBSITUACAO').selectedOptions[0]?.textContent,
      text: document.getElementById('EDTPESQUISA').value,
    }));
    const expectedFilters = { status: entry.status ? `${status(entry.status).id} - ${entry.status}` : 'Todos', text: entry.text ?? '' };
    check(same(filters, expectedFilters), `back from the form the list keeps its filters ${show(expectedFilters)}, it shows ${show(filters)}`);
    await waitForGridRequests(page, grid, wanted.map((r) => r.id), `back from ${entry.what}`);
    if (entry.status) await chooseStatusFilter(page, 'Todos');
    if (entry.text) await typeTextFilter(page, '');
  }

  // One request changed and saved.
  const target = db.requests.find((r) => r.text === 'Limpeza da praça muito bem feita');
  const change = { text: 'Limpeza da praça: reaberta pela ouvidoria', status: 'Em Análise' };
  check(target.statusName !== change.status, 'the request to change must have another status');
  await typeTextFilter(page, target.text);
  await waitForGridRequests(page, grid, [target.id], 'the request to change');
  await alterRow(page, 0);
  await expectForm(page, { id: String(target.id), text: target.text, status: target.statusName }, 'the request to change');
  await fillForm(page, change);
  // The open request form keeps the pages where they are, as a modal window does.
  for (const entry of ['#navDashboard', '#navSolicitacoes']) {
    await serverRound(page, () => page.locator(entry).click());
    await expectWorkingPage(page, 'pelix', 'form');
    await expectForm(page, { id: String(target.id), ...change }, `${entry} with the request form open`);
  }
  await pressSalvar(page);
  await expectForm(page, { id: String(target.id), ...change, type: target.typeName, unit: target.unitName }, 'after "Salvar"');
  await shoot(page, 'saved');
  // "Cancelar" after saving has nothing to undo.
  await pressCancelar(page);
  await expectForm(page, { id: String(target.id), ...change }, '"Cancelar" after "Salvar"');
  await leaveForm(page);
  await typeTextFilter(page, '');

  // Changes typed and then discarded, by "Cancelar" or by leaving the form.
  const discarded = [
    { what: '"Cancelar"', find: 'Reforma da escola ficou excelente', discard: 'cancel' },
    { what: 'leaving without "Salvar"', find: 'Capina de terreno baldio', discard: 'leave' },
  ];
  const untouched = [];
  for (const entry of discarded) {
    await typeTextFilter(page, entry.find);
    const wanted = db.requests.filter((r) => r.text.includes(entry.find));
    await waitForGridRequests(page, grid, wanted.map((r) => r.id), entry.what);
    const row = await alterRow(page, 0);
    const request = db.requests.find((r) => String(r.id) === row.ID_SOLICITACAO);
    untouched.push(request.id);
    const other = db.statuses.find((s) => s.id !== request.status);
    await fillForm(page, { text: `Nunca salvo (${entry.what})`, status: other.name });
    if (entry.discard === 'cancel') {
      await pressCancelar(page);
      await expectForm(page, { id: String(request.id), text: request.text, status: request.statusName }, `after ${entry.what}`);
      await shoot(page, 'cancelled');
    }
    await leaveForm(page);
    await typeTextFilter(page, '');
  }
  await page.context().close();

  return {
    claims: [target.id, ...untouched],
    verify: (after) => {
      const now = (id) => after.requests.find((r) => r.id === id);
      const wanted = { ...target, text: change.text, status: status(change.status).id, statusName: change.status };
      check(same(now(target.id), wanted), `request ${target.id} must hold the saved description and status and nothing else changed: ${show(now(target.id))} instead of ${show(wanted)}`);
      for (const id of untouched)
        check(same(now(id), db.requests.find((r) => r.id === id)), `request ${id}, changed and then discarded, must stay as it was: ${show(now(id))}`);
    },
  };
}

// "Novo" for each user: the new request holds the city hall's key and that user's.
async function newRequests({ server, db, newUser }) {
  const started = new Date();
  const created = [];
  const cases = [
    { user: 'pelix', fields: { text: 'Buraco na calçada da Rua das Acácias', type: 'Reclamação', unit: 'Secretaria de Obras e Serviços Urbanos', status: 'Aberta' } },
    { user: 'brud', fields: { text: 'Horário estendido no posto de saúde', type: 'Sugestão', unit: 'Secretaria de Saúde', status: 'Em Análise' } },
  ];
  // Both at once.
  await Promise.all(cases.map(async ({ user, fields }) => {
    const { page } = await newUser(`new ${user}`);
    await login(page, server, user);
    await goToList(page);
    const { id } = await createRequest(page, fields);
    await shoot(page, `new_${user}`);
    created.push({ id, user, fields });
    await leaveForm(page);
    await page.context().close();
  }));
  const finished = new Date();

  return {
    claims: created.map(({ id }) => id),
    verify: (after) => {
    check(db.cityHalls.length === 1, `the starting data has one city hall: ${show(db.cityHalls)}`);
    for (const { id, user, fields } of created) {
      const row = after.requests.find((r) => r.id === id);
      check(row !== undefined && !db.requests.some((r) => r.id === id), `the key the form showed (${id}) must be a new request's`);
      const wanted = {
        user: db.users[user],
        cityHall: db.cityHalls[0],
        text: fields.text,
        statusName: fields.status,
        typeName: fields.type,
        unitName: fields.unit,
      };
      const got = Object.fromEntries(Object.keys(wanted).map((key) => [key, row[key]]));
      check(same(got, wanted), `the request "Novo" saved for ${user} must be ${show(wanted)}, it is ${show(got)}`);
      const [, y, m, d, hh, mm, ss] = /^(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2})/.exec(row.date).map(Number);
      const date = new Date(y, m - 1, d, hh, mm, ss);
      check(date >= new Date(started.getTime() - 60000) && date <= new Date(finished.getTime() + 60000),
        `a new request is dated when it was made (${started.toISOString()} to ${finished.toISOString()}), it holds ${row.date}`);
    }
    },
  };
}

// Markup and a template tag typed as a description are kept as text: in the form, in the list
// and in the dashboard, as saved and as read back in a later session; nothing of them runs.
async function typedMarkupStaysText({ server, db, newUser }) {
  const text = '<img src=x onerror=alert(1)> {{UserName}} & "aspas"';
  const { page } = await newUser('markup');
  // A description that became markup would make an image element (whose failing load runs the
  // script: the dialog watch reports it).
  const expectInert = async (where) => {
    const images = await page.evaluate(() => document.querySelectorAll('img[src="x"]').length);
    check(images === 0, `${where}: the description must not become an image element`);
  };

  await login(page, server, 'pelix');
  await goToList(page);
  const { id } = await createRequest(page, { text, type: 'Denúncia', unit: 'Departamento de Trânsito', status: 'Aberta' });
  await expectInert('the form after "Salvar"');
  // The form as the server renders it again.
  await serverReload(page);
  await expectForm(page, { id: String(id), text }, 'the form rendered again');
  await expectInert('the form rendered again');
  await leaveForm(page);

  // A later session reads it from the database: the dashboard, the list, the form.
  await pressSair(page);
  await page.locator('#EDTLOGIN').fill('pelix');
  await page.locator('#EDTSENHA').fill('pelix');
  await navigating(page, () => page.locator('#BTNENTRAR').click());
  await expectWorkingPage(page, 'pelix', 'dashboard');
  const dashboardRows = await allRows(page, 'DBGNOVASSOLICITACOES');
  const onDashboard = dashboardRows.filter((row) => row.SOLICITACAO === text);
  check(onDashboard.length === 1, `the dashboard grid must show the description as typed once: ${show(dashboardRows.filter((row) => row.SOLICITACAO.includes('img') || row.SOLICITACAO.includes('pelix')))}`);
  await expectInert('the dashboard');
  await shoot(page, 'markup_dashboard');

  await goToList(page);
  await typeTextFilter(page, 'onerror');
  const rows = await waitForGridRequests(page, 'DBGTAREFAS', [id], 'the list filtered by "onerror"');
  check(rows[0].SOLICITACAO === text, `the list grid must show the description as typed: ${show(rows[0].SOLICITACAO)}`);
  const title = await page.locator('#DBGTAREFAS tr.jqgrow td[aria-describedby="DBGTAREFAS_SOLICITACAO"]').first().getAttribute('title');
  check(title === text, `the cell's tooltip must be the description as typed: ${show(title)}`);
  await expectInert('the list');
  await shoot(page, 'markup_list');
  await alterRow(page, 0);
  await expectForm(page, { id: String(id), text }, 'the form opened with "Alterar"');
  await expectInert('the form opened with "Alterar"');
  await shoot(page, 'markup_form');
  await page.context().close();

  return {
    claims: [id],
    verify: (after) => {
      const row = after.requests.find((r) => r.id === id);
      check(row !== undefined && !db.requests.some((r) => r.id === id) && row.text === text,
        `the database must hold the new request's description as typed: ${show(row)}`);
    },
  };
}

// Two users at once, each in a browser of their own, with their own filter, page and form.
async function twoUsersAtOnce({ server, db, newUser }) {
  const users = await Promise.all([newUser('pelix'), newUser('brud')]);
  const [a, b] = users;
  await Promise.all([login(a.page, server, 'pelix'), login(b.page, server, 'brud')]);
  check((await session(a.page)).uuid !== (await session(b.page)).uuid, 'the two users must have two sessions');
  await Promise.all([goToList(a.page), goToList(b.page)]);
  const grid = 'DBGTAREFAS';

  const inProgress = db.statuses.find((s) => s.name === 'Em Andamento');
  const aWanted = db.requests.filter((r) => r.status === inProgress.id);
  check(aWanted.length > PER_PAGE, 'the status chosen must fill more than one page');
  const bText = 'Poda';
  const bWanted = db.requests.filter((r) => r.text.includes(bText));
  await Promise.all([chooseStatusFilter(a.page, `${inProgress.id} - ${inProgress.name}`), typeTextFilter(b.page, bText)]);
  await waitForGridRequests(a.page, grid, aWanted.map((r) => r.id), 'pelix\'s status filter');
  await waitForGridRequests(b.page, grid, bWanted.map((r) => r.id), 'brud\'s text filter');
  await goToGridPage(a.page, grid, 2);
  const aPage2 = await visibleRows(a.page, grid);

  // brud works on; pelix's page, filter and grid stay as they were.
  const bRow = await alterRow(b.page, 0);
  check((await pager(a.page, grid)).page === 2, 'pelix\'s grid must stay on its second page while brud works');
  expectRows(await visibleRows(a.page, grid), aPage2, 'pelix\'s second page while brud works');
  check((await a.page.locator('#EDTPESQUISA').inputValue()) === '', 'pelix\'s text filter must stay empty');

  const aRow = await alterRow(a.page, 0);
  check(aRow.ID_SOLICITACAO !== bRow.ID_SOLICITACAO, 'the two users must be working on different requests');
  const aRequest = db.requests.find((r) => String(r.id) === aRow.ID_SOLICITACAO);
  const bRequest = db.requests.find((r) => String(r.id) === bRow.ID_SOLICITACAO);
  await expectForm(a.page, { id: String(aRequest.id), text: aRequest.text }, 'pelix\'s form');
  await expectForm(b.page, { id: String(bRequest.id), text: bRequest.text }, 'brud\'s form');

  const aText = 'Alterado por pelix enquanto brud também trabalha';
  await Promise.all([fillForm(a.page, { text: aText }), fillForm(b.page, { text: 'Digitado por brud e descartado' })]);
  await Promise.all([pressSalvar(a.page), pressCancelar(b.page)]);
  await expectForm(a.page, { id: String(aRequest.id), text: aText }, 'pelix\'s form after "Salvar"');
  await expectForm(b.page, { id: String(bRequest.id), text: bRequest.text }, 'brud\'s form after "Cancelar"');
  await Promise.all(users.map(({ page, label }) => shoot(page, `two_users_${label}`)));

  // Each comes back to their own list.
  await Promise.all([leaveForm(a.page), leaveForm(b.page)]);
  const filters = await Promise.all(users.map(({ page }) => page.evaluate(() => ({
    status: document.getElementById('CBBSITUACAO').selectedOptions[0]?.textContent,
    text: document.getElementById('EDTPESQUISA').value,
  }))));
  check(same(filters[0], { status: `${inProgress.id} - ${inProgress.name}`, text: '' }), `pelix's list keeps pelix's filter: ${show(filters[0])}`);
  check(same(filters[1], { status: 'Todos', text: bText }), `brud's list keeps brud's filter: ${show(filters[1])}`);
  await waitForGridRequests(a.page, grid, aWanted.map((r) => r.id), 'pelix\'s list after the form');
  await waitForGridRequests(b.page, grid, bWanted.map((r) => r.id), 'brud\'s list after the form');

  // brud makes a request while pelix has one open.
  await alterRow(a.page, 1);
  const bNew = await createRequest(b.page, { text: 'Nova solicitação feita por brud', type: 'Elogio', unit: 'Secretaria de Educação', status: 'Aberta' });
  await expectWorkingPage(a.page, 'pelix', 'form');
  await Promise.all([leaveForm(a.page), leaveForm(b.page)]);
  await Promise.all(users.map(({ context }) => context.close()));

  return {
    claims: [aRequest.id, bRequest.id, bNew.id],
    verify: (after) => {
      const now = (id) => after.requests.find((r) => r.id === id);
      check(same(now(aRequest.id), { ...aRequest, text: aText }), `pelix's request ${aRequest.id} must change in its description only: ${show(now(aRequest.id))}`);
      check(same(now(bRequest.id), bRequest), `brud's request ${bRequest.id}, changed and then cancelled, must stay as it was: ${show(now(bRequest.id))}`);
      check(now(bNew.id) !== undefined && !db.requests.some((r) => r.id === bNew.id) && now(bNew.id).user === db.users.brud,
        `brud's new request must be brud's: ${show(now(bNew.id))}`);
    },
  };
}

// A reload the server asks for keeps the session and its page; a plain reload is reported;
// after "Sair" the old session's token opens nothing.
async function reloadAndLeave({ server, db, newUser }) {
  const { page } = await newUser('reload');
  await login(page, server, 'pelix');
  const atLogin = await session(page);
  await goToList(page);
  check((await session(page)).uuid === atLogin.uuid, 'moving between pages keeps the session');
  const inProgress = db.statuses.find((s) => s.name === 'Em Andamento');
  await chooseStatusFilter(page, `${inProgress.id} - ${inProgress.name}`);
  await typeTextFilter(page, 'Esgoto');
  const wanted = db.requests.filter((r) => r.status === inProgress.id && r.text.includes('Esgoto'));
  await waitForGridRequests(page, 'DBGTAREFAS', wanted.map((r) => r.id), 'the list before the reload');

  await serverReload(page);
  const kept = await session(page);
  check(kept.uuid === atLogin.uuid && kept.token === atLogin.token, 'a reload the server asks for keeps the session and its token');
  await expectWorkingPage(page, 'pelix', 'list');
  const filters = await page.evaluate(() => ({
    status: document.getElementById('CBBSITUACAO').selectedOptions[0]?.textContent,
    text: document.getElementById('EDTPESQUISA').value,
  }));
  check(same(filters, { status: `${inProgress.id} - ${inProgress.name}`, text: 'Esgoto' }), `after the reload the list keeps its filters: ${show(filters)}`);
  await waitForGridRequests(page, 'DBGTAREFAS', wanted.map((r) => r.id), 'the list after the reload');
  await shoot(page, 'reload_kept');

  // A plain reload: either the same session on the same page, or a fresh login page.
  await page.reload();
  await waitInteractive(page);
  const plain = await session(page);
  const onLogin = (await page.locator('#EDTLOGIN').count()) === 1;
  if (plain.uuid === atLogin.uuid) {
    await expectWorkingPage(page, 'pelix', 'list');
    console.log('note - reload and leave: a plain reload keeps the session and its page');
  } else {
    check(onLogin, `a plain reload that starts a new session must show the login page, it shows ${page.url()}`);
    const oldStatus = await probe(server, atLogin);
    console.log(`note - reload and leave: a plain reload starts a new session on the login page; the old session's reconnect probe then answers ${oldStatus}`);
  }
  await shoot(page, 'reload_plain');
  if (onLogin) await login(page, server, 'pelix');
  else await goToDashboard(page);

  // "Sair", with positive controls for everything that must then be refused.
  await goToList(page);
  const before = await session(page);
  const gridURL = await page.evaluate(() => $('#DBGTAREFAS').jqGrid('getGridParam', 'url'));
  const socketPath = (channel) => `/websocket/${channel}?token=${before.token}&facetsession=${before.uuid}&channelname=FacetCallBack`;
  check((await probe(server, before)) === 202, 'the reconnect probe must accept a live session');
  check((await webSocketAnswer(server, socketPath('connectionresponseparams'))) === 'accepted', 'a live session\'s reply socket must be accepted');
  const live = await gridData(server, gridURL);
  check(live.status === 200 && live.body.includes('ID_SOLICITACAO'), `a live session's grid data must be served: ${live.status} ${live.body.slice(0, 200)}`);

  // "Sair" with a request open and changed: nothing of it is saved (the database check).
  await alterRow(page, 0);
  await fillForm(page, { text: 'Digitado antes de sair' });
  await pressSair(page);
  const after = await session(page);
  check(after.uuid !== before.uuid && after.token !== before.token, 'after "Sair" the page must have a new session');
  await shoot(page, 'after_sair');

  check((await probe(server, before)) === 401, 'after "Sair" the reconnect probe must refuse the old session (401)');
  for (const channel of ['connectionparams', 'connectionresponseparams']) {
    const answer = await webSocketAnswer(server, socketPath(channel));
    check(answer !== 'accepted', `after "Sair" a WebSocket (${channel}) with the old token must be refused, it was ${answer}`);
  }
  const stale = await gridData(server, gridURL);
  check(!stale.body.includes('ID_SOLICITACAO'), `after "Sair" the old session's grid data must not be served: ${stale.status} ${stale.body.slice(0, 200)}`);
  const cookiePage = await fetch(server.url, { headers: { Cookie: `Duo_Token=${before.token}; Duo_FacetSession=${before.uuid}; Duo_ReloadPage=true` } });
  const html = await cookiePage.text();
  check(!html.includes(before.uuid) && !html.includes('DBGTAREFAS') && html.includes('EDTLOGIN'),
    `after "Sair" a page request with the old session's cookies must get a fresh login page (status ${cookiePage.status})`);
  await page.context().close();
  return { claims: [] };
}

// What the database cannot take is refused with the office's message for it, and nothing of
// that request is saved: the user is never left believing a value was stored.  A description
// the browser itself cuts to the field's length is saved as the form shows it; a date typed the
// way the form shows dates is saved.
async function typedValuesSavedOrRefused({ server, db, newUser }) {
  const { page } = await newUser('refusals');
  await login(page, server, 'pelix');
  await goToList(page);
  const cases = [
    {
      what: 'a character the database cannot store',
      field: '#DBEDESCRICAO',
      value: 'Buraco 漢 na rua',
      message: 'O caractere "漢" não pode ser gravado no campo "Descrição"; remova-o e tente de novo',
    },
    {
      what: 'a description longer than the field',
      field: '#DBEDESCRICAO',
      value: `Buraco enorme na rua ${'x'.repeat(80)}`,
      message: 'O texto de 101 caracteres é maior que os 100 permitidos no campo "Descrição"',
    },
    {
      what: 'a date that does not exist',
      field: '#DBEDATA',
      value: '31/02/2026 10:00:00',
      message: '"31/02/2026 10:00:00" não é uma data e hora válida para o campo "Data Solicitação"',
    },
    {
      what: 'a date typed as the form shows dates',
      field: '#DBEDATA',
      value: '2026-03-15 08:30:00',
      stored: { date: '2026-03-15 08:30:00.0000' },
    },
  ];
  // One request, found by a text that is its own alone, takes every case in turn.
  const request = db.requests.find((r) => db.requests.filter((o) => o.text.includes(r.text)).length === 1);
  await typeTextFilter(page, request.text);
  await waitForGridRequests(page, 'DBGTAREFAS', [request.id], 'the request to type into');
  await alterRow(page, 0);
  const problems = [];
  let wanted = { ...request };
  for (const [i, entry] of cases.entries()) {
    const original = await page.locator(entry.field).inputValue();
    await page.locator(entry.field).fill(entry.value);
    const typed = await page.locator(entry.field).inputValue();
    const before = await page.evaluate(() => window.vozmiraUnlocks);
    await page.locator('#BTNSALVAR').click();
    // Either a dialog (the server waits for its answer) or the end of the event.
    await page.waitForFunction(
      (count) => document.querySelector('.swal2-popup') !== null || window.vozmiraUnlocks > count,
      before,
      { timeout: STEP_MS },
    );
    let dialog = null;
    if ((await page.locator('.swal2-popup').count()) > 0) {
      dialog = await page.locator('.swal2-html-container').textContent();
      await shoot(page, `refused_${i + 1}`);
      await serverRound(page, async () => {
        await page.locator('.swal2-confirm').click();
        await page.locator('.swal2-popup').waitFor({ state: 'hidden', timeout: STEP_MS });
      });
    }
    // The message may also stand under the field, as the framework's validation feedback.
    const feedback = await page.evaluate((id) => document.getElementById(`${id}_invalid_feedback`)?.textContent ?? null, entry.field.slice(1));
    const says = (text) => text === entry.message || text === `${entry.message}.`;
    const cut = typed !== entry.value;
    if (entry.stored !== undefined) {
      if (dialog !== null || feedback !== null) problems.push(`${entry.what}: "Salvar" must save without a word, it showed ${show(dialog ?? feedback)}`);
      wanted = { ...wanted, ...entry.stored };
    } else if (cut) {
      // The browser kept the text to the field's length: that text is saved.
      if (dialog !== null) problems.push(`${entry.what}: the browser cut the text to ${typed.length} letters, yet "Salvar" showed ${show(dialog)}`);
      wanted = { ...wanted, text: typed };
    } else {
      if (!says(dialog) && !says(feedback))
        problems.push(`${entry.what}: "Salvar" must show ${show(entry.message)}, it showed ${dialog === null ? 'no dialog' : show(dialog)} and ${feedback === null ? 'no message at the field' : show(feedback)}`);
      // The user puts the value back, as a refused one may hold up any other button.
      await page.locator(entry.field).fill(original);
    }
  }
  await shoot(page, 'typed_values');
  await leaveForm(page);
  await typeTextFilter(page, '');

  // What the pages showed is reported together with what the database then holds.
  return {
    claims: [request.id],
    verify: (after) => {
      const now = after.requests.find((r) => r.id === request.id);
      if (!same(now, wanted)) problems.push(`request ${request.id} must hold ${show(wanted)}: only the date typed the way the form shows dates may be saved, it holds ${show(now)}`);
      check(problems.length === 0, problems.join('; '));
    },
  };
}

// ---- the run
//
// The scenarios run in phases, those of a phase one after another on one server, each on
// requests of its own.  After a phase the server stops and the database is read: each scenario
// checks the requests it claims, and no other request may have changed, appeared or gone.

const phases = [
  [
    ['login and dashboard', loginAndDashboard],
    ['list filters and pages', listFiltersAndPages],
    ['reload and leave', reloadAndLeave],
  ],
  [
    ['alter, save and cancel', alterSaveCancel],
    ['new requests', newRequests],
    ['typed markup stays text', typedMarkupStaysText],
    ['two users at once', twoUsersAtOnce],
  ],
  [['typed values saved or refused', typedValuesSavedOrRefused]],
];

// Runs one scenario with browsers of its own; returns what it claims, or null when it failed.
async function runScenario(browser, server, db, name, scenario, failures) {
  const started = Date.now();
  const watch = new PageWatch();
  const contexts = [];
  const users = [];
  const newUser = async (label) => {
    const user = await userBrowser(browser, watch, label);
    contexts.push(user.context);
    users.push(user);
    return user;
  };
  let result = null;
  try {
    result = await scenario({ server, db, newUser });
    const problems = watch.take();
    if (problems.length > 0) throw new Error(`the pages reported problems:\n  ${problems.join('\n  ')}`);
  } catch (error) {
    result = null;
    const traffic = users.map(({ label, traffic }) => `\n${label}'s last page loads and messages:\n${traffic.slice(-40).join('\n')}`);
    failures.push(`${name}: ${error.message}${traffic.join('')}`);
    const file = join(screenshots, `browser_vozmira_failure_${name.replace(/[^a-z0-9]+/gi, '_')}.png`);
    for (const context of contexts) {
      for (const page of context.pages()) await page.screenshot({ path: file }).catch(() => {});
    }
  }
  await Promise.all(contexts.map((context) => context.close().catch(() => {})));
  return { name, result, ms: Date.now() - started };
}

async function run(server, failures) {
  // The first start makes the database with its starting data.
  await server.start();
  await server.stop();
  let db = await readDatabase();
  const browser = await launchChromium();
  try {
    for (const phase of phases) {
      const chosen = phase.filter(([name]) => only === undefined || name.includes(only));
      if (chosen.length === 0) continue;
      await server.start();
      const outcomes = [];
      for (const [name, scenario] of chosen) outcomes.push(await runScenario(browser, server, db, name, scenario, failures));
      const names = chosen.map(([name]) => name).join(', ');
      let after = db;
      try {
        await server.stop();
        after = await readDatabase();
      } catch (error) {
        failures.push(`${names}: ${error.message}`);
      }
      const claimed = new Set();
      for (const { name, result } of outcomes) {
        for (const id of result?.claims ?? []) claimed.add(id);
        try {
          if (result?.verify && after !== db) result.verify(after);
        } catch (error) {
          failures.push(`${name}: ${error.message}`);
        }
      }
      // A failed scenario claims nothing, but what it may have changed is not held against the others.
      if (outcomes.every(({ result }) => result !== null) && after !== db) {
        const { changed, added, removed } = differences(db, after);
        const unclaimed = [...changed.map((c) => c.after), ...added, ...removed].filter((r) => !claimed.has(r.id));
        if (unclaimed.length > 0) failures.push(`${names}: requests no scenario changed must stay as they were: ${show(unclaimed)}`);
      }
      db = after;
      for (const { name, ms } of outcomes) {
        const failed = failures.some((failure) => failure.startsWith(`${name}:`) || failure.startsWith(`${names}:`));
        console.log(`${failed ? 'not ok' : 'ok'} - ${name} (${ms} ms)`);
      }
    }
  } finally {
    await browser.close();
  }
}

const server = new VozmiraServer();
const failures = [];
const began = Date.now();
try {
  await within(RUN_MS, run(server, failures), 'the browser test did not finish');
} catch (error) {
  failures.push(error.message);
} finally {
  await server.dispose();
}
if (failures.length > 0) {
  console.error(`FAILED:\n${failures.map((failure) => `- ${failure}`).join('\n')}`);
  console.error(server.log);
  rmSync(folder, { recursive: true, force: true });
  process.exit(1);
}
rmSync(folder, { recursive: true, force: true });
console.log(`all Vozmira browser scenarios passed (${Date.now() - began} ms)`);
process.exit(0);
