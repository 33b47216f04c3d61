/*
 * Runs as the page is left. The session outlives its page, so that a reload finds it again:
 * nothing is handed back here. The server fills in the session's UUID and token and the page
 * form's UUID where their placeholders stand, and wraps the text in a script element.
 */
