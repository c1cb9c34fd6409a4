"""The search-quality bench's queries, its scoring, and its run of Sphinx's
own search on the Python manual (skipped when the manual or Node is missing).
  python3 tests/bench/search_quality_test.py"""
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

BENCH = Path(__file__).resolve().parents[2] / "bench"
sys.path.insert(0, str(BENCH))
import search_quality  # noqa: E402

MANUAL = Path("/usr/share/doc/python3.11/html")


class ManualFolder(unittest.TestCase):
    """A small made-up Sphinx manual in a temporary folder."""

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        for page, text in {
            "library/json.html": "<h1>Configuring json</h1><p>The <b>json</b> module, <i>vestibulum</i>, often.</p>",
            "library/os.html": "<p>Configuring the os module, often.</p>",
        }.items():
            (self.folder / page).parent.mkdir(parents=True, exist_ok=True)
            (self.folder / page).write_text(text)

    def write_inventory(self, lines):
        header = b"# Sphinx inventory version 2\n# Project: T\n# Version: 1\n# zlib follows\n"
        (self.folder / "objects.inv").write_bytes(header + zlib.compress("\n".join(lines).encode()))


class Queries(ManualFolder):
    def test_names_come_from_the_python_domain_with_their_pages(self):
        self.write_inventory([
            "json.dumps py:function 1 library/json.html#$ -",
            "json py:module 0 library/json.html#module-json -",
            "os.sep py:data 1 library/os.html#os.sep os.sep",
            "gone py:function 1 whatsnew/changelog.html#$ -",
            "Some label std:label -1 library/os.html#label Some label",
        ])
        names = search_quality.shipped(self.folder, search_quality.inventory_names(self.folder))
        self.assertEqual(names, {"json.dumps": {"library/json.html"}, "json": {"library/json.html"},
                                 "os.sep": {"library/os.html"}})

    def test_titles_are_plain_text_without_section_numbers_or_placeholders(self):
        index = {"docnames": ["a", "b", "c", "d", "e"], "titles": [
            '<span class="section-number">3. </span>Data <code>model</code>', "&lt;no title&gt;", "",
            "A &amp; B", "A &amp;  B"]}
        self.assertEqual(search_quality.page_titles(index),
                         {"Data model": {"a.html"}, "A & B": {"d.html", "e.html"}})

    def test_rare_words_are_words_of_only_the_pages_listed_for_them(self):
        index = {"docnames": ["library/json", "library/os", "whatsnew/changelog", "index"], "terms": {
            "vestibulum": 0,         # a word of its page
            "configuring": 1,        # a word of this page and of another one's title
            "module": 0,             # a stem listed for one page, the word of two
            "configur": 1,           # a stem, no word of its page
            "elsewher": 2,           # only in a page the folder lacks
            "json": 0,               # shorter than 5 letters
            "often": [0, 1, 2, 3],   # listed for more than three pages
        }, "titleterms": {"configuring": 0}}
        words = search_quality.rare_words(index, self.folder, random.Random(1), 10)
        self.assertEqual(words, {"vestibulum": {"library/json.html"},
                                 "configuring": {"library/json.html", "library/os.html"}})


class Scoring(unittest.TestCase):
    def test_a_page_counts_at_its_first_place_whatever_its_anchor(self):
        expected = {"library/json.html"}
        self.assertEqual(search_quality.rank(["library/json.html#json.dumps"], expected), 1)
        self.assertEqual(search_quality.rank(["_sources/library/json.rst.txt", "a.html", "library/json.html"],
                                             expected), 3)
        self.assertEqual(search_quality.rank(["library/jsonx.html"], expected), 0)

    def test_recall_counts_each_place_nothing_found_and_sources(self):
        recall = search_quality.Recall()
        expected = {"p.html"}
        for links in (["p.html"], ["x.html", "p.html#a"], ["_sources/p.txt"] * 3 + ["p.html"], [], ["x.html"]):
            recall.add(links, expected)
        self.assertEqual((recall.queries, recall.first, recall.first3, recall.first10, recall.nothing,
                          recall.sources), (5, 1, 2, 3, 1, 1))


@unittest.skipUnless(MANUAL.is_dir() and shutil.which("node"), "needs python3.11-doc and Node")
class SphinxPeer(unittest.TestCase):
    def test_each_query_gets_its_own_line_of_sphinx_links_best_first(self):
        queries = "json.dumps\nzzqqxxnothing\nos.path — Common pathname manipulations\n"
        run = subprocess.run(["node", str(BENCH / "sphinx_search.js"), str(MANUAL), "3"], input=queries,
                             capture_output=True, text=True, check=True)
        lines = [line.split("\t") if line else [] for line in run.stdout.splitlines()]
        self.assertEqual(len(lines), 3)
        self.assertEqual(lines[0][0], "library/json.html#json.dumps")
        self.assertEqual(len(lines[0]), 3)
        self.assertEqual(lines[1], [])
        self.assertEqual(lines[2][0].split("#")[0], "library/os.path.html")


if __name__ == "__main__":
    unittest.main()
