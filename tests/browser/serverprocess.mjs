// Runs the test form server as a child process for the browser and stop tests: starts it on a
// fresh temporary web root, reads the port it announces, and stops it with a signal, collecting
// everything it printed so that a failure can show it.

import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// Rejects with `message` when `promise` has not settled within `ms` milliseconds.
export function within(ms, promise, message) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${message} (no result within ${ms} ms)`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

export class ServerProcess {
  // `binary` is the server executable, `extraArgs` follow the web root on its command line.
  // With `webRoot` false the program gets no web root and no folder is made: `extraArgs` are its
  // whole command line.
  constructor(binary, extraArgs = [], extraEnv = {}, { webRoot = true } = {}) {
    this.folder = webRoot ? mkdtempSync(join(tmpdir(), 'duo-browser-')) : undefined;
    this.root = webRoot ? join(this.folder, 'root') : undefined;
    this.stdout = '';
    this.stderr = '';
    this.port = 0;
    const args = webRoot ? [this.root, ...extraArgs.map((arg) => arg.replaceAll('{folder}', this.folder))] : extraArgs;
    this.child = spawn(binary, args, {
      env: { ...process.env, ...extraEnv },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    this.exited = new Promise((resolve) => {
      this.child.on('exit', (code, signal) => resolve({ code, signal }));
      // A program that cannot be started never exits; it counts as ended at once.
      this.child.on('error', (error) => {
        this.stderr += `cannot run ${binary}: ${error.message}\n`;
        resolve({ code: null, signal: null });
      });
    });
    this.child.stdout.setEncoding('utf8');
    this.child.stderr.setEncoding('utf8');
    this.child.stdout.on('data', (text) => {
      this.stdout += text;
      this.onOutput?.();
    });
    this.child.stderr.on('data', (text) => {
      this.stderr += text;
    });
  }

  // Resolves once stdout holds a line matching `pattern`; fails if the process ends first.
  waitForLine(pattern, ms, what) {
    const found = () => this.stdout.split('\n').find((line) => pattern.test(line));
    return within(
      ms,
      new Promise((resolve, reject) => {
        const look = () => {
          const line = found();
          if (line !== undefined) {
            this.onOutput = undefined;
            resolve(line);
          }
        };
        this.onOutput = look;
        this.exited.then(({ code, signal }) => {
          look();
          reject(new Error(`the server ended (code ${code}, signal ${signal}) before printing ${what}`));
        });
        look();
      }),
      `the server did not print ${what}`,
    );
  }

  async start(ms = 30000) {
    const line = await this.waitForLine(/^listening \d+$/, ms, '"listening PORT"');
    this.port = Number(line.split(' ')[1]);
    return this.port;
  }

  get url() {
    return `http://127.0.0.1:${this.port}/`;
  }

  // Sends the signal and resolves with the exit status; kills the process if it is still
  // running after `ms` milliseconds, and fails then.
  async stop(signal = 'SIGTERM', ms = 10000) {
    if (this.child.pid !== undefined && this.child.exitCode === null && this.child.signalCode === null) {
      this.child.kill(signal);
    }
    try {
      return await within(ms, this.exited, `the server did not end after ${signal}`);
    } catch (error) {
      if (this.child.pid !== undefined) this.child.kill('SIGKILL');
      await this.exited;
      throw error;
    }
  }

  // Ends the process whatever its state and removes its folder; for the end of every run.
  async dispose() {
    try {
      await this.stop('SIGTERM', 10000);
    } catch {
      // Already reported by whoever stopped it; the process is gone either way.
    }
    if (this.folder !== undefined) rmSync(this.folder, { recursive: true, force: true });
  }

  output() {
    return `--- server stdout ---\n${this.stdout}--- server stderr ---\n${this.stderr}`;
  }
}
