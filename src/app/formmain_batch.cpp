#include "app/formmain.h"
#include "core/reading/kanjireadings.h"
#include "core/reading/phoneticservice.h"
#include "core/reading/readingengine.h"
#include "core/reading/userreadings.h"
#include "core/ruby/rubybatch.h"
#include "core/ruby/rubytext.h"
#include "ui/editorcontrol.h"
#include "ui/errorbox.h"
#include "ui/platform.h"
#include "ui/rubyreview.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressDialog>

#include <cerrno>
#include <memory>

ReadingEngine &FormMain::batchEngine()
{
    if (!mBatchEngine)
        mBatchEngine
            = std::make_unique<ReadingEngine>(platform().phoneticService(), &userReadings());
    return *mBatchEngine;
}

void FormMain::MEBatch_Click()
{
    const QString text = RTB1->Text();
    const qsizetype selStart = RTB1->SelStart();
    const qsizetype selLength = RTB1->SelLength();

    const RubyForm form = rubyForm();
    if (form.perKanji && !form.kanji) {
        showErrorBox(platform(), this, {ENOENT, KanjiReadings::system().error()});
        return;
    }

    // The whole page is read, so a selection is judged in its place in the page.
    RubyOptions options;
    options.form = form;
    options.omitOkurigana = CheckSentKana->isChecked();
    // A progress bar only for a run that goes on well past a moment: showing
    // one costs more than a short run itself.
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer clock;
    clock.start();
    const auto found
        = findRubyCandidates(text, batchEngine(), options, [&](qsizetype done, qsizetype total) {
              const qint64 spent = clock.elapsed();
              if (!progress && spent > 300 && done > 0 && spent * (total - done) / done > 700) {
                  progress = std::make_unique<QProgressDialog>(
                      QStringLiteral("ルビを振る語を探しています..."), QStringLiteral("キャンセル"),
                      0, 1000, this);
                  progress->setWindowModality(Qt::WindowModal);
                  progress->setMinimumDuration(0);
              }
              if (!progress)
                  return true;
              progress->setValue(int(done * 1000 / qMax<qsizetype>(total, 1)));
              return !progress->wasCanceled();
          });
    progress.reset();
    if (!found) {
        showErrorBox(
            platform(), this,
            {found.error().systemCode ? found.error().systemCode : ENOENT, found.error().detail});
        return;
    }
    if (!*found)
        return;

    QList<RubyCandidate> candidates;
    for (RubyCandidate c : **found) {
        if (selLength > 0
            && (c.offset < selStart || c.offset + c.base.size() > selStart + selLength))
            continue;
        // The user's remembered reading of the word comes first, as for F5.
        const QString remembered
            = userReadings().lookup(c.base, QStringView(text).left(c.offset),
                                    QStringView(text).sliced(c.offset + c.base.size()));
        if (!remembered.isEmpty() && remembered != c.reading) {
            c.candidates.removeAll(remembered);
            c.candidates.prepend(c.reading);
            c.reading = remembered;
            c.guessed = false;
        }
        candidates.append(c);
    }
    if (candidates.isEmpty()) {
        platform().showMessage(this, QMessageBox::Information, QStringLiteral("ページ全体にルビ"),
                               QStringLiteral("ルビを振る語がありません。"), QMessageBox::Ok);
        return;
    }

    RubyReviewDialog dialog(text, candidates, form.kanaMode, mRubyLevel, mRubyFirst, this);
    connect(&dialog, &RubyReviewDialog::showOccurrence, this,
            [this](qsizetype offset, qsizetype length) {
                RTB1->setSelStart(int(offset));
                RTB1->setSelLength(int(length));
            });
    const bool accepted = dialog.exec() == QDialog::Accepted;
    activateWindow();
    // The choice of kanji is kept even when nothing is written.
    mRubyLevel = dialog.level();
    mRubyFirst = dialog.first();
    if (!accepted) {
        RTB1->setSelStart(int(selStart));
        RTB1->setSelLength(int(selLength));
        return;
    }
    if (dialog.rememberCorrections()) {
        for (const auto &[base, reading] : dialog.model()->corrections()) {
            if (const auto remembered = batchEngine().remember(base, reading); !remembered)
                showErrorBox(platform(), this,
                             {remembered.error().systemCode ? remembered.error().systemCode : EIO,
                              remembered.error().detail});
        }
    }
    const AnnotatedText result = applyRuby(text, dialog.model()->choice(), form);

    // One step of the history, which a whole-text write would clear.
    RTB1->setSelStart(0);
    RTB1->setSelLength(int(text.size()));
    RTB1->setSelText(result.text);
    if (selLength > 0) {
        RTB1->setSelStart(int(selStart));
        RTB1->setSelLength(int(selLength + result.text.size() - text.size()));
    }
}
