#include "fakeplatform.h"

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

CommonDialogResult FakePlatform::showCommonDialog(QWidget *, CommonDialogKind,
                                                  CommonDialogState &state)
{
    const Script script = scripts.isEmpty() ? nullptr : scripts.takeFirst();
    if (!script)
        return {CommonDialogResult::Cancelled, 0, QString()};
    return script(state);
}

void FakePlatform::setNextFileName(const QString &path)
{
    scripts.append([this, path](CommonDialogState &state) {
        presetNames.append(state.FileName);
        state.FileName = path;
        return CommonDialogResult {CommonDialogResult::Accepted, 0, QString()};
    });
}

bool FakePlatform::printDocument(QWidget *, QTextDocument &document)
{
    printed = document.toPlainText();
    return true;
}
