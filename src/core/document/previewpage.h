#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The attribute each start tag of a previewed page carries: the source offset of
// its "<", so the preview and the editor can find each other's places.
inline constexpr QLatin1StringView kPreviewOffsetAttribute{"data-rubello-at"};

// The page as the preview loads it: every start tag a browser sees as a tag (not
// in comments, scripts, raw text or markup that breaks off) gets the offset
// attribute right after its name; nothing else changes. A part of a page is
// marked with offsets from base, where it starts in the page.
QString markedForPreview(const QString &html, qsizetype base = 0);

// Whether path, resolved through its links, lies in folder or below it. An empty
// folder (a document never saved) holds nothing.
bool isInsideFolder(const QString &folder, const QString &path);

// What the preview may load for a page of folder: its own scheme (which serves
// only that folder), data: addresses, file: addresses inside the folder, and
// http(s) only when the user allowed remote content for the session.
bool previewMayLoad(const QUrl &url, const QString &folder, const QString &ownScheme,
                    bool remoteAllowed);

// Where the editor's caret goes for a click in the preview: the element's source
// offset, the clicked text node's text and the click's index in it. The word at
// the click is looked for after the element's start tag; when the page writes it
// differently (references, collapsed line ends) the caret goes to the element.
int sourceOffsetOfClick(const QString &html, int elementOffset, const QString &nodeText,
                        int index);

// An edit the preview can make in the page it shows without loading it again: a
// change inside one run of text, with no markup, reference or line end in what
// was removed or typed. The text node is found from the tag before it (tagOffset,
// tagName, closing: an end tag) and checked against the text around the change,
// written as the page has it (line ends as "\n"). Elements after the change move
// by delta.
struct PreviewTextEdit
{
    qsizetype tagOffset = 0;
    QString tagName;
    bool closing = false;
    QString before;
    QString removed;
    QString inserted;
    QString after;
    qsizetype from = 0;
    qsizetype delta = 0;
};
std::optional<PreviewTextEdit> previewTextEdit(const QString &shown, const QString &now);

// An edit the preview makes by parsing one element's content again: the smallest
// block element (a paragraph, a list item, a table cell, a division ...) around
// the change whose content holds, before and after it, only text, comments and
// well-nested elements that a parser builds the same inside that element alone
// as in the whole page. Anything else (the head, styles, scripts, tables, forms,
// a tag left open or closed early, an edit across the element's own tags) needs
// the page loaded again. content is marked with the offsets of the text now;
// elements after the change move by delta.
// A change no such block holds may still lie between two blocks side by side: then
// the element at tagOffset and its siblings up to the one at nextOffset (in the
// page as shown) are replaced by content, the run between them parsed again. After
// the body's last block, the run goes on to the body's end tag (or the text's end).
struct PreviewBlockEdit
{
    qsizetype tagOffset = 0;
    QString tagName;
    qsizetype nextOffset = -1; // none: the element's content is replaced
    QString nextName;
    bool toBodyEnd = false; // the run is the body's last children; nextOffset its end
    QString content;
    qsizetype from = 0;
    qsizetype delta = 0;
};
std::optional<PreviewBlockEdit> previewBlockEdit(const QString &shown, const QString &now);
