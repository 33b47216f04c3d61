// The deployment of several processes, with real parts only: a database made by
// deploy/vozmira-db.sh on the Firebird server the tests start, two vozmira-web processes on it,
// HAProxy with deploy/haproxy.cfg in front (TLS with a certificate made here), and Chromium
// through https://.
//
//   node deploy.test.mjs PATH/TO/vozmira-web
//
// Steps, each depending on the one before: two users land on different processes and every
// request of theirs stays there; each saves a request and the other finds it by searching again;
// a backup taken while both serve restores into a database the program opens; the metrics count
// the run and refuse a client that is not local; one process is stopped with SIGTERM (its health
// says 503 at once, new sessions go to the other one, its user gets the login page, the other
// user goes on), then started again and takes new sessions.  Exits with 1 naming the failed step.
//
// Needs haproxy, openssl, isql-fb and gbak, and a Firebird server on 127.0.0.1:3050 with the
// administrator password of scripts/firebird-server.sh.

import { execFile, spawn } from 'node:child_process';
import { chmodSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { request as httpRequest } from 'node:http';
import { request as httpsRequest } from 'node:https';
import { connect, createServer } from 'node:net';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium } from './chromium.mjs';
import { ServerProcess, within } from './serverprocess.mjs';
import { testRun } from './testrun.mjs';
import { navigating, serverRound, STEP_MS, userPage, waitInteractive } from './pagesteps.mjs';

const RUN_MS = 240000;
const ADMIN = { ISC_USER: 'SYSDBA', ISC_PASSWORD: 'tulipvane' };
const APP_USER = 'VOZMIRA_DEPLOY_TEST';
const APP_PASSWORD = 'Deploy#Test2026';
const source = join(dirname(fileURLToPath(import.meta.url)), '..', '..');

let step = '';
const { binary, screenshots, folder } = testRun('deploy.test.mjs', 'browser_deploy_');
// The Firebird server runs as its own user and must create and read the databases here.
chmodSync(folder, 0o777);
const databaseFile = join(folder, 'vozmira.fdb');
const restoredFile = join(folder, 'restored.fdb');

function check(condition, message) {
  if (!condition) throw new Error(message);
}
const show = (value) => JSON.stringify(value);

function run(command, args, env = {}) {
  return new Promise((resolve, reject) => {
    execFile(command, args, { env: { ...process.env, ...env }, maxBuffer: 16 * 1024 * 1024 }, (error, stdout, stderr) =>
      error ? reject(new Error(`${command} ${args.join(' ')} failed: ${error.message}\n${stdout}${stderr}`)) : resolve(stdout),
    );
  });
}

const dbScript = (...args) => run(join(source, 'deploy', 'vozmira-db.sh'), args, ADMIN);

async function freePort() {
  const server = createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// One GET through node (not the browser) from a chosen local address: over TLS to the proxy
// (`secure`), or plain straight to a process.
function get(port, path, { localAddress = '127.0.0.1', secure = false } = {}) {
  return within(
    STEP_MS,
    new Promise((resolve, reject) => {
      const options = { host: '127.0.0.1', port, path, localAddress, rejectUnauthorized: false };
      const req = (secure ? httpsRequest : httpRequest)(options, (res) => {
        let body = '';
        res.setEncoding('utf8');
        res.on('data', (chunk) => (body += chunk));
        res.on('end', () => resolve({ status: res.statusCode, body }));
      });
      req.on('error', reject);
      req.end();
    }),
    `GET ${path} on port ${port}`,
  );
}

// The value of one sample of a process's metrics.
function sample(metrics, series) {
  const line = metrics.split('\n').find((text) => text.startsWith(`${series} `));
  return line === undefined ? undefined : Number(line.slice(series.length + 1));
}

async function metricsOf(web) {
  const { status, body } = await get(web.port, '/metrics');
  check(status === 200, `the metrics of ${web.name} must answer 200 to 127.0.0.1, they answer ${status}`);
  return body;
}

// ---- the processes

class Web {
  constructor(name, port) {
    this.name = name;
    this.port = port;
    this.settings = join(folder, `${name}.ini`);
    this.log = '';
  }

  settingsFor(database) {
    return [
      '[Database]',
      'Host=127.0.0.1',
      'Port=3050',
      `Database=${database}`,
      `User=${APP_USER}`,
      `Password=${APP_PASSWORD}`,
      '[Duo Server Config]',
      `Server Port=${this.port}`,
      '[Duo Server Limits]',
      'TrustedProxies=127.0.0.1',
      '[Duo Server Monitoring]',
      'Metrics=1',
      'HealthProbeInterval=500',
      'DrainTime=5000',
      '',
    ].join('\n');
  }

  async start(database = databaseFile) {
    writeFileSync(this.settings, this.settingsFor(database));
    const asan = process.env.ASAN_OPTIONS ? `${process.env.ASAN_OPTIONS}:detect_leaks=0` : 'detect_leaks=0';
    this.process = new ServerProcess(binary, [this.settings], { ASAN_OPTIONS: asan }, { webRoot: false });
    await this.process.waitForLine(/open http:\/\/localhost:\d+\/ in a browser/, 60000, 'its address');
  }

  // Sends SIGTERM and returns at once; `stopped` resolves with the exit status.
  terminate() {
    const server = this.process;
    this.process = null;
    this.stopped = server.stop('SIGTERM', 30000).finally(() => {
      this.log += `--- ${this.name}\n${server.output()}`;
    });
  }

  async stop() {
    if (this.process) this.terminate();
    if (!this.stopped) return;
    const status = await this.stopped;
    this.stopped = null;
    check(status.code === 0, `${this.name} must end with code 0 after SIGTERM, it ended with ${status.code}/${status.signal}`);
  }
}

class Proxy {
  constructor(ports, pem) {
    this.ports = ports;
    this.pem = pem;
    this.socket = join(folder, 'haproxy.sock');
    this.log = '';
  }

  async start() {
    this.child = spawn('haproxy', ['-db', '-f', join(source, 'deploy', 'haproxy.cfg')], {
      env: {
        ...process.env,
        VOZMIRA_HTTPS_BIND: `127.0.0.1:${this.ports.https}`,
        VOZMIRA_HTTP_BIND: `127.0.0.1:${this.ports.http}`,
        VOZMIRA_TLS_PEM: this.pem,
        VOZMIRA_WEB1: `127.0.0.1:${this.ports.web1}`,
        VOZMIRA_WEB2: `127.0.0.1:${this.ports.web2}`,
        VOZMIRA_HAPROXY_SOCKET: this.socket,
      },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    for (const stream of [this.child.stdout, this.child.stderr]) stream.on('data', (text) => (this.log += text));
    this.exited = new Promise((resolve) => this.child.on('exit', resolve));
    await this.until(async () => (await this.states()).length === 2 && (await this.states()).every((state) => state === 'UP'), 'both processes up in HAProxy');
  }

  // What HAProxy's administration socket says of the two processes (UP, DOWN, ...).
  async states() {
    const text = await new Promise((resolve) => {
      let answer = '';
      const socket = connect(this.socket, () => socket.end('show stat\n'));
      socket.setEncoding('utf8');
      socket.on('data', (chunk) => (answer += chunk));
      socket.on('close', () => resolve(answer));
      socket.on('error', () => resolve(''));
    });
    const lines = text.split('\n').map((line) => line.split(','));
    const status = lines[0]?.indexOf('status') ?? -1;
    return lines.filter((fields) => fields[0] === 'vozmira' && /^web\d$/.test(fields[1])).map((fields) => fields[status]);
  }

  // Waits until `condition` holds, asking every 200 ms.
  async until(condition, what, ms = STEP_MS) {
    const end = Date.now() + ms;
    while (Date.now() < end) {
      if (await condition()) return;
      await new Promise((resolve) => setTimeout(resolve, 200));
    }
    throw new Error(`no ${what} within ${ms} ms`);
  }

  async stop() {
    if (!this.child) return;
    this.child.kill('SIGTERM');
    await within(10000, this.exited, 'HAProxy did not stop');
    this.child = null;
  }
}

// ---- pages

function newUser(browser, problems, label) {
  return userPage(browser, problems, label, { ignoreHTTPSErrors: true });
}

async function expectUser(user, name, marker) {
  check((await user.page.locator(marker).count()) === 1, `${user.label}: ${marker} must be on the page at ${user.page.url()}`);
  const named = (await user.page.locator('#userName').textContent()).trim();
  check(named === name, `${user.label}: the page must name ${show(name)}, it names ${show(named)}`);
}

async function login(user, url, name, password) {
  await user.page.goto(url);
  await waitInteractive(user.page);
  await user.page.locator('#EDTLOGIN').fill(name);
  await user.page.locator('#EDTSENHA').fill(password);
  await navigating(user.page, () => user.page.locator('#BTNENTRAR').click());
  await expectUser(user, name, '#qtNovas');
}

// The process the proxy's cookie ties the browser to.
async function processOf(user) {
  const cookie = (await user.context.cookies()).find((c) => c.name === 'VOZMIRA_PROCESS');
  return cookie?.value;
}

async function saveRequest(user, name, text) {
  step = `${user.label} saves a request`;
  await navigating(user.page, () => user.page.locator('#navSolicitacoes').click());
  await navigating(user.page, () => user.page.locator('#BTNNOVO').click());
  await user.page.locator('#DBEDESCRICAO').fill(text);
  await user.page.locator('#CBBTIPO').selectOption({ index: 1 });
  await user.page.locator('#CBBUNIDADE').selectOption({ index: 1 });
  await user.page.locator('#CBBSITUACAO').selectOption({ index: 1 });
  await serverRound(user.page, () => user.page.locator('#BTNSALVAR').click());
  const key = await user.page.locator('#DBECONTROLE').inputValue();
  check(/^[1-9]\d*$/.test(key), `${user.label}: after "Salvar" the form must show the new request's key, it shows ${show(key)}`);
  await navigating(user.page, () => user.page.locator('#BTNSAIR').click());
  await expectUser(user, name, '#DBGTAREFAS');
}

// Searches the list again (choosing the status reads the requests anew) and filters it for
// `text`; checks that the grid holds a request with it.
async function findRequest(user, text) {
  step = `${user.label} finds the other user's request`;
  await serverRound(user.page, () => user.page.locator('#CBBSITUACAO').selectOption({ index: 1 }));
  await serverRound(user.page, () => user.page.locator('#EDTPESQUISA').fill(text));
  const found = await user.page.evaluate(
    (wanted) => ($('#DBGTAREFAS').jqGrid('getGridParam', 'data') || []).some((row) => row.SOLICITACAO === wanted),
    text,
  );
  check(found, `${user.label}: searching for ${show(text)} must find the other user's request`);
}

// ---- the run

async function main() {
  const ports = { web1: await freePort(), web2: await freePort(), https: await freePort(), http: await freePort() };
  const key = join(folder, 'tls.key');
  const certificate = join(folder, 'tls.crt');
  await run('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-subj', '/CN=localhost', '-days', '1', '-keyout', key, '-out', certificate]);
  const pem = join(folder, 'haproxy.pem');
  writeFileSync(pem, readFileSync(certificate, 'utf8') + readFileSync(key, 'utf8'));

  const web1 = new Web('web1', ports.web1);
  const web2 = new Web('web2', ports.web2);
  const spare = new Web('restored', await freePort());
  const proxy = new Proxy(ports, pem);
  const url = `https://127.0.0.1:${ports.https}/`;
  const problems = [];
  let browser;
  step = 'creating the database on the server';
  try {
    await dbScript('create', `127.0.0.1:${databaseFile}`, APP_USER, APP_PASSWORD);
    step = 'starting two processes and HAProxy';
    await Promise.all([web1.start(), web2.start()]);
    await proxy.start();

    step = 'plain HTTP is sent to HTTPS';
    const redirect = await fetch(`http://127.0.0.1:${ports.http}/`, { redirect: 'manual' });
    check(redirect.status === 301 && redirect.headers.get('location')?.startsWith('https://'),
      `plain HTTP must be redirected to HTTPS, it answered ${redirect.status} ${redirect.headers.get('location')}`);

    step = 'two users land on different processes';
    browser = await launchChromium();
    const ana = await newUser(browser, problems, 'pelix');
    const bruna = await newUser(browser, problems, 'brud');
    await login(ana, url, 'pelix', 'pelix');
    await login(bruna, url, 'brud', 'brud');
    const places = [await processOf(ana), await processOf(bruna)];
    check(places[0] && places[1] && places[0] !== places[1], `the two users must be on different processes, they are on ${show(places)}`);
    const anaWeb = places[0] === 'web1' ? web1 : web2;

    step = 'each saves a request and the other finds it';
    const anaText = `Poda de árvore na praça ${Date.now()}`;
    const brunaText = `Buraco na rua das Flores ${Date.now()}`;
    await saveRequest(ana, 'pelix', anaText);
    await saveRequest(bruna, 'brud', brunaText);
    await findRequest(ana, brunaText);
    await findRequest(bruna, anaText);
    await ana.page.screenshot({ path: join(screenshots, 'browser_deploy_found.png'), fullPage: true });

    step = 'every request of a session reached its own process';
    for (const web of [web1, web2]) {
      const metrics = await metricsOf(web);
      // A request that reached the other process would have found no session there and made one.
      check(sample(metrics, 'duo_sessions_started_total') === 1, `${web.name} must have made exactly one session, it made ${sample(metrics, 'duo_sessions_started_total')}`);
      check(sample(metrics, 'duo_sessions{state="established"}') === 1, `${web.name} must hold one logged-in session`);
      check(sample(metrics, 'duo_event_duration_seconds_count') > 0, `${web.name} must have counted the events of its user`);
      check(sample(metrics, 'duo_pushes_total') > 0, `${web.name} must have counted its pushes`);
      check(sample(metrics, 'vozmira_database_attachments') >= 1, `${web.name} must count its database attachments`);
    }

    step = 'the metrics are refused to a client that is not local';
    check((await get(ports.web1, '/metrics', { localAddress: '127.0.0.2' })).status === 403, 'the process must refuse its metrics to 127.0.0.2');
    check((await get(ports.https, '/metrics', { localAddress: '127.0.0.2', secure: true })).status === 403, 'the proxy must refuse the metrics to 127.0.0.2');
    check(sample(await metricsOf(web1), 'duo_refused_total{reason="metrics_forbidden"}') === 1, 'the refusal must be counted');

    step = 'a backup taken while both processes serve restores into a database the program opens';
    const backup = join(folder, 'vozmira.fbk');
    await dbScript('backup', `127.0.0.1:${databaseFile}`, backup);
    await dbScript('restore', backup, `127.0.0.1:${restoredFile}`);
    await spare.start(restoredFile);
    const restoredHealth = await get(spare.port, '/health');
    check(restoredHealth.status === 200, `the program on the restored database must be healthy, it says ${restoredHealth.status} ${restoredHealth.body}`);
    await spare.stop();
    const query = join(folder, 'restored.sql');
    writeFileSync(query, 'SET HEADING OFF;\nSELECT SOLICITACAO FROM SOLICITACAO;\n');
    const restored = await run('isql-fb', ['-q', '-ch', 'UTF8', '-user', APP_USER, '-password', APP_PASSWORD, '-i', query, `127.0.0.1:${restoredFile}`]);
    check(restored.includes(anaText) && restored.includes(brunaText), 'the restored database must hold the requests saved before the backup');

    step = 'SIGTERM: health says 503 at once and new sessions go to the other process';
    anaWeb.terminate();
    const draining = await get(anaWeb.port, '/health');
    check(draining.status === 503 && draining.body === 'stopping\n', `the stopping process's health must say 503 stopping, it says ${draining.status} ${show(draining.body)}`);
    const carla = await newUser(browser, problems, 'asilva');
    await proxy.until(async () => {
      await carla.context.clearCookies();
      await carla.page.goto(url);
      return (await processOf(carla)) === (anaWeb === web1 ? 'web2' : 'web1');
    }, 'new session on the other process');
    await login(carla, url, 'asilva', 'Serena@95');

    step = "the stopped process's user gets the login page; the other user goes on";
    await ana.page.waitForFunction(() => document.getElementById('EDTLOGIN') !== null, null, { timeout: STEP_MS });
    await waitInteractive(ana.page);
    check((await ana.page.locator('#EDTLOGIN').count()) === 1, "the stopped process's user must see the login page");
    await navigating(bruna.page, () => bruna.page.locator('#navDashboard').click());
    await expectUser(bruna, 'brud', '#qtNovas');
    await anaWeb.stop();

    step = 'the process started again takes new sessions';
    await anaWeb.start();
    await proxy.until(async () => (await proxy.states()).every((state) => state === 'UP'), 'the process started again up in HAProxy');
    const returning = anaWeb === web1 ? 'web1' : 'web2';
    const dora = await newUser(browser, problems, 'asilva again');
    await proxy.until(async () => {
      await dora.context.clearCookies();
      await dora.page.goto(url);
      return (await processOf(dora)) === returning;
    }, 'new session on the process started again');
    await login(dora, url, 'asilva', 'Serena@95');
    check(sample(await metricsOf(anaWeb), 'duo_sessions{state="established"}') === 1, 'the process started again must hold the new login');
    check(problems.length === 0, `the pages reported: ${problems.join('; ')}`);
  } catch (error) {
    for (const [index, context] of (browser?.contexts() ?? []).entries())
      for (const page of context.pages())
        await page.screenshot({ path: join(screenshots, `browser_deploy_failed_${index}.png`), fullPage: true }).catch(() => {});
    throw new Error(`${step}: ${error.message}`);
  } finally {
    await browser?.close().catch(() => {});
    await proxy.stop().catch(() => {});
    for (const web of [web1, web2, spare]) await web.stop().catch(() => {});
    globalThis.deployLogs = [web1.log, web2.log, spare.log, `--- haproxy\n${proxy.log}`].join('\n');
  }
}

try {
  await within(RUN_MS, main(), 'the run');
  rmSync(folder, { recursive: true, force: true });
  console.log('deployment: every step passed');
} catch (error) {
  console.error(`deployment: ${error.message}\n${globalThis.deployLogs ?? ''}`);
  process.exit(1);
}
