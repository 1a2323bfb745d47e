#include "app/formmain.h"
#include "fakeplatform.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>
#include <QXmlStreamReader>

// The help page as the build puts it beside the executable: well-formed UTF-8
// HTML in Japanese that covers every menu item and key of the program.
class TestHelpPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void isWellFormedJapaneseHtml();
    void namesEveryMenuItemAndPart_data();
    void namesEveryMenuItemAndPart();

private:
    QByteArray bytes;
    QString text; // the page's text content, tags left out
};

void TestHelpPage::initTestCase()
{
    QFile page(QStringLiteral(RUBELLO_BUILT_HELP_PAGE));
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    bytes = page.readAll();
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::Characters)
            text += reader.text();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
}

void TestHelpPage::isWellFormedJapaneseHtml()
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(bytes);
    QVERIFY(!decoder.hasError());
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(decoded.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(decoded.contains(QStringLiteral("<html lang=\"ja\">")));
    QVERIFY(decoded.contains(QStringLiteral("<meta charset=\"utf-8\" />")));
    QVERIFY(decoded.contains(QStringLiteral("<title>Rubello ヘルプ</title>")));
    // Every in-page link has its target.
    const QRegularExpression anchor(QStringLiteral("href=\"#([^\"]+)\""));
    for (auto it = anchor.globalMatch(decoded); it.hasNext();) {
        const QString id = it.next().captured(1);
        QVERIFY2(decoded.contains(QStringLiteral("id=\"%1\"").arg(id)), qPrintable(id));
    }
}

void TestHelpPage::namesEveryMenuItemAndPart_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("key");
    Module1 module = Module1::atStartUp();
    FakePlatform platform;
    FormMain form(module, platform);
    const QRegularExpression accessKey(QStringLiteral(" \\(&.\\)"));
    for (QAction *menuAction : form.menuBar()->actions()) {
        QMenu *menu = menuAction->menu();
        const QString menuCaption = QString(menu->title()).remove(accessKey);
        QTest::newRow(qPrintable(QStringLiteral("menu ") + menuCaption))
            << menuCaption << QString();
        for (QAction *item : menu->actions()) {
            if (item->isSeparator())
                continue;
            const QString caption = QString(item->text()).remove(accessKey);
            QTest::newRow(qPrintable(menuCaption + QStringLiteral(": ") + caption))
                << caption << item->shortcut().toString(QKeySequence::PortableText);
        }
    }
    const QList<std::pair<const char *, QString>> parts = {
        {"ruby dialog", QStringLiteral("ルビの挿入")},
        {"ruby attribute option", QStringLiteral("ルビに属性を与える")},
        {"ruby attribute default", QStringLiteral("style=\"font-size:7pt\"")},
        {"okurigana option", QStringLiteral("送り仮名を省略")},
        {"kana forms", QStringLiteral("半角 ｶﾀｶﾅ")},
        {"search end message", QStringLiteral("文書の検索が終わりました。")},
        {"loose comparison option", QStringLiteral("大/小文字、全/半角、カナ/ひらがなを区別する")},
        {"file panel filter", QStringLiteral("HTMLファイルのみ表示")},
        {"preview file", QStringLiteral("_tmp.html")},
        {"save prompt", QStringLiteral("保存しますか？")},
        {"modified marker", QStringLiteral(" (更新)")},
        {"platform paste key", QStringLiteral("Shift+Insert")},
        {"about window", QStringLiteral("Rubello Version 1.2.0")},
    };
    for (const auto &[name, words] : parts)
        QTest::newRow(name) << words << QString();
}

void TestHelpPage::namesEveryMenuItemAndPart()
{
    QFETCH(QString, words);
    QFETCH(QString, key);
    QVERIFY2(text.contains(words), qPrintable(words));
    if (!key.isEmpty())
        QVERIFY2(text.contains(key), qPrintable(key));
}

QTEST_MAIN(TestHelpPage)
#include "tst_helppage.moc"
