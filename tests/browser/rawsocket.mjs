// A minimal WebSocket client over a plain TCP socket, for tests that need to see exactly what the
// server does with a connection: the handshake answer, each frame it sends (with the close
// code), and when it ends the TCP connection.

import { createHash, randomBytes } from 'node:crypto';
import { connect } from 'node:net';
import { within } from './serverprocess.mjs';

const HANDSHAKE_GUID = '258EAFA5-E914-47DA-95CA-C5AB0DC85B11';

export class RawWebSocket {
  // Opens `path` on 127.0.0.1:`port` and resolves once the server has switched protocols.
  static async open(port, path, ms = 10000) {
    const socket = new RawWebSocket();
    await within(ms, socket.#handshake(port, path), `WebSocket handshake for ${path}`);
    return socket;
  }

  constructor() {
    this.frames = []; // {opcode, payload: Buffer}
    this.closeCode = null; // code of the server's close frame
    this.ended = false; // the server ended the TCP connection
    this.waiters = [];
    this.buffer = Buffer.alloc(0);
  }

  #handshake(port, path) {
    return new Promise((resolve, reject) => {
      const key = randomBytes(16).toString('base64');
      const expectedAccept = createHash('sha1').update(key + HANDSHAKE_GUID).digest('base64');
      this.tcp = connect(port, '127.0.0.1');
      let head = null;
      this.tcp.on('error', (error) => {
        if (head === null) reject(error);
      });
      this.tcp.on('connect', () => {
        this.tcp.write(
          `GET ${path} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n` +
            `Sec-WebSocket-Key: ${key}\r\nSec-WebSocket-Version: 13\r\n\r\n`,
        );
      });
      this.tcp.on('data', (chunk) => {
        this.buffer = Buffer.concat([this.buffer, chunk]);
        if (head === null) {
          const end = this.buffer.indexOf('\r\n\r\n');
          if (end < 0) return;
          head = this.buffer.subarray(0, end).toString('latin1');
          this.buffer = this.buffer.subarray(end + 4);
          const accept = /^Sec-WebSocket-Accept:\s*(\S+)/im.exec(head)?.[1];
          if (!head.startsWith('HTTP/1.1 101') || accept !== expectedAccept) {
            reject(new Error(`the server refused the WebSocket: ${head.split('\r\n')[0]}`));
            return;
          }
          resolve();
        }
        this.#readFrames();
      });
      this.tcp.on('close', () => {
        this.ended = true;
        if (head === null) reject(new Error('the server closed the connection during the handshake'));
        this.#notify();
      });
    });
  }

  #readFrames() {
    for (;;) {
      if (this.buffer.length < 2) return;
      const opcode = this.buffer[0] & 0x0f;
      let length = this.buffer[1] & 0x7f;
      let offset = 2;
      if (length === 126) {
        if (this.buffer.length < 4) return;
        length = this.buffer.readUInt16BE(2);
        offset = 4;
      } else if (length === 127) {
        if (this.buffer.length < 10) return;
        length = Number(this.buffer.readBigUInt64BE(2));
        offset = 10;
      }
      if (this.buffer.length < offset + length) return;
      const payload = this.buffer.subarray(offset, offset + length);
      this.buffer = this.buffer.subarray(offset + length);
      this.frames.push({ opcode, payload });
      if (opcode === 0x8) this.closeCode = payload.length >= 2 ? payload.readUInt16BE(0) : 1005;
      this.#notify();
    }
  }

  #notify() {
    for (const waiter of [...this.waiters]) waiter();
  }

  // Resolves once `condition()` holds, re-checked after every frame and at the end of the connection.
  until(condition, ms, what) {
    return within(
      ms,
      new Promise((resolve) => {
        const look = () => {
          if (!condition()) return;
          this.waiters = this.waiters.filter((waiter) => waiter !== look);
          resolve();
        };
        this.waiters.push(look);
        look();
      }),
      what,
    );
  }

  // The text frames received so far.
  texts() {
    return this.frames.filter((frame) => frame.opcode === 0x1).map((frame) => frame.payload.toString('utf8'));
  }

  // Sends a masked text frame, as a browser does.
  sendText(text) {
    const payload = Buffer.from(text, 'utf8');
    const mask = randomBytes(4);
    let head;
    if (payload.length < 126) {
      head = Buffer.from([0x81, 0x80 | payload.length]);
    } else if (payload.length < 65536) {
      head = Buffer.alloc(4);
      head[0] = 0x81;
      head[1] = 0x80 | 126;
      head.writeUInt16BE(payload.length, 2);
    } else {
      head = Buffer.alloc(10);
      head[0] = 0x81;
      head[1] = 0x80 | 127;
      head.writeBigUInt64BE(BigInt(payload.length), 2);
    }
    const masked = Buffer.from(payload.map((byte, i) => byte ^ mask[i % 4]));
    this.tcp.write(Buffer.concat([head, mask, masked]));
  }

  destroy() {
    this.tcp?.destroy();
  }
}
