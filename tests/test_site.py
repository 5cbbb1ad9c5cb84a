"""The documentation site, built as ./dev docs builds it and opened from its files, as the README says,
in Debian's headless Chromium driven by Playwright: the home page and the newton entry show their text
and pictures, search lists a function's entry first, tables never split a token across lines, no page
links from the root of the file system, no page asks for anything outside the site, and the error page
works where a server shows it for a missing address at any depth. The screenshots stay in the test's
temporary folder."""

import functools
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import threading
from pathlib import Path
from unittest import mock
from urllib.parse import urlsplit

import pytest

from conftest import foreign_environment

ROOT = Path(__file__).resolve().parent.parent
pytest.importorskip("mkdocs")
pytest.importorskip("material")
sync_api = pytest.importorskip("playwright.sync_api", reason="Playwright is missing: pip install -r requirements-dev.txt")
sys.path.insert(0, str(ROOT / "docs" / "hooks"))

import reference  # noqa: E402

LINK = re.compile(r'\b(?:href|src)="([^"]*)"')
CONFIG = re.compile(r'<script id="__config" type="application/json">(.*?)</script>', re.S)


@pytest.fixture(scope="module")
def site(tmp_path_factory):
    out = tmp_path_factory.mktemp("site") / "docs"
    build = subprocess.run([sys.executable, "-m", "mkdocs", "build", "--strict", "--site-dir", str(out)],
                           cwd=ROOT, capture_output=True, text=True, env={**os.environ, "NO_MKDOCS_2_WARNING": "1"})
    assert build.returncode == 0, build.stdout + build.stderr
    return out


@pytest.fixture(scope="module")
def browser():
    executable = shutil.which("chromium") or shutil.which("chromium-browser")
    if executable is None:
        pytest.skip("Chromium is missing: the site tests drive Debian's; install it with `apt-get install chromium`")
    # Playwright's driver (Node.js) and the browser it starts are not Pythons running vexari.
    with mock.patch.dict(os.environ, foreign_environment(), clear=True):
        playwright = sync_api.sync_playwright().start()
    try:
        opened = playwright.chromium.launch(executable_path=executable, env=foreign_environment())
        yield opened
        opened.close()
    finally:
        playwright.stop()


@pytest.fixture
def page(browser):
    opened = browser.new_page(viewport={"width": 1280, "height": 1000})
    yield opened
    opened.close()


IMAGES = "Array.from(document.querySelectorAll('article img')).map(i => [i.getAttribute('src'), i.complete, i.naturalWidth])"


def shown_images(page):
    # Lazy images load once scrolled into view.
    page.evaluate("document.querySelectorAll('article img').forEach(i => { i.loading = 'eager'; i.scrollIntoView(); })")
    page.wait_for_function(f"{IMAGES}.every(([src, complete, width]) => complete)")
    page.evaluate("window.scrollTo(0, 0)")
    return page.evaluate(IMAGES)


def test_home_page_shows_its_text_and_picture(site, page, tmp_path):
    page.goto((site / "index.html").as_uri())
    text = page.inner_text("article")
    assert "A numerical toolkit for Python" in text and "1.4142135623730951" in text
    images = shown_images(page)
    assert images and all(width > 100 for _, _, width in images), images
    assert any(src.endswith("gallery/images/newton_animation.gif") for src, _, _ in images), images
    page.screenshot(path=tmp_path / "home.png")
    assert (tmp_path / "home.png").stat().st_size > 20_000


def test_newton_entry_shows_signature_results_example_and_picture(site, page, tmp_path):
    page.goto((site / "reference" / "root-finding.html").as_uri() + "#newton")
    entry = page.evaluate("""(() => {
        const heading = document.getElementById('newton');
        const parts = [heading.innerText];
        for (let node = heading.nextElementSibling; node && node.tagName !== 'H2'; node = node.nextElementSibling)
            parts.push(node.innerText);
        return parts.join('\\n');
    })()""")
    for expected in ["newton(", "function: ScalarFunction", "max_iter: Count = 50", "Parameters", '"converged"',
                     '"history"', "tangent slope is too small for Newton step", ">>> result = vexari.newton("]:
        assert expected in entry, expected
    images = [image for image in shown_images(page) if "newton_animation" in image[0]]
    assert images and images[0][2] > 100, images
    page.evaluate("document.getElementById('newton').scrollIntoView()")
    page.screenshot(path=tmp_path / "newton.png")
    assert (tmp_path / "newton.png").stat().st_size > 20_000


# The first three as a reader would try them; the others are names that begin another function's
# name (norm, normalize) or a gallery script's (tangent_lines), which search once ranked above them.
@pytest.mark.parametrize("name", ["newton", "tanh_sinh", "polyroot", "gradient", "norm", "tangent_lines"])
def test_search_from_the_files_lists_the_functions_entry_first(site, page, name):
    page.goto((site / "index.html").as_uri() + f"?q={name}")
    assert page.is_visible("input[data-md-component=search-query]")
    first = page.locator(".md-search-result__item").first
    first.wait_for()
    links = [urlsplit(href) for href in first.locator("a").evaluate_all("links => links.map(a => a.href)")]
    family = reference.slug(reference.parse().entries[name].family)
    expected = (site / "reference" / f"{family}.html").as_uri()
    assert [(f"{link.scheme}://{link.path}", link.fragment) for link in links if link.fragment][0] == (expected, name)


def test_no_page_links_from_the_root_and_the_error_page_reaches_the_site(site):
    for html in sorted(site.rglob("*.html")):
        text = html.read_text()
        config = json.loads(CONFIG.search(text).group(1))
        rooted = [link for link in LINK.findall(text) + [config["base"], config["search"]] if link.startswith("/")]
        assert not rooted, f"{html.relative_to(site)}: {rooted}"
    # The error page lies in the site's top folder: what it links and loads is there.
    error = (site / "404.html").read_text()
    local = [urlsplit(link).path for link in LINK.findall(error) + [json.loads(CONFIG.search(error).group(1))["search"]]
             if not urlsplit(link).scheme and urlsplit(link).path]
    assert len(local) > 30 and all((site / path).is_file() for path in local), local


# Each run of non-blank characters in a table's code, with the distinct tops of the boxes it is drawn in.
SPLIT_TOKENS = r"""(() => {
    const split = [];
    for (const code of document.querySelectorAll('article table code')) {
        const walker = document.createTreeWalker(code, NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            for (const match of node.data.matchAll(/\S+/g)) {
                const range = document.createRange();
                range.setStart(node, match.index);
                range.setEnd(node, match.index + match[0].length);
                const tops = new Set(Array.from(range.getClientRects(), box => Math.round(box.top)));
                if (tops.size > 1) split.push(match[0]);
            }
        }
    }
    return split;
})()"""


@pytest.mark.parametrize("width", [360, 700])
def test_tables_keep_each_token_of_code_on_one_line(site, page, width):
    page.set_viewport_size({"width": width, "height": 900})
    pages = [html for html in sorted(site.rglob("*.html")) if "<table" in html.read_text()]
    tokens = 0
    for html in pages:
        page.goto(html.as_uri())
        tokens += page.evaluate("document.querySelectorAll('article table code').length")
        assert page.evaluate(SPLIT_TOKENS) == [], html.relative_to(site)
    assert len(pages) > 12 and tokens > 500, (len(pages), tokens)


class SiteServer(http.server.SimpleHTTPRequestHandler):
    """Serves the site's folder and answers a missing address with the error page, as a web host does."""

    def send_error(self, code, message=None, explain=None):
        if code != 404:
            return super().send_error(code, message, explain)
        body = (Path(self.directory) / "404.html").read_bytes()
        self.send_response(404)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def log_message(self, *arguments):
        pass


@pytest.fixture(scope="module")
def served(site):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(SiteServer, directory=str(site)))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_port}"
    server.shutdown()
    thread.join()
    server.server_close()


def record_traffic(page, inside: str) -> tuple[list[str], list[str], list[str]]:
    """(requests that left the site, responses of 400 and above, console errors) as the page goes on;
    a request leaving the site is stopped before it reaches the network."""
    outside, failed, errors = [], [], []

    def leaving(route):
        outside.append(route.request.url)
        route.abort()

    page.route(lambda url: not url.startswith((inside, "data:", "blob:", "about:")), leaving)
    page.on("response", lambda response: response.status >= 400 and failed.append(f"{response.status} {response.url}"))
    page.on("requestfailed", lambda request: request.url.startswith(inside) and failed.append(f"failed {request.url}"))
    page.on("console", lambda message: message.type == "error" and errors.append(message.text))
    return outside, failed, errors


@pytest.mark.parametrize("path", ["index.html", "reference/root-finding.html", "gallery.html", "platforms.html",
                                  "404.html"])
def test_a_page_opened_offline_asks_for_nothing_outside_the_site(site, page, path):
    outside, failed, errors = record_traffic(page, site.as_uri() + "/")
    page.goto((site / path).as_uri())
    page.wait_for_load_state("networkidle")
    # The theme's fonts are the system's: what the header is drawn in is no web font.
    font = page.evaluate("getComputedStyle(document.querySelector('.md-header')).fontFamily")
    assert (outside, failed, errors) == ([], [], []) and "Roboto" not in font, (outside, failed, errors, font)


@pytest.mark.parametrize("depth", ["nope.html", "reference/nope.html", "guides/deeper/still/nope.html"])
def test_the_error_page_works_where_a_server_shows_it(served, page, depth):
    outside, failed, errors = record_traffic(page, served + "/")
    response = page.goto(f"{served}/{depth}?q=newton")
    assert response.status == 404
    assert "404" in page.inner_text(".md-content article")
    # Every stylesheet loaded and applies: the header has the theme's colour, not none.
    sheets = "Array.from(document.querySelectorAll('link[rel=stylesheet]')).map(l => [l.href, l.sheet !== null && l.sheet.cssRules.length > 0])"
    assert all(loaded for _, loaded in page.evaluate(sheets)), page.evaluate(sheets)
    assert page.evaluate("getComputedStyle(document.querySelector('.md-header')).backgroundColor") not in ("", "rgba(0, 0, 0, 0)")
    assert page.evaluate("document.querySelector('a.md-logo').href") == f"{served}/index.html"
    # Search, which reads the theme's configuration, finds newton's entry from there too.
    first = page.locator(".md-search-result__item").first
    first.wait_for()
    links = [urlsplit(href) for href in first.locator("a").evaluate_all("links => links.map(a => a.href)")]
    assert (f"{served}/reference/root-finding.html", "newton") in [
        (f"{link.scheme}://{link.netloc}{link.path}", link.fragment) for link in links]
    page.wait_for_load_state("networkidle")
    # The one failure is the missing address itself (the browser logs its status as an error).
    assert outside == [] and failed == [f"404 {served}/{depth}?q=newton"] and len(errors) == 1 and "404" in errors[0], \
        (outside, failed, errors)
