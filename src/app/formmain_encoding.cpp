#include "app/formmain.h"

#include "core/document/declarations.h"
#include "core/document/documentfile.h"
#include "core/paths.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");
const QString kModifiedMarker = QStringLiteral(" (更新)");

// A caret in a block longer than this waits for a pause in typing: finding its
// line and column walks the block.
constexpr int kLongBlock = 4096;
constexpr int kStatusPauseMs = 300;
constexpr int kStatusBarHeight = 22;

QString lineEndsCaption(LineEnds ends)
{
    switch (ends) {
    case LineEnds::Lf:
        return QStringLiteral("LF");
    case LineEnds::Cr:
        return QStringLiteral("CR");
    case LineEnds::Mixed:
        return QStringLiteral("改行混在");
    case LineEnds::CrLf:
    case LineEnds::None:
        break;
    }
    return QStringLiteral("CR LF");
}

QString describeCharacter(QStringView text, qsizetype index)
{
    char32_t code = text.at(index).unicode();
    qsizetype length = 1;
    if (text.at(index).isHighSurrogate() && index + 1 < text.size()
        && text.at(index + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(index), text.at(index + 1));
        length = 2;
    }
    return QStringLiteral("「%1」(U+%2)")
        .arg(text.sliced(index, length).toString(),
             QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper());
}

} // namespace

void FormMain::createEncodingMenu()
{
    MCode = menuBar()->addMenu(QStringLiteral("文字コード (&C)"));
    MCReopen = MCode->addMenu(QStringLiteral("指定した文字コードで開き直す (&R)"));
    MCConvert = MCode->addMenu(QStringLiteral("文字コードを変換 (&V)"));
    for (const TextEncoding &encoding : choosableEncodings()) {
        const QString name = encodingDisplayName(encoding);
        connect(MCReopen->addAction(name), &QAction::triggered, this,
                [this, encoding] { MCReopen_Click(encoding); });
        connect(MCConvert->addAction(name), &QAction::triggered, this,
                [this, encoding] { MCConvert_Click(encoding); });
    }
    // Only a document read from a file can be read again.
    connect(MCode, &QMenu::aboutToShow, this,
            [this] { MCReopen->setEnabled(!mDocumentPath.isEmpty() && MFSave->isEnabled()); });
}

void FormMain::createStatusBar()
{
    StatusEncoding = new QLabel(this);
    StatusLineEnds = new QLabel(this);
    StatusCaret = new QLabel(this);
    statusBar()->setFixedHeight(kStatusBarHeight);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->addPermanentWidget(StatusCaret);
    statusBar()->addPermanentWidget(StatusLineEnds);
    statusBar()->addPermanentWidget(StatusEncoding);

    m_statusTimer = new QTimer(this);
    m_statusTimer->setSingleShot(true);
    m_statusTimer->setInterval(kStatusPauseMs);
    connect(m_statusTimer, &QTimer::timeout, this, [this] {
        showLineEnds();
        showCaret();
    });
    // A keystroke only restarts the timer: the line ends need the whole text.
    connect(RTB1, &EditorControl::Change, m_statusTimer, qOverload<>(&QTimer::start));
    connect(RTB1, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (RTB1->textCursor().block().length() <= kLongBlock)
            showCaret();
        else
            m_statusTimer->start();
    });
    showDocumentState(QString());
}

TextEncoding FormMain::documentEncoding() const
{
    if (mEncoding.isSystem())
        return {m_platform.codePage(), false};
    return mEncoding;
}

void FormMain::showDocumentState(QStringView text)
{
    m_statusTimer->stop();
    StatusEncoding->setText(encodingDisplayName(documentEncoding()));
    showLineEnds(text);
    showCaret();
}

void FormMain::showLineEnds(QStringView text)
{
    LineEnds ends = lineEndsOf(text);
    // A text without line ends shows the one Enter gives it.
    if (ends == LineEnds::None && RTB1->lineEndConvention() == LineEnd::Lf)
        ends = LineEnds::Lf;
    StatusLineEnds->setText(lineEndsCaption(ends));
}

void FormMain::showLineEnds()
{
    showLineEnds(RTB1->Text());
}

void FormMain::showCaret()
{
    const auto [line, column] = RTB1->caretLineAndColumn();
    StatusCaret->setText(QStringLiteral("%1 行、%2 列").arg(line).arg(column));
}

bool FormMain::declarationAllowsSave(QString &text)
{
    const QByteArray declared = declaredLabel(text);
    const TextEncoding encoding = documentEncoding();
    if (declared.isEmpty() || declarationAgrees(declared, encoding.name))
        return true;
    const QString prompt
        = QStringLiteral("本文の文字コードの宣言（%1）が、保存する文字コード（%2）と違います。")
              .arg(QString::fromLatin1(declared), encodingDisplayName(encoding))
        + QStringLiteral("\r\n") + QStringLiteral("宣言を直して保存しますか？");
    const int answer
        = m_platform.askThreeWay(this, kProgramTitle, prompt,
                                 {QStringLiteral("宣言を直す"), QStringLiteral("このまま保存"),
                                  QStringLiteral("キャンセル")});
    if (answer == 0 && fixDeclarations(encoding.name) > 0)
        text = RTB1->Text();
    return answer != 2;
}

int FormMain::fixDeclarations(const QByteArray &encoding)
{
    const QString text = RTB1->Text();
    const DeclarationRewrite rewrite = rewriteDeclarations(text, encoding);
    if (rewrite.isEmpty())
        return 0;
    // One write: one undo step. The caret stays where it was in the text.
    const int caret = RTB1->SelStart();
    RTB1->setSelStart(int(rewrite.start));
    RTB1->setSelLength(int(rewrite.length));
    RTB1->setSelText(rewrite.replacement);
    const int shift = int(rewrite.replacement.size() - rewrite.length);
    RTB1->setSelStart(caret >= rewrite.start + rewrite.length
                          ? caret + shift
                          : qMin<int>(caret, int(rewrite.start)));
    return rewrite.count;
}

void FormMain::noteOverruledDeclaration(const LoadedText &loaded)
{
    if (loaded.overruledDeclaration.isEmpty())
        return;
    statusBar()->showMessage(
        QStringLiteral("本文の宣言（%1）はファイルの中身と合わないため、%2 として読み込みました。")
            .arg(QString::fromLatin1(loaded.overruledDeclaration),
                 encodingDisplayName(loaded.encoding)));
}

void FormMain::MCReopen_Click(const TextEncoding &encoding)
{
    if (mDocumentPath.isEmpty() || !MFSave->isEnabled())
        return;
    if (mModified) {
        const QString name = Caption().chopped(kModifiedMarker.size());
        const QString prompt = name + QStringLiteral("　の内容は更新されています。")
            + QStringLiteral("\r\n")
            + QStringLiteral("変更を捨てて、%1 で開き直しますか？")
                  .arg(encodingDisplayName(encoding));
        if (m_platform.showMessage(this, QMessageBox::Question, kProgramTitle, prompt,
                                   QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }
    LoadedText loaded = openDocumentFileAs(mDocumentPath, encoding);
    if (loaded.error.isError()) {
        showErrorBox(m_platform, this, loaded.error);
        return;
    }
    RTB1->setText(loaded.text);
    RTB1->setSelStart(0);
    mEncoding = loaded.encoding;
    showDocumentState(loaded.text);
    mFilePath = mDocumentPath;
    setCaption(fileNameOfPath(mDocumentPath));
    mModified = false;
}

void FormMain::MCConvert_Click(const TextEncoding &encoding)
{
    const QString text = RTB1->Text();
    const EncodedText encoded = encodeDocument(text, encoding);
    if (encoded.error.isError()) {
        ErrorReport refusal = encoded.error;
        if (encoded.unrepresentableIndex >= 0) {
            refusal.description
                = QStringLiteral(
                      "%1 行目の文字 %2 は文字コード %3 で表せないため、変換できません。")
                      .arg(encoded.unrepresentableLine)
                      .arg(describeCharacter(text, encoded.unrepresentableIndex),
                           encodingDisplayName(encoding));
        }
        showErrorBox(m_platform, this, refusal);
        return;
    }
    if (encoding == documentEncoding())
        return;
    mEncoding = encoding;
    // The page's declarations name the new encoding, or browsers read it as the old.
    const int fixed = fixDeclarations(encoding.name);
    showDocumentState(fixed > 0 ? RTB1->Text() : text);
    // The file still holds the old encoding: the document counts as changed.
    RTB1_Change();
    statusBar()->showMessage(
        fixed > 0 ? QStringLiteral("文字コードを %1 に変換し、宣言 %2 か所を書き換えました。")
                        .arg(encodingDisplayName(encoding))
                        .arg(fixed)
                  : QStringLiteral("文字コードを %1 に変換しました。")
                        .arg(encodingDisplayName(encoding)));
}
