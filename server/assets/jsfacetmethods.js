/*
 * Identity of the framework and of the server that sent the page. The server substitutes the
 * three values as JSON string literals.
 * The text is plain script: the server wraps it in a script element.
 */
var duo = {
  "version": {{version}},
  "servername": {{servername}},
  "serverdescription": {{serverdescription}}
};
