"""Makes the links of the error page (404.html) relative to the site's folder, where that page lies.

MkDocs writes them from the server's root ("/index.html"), since a server shows that page for a
missing address at any depth; opened as a file, such a link points at the root of the file system.
The site is built to be read from its folder as files, so the page links as every other page does.
Used as an MkDocs hook."""

from __future__ import annotations


def on_template_context(context, template_name, config):
    if template_name == "404.html":
        context["base_url"] = "."
    return context
