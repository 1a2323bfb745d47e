#!/usr/bin/python3
"""What a browser makes of a page before and after ruby was added.

For every NAME.before.html beside a NAME.after.html in the folder given, both are
parsed by html5lib (an HTML parser of its own, with scripting on as in a browser)
and compared as trees, comments and attributes included, after every element of
the form <ruby><rb>..</rb><rp>..</rp><rt>..</rt><rp>..</rp></ruby> is replaced by
what its rb holds. Equal trees mean the ruby added nothing but ruby, and only
where a browser shows text. Exit 77 when html5lib is missing."""

import os
import sys

try:
    import html5lib
except ImportError:
    print("python3-html5lib is not installed")
    sys.exit(77)


def local(tag):
    return tag.rsplit("}", 1)[-1] if isinstance(tag, str) else "#" + tag.__name__


def added_ruby(el):
    kids = list(el)
    return (local(el.tag) == "ruby" and [local(k.tag) for k in kids] == ["rb", "rp", "rt", "rp"]
            and not el.text and not any(k.tail for k in kids) and not el.attrib)


def events(el, out):
    if added_ruby(el):
        content(el[0], out)
        return
    named = isinstance(el.tag, str)
    out.append(("<", el.tag if named else local(el.tag), tuple(sorted(el.attrib.items())),
                None if named else el.text))
    content(el, out)
    out.append((">", el.tag if named else local(el.tag)))


def content(el, out):
    if isinstance(el.tag, str):
        text(el.text, out)
    for kid in el:
        events(kid, out)
        text(kid.tail, out)


def text(t, out):
    if not t:
        return
    if out and out[-1][0] == "text":
        out[-1] = ("text", out[-1][1] + t)
    else:
        out.append(("text", t))


def tree(path):
    with open(path, encoding="utf-8", errors="surrogatepass") as f:
        page = f.read()
    parser = html5lib.HTMLParser(tree=html5lib.getTreeBuilder("etree", fullTree=True))
    out = []
    events(parser.parse(page, scripting=True), out)
    return out


def main(folder):
    passed = failed = 0
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".before.html"):
            continue
        stem = name[: -len(".before.html")]
        before = tree(os.path.join(folder, name))
        after = tree(os.path.join(folder, stem + ".after.html"))
        if before == after:
            passed += 1
            continue
        failed += 1
        at = next((i for i, (a, b) in enumerate(zip(before, after)) if a != b), min(len(before), len(after)))
        print(f"{stem}: differs at node {at}:\n  before {before[at:at + 3]}\n  after  {after[at:at + 3]}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
