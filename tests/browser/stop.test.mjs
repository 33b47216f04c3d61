// A service manager's stop: the server process with the embedded database loaded, one session
// idle with its page socket open and one whose handler waits for the answer to a message dialog,
// is sent SIGTERM or SIGINT. It must close both sockets as going away, print "signal N" and
// "stopped", and exit with code 0 within ten seconds.
//
//   node stop.test.mjs PATH/TO/duo_test_server
//
// Exit code 0 when everything holds; otherwise a message naming the case and what differed,
// followed by the server's output.

import { RawWebSocket } from './rawsocket.mjs';
import { ServerProcess, within } from './serverprocess.mjs';

const STOP_MS = 10000;
const STEP_MS = 10000;

const binary = process.argv[2];
if (!binary) {
  console.error('usage: node stop.test.mjs PATH/TO/duo_test_server');
  process.exit(2);
}

function check(condition, message) {
  if (!condition) throw new Error(message);
}

// A page of a new session, and what its script needs to talk to the server.
async function openPage(server) {
  const response = await within(STEP_MS, fetch(server.url), 'the page request');
  check(response.status === 200, `the page answered ${response.status}`);
  const html = await response.text();
  const connection = /setConnection\("ws", [^,]+, \d+, [^,]+, "([^"]+)", "([^"]+)", "[^"]*"\);/.exec(html);
  const form = /var duoFormUUID = "([^"]+)";/.exec(html);
  const ask = /ExecEvent\('[^']*', '[^']*', '[^']*', 'btnAsk', '([^']+)'/.exec(html);
  check(connection && form && ask, 'the page names its session, its form and the Ask button event');
  return { token: connection[1], uuid: connection[2], form: form[1], askEvent: ask[1] };
}

// The page's main socket, announced to the server with the page-loaded event; resolves once the
// server has answered that event (so the session has run form code for this socket).
async function openMainSocket(server, page) {
  const socket = await RawWebSocket.open(
    server.port,
    `/websocket/connectionparams?token=${page.token}&facetsession=${page.uuid}&channelname=FacetSocketConnection`,
  );
  sendEvent(socket, page, page.form, 'AfterPageLoad');
  await socket.until(() => socket.texts().some((text) => text.includes('UnLockThreadClient();')), STEP_MS, 'the answer to the page-loaded event');
  return socket;
}

function sendEvent(socket, page, id, eventID) {
  socket.sendText(
    JSON.stringify({
      type: 'procedure',
      name: 'ExecEvent',
      wait: false,
      parameters: [
        { UUID: page.uuid },
        { Token: page.token },
        { FormUUID: page.form },
        { ID: id },
        { EventID: eventID },
        { Parameters: '' },
        { LockClient: true },
      ],
    }),
  );
}

async function stopCase(signal, number) {
  const server = new ServerProcess(binary, ['--database', '{folder}/stop.fdb']);
  try {
    await server.start(60000);

    const idle = await openPage(server);
    const idleSocket = await openMainSocket(server, idle);

    const waiting = await openPage(server);
    const waitingSocket = await openMainSocket(server, waiting);
    sendEvent(waitingSocket, waiting, 'btnAsk', waiting.askEvent);
    await waitingSocket.until(
      () => waitingSocket.texts().some((text) => text.includes('DuoMessageDlg(')),
      STEP_MS,
      'the message dialog of the Ask handler',
    );

    const sent = Date.now();
    const { code, signal: killedBy } = await server.stop(signal, STOP_MS);
    const took = Date.now() - sent;
    check(killedBy === null && code === 0, `after ${signal} the server must exit with code 0, it ended with code ${code}, signal ${killedBy}`);
    const lines = server.stdout.trim().split('\n');
    check(
      lines.at(-2) === `signal ${number}` && lines.at(-1) === 'stopped',
      `after ${signal} the server prints "signal ${number}" then "stopped", it printed ${JSON.stringify(lines)}`,
    );
    for (const [name, socket] of [['idle', idleSocket], ['waiting', waitingSocket]]) {
      await socket.until(() => socket.ended, 1000, `the ${name} session's socket must be closed by the server`);
      check(socket.closeCode === 1001, `the ${name} session's socket is closed as going away (1001), got ${socket.closeCode}`);
    }
    check(!/AddressSanitizer|LeakSanitizer|runtime error/.test(server.stderr), 'the sanitizers reported a problem');
    console.log(`ok - ${signal} stops the server in order (${took} ms after the signal)`);
    idleSocket.destroy();
    waitingSocket.destroy();
  } catch (error) {
    error.message = `${signal}: ${error.message}\n${server.output()}`;
    throw error;
  } finally {
    await server.dispose();
  }
}

try {
  for (const [signal, number] of [['SIGTERM', 15], ['SIGINT', 2]]) await stopCase(signal, number);
} catch (error) {
  console.error(`FAILED: ${error.message}`);
  process.exit(1);
}
console.log('the server stops in order on both signals');
process.exit(0);
