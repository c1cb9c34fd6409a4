// Sphinx's own search of a manual, the peer of bench/search_quality.sh: the
// manual's scripts (documentation_options.js, doctools.js, searchtools.js,
// language_data.js, then searchindex.js) run unchanged in one context, with
// only as much of a browser as they touch. Each query read from standard
// input (one a line) goes through Search.performSearch as the search page
// sends it; the links of its first LIMIT results are printed tab-separated
// on one line (`page.html#anchor`), an empty line when nothing is found.
//   node bench/sphinx_search.js MANUAL-FOLDER [LIMIT] < QUERIES
"use strict";
const fs = require("fs");
const path = require("path");
const readline = require("readline");
const vm = require("vm");

const [folder, limitArgument] = process.argv.slice(2);
if (!folder) {
  console.error("usage: node bench/sphinx_search.js MANUAL-FOLDER [LIMIT] < QUERIES");
  process.exit(2);
}
const limit = Number(limitArgument || 10);

// An element that keeps its children and whatever is set on it, and draws nothing.
class InertElement {
  constructor(tagName) {
    this.tagName = tagName.toUpperCase();
    this.children = [];
    this.dataset = {};
    this.style = {};
    this.classList = { add() {}, remove() {} };
  }
  get lastChild() {
    return this.children.length ? this.children[this.children.length - 1] : null;
  }
  appendChild(child) {
    this.children.push(child);
    return child;
  }
  removeChild(child) {
    this.children.splice(this.children.indexOf(child), 1);
    return child;
  }
  getAttribute(name) {
    return name === "data-url_root" ? "./" : null;
  }
  addEventListener() {}
  querySelectorAll() {
    return [];
  }
}

// Timers run only when drained, in the order they were set.
const timers = [];
const schedule = (callback) => timers.push(callback);

let resultsElement = new InertElement("div");
const document = {
  readyState: "complete",
  body: new InertElement("body"),
  createElement: (tagName) => new InertElement(tagName),
  getElementById: (id) => (id === "search-results" ? resultsElement : new InertElement("div")),
  querySelector: () => null,
  querySelectorAll: () => [],
  addEventListener() {},
};
const browser = {
  document,
  location: { search: "", href: "search.html" },
  setTimeout: schedule,
  localStorage: { getItem: () => null, setItem() {}, removeItem() {} },
  // The summaries under each result are never fetched: the ranking is made by then.
  fetch: () => new Promise(() => {}),
  URLSearchParams,
  console,
};
browser.window = browser;
const context = vm.createContext(browser);
// sphinx_highlight.js only highlights the pages opened from the results.
vm.runInContext("var SPHINX_HIGHLIGHT_ENABLED = false;", context);
for (const script of [
  "_static/documentation_options.js",
  "_static/doctools.js",
  "_static/searchtools.js",
  "_static/language_data.js",
  "searchindex.js",
]) {
  const file = path.join(folder, script);
  vm.runInContext(fs.readFileSync(file, "utf8"), context, { filename: file });
}
const Search = vm.runInContext("Search", context);

// The links of the first `limit` results Sphinx lists for `query`.
function ranked(query) {
  resultsElement = new InertElement("div");
  Search.performSearch(query);
  // The list grows a result a timer; the status line says when it is complete.
  while (timers.length && Search.output.children.length < limit && !Search.status.innerText) timers.shift()();
  timers.length = 0;
  Search.stopPulse();
  return Search.output.children.slice(0, limit).map((item) => item.children[0].href);
}

const lines = readline.createInterface({ input: process.stdin, crlfDelay: Infinity });
const answers = [];
lines.on("line", (query) => answers.push(ranked(query).join("\t")));
lines.on("close", () => process.stdout.write(answers.map((line) => line + "\n").join("")));
