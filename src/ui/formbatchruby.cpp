#include "ui/formbatchruby.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Base, Reading, Count };

} // namespace

FormBatchRuby::FormBatchRuby(const QList<RubyWord> &words, QWidget *parent)
    : QDialog(parent)
    , m_words(words)
{
    setWindowTitle(QStringLiteral("ページ全体にルビ"));
    resize(560, 480);

    int occurrences = 0;
    for (const RubyWord &word : words)
        occurrences += word.count;
    LabelCount = new QLabel(
        QStringLiteral("%1 語、%2 か所にルビを振ります。チェックを外した語には振りません。"
                       "読みは書き換えられます。")
            .arg(words.size())
            .arg(occurrences),
        this);
    LabelCount->setWordWrap(true);

    GridWords = new QTableWidget(int(words.size()), 3, this);
    GridWords->setHorizontalHeaderLabels(
        {QStringLiteral("語"), QStringLiteral("読み"), QStringLiteral("回数")});
    GridWords->verticalHeader()->hide();
    GridWords->horizontalHeader()->setSectionResizeMode(Reading, QHeaderView::Stretch);
    GridWords->setEditTriggers(QAbstractItemView::AllEditTriggers);
    GridWords->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridWords->setUpdatesEnabled(false);
    for (int row = 0; row < words.size(); ++row) {
        const RubyWord &word = words.at(row);
        auto *base = new QTableWidgetItem(word.base);
        base->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        base->setCheckState(word.use ? Qt::Checked : Qt::Unchecked);
        GridWords->setItem(row, Base, base);
        GridWords->setItem(row, Reading, new QTableWidgetItem(word.reading));
        auto *count = new QTableWidgetItem(QString::number(word.count));
        count->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        GridWords->setItem(row, Count, count);
    }
    GridWords->setUpdatesEnabled(true);

    ComElie = new QPushButton(QStringLiteral("ルビの挿入"), this);
    ComElie->setDefault(true);
    ComCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(ComElie, &QPushButton::clicked, this, &QDialog::accept);
    connect(ComCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ComElie);
    buttons->addWidget(ComCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelCount);
    layout->addWidget(GridWords);
    layout->addLayout(buttons);
}

QList<RubyWord> FormBatchRuby::words() const
{
    QList<RubyWord> result = m_words;
    for (int row = 0; row < result.size(); ++row) {
        result[row].use = GridWords->item(row, Base)->checkState() == Qt::Checked;
        result[row].reading = GridWords->item(row, Reading)->text();
    }
    return result;
}
