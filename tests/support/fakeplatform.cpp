#include "fakeplatform.h"

#include "core/reading/kanjireadings.h"
#include "core/reading/readingengine.h"
#include "core/reading/readingtables.h"

#include <QTextDocument>
#include <utility>

QMessageBox::StandardButton FakePlatform::showMessage(QWidget *, QMessageBox::Icon,
                                                      const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons buttons)
{
    messages.append({title, text});
    if (whenAsked)
        std::exchange(whenAsked, nullptr)();
    if (!answers.isEmpty())
        return answers.takeFirst();
    for (int bit = 0; bit < 32; ++bit) {
        if (buttons.testFlag(QMessageBox::StandardButton(1u << bit)))
            return QMessageBox::StandardButton(1u << bit);
    }
    return QMessageBox::Ok;
}

std::optional<QString> FakePlatform::answerFileDialog(const QString &preset)
{
    const Script script = scripts.isEmpty() ? nullptr : scripts.takeFirst();
    return script ? script(preset) : std::nullopt;
}

void FakePlatform::setNextFileName(const QString &path)
{
    scripts.append([this, path](const QString &preset) {
        presetNames.append(preset);
        return std::optional(path);
    });
}

void FakePlatform::previewDocument(QWidget *, QTextDocument &document)
{
    previewed = document.toPlainText();
}

bool FakePlatform::printDocument(QWidget *, QTextDocument &document)
{
    printed = document.toPlainText();
    return true;
}

std::unique_ptr<ReadingEngine> FakePlatform::readingEngine(UserReadings *userReadings)
{
    if (!wordList)
        return PlatformServices::readingEngine(userReadings);
    return std::make_unique<ReadingEngine>(phoneticService(), userReadings, KanjiReadings::system(),
                                           *ReadingTables::builtIn(), wordList);
}
