#include "app/windowsettings.h"

#include "core/document/recentfiles.h"
#include "ui/platform.h"

#include <QCoreApplication>
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

namespace {

const QString kProgramTitle = QStringLiteral("Rubello");
const QString kFont = QStringLiteral("editor/font");
const QString kTextColor = QStringLiteral("editor/textColor");
const QString kBackColor = QStringLiteral("editor/backColor");
const QString kKanaMode = QStringLiteral("ruby/kanaMode");
const QString kOmitOkurigana = QStringLiteral("ruby/omitOkurigana");
const QString kPerKanji = QStringLiteral("ruby/perKanji");
const QString kPerWord = QStringLiteral("ruby/perWord");
const QString kRubyLevel = QStringLiteral("ruby/gradeLevel");
const QString kRubyFirst = QStringLiteral("ruby/firstOnly");
const QString kHtmlOnly = QStringLiteral("panel/htmlOnly");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kRecentFiles = QStringLiteral("recentFiles");
const QString kNewLineEnd = QStringLiteral("editor/newDocumentLineEnd");
const QString kHtmlColours = QStringLiteral("editor/htmlColours");
const QString kLineNumbers = QStringLiteral("editor/lineNumbers");
const QString kSoftWrap = QStringLiteral("editor/softWrap");
const QString kPreviewShown = QStringLiteral("preview/shown");
const QString kPreviewWidth = QStringLiteral("preview/width");

// Only a real true or false counts; anything else keeps the default.
std::optional<bool> readFlag(const QSettings &settings, const QString &key)
{
    const QString value = settings.value(key).toString();
    if (value == QLatin1String("true") || value == QLatin1String("false"))
        return value == QLatin1String("true");
    return std::nullopt;
}

std::optional<QColor> readColor(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    const QColor color = value.typeId() == QMetaType::QString ? QColor(value.toString()) : QColor();
    return color.isValid() ? std::optional(color) : std::nullopt;
}

std::optional<int> readNumber(const QSettings &settings, const QString &key, int last)
{
    bool ok = false;
    const int number = settings.value(key).toInt(&ok);
    return ok && number >= 0 && number <= last ? std::optional(number) : std::nullopt;
}

QStringList absolutePaths(const QStringList &paths)
{
    QStringList kept;
    for (const QString &path : paths) {
        if (QFileInfo(path).isAbsolute())
            kept << path;
    }
    return kept;
}

} // namespace

WindowSettings::WindowSettings(PlatformServices &platform, QWidget *window, QMenu *recentMenu,
                               QStatusBar *statusBar)
    : QObject(window)
    , m_platform(platform)
    , m_window(window)
    , m_recentMenu(recentMenu)
    , m_statusBar(statusBar)
{ }

bool WindowSettings::writable() const
{
    // QSettings rewrites a file it could not parse without the lines it dropped.
    return m_settings && m_writable && m_settings->status() == QSettings::NoError;
}

RememberedChoices WindowSettings::attach(QSettings *settings, const SettingsFileState &state)
{
    m_settings = settings;
    m_writable = state.writable;
    if (state.problem)
        reportProblem(state);
    // A file that cannot be read gives the defaults; each value read is checked.
    RememberedChoices choices;
    if (!settings || settings->status() == QSettings::AccessError)
        return choices;

    QFont font;
    if (settings->contains(kFont) && font.fromString(settings->value(kFont).toString()))
        choices.font = font;
    choices.textColor = readColor(*settings, kTextColor);
    choices.backColor = readColor(*settings, kBackColor);
    bool isNumber = false;
    if (const int kana = settings->value(kKanaMode).toInt(&isNumber); isNumber)
        choices.kanaForm = kanaFormFromValue(kana);
    choices.omitOkurigana = readFlag(*settings, kOmitOkurigana);
    choices.htmlOnly = readFlag(*settings, kHtmlOnly);
    choices.perKanji = readFlag(*settings, kPerKanji);
    choices.perWord = readFlag(*settings, kPerWord);
    choices.rubyLevel = readNumber(*settings, kRubyLevel, 7);
    if (const auto first = readNumber(*settings, kRubyFirst, 2))
        choices.rubyFirst = FirstOnly(*first);
    choices.geometry = settings->value(kGeometry).toByteArray();
    const QString lineEnd = settings->value(kNewLineEnd).toString();
    if (lineEnd == QLatin1String("CRLF") || lineEnd == QLatin1String("LF"))
        choices.newLineEnd = lineEnd == QLatin1String("CRLF") ? LineEnd::CrLf : LineEnd::Lf;
    choices.htmlColours = readFlag(*settings, kHtmlColours);
    choices.lineNumbers = readFlag(*settings, kLineNumbers);
    choices.softWrap = readFlag(*settings, kSoftWrap);
    choices.previewShown = readFlag(*settings, kPreviewShown);
    if (const auto width = readNumber(*settings, kPreviewWidth, 16384); width && *width > 0)
        choices.previewWidth = width;

    const QVariant recent = settings->value(kRecentFiles);
    if (recent.typeId() == QMetaType::QStringList || recent.typeId() == QMetaType::QString) {
        const QStringList paths = recent.toStringList();
        for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
            if (QFileInfo(*it).isAbsolute())
                m_recentFiles = withRecentFile(m_recentFiles, *it);
        }
    }
    rebuildMenu();
    return choices;
}

void WindowSettings::reportProblem(const SettingsFileState &state)
{
    const QString path = state.problem->detail;
    switch (state.problem->kind) {
    case ErrorKind::PermissionDenied:
        // The user's own choice: said where it does not stop the work.
        m_statusBar->showMessage(
            path + QCoreApplication::translate("WindowSettings", "　は読み取り専用のため、設定は保存されません。"));
        return;
    case ErrorKind::TooLarge:
        m_platform.showMessage(m_window, QMessageBox::Warning, kProgramTitle,
                               path
                                   + QCoreApplication::translate("WindowSettings", "　は設定ファイルとしては大きすぎるため、"
                                                    "読み込みませんでした。")
                                   + QStringLiteral("\r\n")
                                   + QCoreApplication::translate("WindowSettings", "設定は保存されません。"),
                               QMessageBox::Ok);
        return;
    default:
        m_platform.showMessage(
            m_window, QMessageBox::Warning, kProgramTitle,
            path
                + QCoreApplication::translate("WindowSettings", "　の %1 行目が読めないため、設定は保存されません。")
                      .arg(state.malformedLine)
                + QStringLiteral("\r\n")
                + (state.keptCopy.isEmpty()
                       ? QString()
                       : QCoreApplication::translate("WindowSettings", "元の内容は %1 に残してあります。").arg(state.keptCopy)),
            QMessageBox::Ok);
        return;
    }
}

void WindowSettings::store(const RememberedChoices &choices)
{
    if (!writable())
        return;
    if (choices.font)
        m_settings->setValue(kFont, choices.font->toString());
    else
        m_settings->remove(kFont);
    if (choices.textColor)
        m_settings->setValue(kTextColor, choices.textColor->name());
    if (choices.backColor)
        m_settings->setValue(kBackColor, choices.backColor->name());
    if (choices.kanaForm)
        m_settings->setValue(kKanaMode, int(*choices.kanaForm));
    if (choices.omitOkurigana)
        m_settings->setValue(kOmitOkurigana, *choices.omitOkurigana);
    if (choices.htmlOnly)
        m_settings->setValue(kHtmlOnly, *choices.htmlOnly);
    if (choices.perKanji)
        m_settings->setValue(kPerKanji, *choices.perKanji);
    if (choices.perWord)
        m_settings->setValue(kPerWord, *choices.perWord);
    if (choices.rubyLevel)
        m_settings->setValue(kRubyLevel, *choices.rubyLevel);
    if (choices.rubyFirst)
        m_settings->setValue(kRubyFirst, int(*choices.rubyFirst));
    m_settings->setValue(kGeometry, choices.geometry);
    if (choices.newLineEnd)
        m_settings->setValue(kNewLineEnd, *choices.newLineEnd == LineEnd::CrLf
                                              ? QStringLiteral("CRLF")
                                              : QStringLiteral("LF"));
    if (choices.htmlColours)
        m_settings->setValue(kHtmlColours, *choices.htmlColours);
    if (choices.lineNumbers)
        m_settings->setValue(kLineNumbers, *choices.lineNumbers);
    if (choices.softWrap)
        m_settings->setValue(kSoftWrap, *choices.softWrap);
    if (choices.previewShown)
        m_settings->setValue(kPreviewShown, *choices.previewShown);
    if (choices.previewWidth)
        m_settings->setValue(kPreviewWidth, *choices.previewWidth);
    // The recent files were written as they changed, merged with other windows'.
    m_settings->sync();
}

void WindowSettings::noteRecentFile(const QString &path)
{
    m_recentFiles = writable() ? absolutePaths(updateRecentFiles(*m_settings, kRecentFiles, path))
                               : withRecentFile(m_recentFiles, path);
    rebuildMenu();
}

void WindowSettings::chooseRecentFile(const QString &path)
{
    if (QFileInfo::exists(path)) {
        emit recentFileChosen(path);
        return;
    }
    m_recentFiles.removeAll(path);
    if (writable())
        m_recentFiles = absolutePaths(updateRecentFiles(*m_settings, kRecentFiles, {}, path));
    rebuildMenu();
    m_platform.showMessage(m_window, QMessageBox::Warning, kProgramTitle,
                           path + QStringLiteral("\r\n") + QCoreApplication::translate("WindowSettings", "このファイルは見つかりません。")
                               + QCoreApplication::translate("WindowSettings", "最近使ったファイルの一覧から削除しました。"),
                           QMessageBox::Ok);
}

void WindowSettings::rebuildMenu()
{
    // Not clear(): the item being chosen may be the one running this.
    for (QAction *old : m_recentMenu->actions()) {
        m_recentMenu->removeAction(old);
        old->deleteLater();
    }
    for (qsizetype i = 0; i < m_recentFiles.size(); ++i) {
        const QString path = m_recentFiles.at(i);
        QString caption = path;
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (i < 9)
            caption = QLatin1Char('&') + QString::number(i + 1) + QLatin1Char(' ') + caption;
        QAction *item = m_recentMenu->addAction(caption);
        connect(item, &QAction::triggered, this, [this, path] { chooseRecentFile(path); });
    }
    m_recentMenu->setEnabled(!m_recentFiles.isEmpty());
}
