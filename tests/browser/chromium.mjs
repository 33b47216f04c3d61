// The system's Chromium, started headless for the browser tests.

import { chromium } from '../../node_modules/playwright-core/index.mjs';
import { within } from './serverprocess.mjs';

export function launchChromium() {
  return within(
    30000,
    chromium.launch({
      executablePath: '/usr/bin/chromium',
      args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
    }),
    'Chromium did not start',
  );
}
