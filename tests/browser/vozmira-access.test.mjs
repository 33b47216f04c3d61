// Vozmira's access levels and administration pages in real Chromium: the web program on a fresh
// embedded database, each access level's navigation, forbidden pages asked for by hand, a
// citizen's own requests, and the reference tables, the users and the city hall kept in the
// browser.  The database is read back with the Firebird command-line client after the server
// stopped (an embedded database file has one user at a time).
//
//   node vozmira-access.test.mjs PATH/TO/vozmira-web [PART-OF-A-SCENARIO-NAME]
//
// Needs isql-fb (Debian firebird3.0-utils).  Screenshots go to screenshots/ under the working
// directory.  Exits with 1 naming each failure.

import { execFile } from 'node:child_process';
import { rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { deflateSync } from 'node:zlib';
import { launchChromium } from './chromium.mjs';
import { ServerProcess, within } from './serverprocess.mjs';
import { testRun } from './testrun.mjs';
import { navigating, serverRound, userPage, waitInteractive } from './pagesteps.mjs';

const RUN_MS = 280000;

const { binary, only, screenshots, folder, lockFolder } = testRun('vozmira-access.test.mjs', 'browser_vozmira_access_');
const settingsFile = join(folder, 'settings.ini');
const databaseFile = join(folder, 'vozmira.fdb');

function check(condition, message) {
  if (!condition) throw new Error(message);
}
const show = (value) => JSON.stringify(value);

// ---- the server and the database

class Server {
  async start() {
    writeFileSync(settingsFile, '[Database]\nDatabase=vozmira.fdb\n[Duo Server Config]\nServer Port=0\n');
    const asan = process.env.ASAN_OPTIONS ? `${process.env.ASAN_OPTIONS}:detect_leaks=0` : 'detect_leaks=0';
    this.process = new ServerProcess(binary, [settingsFile], { ASAN_OPTIONS: asan, FIREBIRD_LOCK: lockFolder }, { webRoot: false });
    const line = await this.process.waitForLine(/open http:\/\/localhost:\d+\/ in a browser/, 60000, 'its address');
    this.url = `http://127.0.0.1:${/localhost:(\d+)/.exec(line)[1]}/`;
  }

  log() {
    return this.process?.stderr ?? '';
  }

  async stop() {
    if (!this.process) return;
    const server = this.process;
    this.process = null;
    const status = await server.stop('SIGTERM', 20000);
    this.last = server.output();
    check(status.code === 0, `the server must end with code 0 after SIGTERM, it ended with ${status.code}/${status.signal}`);
    const report = /(ERROR: AddressSanitizer.*|runtime error:.*)/.exec(server.stderr);
    check(report === null, `the server reported: ${report?.[1]}`);
  }
}

function isql(sql) {
  const file = join(folder, 'query.sql');
  writeFileSync(file, `SET HEADING OFF;\n${sql}\n`);
  return new Promise((resolve, reject) => {
    execFile('isql-fb', ['-user', 'SYSDBA', '-ch', 'UTF8', '-q', databaseFile, '-i', file],
      { env: { ...process.env, FIREBIRD_LOCK: lockFolder }, maxBuffer: 16 * 1024 * 1024 },
      (error, stdout, stderr) => (error ? reject(new Error(`isql-fb failed: ${error.message}\n${stderr}`)) : resolve(stdout)));
  });
}

// The rows a query gives, each its "|"-separated fields; every selected text ends with "|END".
async function rows(sql) {
  const text = await isql(sql);
  return text.split('\n').map((line) => line.trimEnd()).filter((line) => line.endsWith('|END')).map((line) => line.slice(0, -4).split('|'));
}

// ---- pages

async function newPage(browser, problems, label) {
  const { context, page } = await userPage(browser, problems, label);
  page.on('console', (message) => {
    if (message.type() === 'error' && !/status of 401/.test(message.text())) problems.push(`${label}: console error: ${message.text()}`);
  });
  return { context, page };
}

async function shoot(page, name) {
  await page.screenshot({ path: join(screenshots, `browser_vozmira_access_${name}.png`), fullPage: true });
}

async function login(page, server, user, password) {
  await page.goto(server.url);
  await waitInteractive(page);
  await page.locator('#EDTLOGIN').fill(user);
  await page.locator('#EDTSENHA').fill(password);
  await navigating(page, () => page.locator('#BTNENTRAR').click());
  check((await page.locator('#qtNovas').count()) === 1, `${user} must reach the dashboard`);
  const named = (await page.locator('#userName').textContent()).trim();
  check(named === user, `the page must name ${show(user)}, it names ${show(named)}`);
}

// The navigation entries a page holds, by their ids.
const ENTRIES = ['navDashboard', 'navSolicitacoes', 'navCadastros', 'navPrefeitura', 'navUnidades', 'navTiposUnidade',
  'navTiposSolicitacao', 'navSituacoes', 'navUsuariosMenu', 'navUsuarios', 'navTiposUsuario'];
async function entries(page) {
  return page.evaluate((ids) => ids.filter((id) => document.getElementById(id) !== null), ENTRIES);
}

// Opens a page of a navigation menu.
async function openFromMenu(page, menu, entry) {
  await page.locator(`#${menu}`).click();
  await navigating(page, () => page.locator(`#${entry}`).click());
}

// Sends the navigation callback for `target` by hand, as a page the level does not list would be
// asked for, and waits for the server's answer.
async function askForPage(page, target) {
  await serverRound(page, () => page.evaluate((name) => {
    const script = document.getElementById('navDashboard').getAttribute('onclick').replace('dashboard', name);
    new Function(script)();
  }, target));
}

async function gridKeys(page, grid, field) {
  return page.evaluate(([id, name]) => ($(`#${id}`).jqGrid('getGridParam', 'data') || []).map((row) => row[name]), [grid, field]);
}

async function selectGridRow(page, grid, field, value) {
  const index = (await gridKeys(page, grid, field)).indexOf(value);
  check(index >= 0, `the grid ${grid} must show ${show(value)}`);
  await serverRound(page, () => page.locator(`#${grid} tr.jqgrow`).nth(index).locator('td').nth(1).click());
}

// A small PNG picture of one colour.
function png(width, height, [r, g, b]) {
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc = (bytes) => {
    let c = 0xffffffff;
    for (const byte of bytes) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type, 'latin1'), data]);
    const length = Buffer.alloc(4);
    length.writeUInt32BE(data.length);
    const sum = Buffer.alloc(4);
    sum.writeUInt32BE(crc(body));
    return Buffer.concat([length, body, sum]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);
  const line = Buffer.concat([Buffer.from([0]), Buffer.from(Array.from({ length: width }, () => [r, g, b]).flat())]);
  const pixels = deflateSync(Buffer.concat(Array.from({ length: height }, () => line)));
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header), chunk('IDAT', pixels), chunk('IEND', Buffer.alloc(0))]);
}

async function upload(page, file) {
  const input = page.locator('input[type=file]');
  await input.setInputFiles(file);
  await serverRound(page, () => page.locator('button[id$=uploadButton]').click());
}

// ---- scenarios

const LEVELS = [
  { user: 'pelix', password: 'pelix', level: 'A', entries: ENTRIES },
  { user: 'brud', password: 'brud', level: 'G',
    entries: ['navDashboard', 'navSolicitacoes', 'navCadastros', 'navPrefeitura', 'navUnidades', 'navTiposUnidade', 'navTiposSolicitacao', 'navSituacoes'] },
  { user: 'mcosta', password: 'Ouvidoria#2026', level: 'S', entries: ['navDashboard', 'navSolicitacoes'] },
  { user: 'jsouza', password: 'cidadao123', level: 'C', entries: ['navDashboard', 'navSolicitacoes'] },
];

// Each level's navigation lists the pages it may open; a page it may not open, asked for by hand,
// is refused by the server, and a page it may open is shown.
async function navigationOfEachLevel({ browser, server, problems }) {
  for (const { user, password, level, entries: expected } of LEVELS) {
    const { context, page } = await newPage(browser, problems, user);
    try {
      await login(page, server, user, password);
      const shown = await entries(page);
      check(show(shown) === show(expected), `level ${level}: the navigation must hold ${show(expected)}, it holds ${show(shown)}`);
      await shoot(page, `navigation_${level}`);
      for (const [target, allowed] of [['usuarios', level === 'A'], ['tiposusuario', level === 'A'], ['situacoes', 'AG'.includes(level)], ['prefeitura', 'AG'.includes(level)]]) {
        if (allowed) {
          await navigating(page, () => askForPage(page, target).catch(() => {}));
          check((await page.locator('#BTNSAIR').count()) === 1, `level ${level}: ${target} must open`);
          await navigating(page, () => page.locator('#BTNSAIR').click());
          continue;
        }
        await askForPage(page, target);
        check((await page.locator('#qtNovas').count()) === 1, `level ${level}: ${target} asked for by hand must leave the dashboard shown`);
        check(server.log().includes(`refused to '${user}'`), `level ${level}: the refusal of ${target} must be logged`);
      }
    } finally {
      await context.close();
    }
  }
}

// A citizen sees and registers only their own requests; the status and unit cannot be changed,
// even when the page is made to send them.
async function citizenRequests({ browser, server, problems }) {
  const { context, page } = await newPage(browser, problems, 'jsouza');
  try {
    await login(page, server, 'jsouza', 'cidadao123');
    await navigating(page, () => page.locator('#navSolicitacoes').click());
    check((await gridKeys(page, 'DBGTAREFAS', 'ID_SOLICITACAO')).length === 0, 'a citizen without requests must see an empty list');
    await navigating(page, () => page.locator('#BTNNOVO').click());
    check(await page.locator('#CBBSITUACAO').isDisabled(), "a citizen's status box must be disabled");
    check(!(await page.locator('#CBBUNIDADE').isDisabled()), "a citizen's new request takes a unit");
    await page.locator('#DBEDESCRICAO').fill('Buraco na calçada da Rua Ipê');
    await page.locator('#CBBTIPO').selectOption({ label: 'Reclamação' });
    await page.locator('#CBBUNIDADE').selectOption({ label: 'Secretaria de Obras e Serviços Urbanos' });
    // The disabled status box made to send a status anyway.
    await page.evaluate(() => {
      const box = document.getElementById('CBBSITUACAO');
      box.disabled = false;
      box.value = box.options[box.options.length - 1].value;
      box.dispatchEvent(new Event('change', { bubbles: true }));
    });
    await serverRound(page, () => page.locator('#BTNSALVAR').click());
    const id = await page.locator('#DBECONTROLE').inputValue();
    check(/^[1-9]\d*$/.test(id), `the saved request must show its key, it shows ${show(id)}`);
    // Changing the unit of the saved request, by hand, is not kept either.
    await page.evaluate(() => {
      const box = document.getElementById('CBBUNIDADE');
      box.disabled = false;
      box.value = box.options[1].value;
      box.dispatchEvent(new Event('change', { bubbles: true }));
    });
    await serverRound(page, () => page.locator('#BTNSALVAR').click());
    await navigating(page, () => page.locator('#BTNSAIR').click());
    const listed = (await gridKeys(page, "DBGTAREFAS", "ID_SOLICITACAO")).map(String);
    check(show(listed) === show([id]), `the citizen's list must hold only request ${id}, it holds ${show(listed)}`);
    await navigating(page, () => page.locator('#navDashboard').click());
    const dashboard = await page.evaluate(() => ($('#DBGNOVASSOLICITACOES').jqGrid('getGridParam', 'data') || []).map((row) => row.NOME_USUARIO));
    check(dashboard.length === 1 && dashboard[0] === 'João Souza', `the citizen's dashboard must list their request only: ${show(dashboard)}`);
    await shoot(page, 'citizen');
    return async () => {
      const [row] = await rows(`SELECT S.ID_USUARIO || '|' || S.ID_SITUACAO || '|' || U.NOME_UNIDADE || '|END' FROM SOLICITACAO S JOIN UNIDADE U ON U.ID_UNIDADE = S.ID_UNIDADE WHERE S.ID_SOLICITACAO = ${id};`);
      check(show(row) === show(['5', '1', 'Secretaria de Obras e Serviços Urbanos']), `the citizen's request must be theirs, new, at the unit chosen: ${show(row)}`);
    };
  } finally {
    await context.close();
  }
}

// Each reference table: a new row and a changed one, saved from its page.
const TABLES = [
  { menu: 'navCadastros', entry: 'navSituacoes', name: 'DBENOMESITUACAO', table: 'SITUACAO', column: 'NOME_SITUACAO', key: 'ID_SITUACAO', change: 'Aberta' },
  { menu: 'navCadastros', entry: 'navTiposSolicitacao', name: 'DBENOMETIPO', table: 'TIPO_SOLICITACAO', column: 'NOME_TIPO', key: 'ID_TIPO', change: 'Elogio' },
  { menu: 'navCadastros', entry: 'navTiposUnidade', name: 'DBETIPOUNIDADE', table: 'TIPO_UNIDADE', column: 'TIPO_UNIDADE', key: 'ID_TIPO_UNIDADE', change: 'Autarquia' },
  { menu: 'navCadastros', entry: 'navUnidades', name: 'DBENOMEUNIDADE', table: 'UNIDADE', column: 'NOME_UNIDADE', key: 'ID_UNIDADE', change: 'Departamento de Trânsito',
    fill: async (page) => page.locator('#CBBTIPOUNIDADE').selectOption({ label: 'Departamento' }) },
  { menu: 'navUsuariosMenu', entry: 'navTiposUsuario', name: 'DBETIPOUSUARIO', table: 'TIPO_USUARIO', column: 'TIPO_USUARIO', key: 'ID_TIPO_USUARIO', change: 'Cidadão',
    fill: async (page) => page.locator('#DBCTIPOACESSO').selectOption('S') },
];

async function referenceTables({ browser, server, problems }) {
  const { context, page } = await newPage(browser, problems, 'pelix');
  try {
    await login(page, server, 'pelix', 'pelix');
    for (const t of TABLES) {
      await openFromMenu(page, t.menu, t.entry);
      await serverRound(page, () => page.locator('#BTNNOVO').click());
      check(await page.locator('#BTNNOVO').isDisabled(), `${t.table}: "Novo" must be disabled while the new row is entered`);
      await page.locator(`#${t.name}`).fill(`Nova ${t.column} web`);
      if (t.fill) await t.fill(page);
      await serverRound(page, () => page.locator('#BTNSALVAR').click());
      check(!(await page.locator('#BTNNOVO').isDisabled()), `${t.table}: "Novo" must be enabled again after saving`);
      check((await gridKeys(page, 'DBGRID1', t.column)).includes(`Nova ${t.column} web`), `${t.table}: the grid must show the new row`);
      await selectGridRow(page, 'DBGRID1', t.column, t.change);
      await page.locator(`#${t.name}`).fill(`${t.change} (web)`);
      await serverRound(page, () => page.locator('#BTNSALVAR').click());
      await shoot(page, `table_${t.table}`);
    }
  } finally {
    await context.close();
  }
  return async () => {
    for (const t of TABLES) {
      const found = (await rows(`SELECT ${t.column} || '|END' FROM ${t.table} ORDER BY ${t.key};`)).map(([name]) => name);
      check(found.includes(`Nova ${t.column} web`), `${t.table} must hold the new row: ${show(found)}`);
      check(found.includes(`${t.change} (web)`) && !found.includes(t.change), `${t.table} must hold the changed row: ${show(found)}`);
    }
    const [unit] = await rows("SELECT ID_TIPO_UNIDADE || '|END' FROM UNIDADE WHERE NOME_UNIDADE = 'Nova NOME_UNIDADE web';");
    check(show(unit) === show(['2']), `the new unit must be of type 2: ${show(unit)}`);
    const [level] = await rows("SELECT TIPO_ACESSO || '|END' FROM TIPO_USUARIO WHERE TIPO_USUARIO = 'Nova TIPO_USUARIO web';");
    check(show(level) === show(['S']), `the new user type must have level S: ${show(level)}`);
  };
}

// A new user with a photo, saved from the users page; a changed password; the city hall's logo.
async function usersAndCityHall({ browser, server, problems }) {
  const photo = join(folder, 'foto.png');
  writeFileSync(photo, png(24, 24, [200, 30, 30]));
  const logo = join(folder, 'logo.png');
  writeFileSync(logo, png(40, 20, [20, 60, 200]));
  const big = join(folder, 'grande.png');
  writeFileSync(big, Buffer.concat([png(8, 8, [0, 0, 0]), Buffer.alloc(1048577)]));
  const { context, page } = await newPage(browser, problems, 'pelix');
  try {
    await login(page, server, 'pelix', 'pelix');
    await openFromMenu(page, 'navUsuariosMenu', 'navUsuarios');
    await navigating(page, () => page.locator('#BTNNOVO').click());
    check((await page.locator('#EDTSENHA').getAttribute('type')) === 'password', 'the password edit must be masked');
    for (const [id, value] of [['DBELOGIN', 'rlima'], ['DBENOME', 'Rita Lima'], ['DBEDATANASCIMENTO', '1991-04-03'],
      ['DBEEMAIL', 'rlima@vilaserena.gov.br'], ['EDTSENHA', 'Rita#2026'], ['DBECELULAR', '(11) 98877-8808']])
      await page.locator(`#${id}`).fill(value);
    await page.locator('#CBBTIPOUSUARIO').selectOption({ label: 'Servidor' });
    await upload(page, photo);
    const src = await page.locator('#DBIFOTO').getAttribute('src');
    check(src?.startsWith('data:image/'), `the photo must be shown after the upload: ${show(src?.slice(0, 40))}`);
    await shoot(page, 'new_user');
    await navigating(page, () => page.locator('#BTNSALVAR').click());
    // Mcosta's password changed; the stored one is never shown.
    await selectGridRow(page, 'DBGRID1', 'LOGIN_USUARIO', 'mcosta');
    await navigating(page, () => page.locator('#BTNALTERAR').click());
    check((await page.locator('#EDTSENHA').inputValue()) === '', 'the stored password must not be shown');
    check(!(await page.content()).includes('$argon2id$'), 'no hash may reach the page');
    await page.locator('#EDTSENHA').fill('Mudou#7');
    await navigating(page, () => page.locator('#BTNSALVAR').click());

    await openFromMenu(page, 'navCadastros', 'navPrefeitura');
    // A file over 1 MiB is refused by the page itself, before anything is sent.
    await page.locator('input[type=file]').setInputFiles(big);
    await page.locator('button[id$=uploadButton]').click();
    await page.locator('.swal2-popup').waitFor({ state: 'visible' });
    await page.locator('.swal2-confirm').click();
    await page.locator('.swal2-popup').waitFor({ state: 'hidden' });
    check((await page.locator('#DBILOGO').getAttribute('src') ?? '') === '' || !(await page.locator('#DBILOGO').getAttribute('src')).startsWith('data:image/'),
      'a refused logo must not be shown');
    await upload(page, logo);
    const shown = await page.locator('#DBILOGO').getAttribute('src');
    check(shown?.startsWith('data:image/'), `the logo must be shown after the upload: ${show(shown?.slice(0, 40))}`);
    await serverRound(page, () => page.locator('#BTNSALVAR').click());
    await shoot(page, 'city_hall');
  } finally {
    await context.close();
  }
  return async () => {
    const [user] = await rows("SELECT NOME_USUARIO || '|' || ID_TIPO_USUARIO || '|' || CHAR_LENGTH(KEY_USUARIO) || '|' || OCTET_LENGTH(FOTO_USUARIO) || '|' || SENHA_USUARIO || '|END' FROM USUARIO WHERE LOGIN_USUARIO = 'rlima';");
    check(user && user[0] === 'Rita Lima' && user[1] === '3' && user[2] === '32' && Number(user[3]) > 0 && user[4].startsWith('$argon2id$'),
      `the new user must be stored with a key, a photo and a hashed password: ${show(user)}`);
    const [cityHall] = await rows("SELECT OCTET_LENGTH(LOGO_PREFEITURA) || '|END' FROM PREFEITURA;");
    check(Number(cityHall?.[0]) > 0, `the logo must be stored: ${show(cityHall)}`);
  };
}

// The changed and new passwords are the ones that log in.
async function changedPasswordsLogIn({ browser, server, problems }) {
  for (const [user, password] of [['rlima', 'Rita#2026'], ['mcosta', 'Mudou#7']]) {
    const { context, page } = await newPage(browser, problems, user);
    try {
      await login(page, server, user, password);
    } finally {
      await context.close();
    }
  }
}

// ---- the run

const phases = [
  [['navigation of each level', navigationOfEachLevel], ['citizen requests', citizenRequests]],
  [['reference tables', referenceTables], ['users and city hall', usersAndCityHall]],
  [['changed passwords log in', changedPasswordsLogIn]],
];

async function run(server, failures) {
  const browser = await launchChromium();
  try {
    for (const phase of phases) {
      const chosen = phase.filter(([name]) => only === undefined || name.includes(only));
      if (chosen.length === 0) continue;
      await server.start();
      const checks = [];
      for (const [name, scenario] of chosen) {
        const problems = [];
        try {
          const verify = await scenario({ browser, server, problems });
          if (problems.length > 0) throw new Error(`the pages reported:\n  ${problems.join('\n  ')}`);
          if (verify) checks.push([name, verify]);
          console.log(`ok - ${name}`);
        } catch (error) {
          failures.push(`${name}: ${error.message}\n${error.stack.split('\n').filter((line) => line.includes('access.test')).join('\n')}`);
          console.log(`not ok - ${name}`);
        }
      }
      await server.stop();
      for (const [name, verify] of checks) {
        try {
          await verify();
        } catch (error) {
          failures.push(`${name} (database): ${error.message}`);
        }
      }
    }
  } finally {
    await browser.close();
  }
}

const server = new Server();
const failures = [];
try {
  await within(RUN_MS, run(server, failures), 'the browser test did not finish');
} catch (error) {
  failures.push(error.message);
} finally {
  await server.stop().catch((error) => failures.push(error.message));
}
rmSync(folder, { recursive: true, force: true });
if (failures.length > 0) {
  console.error(`FAILED:\n${failures.map((failure) => `- ${failure}`).join('\n')}\n${server.last ?? ''}`);
  process.exit(1);
}
console.log('all Vozmira access scenarios passed');
process.exit(0);
