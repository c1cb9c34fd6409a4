#!/usr/bin/env python3
"""The queries and the figures of bench/search_quality.sh.

  search_quality.py sample MANUAL SEED > QUERIES
      random queries on a Sphinx manual, one a line: set, query and the
      pages that answer it (space-separated), tab-separated;
  search_quality.py score QUERIES OURS SPHINX [--misses]
      recall of this build's and Sphinx's results (one line per query, the
      links of its results tab-separated) against the goals; with --misses,
      every query this build does not answer first too.
"""
import html
import json
import random
import re
import sys
import zlib
from pathlib import Path

NAMES, TITLES, RARE_WORDS = 300, 200, 100


def plain_text(markup):
    """The text of an HTML fragment, its white space collapsed."""
    return " ".join(html.unescape(re.sub(r"<[^>]*>", " ", markup)).split())


def shipped(manual, answers):
    """The queries with only the pages the folder holds (Debian leaves out the
    changelog), those left with none dropped."""
    answers = {query: {page for page in pages if (manual / page).is_file()} for query, pages in answers.items()}
    return {query: pages for query, pages in answers.items() if pages}


def inventory_names(manual):
    """Every name of the `py:` domain in objects.inv, with the pages it is on."""
    data = (manual / "objects.inv").read_bytes()
    header_end = 0
    for _ in range(4):
        header_end = data.index(b"\n", header_end) + 1
    names = {}
    entry = re.compile(r"(.+?)\s+(\S+)\s+(-?\d+)\s+?(\S*)\s+(.*)")
    for line in zlib.decompress(data[header_end:]).decode().splitlines():
        match = entry.fullmatch(line)
        if not match or not match.group(2).startswith("py:"):
            continue
        name, uri = match.group(1), match.group(4)
        if uri.endswith("$"):
            uri = uri[:-1] + name
        names.setdefault(name, set()).add(uri.split("#")[0])
    return names


def search_index(manual):
    text = (manual / "searchindex.js").read_text()
    return json.loads(text[text.index("(") + 1 : text.rindex(")")])


def page_titles(index):
    """Every page title as a reader would type it (without its section
    number: "Data model", not "3. Data model"), with the pages that bear it."""
    titles = {}
    for docname, title in zip(index["docnames"], index["titles"]):
        shown = plain_text(re.sub(r'<span class="section-number">[^<]*</span>', "", title))
        if shown and shown != "<no title>":
            titles.setdefault(shown, set()).add(docname + ".html")
    return titles


def pages_by_word(manual, index):
    """Every word of the text of the manual's pages, lowercase, with the pages that hold it."""
    pages = {}
    for docname in index["docnames"]:
        page = manual / (docname + ".html")
        if page.is_file():
            for word in set(re.findall(r"\w+", plain_text(page.read_text(errors="replace")).lower())):
                pages.setdefault(word, set()).add(docname + ".html")
    return pages


def rare_words(index, manual, rng, count):
    """`count` words of 5 letters or more from the index's terms that one to
    three pages hold, with those pages. The index lists stems ("configur"),
    and most pages' "status" as "statu" while "status" is listed for one
    page, so a term is taken only when the pages whose text holds it as a
    word are among the pages the index lists it for, in text or titles."""

    def listed(term):
        documents = set()
        for listing in (index["terms"], index["titleterms"]):
            found = listing.get(term, [])
            documents.update([found] if isinstance(found, int) else found)
        return {index["docnames"][document] + ".html" for document in documents}

    candidates = sorted(term for term in index["terms"] if len(term) >= 5 and term.isalpha())
    rng.shuffle(candidates)
    holding = pages_by_word(manual, index)
    chosen = {}
    for term in candidates:
        pages = listed(term)
        if len(pages) <= 3 and holding.get(term) and holding[term] <= pages:
            chosen[term] = pages
            if len(chosen) == count:
                break
    return shipped(manual, chosen)


def sample(manual, seed):
    manual = Path(manual)
    rng = random.Random(seed)
    index = search_index(manual)
    names, titles = shipped(manual, inventory_names(manual)), shipped(manual, page_titles(index))
    sets = [
        ("names", {name: names[name] for name in rng.sample(sorted(names), NAMES)}),
        ("titles", {title: titles[title] for title in rng.sample(sorted(titles), TITLES)}),
        ("rare words", rare_words(index, manual, rng, RARE_WORDS)),
    ]
    for kind, queries in sets:
        for query, pages in queries.items():
            print(f"{kind}\t{query}\t{' '.join(sorted(pages))}")


def rank(links, expected):
    """Where the first expected page stands in the results (1 for the first), or 0."""
    for position, link in enumerate(links, 1):
        if link.split("#")[0] in expected:
            return position
    return 0


def first(links):
    return links[0] if links else "(nothing)"


class Recall:
    """The figures of one search on one set of queries."""

    def __init__(self):
        self.queries = self.first = self.first3 = self.first10 = self.nothing = self.sources = 0

    def add(self, links, expected):
        position = rank(links, expected)
        self.queries += 1
        self.first += position == 1
        self.first3 += 1 <= position <= 3
        self.first10 += 1 <= position <= 10
        self.nothing += not links
        self.sources += any(link.startswith("_sources/") for link in links)

    def percent(self, count):
        return 100.0 * count / self.queries if self.queries else 0.0

    def row(self):
        return "  ".join(
            f"{self.percent(count):9.1f} %"
            for count in (self.first, self.first3, self.first10, self.nothing, self.sources)
        )


def read_results(path):
    return [line.rstrip("\n").split("\t") if line.strip() else [] for line in open(path, encoding="utf-8")]


# What each set must reach: (label, set, figure, least percentage).
GOALS = [
    ("names found first", "names", "first", 90),
    ("names in the first 3", "names", "first3", 97),
    ("titles found first", "titles", "first", 97),
    ("rare words found first", "rare words", "first", 90),
]


def score(queries_path, ours_path, sphinx_path, misses):
    queries = [line.rstrip("\n").split("\t") for line in open(queries_path, encoding="utf-8")]
    ours, sphinx = read_results(ours_path), read_results(sphinx_path)
    if not len(queries) == len(ours) == len(sphinx):
        sys.exit(f"{len(queries)} queries but {len(ours)} and {len(sphinx)} answers")
    kinds = list(dict.fromkeys(kind for kind, _, _ in queries))
    recall = {(kind, who): Recall() for kind in kinds for who in ("this build", "Sphinx")}
    for (kind, _, expected), our_links, sphinx_links in zip(queries, ours, sphinx):
        recall[kind, "this build"].add(our_links, set(expected.split()))
        recall[kind, "Sphinx"].add(sphinx_links, set(expected.split()))

    print(f"{'':28}{'first':>11}  {'first 3':>11}  {'first 10':>11}  {'nothing':>11}  {'_sources/':>11}")
    for kind in kinds:
        for who in ("this build", "Sphinx"):
            figures = recall[kind, who]
            print(f"{kind + ' (' + str(figures.queries) + ')':17} {who:10}{figures.row()}")
    for label, kind, figure, goal in GOALS:
        value = recall[kind, "this build"].percent(getattr(recall[kind, "this build"], figure))
        peer = recall[kind, "Sphinx"].percent(getattr(recall[kind, "Sphinx"], figure))
        print(f"{label}: {value:.1f} %, Sphinx {peer:.1f} % (goal >= {goal} %: {'met' if value >= goal else 'NOT met'})")
    words = recall["rare words", "this build"]
    print(
        f"rare words with a _sources/ file in the first 10: {words.sources} of {words.queries}, Sphinx "
        f"{recall['rare words', 'Sphinx'].sources} (goal none: {'met' if words.sources == 0 else 'NOT met'})"
    )
    if misses:
        print("not found first here (set, query, expected pages, where this build ranks them,"
              " this build's first, Sphinx's first), tab-separated:")
        for (kind, query, expected), our_links, sphinx_links in zip(queries, ours, sphinx):
            position = rank(our_links, set(expected.split()))
            if position != 1:
                print(f"  {kind}\t{query}\t{expected}\t{position or '-'}\t{first(our_links)}\t{first(sphinx_links)}")


if __name__ == "__main__":
    arguments = sys.argv[1:]
    if arguments[:1] == ["sample"] and len(arguments) == 3:
        sample(arguments[1], int(arguments[2]))
    elif arguments[:1] == ["score"] and len(arguments) in (4, 5):
        score(*arguments[1:4], misses=arguments[4:] == ["--misses"])
    else:
        sys.exit(__doc__)
