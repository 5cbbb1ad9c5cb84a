"""The documentation site, built as ./dev docs builds it and opened in headless Chromium: the home page
and the newton entry show their text and pictures, and search finds tanh_sinh. The screenshots stay
in the test's temporary folder."""

import functools
import http.server
import os
import shutil
import subprocess
import sys
import threading
from pathlib import Path

import pytest

import chromium

ROOT = Path(__file__).resolve().parent.parent
pytest.importorskip("mkdocs")
pytest.importorskip("material")


def ensure_chromium() -> str:
    """Chromium's path, installed from Debian's packages first when it is missing and we may."""
    found = chromium.find()
    if found is None and os.geteuid() == 0 and shutil.which("apt-get"):
        env = {**os.environ, "DEBIAN_FRONTEND": "noninteractive"}
        install = ["apt-get", "install", "-y", "--no-install-recommends", "chromium"]
        if subprocess.run(install, capture_output=True, env=env).returncode != 0:
            subprocess.run(["apt-get", "update"], capture_output=True, env=env)
            subprocess.run(install, capture_output=True, env=env)
        found = chromium.find()
    if found is None:
        pytest.skip("Chromium is missing and cannot be installed here (not root, or no apt-get)")
    return found


@pytest.fixture(scope="module")
def site(tmp_path_factory):
    out = tmp_path_factory.mktemp("site") / "docs"
    build = subprocess.run([sys.executable, "-m", "mkdocs", "build", "--strict", "--site-dir", str(out)],
                           cwd=ROOT, capture_output=True, text=True, env={**os.environ, "NO_MKDOCS_2_WARNING": "1"})
    assert build.returncode == 0, build.stdout + build.stderr
    return out


@pytest.fixture(scope="module")
def served(site):
    """The site over HTTP on the loopback (the search runs in a web worker, which file: pages cannot
    start), with the paths that were served."""
    served_paths: list[tuple[str, int]] = []

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_request(self, code="-", size="-"):
            served_paths.append((self.path.split("?")[0], int(code)))

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=str(site)))
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_address[1]}", served_paths
    server.shutdown()
    thread.join()


@pytest.fixture(scope="module")
def browser():
    opened = chromium.Browser(ensure_chromium())
    yield opened
    opened.close()


IMAGES = "Array.from(document.querySelectorAll('article img')).map(i => [i.getAttribute('src'), i.complete, i.naturalWidth])"


def shown_images(browser):
    # Lazy images load once scrolled into view.
    browser.evaluate("document.querySelectorAll('article img').forEach(i => { i.loading = 'eager'; i.scrollIntoView(); })")
    browser.wait_for(f"{IMAGES}.every(([src, complete, width]) => complete)")
    browser.evaluate("window.scrollTo(0, 0)")
    return browser.evaluate(IMAGES)


def test_home_page_shows_its_text_and_picture(served, browser, tmp_path):
    url, served_paths = served
    browser.open(f"{url}/index.html")
    text = browser.evaluate("document.querySelector('article').innerText")
    assert "A numerical toolkit for Python" in text and "1.4142135623730951" in text
    images = shown_images(browser)
    assert images and all(width > 100 for _, _, width in images), images
    assert ("/gallery/images/newton_animation.gif", 200) in served_paths
    shot = browser.screenshot(tmp_path / "home.png")
    assert shot.stat().st_size > 20_000


def test_newton_entry_shows_signature_results_example_and_picture(served, browser, tmp_path):
    url, _ = served
    browser.open(f"{url}/reference/root-finding.html#newton")
    entry = browser.evaluate("""(() => {
        const heading = document.getElementById('newton');
        const parts = [heading.innerText];
        for (let node = heading.nextElementSibling; node && node.tagName !== 'H2'; node = node.nextElementSibling)
            parts.push(node.innerText);
        return parts.join('\\n');
    })()""")
    for expected in ["newton(", "function: ScalarFunction", "max_iter: Count = 50", "Parameters", '"converged"',
                     '"history"', "tangent slope is too small for Newton step", ">>> result = vexari.newton("]:
        assert expected in entry, expected
    images = [image for image in shown_images(browser) if "newton_animation" in image[0]]
    assert images and images[0][2] > 100, images
    browser.evaluate("document.getElementById('newton').scrollIntoView()")
    assert browser.screenshot(tmp_path / "newton.png").stat().st_size > 20_000


def test_search_finds_tanh_sinh(served, browser, tmp_path):
    url, _ = served
    browser.open(f"{url}/index.html")
    browser.evaluate("""(() => {
        const input = document.querySelector('input[data-md-component=search-query]');
        input.focus();
        input.value = 'tanh_sinh';
        input.dispatchEvent(new Event('input', {bubbles: true}));
    })()""")
    results = browser.wait_for(
        "Array.from(document.querySelectorAll('.md-search-result__item')).map(item => item.innerText)")
    assert "tanh_sinh(" in results[0], results[:2]
    links = browser.evaluate(
        "Array.from(document.querySelectorAll('.md-search-result__item')[0].querySelectorAll('a')).map(a => a.href)")
    assert any("/reference/quadrature.html" in link and link.endswith("#tanh_sinh") for link in links), links
    browser.screenshot(tmp_path / "search.png")
