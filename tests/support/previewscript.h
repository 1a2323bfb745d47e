#pragma once

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

// What an expression gives in the preview's own script world (never the page's),
// or "(no answer)" when the page does not answer in time.
inline QVariant runInPreview(QWebEnginePage *page, const QString &expression)
{
    QVariant value;
    bool done = false;
    page->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                        [&](const QVariant &result) {
                            value = result;
                            done = true;
                        });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("(no answer)");
    return value;
}
