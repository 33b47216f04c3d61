// A script for Vozmira's pages, added to each page before its own scripts.

// Counts the server's unlocks of the page (each event the page waits for ends with one), so a
// step can wait for the server to have finished with the event it caused.
export function countUnlocks() {
  window.vozmiraUnlocks = 0;
  let unlock;
  Object.defineProperty(window, 'UnLockThreadClient', {
    configurable: true,
    get() {
      return unlock;
    },
    set(value) {
      unlock = function () {
        window.vozmiraUnlocks += 1;
        return value.apply(this, arguments);
      };
    },
  });
}
