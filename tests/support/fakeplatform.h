#pragma once

#include "core/reading/phoneticservice.h"
#include "core/ruby/rubytext.h"
#include "ui/platform.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

// Readings from a table; texts not in it read as themselves.
class FakePhoneticService : public PhoneticService
{
public:
    Result<QString> reading(const QString &text) override { return readings.value(text, text); }
    // Words of the table, longest first; other kana read as themselves, other
    // kanji not at all.
    Result<QList<AnalysedWord>> tokens(const QString &text) override
    {
        QList<AnalysedWord> words;
        for (qsizetype i = 0, n; i < text.size(); i += n) {
            for (n = std::min<qsizetype>(4, text.size() - i); n > 1; --n)
                if (readings.contains(text.sliced(i, n)))
                    break;
            const QString one = text.sliced(i, n);
            const bool kana = one.size() == 1 && one.at(0) >= u'ぁ' && one.at(0) <= u'ヶ';
            words.append({i, n, one,
                                 readings.contains(one) ? readings.value(one)
                                     : kana             ? katakanaForm(one)
                                                        : QString(),
                                 false, QString(), true});
        }
        return words;
    }
    QHash<QString, QString> readings;
};

// Records the message boxes and answers them and the dialogs from scripts; with no
// script a box answers its first button and a dialog is cancelled.
class FakePlatform : public PlatformServices
{
public:
    struct Message
    {
        QString title;
        QString text;
    };
    // Answers a file dialog opened at preset; nothing is a cancel.
    using Script = std::function<std::optional<QString>(const QString &preset)>;

    QMessageBox::StandardButton showMessage(QWidget *, QMessageBox::Icon, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons) override;
    std::optional<QString> askOpenPath(QWidget *, const QString &, const QString &preset) override
    {
        return answerFileDialog(preset);
    }
    std::optional<QString> askSavePath(QWidget *, const QString &, const QString &preset) override
    {
        return answerFileDialog(preset);
    }
    std::optional<QFont> askFont(QWidget *, const QFont &) override { return nextFont; }
    std::optional<QColor> askColor(QWidget *, const QColor &) override { return nextColor; }
    QString userReadingsFile() const override { return readingsFile; }
    QString readingsFile; // none: corrections are not kept
    bool openWithDesktop(const QString &fileOrAddress) override
    {
        opened.append(fileOrAddress);
        return true;
    }
    bool openInBrowser(const QString &localFile) override
    {
        opened.append(localFile);
        return browser;
    }
    void showHelpWindow(QWidget *, const QString &page) override { helpShown.append(page); }
    void copyText(const QString &text) override { copied = text; }
    bool printDocument(QWidget *, QTextDocument &document) override;
    void previewDocument(QWidget *, QTextDocument &document) override;
    PhoneticService &phoneticService() override { return service ? *service : phonetic; }
    std::unique_ptr<ReadingEngine> readingEngine(UserReadings *userReadings) override;
    QString programFolder() const override { return folder; }
    QByteArray codePage() const override { return page; }

    void setNextAnswer(QMessageBox::StandardButton answer) { answers.append(answer); }
    void setNextFileName(const QString &path);
    void setNextCancel() { scripts.append(nullptr); }

    QList<Message> messages;
    std::function<void()> whenAsked; // runs once, as the next box is shown
    QList<QMessageBox::StandardButton> answers;
    QList<Script> scripts;
    QStringList opened;
    QStringList presetNames; // the file names the accepted dialogs were opened with
    std::optional<QFont> nextFont; // the font and colour dialogs' answers
    std::optional<QColor> nextColor;
    FakePhoneticService phonetic;
    PhoneticService *service = nullptr; // instead of the table
    const RareWordList *wordList = nullptr; // instead of the system's list
    QString folder;
    QByteArray page = "UTF-8";
    bool browser = true; // whether the desktop has a web browser
    QStringList helpShown;
    QString copied;
    QString printed;
    QString previewed;

private:
    std::optional<QString> answerFileDialog(const QString &preset);
};
