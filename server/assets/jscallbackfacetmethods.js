/*
 * Identity of the page's own form, needed by the page-level events that the browser runtime
 * sends by itself (page loaded, control updates). The server substitutes the form's UUID as
 * bare text. The text is plain script: the server wraps it in a script element.
 */
var duoFormUUID = "{{FormUUID}}";
