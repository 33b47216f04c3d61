// Steps of a browser test on Vozmira's pages: a user's page, and the waits for the server (a page
// usable again, a navigation the server makes, a round of an event the page waits for).

import { countUnlocks } from './unlocks.mjs';

export const STEP_MS = 20000; // any single wait in a page

// The page is loaded, its socket open, the loader hidden and its grids idle.
export async function waitInteractive(page) {
  await page.waitForFunction(() => {
    const loader = document.getElementById('duo-loader');
    const grids = [...document.querySelectorAll('table.ui-jqgrid-btable')].every((t) => !t.grid || !t.grid.hDiv.loading);
    return window.vpageloadcomplete === true && window.facetws?.readyState === WebSocket.OPEN && loader !== null &&
      getComputedStyle(loader).display === 'none' && grids;
  }, null, { timeout: STEP_MS });
}

// Runs `action`, which makes the server show another page, and waits for it to be usable.
export async function navigating(page, action) {
  const loaded = page.waitForEvent('load', { timeout: STEP_MS });
  await action();
  await loaded;
  await waitInteractive(page);
}

// Runs `action`, which sends an event the page waits for, and waits for the server's unlock
// (counted by unlocks.mjs) and the page to be usable again.
export async function serverRound(page, action) {
  const before = await page.evaluate(() => window.vozmiraUnlocks);
  await action();
  await page.waitForFunction((count) => window.vozmiraUnlocks > count && getComputedStyle(document.getElementById('duo-loader')).display === 'none',
    before, { timeout: STEP_MS });
  await waitInteractive(page);
}

// A browser context of its own (a user) in Portuguese with its page: the server's unlocks are
// counted, and page errors and native dialogs are noted in `problems` under `label`.
export async function userPage(browser, problems, label, contextOptions = {}) {
  const context = await browser.newContext({ locale: 'pt-BR', ...contextOptions });
  await context.addInitScript(countUnlocks);
  const page = await context.newPage();
  page.setDefaultTimeout(STEP_MS);
  page.on('pageerror', (error) => problems.push(`${label}: page error: ${error.message}`));
  page.on('dialog', (dialog) => {
    problems.push(`${label}: native dialog: ${dialog.message()}`);
    dialog.dismiss().catch(() => {});
  });
  return { context, page, label };
}
