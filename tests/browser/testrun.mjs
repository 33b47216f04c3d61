// The frame of one browser test file: its arguments (the program to test and, optionally, part of
// a scenario's name to run only those), its screenshot folder with the file's old screenshots
// removed, and a fresh folder for its server's files.

import { mkdirSync, mkdtempSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export function testRun(script, prefix) {
  const binary = process.argv[2];
  const only = process.argv[3];
  if (!binary) {
    console.error(`usage: node ${script} PATH/TO/vozmira-web [PART-OF-A-SCENARIO-NAME]`);
    process.exit(2);
  }
  const screenshots = join(process.cwd(), 'screenshots');
  mkdirSync(screenshots, { recursive: true });
  for (const name of readdirSync(screenshots))
    if (name.startsWith(prefix)) rmSync(join(screenshots, name), { force: true });
  const folder = mkdtempSync(join(tmpdir(), `${prefix.replaceAll('_', '-')}`));
  const lockFolder = join(folder, 'lock');
  mkdirSync(lockFolder, { recursive: true });
  return { binary, only, screenshots, folder, lockFolder };
}
