#include "app/formmain.h"

#include "app/documentcommands.h"

#include "core/document/recentfiles.h"
#include "ui/editorcontrol.h"
#include "ui/platform.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>

namespace {

const QString kFont = QStringLiteral("editor/font");
const QString kTextColor = QStringLiteral("editor/textColor");
const QString kBackColor = QStringLiteral("editor/backColor");
const QString kKanaMode = QStringLiteral("ruby/kanaMode");
const QString kOmitOkurigana = QStringLiteral("ruby/omitOkurigana");
const QString kPerKanji = QStringLiteral("ruby/perKanji");
const QString kRubyLevel = QStringLiteral("ruby/gradeLevel");
const QString kRubyFirst = QStringLiteral("ruby/firstOnly");
const QString kHtmlOnly = QStringLiteral("panel/htmlOnly");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kRecentFiles = QStringLiteral("recentFiles");
const QString kNewLineEnd = QStringLiteral("editor/newDocumentLineEnd");
const QString kHtmlColours = QStringLiteral("editor/htmlColours");

// Only a real true or false counts; anything else keeps the default.
void readFlag(const QSettings &settings, const QString &key, QCheckBox *box)
{
    const QString value = settings.value(key).toString();
    if (value == QLatin1String("true") || value == QLatin1String("false"))
        box->setChecked(value == QLatin1String("true"));
}

QColor readColor(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    return value.typeId() == QMetaType::QString ? QColor(value.toString()) : QColor();
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

bool FormMain::settingsWritable() const
{
    // QSettings rewrites a file it could not parse without the lines it dropped.
    return m_settings && m_settingsWritable && m_settings->status() == QSettings::NoError;
}

void FormMain::useSettings(QSettings *settings, const SettingsFileState &state)
{
    m_settings = settings;
    m_settingsWritable = state.writable;
    if (state.problem)
        reportSettingsProblem(state);
    // A file that cannot be read gives the defaults; each value read is checked.
    if (!settings || settings->status() == QSettings::AccessError)
        return;

    QFont font = RTB1->font();
    if (settings->contains(kFont) && font.fromString(settings->value(kFont).toString()))
        RTB1->setFont(font);
    const QColor text = readColor(*settings, kTextColor);
    if (text.isValid()) {
        // On the still empty document: the whole text and what comes later take it.
        RTB1->setSelStart(0);
        RTB1->setSelLength(0);
        RTB1->setSelColor(text);
    }
    const QColor back = readColor(*settings, kBackColor);
    if (back.isValid())
        RTB1->setBackColor(back);

    bool ok = false;
    const int kana = settings->value(kKanaMode).toInt(&ok);
    if (ok && kana >= 0 && kana <= 2) {
        OptionKana[kana]->setChecked(true);
        mKanaMode = quint8(kana);
    }
    readFlag(*settings, kOmitOkurigana, CheckSentKana);
    readFlag(*settings, kHtmlOnly, CheckHTML);
    const QString perKanji = settings->value(kPerKanji).toString();
    if (perKanji == QLatin1String("true") || perKanji == QLatin1String("false"))
        MEPerKanji->setChecked(perKanji == QLatin1String("true"));
    const int level = settings->value(kRubyLevel).toInt(&ok);
    if (ok && level >= 0 && level <= 7)
        mRubyLevel = level;
    const int first = settings->value(kRubyFirst).toInt(&ok);
    if (ok && first >= 0 && first <= 2)
        mRubyFirst = FirstOnly(first);
    restoreGeometry(settings->value(kGeometry).toByteArray());
    const QString lineEnd = settings->value(kNewLineEnd).toString();
    if (lineEnd == QLatin1String("CRLF") || lineEnd == QLatin1String("LF"))
        setNewLineEnd(lineEnd == QLatin1String("CRLF") ? LineEnd::CrLf : LineEnd::Lf);
    const QString colours = settings->value(kHtmlColours).toString();
    if (colours == QLatin1String("true") || colours == QLatin1String("false"))
        setHtmlColours(colours == QLatin1String("true"));

    const QVariant recent = settings->value(kRecentFiles);
    if (recent.typeId() == QMetaType::QStringList || recent.typeId() == QMetaType::QString) {
        const QStringList paths = recent.toStringList();
        for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
            if (QFileInfo(*it).isAbsolute())
                mRecentFiles = withRecentFile(mRecentFiles, *it);
        }
    }
    rebuildRecentMenu();
}

void FormMain::reportSettingsProblem(const SettingsFileState &state)
{
    const QString path = state.problem->detail;
    switch (state.problem->kind) {
    case ErrorKind::PermissionDenied:
        // The user's own choice: said where it does not stop the work.
        statusBar()->showMessage(
            path + QStringLiteral("　は読み取り専用のため、設定は保存されません。"));
        return;
    case ErrorKind::TooLarge:
        platform().showMessage(this, QMessageBox::Warning, QStringLiteral("Rubello"),
                               path
                                   + QStringLiteral("　は設定ファイルとしては大きすぎるため、"
                                                    "読み込みませんでした。")
                                   + QStringLiteral("\r\n")
                                   + QStringLiteral("設定は保存されません。"),
                               QMessageBox::Ok);
        return;
    default:
        platform().showMessage(
            this, QMessageBox::Warning, QStringLiteral("Rubello"),
            path
                + QStringLiteral("　の %1 行目が読めないため、設定は保存されません。")
                      .arg(state.malformedLine)
                + QStringLiteral("\r\n")
                + (state.keptCopy.isEmpty()
                       ? QString()
                       : QStringLiteral("元の内容は %1 に残してあります。").arg(state.keptCopy)),
            QMessageBox::Ok);
        return;
    }
}

void FormMain::storeSettings()
{
    if (!settingsWritable())
        return;
    QFont font = RTB1->font();
    if (m_zoom != 0 && font.pointSizeF() == m_zoomedSize)
        font.setPointSizeF(font.pointSizeF() - m_zoom); // the chosen size, not the zoom
    m_settings->setValue(kFont, font.toString());
    m_settings->setValue(kTextColor, RTB1->palette().color(QPalette::Text).name());
    m_settings->setValue(kBackColor, RTB1->BackColor().name());
    m_settings->setValue(kKanaMode, int(mKanaMode));
    m_settings->setValue(kOmitOkurigana, CheckSentKana->isChecked());
    m_settings->setValue(kHtmlOnly, CheckHTML->isChecked());
    m_settings->setValue(kPerKanji, MEPerKanji->isChecked());
    m_settings->setValue(kRubyLevel, mRubyLevel);
    m_settings->setValue(kRubyFirst, int(mRubyFirst));
    m_settings->setValue(kGeometry, saveGeometry());
    m_settings->setValue(kNewLineEnd,
                         mNewLineEnd == LineEnd::CrLf ? QStringLiteral("CRLF") : QStringLiteral("LF"));
    m_settings->setValue(kHtmlColours, htmlColours());
    // The recent files were written as they changed, merged with other windows'.
    m_settings->sync();
}

void FormMain::noteRecentFile(const QString &path)
{
    mRecentFiles = settingsWritable()
        ? absolutePaths(updateRecentFiles(*m_settings, kRecentFiles, path))
        : withRecentFile(mRecentFiles, path);
    rebuildRecentMenu();
}

void FormMain::openRecentFile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        mRecentFiles.removeAll(path);
        if (settingsWritable())
            mRecentFiles = absolutePaths(updateRecentFiles(*m_settings, kRecentFiles, {}, path));
        rebuildRecentMenu();
        platform().showMessage(this, QMessageBox::Warning, QStringLiteral("Rubello"),
                               path + QStringLiteral("\r\nこのファイルは見つかりません。")
                                   + QStringLiteral("最近使ったファイルの一覧から削除しました。"),
                               QMessageBox::Ok);
        return;
    }
    m_documents->openFile(path);
}

void FormMain::openFromCommandLine(const QString &path)
{
    m_documents->load(path);
}

void FormMain::rebuildRecentMenu()
{
    // Not clear(): the item being chosen may be the one running this.
    for (QAction *old : MFRecent->actions()) {
        MFRecent->removeAction(old);
        old->deleteLater();
    }
    for (qsizetype i = 0; i < mRecentFiles.size(); ++i) {
        const QString path = mRecentFiles.at(i);
        QString caption = path;
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (i < 9)
            caption = QLatin1Char('&') + QString::number(i + 1) + QLatin1Char(' ') + caption;
        QAction *item = MFRecent->addAction(caption);
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
    }
    MFRecent->setEnabled(!mRecentFiles.isEmpty());
}
