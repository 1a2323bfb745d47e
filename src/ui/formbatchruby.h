#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTableWidget;

// One word of the page as the batch dialog lists it.
struct RubyWord
{
    QString base;
    QString reading; // as it will be written
    int count = 0;
    bool use = true;
};

// "ページ全体にルビ": every word the batch would annotate, with its reading to
// edit and a tick to leave it out.
class FormBatchRuby : public QDialog
{
    Q_OBJECT

public:
    explicit FormBatchRuby(const QList<RubyWord> &words, QWidget *parent = nullptr);

    QTableWidget *GridWords = nullptr;
    QLabel *LabelCount = nullptr;
    QPushButton *ComElie = nullptr;
    QPushButton *ComCancel = nullptr;

    // The list as the user left it.
    QList<RubyWord> words() const;

private:
    QList<RubyWord> m_words;
};
