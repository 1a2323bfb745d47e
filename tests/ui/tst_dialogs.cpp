// Every dialog answers its buttons, Enter, Esc and the close box, and shows its
// captions whole with a large font.

#include "casetable.h"
#include "fakeplatform.h"
#include "ui/aboutdialog.h"
#include "ui/editorcontrol.h"
#include "ui/qtplatform.h"
#include "ui/rubydialog.h"
#include "ui/rubyreview.h"
#include "ui/searchdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void buttonsAndKeys_data() { addCaseRows("dialogkeys.tsv"); }
    void buttonsAndKeys();
    void captionsFitALargeFont_data();
    void captionsFitALargeFont();
    void fileDialogs_data() { addCaseRows("filedialogs.tsv"); }
    void fileDialogs();

private:
    QDialog *make(const QByteArray &name);

    FakePlatform m_platform;
    EditorControl m_editor;
};

QDialog *TestDialogs::make(const QByteArray &name)
{
    m_editor.setText(QStringLiteral("<p>漢字</p>"));
    m_editor.setSelectionStart(3);
    m_editor.setSelectionLength(2);
    if (name == "about")
        return new AboutDialog(m_platform);
    if (name == "ruby")
        return new RubyDialog(RubyProposal {QStringLiteral("かんじ"), {QStringLiteral("かんじ")}, false, {}, false});
    if (name == "search")
        return new SearchDialog(nullptr, m_platform, &m_editor);
    const QList<RubyCandidate> found {{3, QStringLiteral("漢字"), QStringLiteral("カンジ"), false, {}}};
    return new RubyReviewDialog(m_editor.text(), found, KanaForm::Hiragana, 0, FirstOnly::Every);
}

void TestDialogs::buttonsAndKeys()
{
    QFETCH(QByteArrayList, f); // dialog, action, outcome
    QPointer<QDialog> dialog = make(f[0]);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    int result = -1;
    connect(dialog, &QDialog::finished, this, [&result](int r) { result = r; });
    dialog->show();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    const QByteArray action = f[1];
    if (action.startsWith("click:")) {
        const QString caption = QString::fromUtf8(action.mid(6));
        QPushButton *button = nullptr;
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text().remove(u'&').startsWith(caption) && !button)
                button = b;
        QVERIFY2(button, action.constData());
        button->setEnabled(true);
        button->click();
    } else if (action.startsWith("key:")) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keySequence(focus, QKeySequence(QString::fromUtf8(action.mid(4))));
    } else {
        dialog->close();
    }
    const bool open = dialog && dialog->isVisible();
    const QByteArray outcome = open ? "open"
        : result == QDialog::Accepted ? "accepted"
                                      : "rejected";
    QCOMPARE(outcome, f[2]);
    // A closed dialog was deleted, a modeless one with it; what stayed open goes now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete dialog;
}

void TestDialogs::captionsFitALargeFont_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char *name : {"about", "ruby", "search", "review"})
        QTest::newRow(name) << QByteArray(name);
}

void TestDialogs::captionsFitALargeFont()
{
    QFETCH(QByteArray, name);
    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPixelSize(24);
    QApplication::setFont(large);
    std::unique_ptr<QDialog> dialog(make(name));
    QApplication::setFont(normal);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QList<QWidget *> captioned;
    for (QLabel *label : dialog->findChildren<QLabel *>())
        if (!label->text().isEmpty() && !label->wordWrap())
            captioned.append(label);
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
        if (!button->text().isEmpty())
            captioned.append(button);
    for (QWidget *widget : captioned) {
        if (!widget->isVisible())
            continue;
        const QRect shown(widget->mapTo(dialog.get(), QPoint(0, 0)), widget->size());
        const QString what = widget->property("text").toString();
        QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(what));
        QVERIFY2(widget->height() >= widget->minimumSizeHint().height(), qPrintable(what));
        QVERIFY2(dialog->rect().contains(shown), qPrintable(what));
    }
}

void TestDialogs::fileDialogs()
{
    QFETCH(QByteArrayList, f); // save, start, filter, typed, folder shown, returned
    QTemporaryDir folder;
    const auto at = [&folder](const QByteArray &relative) {
        return QDir::cleanPath(folder.filePath(QString::fromUtf8(relative)));
    };
    QVERIFY(QDir(folder.path()).mkdir(u"sub"_s));
    for (const char *name : {"sub/old.htm", "sub/README"}) {
        QFile file(at(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    configureFileDialog(dialog, f[0] == "1", f[1] == "-" ? QString() : at(f[1]));
    QVERIFY(dialog.nameFilters().value(0).endsWith(u"(*.html *.htm *.xhtml)"_s));
    QVERIFY(dialog.nameFilters().value(1).endsWith(u"(*)"_s));
    const QString filter = dialog.nameFilters().value(f[2].toInt());
    dialog.selectNameFilter(filter);
    emit dialog.filterSelected(filter); // as the user's choice in the box
    dialog.show();
    QCOMPARE(dialog.directory().absolutePath(), at(f[4]));
    if (f[3] != "-") {
        auto *name = dialog.findChild<QLineEdit *>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(QString::fromUtf8(f[3]));
    }
    static_cast<QDialog &>(dialog).accept(); // as the dialog's own button does
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedFiles().value(0), at(f[5]));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
