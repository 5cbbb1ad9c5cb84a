"""Makes the error page (404.html) work both where a server shows it and opened as a file.

A server shows that page for a missing address at any depth (/reference/nope.html), so what it loads
and links must not depend on the address it is shown at. MkDocs writes it from the server's root
("/index.html"), which opened as a file points at the root of the file system; the site is built to be
read from its folder as files too. So the page is written relative to the site's folder, where it lies,
as every other page is, and two small scripts move it to the site's root when it is served:

- one at the top of the head, before any stylesheet or script is named, gives the page a <base> at the
  site's root (the path of site_url, or "/" when the site has none), which every relative address after
  it resolves against. The stylesheets and scripts are written by small scripts of their own
  (document.write, in place, in order): the browser's look-ahead fetches what the markup names before
  any script has run, and would ask for each of them below the missing address first;
- one after the theme's configuration, before the theme reads it, sets the configuration's base (which
  the theme resolves against the page's own address, not the <base>) to the same root.

Used as an MkDocs hook."""

from __future__ import annotations

import json
import re
from urllib.parse import urlsplit

CONFIG_END = '<script id="__config" type="application/json">'
RESOURCE = re.compile(r'<link rel="stylesheet" [^>]*>|<script src="[^"]*"></script>')


def on_template_context(context, template_name, config):
    if template_name == "404.html":
        context["base_url"] = "."
    return context


def on_post_template(output, template_name, config):
    if template_name != "404.html":
        return output
    root = json.dumps(urlsplit(config.site_url or "/").path or "/")
    served = 'location.protocol !== "file:"'
    base = (f'<script>if ({served}) {{ const base = document.createElement("base"); base.href = {root}; '
            f'document.head.append(base); }}</script>')
    fix = (f'<script>if ({served}) {{ const element = document.getElementById("__config"); '
           f'const settings = JSON.parse(element.textContent); settings.base = document.baseURI; '
           f'element.textContent = JSON.stringify(settings); }}</script>')
    assert output.count("<head>") == 1 and output.count(CONFIG_END) == 1, "the theme's error page changed shape"
    output = output.replace("<head>", "<head>" + base, 1)
    output = RESOURCE.sub(written, output)
    start = output.index(CONFIG_END)
    end = output.index("</script>", start) + len("</script>")
    return output[:end] + fix + output[end:]


def written(match: re.Match) -> str:
    """A stylesheet or script tag as a script that writes it where it stands; the template string keeps
    the tag's text as it was, addresses included."""
    tag = match.group(0)
    assert not any(part in tag for part in ("`", "${", "\\")), tag
    return "<script>document.write(`" + tag.replace("</script>", "<\\/script>") + "`)</script>"
