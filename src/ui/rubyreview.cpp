#include "ui/rubyreview.h"

#include "core/reading/userreadings.h"
#include "core/ruby/blocktext.h"
#include "core/ruby/htmlscan.h"
#include "core/ruby/gradelevels.h"
#include "core/ruby/rubytext.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Characters of context shown on each side of an occurrence.
constexpr qsizetype kContext = 15;

QString oneLine(QStringView text)
{
    QString line = text.toString();
    for (QChar &c : line)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    return line;
}

// The text a reader sees on each side of every word: its block's shown text,
// tags and line breaks within it dropped as a browser drops them.
QList<std::pair<QString, QString>> shownContext(const QString &html,
                                                const QList<RubyCandidate> &found)
{
    QList<std::pair<QString, QString>> context(found.size());
    QHash<qsizetype, int> at; // source offset -> occurrence
    for (int i = 0; i < found.size(); ++i)
        at.insert(found.at(i).offset, i);
    forEachBlock(html, scanHtml(html, false), [&](const BlockText &block) {
        for (qsizetype k = 0; k < block.text.size(); ++k) {
            const auto it = at.constFind(block.source.at(k));
            if (block.source.at(k) < 0 || it == at.cend())
                continue;
            const qsizetype end = qMin(block.text.size(), k + found.at(*it).base.size());
            const qsizetype from = qMax<qsizetype>(0, k - kContext);
            context[*it] = {oneLine(QStringView(block.text).sliced(from, k - from)),
                            oneLine(QStringView(block.text).sliced(end).first(
                                qMin(kContext, block.text.size() - end)))};
        }
        return true;
    });
    return context;
}

// Occurrences are drawn with their word picked out; readings are edited in a
// combo box of the engine's candidates.
class ReviewDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        if (!index.parent().isValid() || index.column() != RubyReviewModel::Word) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        const QRect text = plain.widget->style()->subElementRect(QStyle::SE_ItemViewItemText,
                                                                 &plain, plain.widget);
        const QString left = index.data(RubyReviewModel::LeftRole).toString();
        const QString right = index.data(RubyReviewModel::RightRole).toString();
        const QString word = index.data(Qt::DisplayRole)
                                 .toString()
                                 .sliced(left.size(),
                                         index.data(Qt::DisplayRole).toString().size() - left.size()
                                             - right.size());
        painter->save();
        painter->setClipRect(text);
        QFont bold = option.font;
        bold.setBold(true);
        const QFontMetrics plainMetrics(option.font), boldMetrics(bold);
        int x = text.left();
        const int base
            = text.top() + (text.height() + plainMetrics.ascent() - plainMetrics.descent()) / 2;
        painter->drawText(x, base, left);
        x += plainMetrics.horizontalAdvance(left);
        const int wide = boldMetrics.horizontalAdvance(word);
        painter->fillRect(QRect(x, text.top(), wide, text.height()), QColor(255, 236, 140));
        painter->setFont(bold);
        painter->setPen(Qt::black);
        painter->drawText(x, base, word);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(x + wide, base, right);
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (index.column() != RubyReviewModel::Reading)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        box->addItems(index.data(RubyReviewModel::CandidatesRole).toStringList());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor))
            box->setEditText(index.data(Qt::EditRole).toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        if (auto *box = qobject_cast<QComboBox *>(editor))
            model->setData(index, box->currentText());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
};

} // namespace

RubyReviewModel::RubyReviewModel(const QString &html, const QList<RubyCandidate> &found,
                                 KanaForm kana, QObject *parent)
    : QAbstractItemModel(parent)
    , m_html(html)
    , m_found(found)
    , m_context(shownContext(html, found))
    , m_kana(kana)
    , m_state(found.size())
{
    rebuild();
}

void RubyReviewModel::rebuild()
{
    beginResetModel();
    m_groups.clear();
    QHash<QString, int> groupOf;
    for (int i = 0; i < m_found.size(); ++i) {
        if (!m_state.at(i).included)
            continue;
        const RubyCandidate &c = m_found.at(i);
        const QString key = c.base + u'\t' + c.reading;
        auto it = groupOf.find(key);
        if (it == groupOf.end()) {
            it = groupOf.insert(key, int(m_groups.size()));
            Group group;
            group.base = c.base;
            group.proposed = c.reading;
            group.reading = m_groupReading.value(key, kanaForm(c.reading, m_kana));
            group.candidates.append(kanaForm(c.reading, m_kana));
            m_groups.append(group);
        }
        Group &group = m_groups[*it];
        group.guessed = group.guessed || c.guessed;
        group.confidence = std::max({group.confidence, c.confidence,
                                 c.guessed ? ReadingConfidence::Guessed : ReadingConfidence::Sure});
        for (const QString &other : c.candidates) {
            const QString shown = kanaForm(other, m_kana);
            if (!group.candidates.contains(shown) && group.candidates.size() < 6)
                group.candidates.append(shown);
        }
        group.occurrences.append(i);
    }
    m_shown.clear();
    for (int g = 0; g < m_groups.size(); ++g) {
        const Group &group = m_groups.at(g);
        if (group.confidence < m_least)
            continue;
        if (m_filter.isEmpty() || group.base.contains(m_filter) || group.reading.contains(m_filter)
            || kanaForm(group.proposed, m_kana).contains(m_filter))
            m_shown.append(g);
    }
    // Appearance is the groups' own order; the others keep it among equals.
    if (m_order == Order::Frequency)
        std::stable_sort(m_shown.begin(), m_shown.end(), [this](int a, int b) {
            return m_groups.at(a).occurrences.size() > m_groups.at(b).occurrences.size();
        });
    else if (m_order == Order::GuessedFirst)
        std::stable_partition(m_shown.begin(), m_shown.end(),
                              [this](int g) { return m_groups.at(g).guessed; });
    else if (m_order == Order::UnsureFirst)
        std::stable_sort(m_shown.begin(), m_shown.end(), [this](int a, int b) {
            return m_groups.at(a).confidence > m_groups.at(b).confidence;
        });
    endResetModel();
}

void RubyReviewModel::setIncluded(const QList<bool> &included)
{
    for (qsizetype i = 0; i < m_state.size() && i < included.size(); ++i)
        m_state[i].included = included.at(i);
    rebuild();
}

void RubyReviewModel::setOrder(Order order)
{
    m_order = order;
    rebuild();
}

void RubyReviewModel::setFilter(const QString &text)
{
    m_filter = text.trimmed();
    rebuild();
}

void RubyReviewModel::setLeastConfidence(ReadingConfidence least)
{
    m_least = least;
    rebuild();
}

bool RubyReviewModel::corrected(const Group &group) const
{
    return !group.reading.isEmpty() && group.reading != kanaForm(group.proposed, m_kana);
}

// The doubt and why: a guess, or the other readings the analyses gave.
QVariant RubyReviewModel::confidenceData(const Group &group, int role) const
{
    if (corrected(group) || group.confidence == ReadingConfidence::Sure)
        return {};
    const bool guess = group.confidence == ReadingConfidence::Guessed;
    const QStringList others = group.candidates.mid(1, 2);
    if (role == Qt::DisplayRole && guess)
        return QCoreApplication::translate("RubyReviewDialog", "推測");
    if (role == Qt::DisplayRole)
        return others.isEmpty()
            ? QCoreApplication::translate("RubyReviewDialog", "要確認")
            : QCoreApplication::translate("RubyReviewDialog", "要確認 (%1?)")
                  .arg(others.join(QCoreApplication::translate("RubyReviewDialog", "、")));
    if (role == Qt::ToolTipRole)
        return guess ? QCoreApplication::translate("RubyReviewDialog", "辞書にない語です。読みは漢字ごとの読みから推測しました。")
                     : QCoreApplication::translate("RubyReviewDialog", "解析によって読みが分かれ、前後の語からも決まりませんでした。");
    if (role == Qt::BackgroundRole)
        return guess ? QColor(255, 244, 214) : QColor(255, 250, 232);
    return {};
}

QString RubyReviewModel::readingOf(const Group &group, int occurrence) const
{
    const QString &own = m_state.at(occurrence).reading;
    return own.isEmpty() ? group.reading : own;
}

QString RubyReviewModel::readingIn(const QString &shown, int occurrence) const
{
    if (!isRomaji(m_kana))
        return fullwidthKatakana(shown);
    const RubyCandidate &c = m_found.at(occurrence);
    return readingOfShown(shown, m_kana, QStringList {c.reading} + c.candidates);
}

Qt::CheckState RubyReviewModel::groupCheck(const Group &group) const
{
    qsizetype ticked = 0;
    for (int i : group.occurrences)
        ticked += m_state.at(i).ticked;
    return ticked == 0                       ? Qt::Unchecked
        : ticked == group.occurrences.size() ? Qt::Checked
                                             : Qt::PartiallyChecked;
}

QList<RubyCandidate> RubyReviewModel::choice() const
{
    QList<RubyCandidate> chosen;
    for (const Group &group : m_groups) {
        for (int i : group.occurrences) {
            const QString reading = readingIn(readingOf(group, i), i);
            if (!m_state.at(i).ticked || reading.isEmpty())
                continue;
            RubyCandidate c = m_found.at(i);
            c.reading = reading;
            chosen.append(c);
        }
    }
    std::sort(chosen.begin(), chosen.end(),
              [](const RubyCandidate &a, const RubyCandidate &b) { return a.offset < b.offset; });
    return chosen;
}

QString RubyReviewModel::correctionOf(const Group &group) const
{
    const QString reading = readingIn(group.reading, group.occurrences.first());
    // A romaji reading of the user's own is written, never kept as a reading.
    if (isRomaji(m_kana) && reading == group.reading)
        return {};
    if (!reading.isEmpty() && reading != group.proposed && groupCheck(group) != Qt::Unchecked)
        return reading;
    return {};
}

QList<std::pair<QString, QString>> RubyReviewModel::corrections() const
{
    QList<std::pair<QString, QString>> changed;
    for (const Group &group : m_groups) {
        if (const QString reading = correctionOf(group); !reading.isEmpty())
            changed.append({group.base, reading});
    }
    return changed;
}

QList<qsizetype> RubyReviewModel::correctionPlaces() const
{
    QList<qsizetype> places;
    for (const Group &group : m_groups) {
        if (!correctionOf(group).isEmpty())
            places.append(m_found.at(group.occurrences.first()).offset);
    }
    return places;
}

QModelIndex RubyReviewModel::nextGuessed(const QModelIndex &from) const
{
    QModelIndex top = from.parent().isValid() ? from.parent() : from;
    const int start = top.isValid() ? top.row() + 1 : 0;
    for (int n = 0; n < m_shown.size(); ++n) {
        const int row = int((start + n) % m_shown.size());
        if (m_groups.at(m_shown.at(row)).guessed)
            return index(row, Word);
    }
    return {};
}

std::pair<int, int> RubyReviewModel::tickedCounts() const
{
    int words = 0, places = 0;
    for (const Group &group : m_groups) {
        int ticked = 0;
        for (int i : group.occurrences)
            ticked += m_state.at(i).ticked;
        words += ticked > 0;
        places += ticked;
    }
    return {words, places};
}

int RubyReviewModel::occurrencesListed() const
{
    int count = 0;
    for (const Group &group : m_groups)
        count += int(group.occurrences.size());
    return count;
}

QModelIndex RubyReviewModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_shown.size() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= m_shown.size())
        return {};
    const Group &group = m_groups.at(m_shown.at(parent.row()));
    return row < group.occurrences.size() ? createIndex(row, column, quintptr(parent.row() + 1))
                                          : QModelIndex();
}

QModelIndex RubyReviewModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int RubyReviewModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_shown.size());
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    return int(m_groups.at(m_shown.at(parent.row())).occurrences.size());
}

int RubyReviewModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant RubyReviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const bool isGroup = index.internalId() == 0;
    const Group &group
        = m_groups.at(m_shown.at(isGroup ? index.row() : int(index.internalId() - 1)));
    if (role == GuessedRole)
        return group.guessed;
    if (role == CandidatesRole)
        return group.candidates;
    if (isGroup) {
        switch (index.column()) {
        case Word:
            if (role == Qt::DisplayRole)
                return group.base;
            if (role == Qt::CheckStateRole)
                return groupCheck(group);
            if (role == OffsetRole)
                return m_found.at(group.occurrences.first()).offset;
            break;
        case Reading:
            if (role == Qt::DisplayRole || role == Qt::EditRole)
                return group.reading;
            break;
        case Count:
            if (role == Qt::DisplayRole)
                return int(group.occurrences.size());
            if (role == Qt::TextAlignmentRole)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            break;
        case Guessed:
            if (role == Qt::DisplayRole)
                return confidenceData(group, role);
            break;
        }
        if (role == Qt::BackgroundRole || role == Qt::ToolTipRole)
            return confidenceData(group, role);
        return {};
    }
    const int i = group.occurrences.at(index.row());
    const RubyCandidate &c = m_found.at(i);
    if (role == OffsetRole)
        return c.offset;
    if (index.column() == Word) {
        const auto &[left, right] = m_context.at(i);
        if (role == LeftRole)
            return left;
        if (role == RightRole)
            return right;
        if (role == Qt::DisplayRole)
            return left + c.base + right;
        if (role == Qt::CheckStateRole)
            return m_state.at(i).ticked ? Qt::Checked : Qt::Unchecked;
    } else if (index.column() == Reading) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return readingOf(group, i);
        // A reading of its own stands out from the group's.
        if (role == Qt::FontRole && !m_state.at(i).reading.isEmpty()) {
            QFont font;
            font.setBold(true);
            return font;
        }
    }
    return {};
}

bool RubyReviewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid())
        return false;
    const bool isGroup = index.internalId() == 0;
    const QModelIndex top = isGroup ? index : index.parent();
    Group &group = m_groups[m_shown.at(top.row())];
    const int rows = int(group.occurrences.size());
    if (role == Qt::CheckStateRole && index.column() == Word) {
        const bool ticked = value.toInt() != Qt::Unchecked;
        if (isGroup) {
            for (int i : group.occurrences)
                m_state[i].ticked = ticked;
            emit dataChanged(this->index(0, Word, top), this->index(rows - 1, Word, top));
        } else {
            m_state[group.occurrences.at(index.row())].ticked = ticked;
            emit dataChanged(index, index);
        }
        emit dataChanged(top, top);
        return true;
    }
    if (role == Qt::EditRole && index.column() == Reading) {
        const QString reading = value.toString().trimmed();
        if (isGroup) {
            group.reading = reading;
            m_groupReading.insert(group.base + u'\t' + group.proposed, reading);
            emit dataChanged(index, index);
            emit dataChanged(this->index(0, Reading, top), this->index(rows - 1, Reading, top));
        } else {
            // The group's reading again means "as the group".
            m_state[group.occurrences.at(index.row())].reading
                = reading == group.reading ? QString() : reading;
            emit dataChanged(index, index);
        }
        return true;
    }
    return false;
}

Qt::ItemFlags RubyReviewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Word)
        flags |= Qt::ItemIsUserCheckable;
    if (index.column() == Reading)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant RubyReviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Word:
        return QCoreApplication::translate("RubyReviewDialog", "語");
    case Reading:
        return QCoreApplication::translate("RubyReviewDialog", "読み");
    case Count:
        return QCoreApplication::translate("RubyReviewDialog", "回数");
    case Guessed:
        return QCoreApplication::translate("RubyReviewDialog", "確かさ");
    }
    return {};
}

RubyReviewDialog::RubyReviewDialog(const QString &html, const QList<RubyCandidate> &found,
                                   KanaForm kana, int level, FirstOnly first, QWidget *parent)
    : QDialog(parent)
    , m_html(html)
{
    setWindowTitle(QCoreApplication::translate("RubyReviewDialog", "ページ全体にルビ"));
    m_model = new RubyReviewModel(html, found, kana, this);

    m_levelBox = new QComboBox(this);
    m_levelBox->addItems({QCoreApplication::translate("RubyReviewDialog", "すべての漢字"), QCoreApplication::translate("RubyReviewDialog", "小2 以上"),
                        QCoreApplication::translate("RubyReviewDialog", "小3 以上"), QCoreApplication::translate("RubyReviewDialog", "小4 以上"),
                        QCoreApplication::translate("RubyReviewDialog", "小5 以上"), QCoreApplication::translate("RubyReviewDialog", "小6 以上"),
                        QCoreApplication::translate("RubyReviewDialog", "中学以上"), QCoreApplication::translate("RubyReviewDialog", "常用外")});
    m_levelBox->setCurrentIndex(qBound(0, level, kJouyouLevel));
    m_firstBox = new QComboBox(this);
    m_firstBox->addItems({QCoreApplication::translate("RubyReviewDialog", "毎回"), QCoreApplication::translate("RubyReviewDialog", "ページで最初だけ"),
                        QCoreApplication::translate("RubyReviewDialog", "見出しごとに最初だけ")});
    m_firstBox->setCurrentIndex(int(first));
    m_orderBox = new QComboBox(this);
    m_orderBox->addItems(
        {QCoreApplication::translate("RubyReviewDialog", "出現順"), QCoreApplication::translate("RubyReviewDialog", "回数順"), QCoreApplication::translate("RubyReviewDialog", "推測を先に"),
         QCoreApplication::translate("RubyReviewDialog", "不確かなものを先に")});
    m_orderBox->setCurrentIndex(int(RubyReviewModel::Order::UnsureFirst));
    m_confidenceBox = new QComboBox(this);
    m_confidenceBox->addItems({QCoreApplication::translate("RubyReviewDialog", "すべての語"),
                               QCoreApplication::translate("RubyReviewDialog", "要確認と推測だけ"),
                               QCoreApplication::translate("RubyReviewDialog", "推測だけ")});
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setPlaceholderText(QCoreApplication::translate("RubyReviewDialog", "絞り込み"));
    m_filterEdit->setClearButtonEnabled(true);

    m_view = new QTreeView(this);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new ReviewDelegate(m_view));
    m_view->setUniformRowHeights(true);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::SelectedClicked);
    m_view->header()->setStretchLastSection(false);
    m_view->header()->setSectionResizeMode(RubyReviewModel::Word, QHeaderView::Stretch);
    m_view->installEventFilter(this);

    m_countLabel = new QLabel(this);
    m_countLabel->setWordWrap(true);
    m_rememberCheck = new QCheckBox(QCoreApplication::translate("RubyReviewDialog", "修正を記憶する"), this);
    m_rememberCheck->setChecked(true);
    m_insertButton = new QPushButton(QCoreApplication::translate("RubyReviewDialog", "ルビの挿入 (&I)"), this);
    m_insertButton->setDefault(true);
    m_insertButton->setAutoDefault(false);
    m_cancelButton = new QPushButton(QCoreApplication::translate("RubyReviewDialog", "キャンセル (&C)"), this);
    m_cancelButton->setAutoDefault(false);
    connect(m_insertButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QCoreApplication::translate("RubyReviewDialog", "振る漢字:"), this));
    choices->addWidget(m_levelBox);
    choices->addWidget(m_firstBox);
    choices->addStretch();
    auto *listBar = new QHBoxLayout;
    listBar->addWidget(m_filterEdit, 1);
    listBar->addWidget(m_confidenceBox);
    listBar->addWidget(m_orderBox);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_rememberCheck);
    buttons->addStretch();
    buttons->addWidget(m_insertButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(listBar);
    layout->addWidget(m_view);
    layout->addWidget(m_countLabel);
    layout->addWidget(new QLabel(QCoreApplication::translate("RubyReviewDialog", "Space: チェック  Enter: 読みを直す  "
                                                "F3: 次の推測  F4: 本文で表示  Ctrl+Enter: ルビの挿入"),
                                 this));
    layout->addLayout(buttons);

    connect(m_levelBox, &QComboBox::currentIndexChanged, this, &RubyReviewDialog::refilter);
    connect(m_firstBox, &QComboBox::currentIndexChanged, this, &RubyReviewDialog::refilter);
    connect(m_orderBox, &QComboBox::currentIndexChanged, this,
            [this](int order) { m_model->setOrder(RubyReviewModel::Order(order)); });
    connect(m_filterEdit, &QLineEdit::textChanged, m_model, &RubyReviewModel::setFilter);
    connect(m_confidenceBox, &QComboBox::currentIndexChanged, this,
            [this](int least) { m_model->setLeastConfidence(ReadingConfidence(least)); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, &RubyReviewDialog::updateCount);
    connect(m_model, &QAbstractItemModel::modelReset, this, &RubyReviewDialog::updateCount);
    connect(m_view, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() != RubyReviewModel::Reading)
            showCurrent();
    });
    refilter();
    fitToContent();
    m_view->setFocus();
}

void RubyReviewDialog::fitToContent()
{
    for (int column : {RubyReviewModel::Reading, RubyReviewModel::Count, RubyReviewModel::Guessed})
        m_view->resizeColumnToContents(column);
    const QFontMetrics metrics(m_view->font());
    // A context line: the word between its two sides, with the tick and indent.
    int wide = metrics.horizontalAdvance(QString(2 * kContext + 4, QChar(0x6F22)))
        + m_view->indentation() * 2 + 40;
    for (int column = RubyReviewModel::Reading; column < RubyReviewModel::ColumnCount; ++column)
        wide += m_view->columnWidth(column);
    wide += m_view->verticalScrollBar()->sizeHint().width() + 2 * m_view->frameWidth();
    const int rowHeight = qMax(m_view->sizeHintForRow(0), metrics.height() + 4);
    const int listHeight = rowHeight * qMax(m_model->rowCount(), 8)
        + m_view->header()->sizeHint().height() + 2 * m_view->frameWidth();
    const QSize around = sizeHint() - m_view->sizeHint();
    const QRect screen = (parentWidget() ? parentWidget()->screen() : this->screen())->availableGeometry();
    resize(qMin(qMax(wide + around.width(), sizeHint().width()), screen.width() * 9 / 10),
           qMin(listHeight + around.height(), screen.height() * 17 / 20));
}

void RubyReviewDialog::updateCount()
{
    const auto [words, places] = m_model->tickedCounts();
    m_countLabel->setText(QCoreApplication::translate("RubyReviewDialog", "%1 語、%2 か所。チェックを外した所には振りません。")
                              .arg(words)
                              .arg(places));
}

int RubyReviewDialog::level() const
{
    return m_levelBox->currentIndex();
}

FirstOnly RubyReviewDialog::first() const
{
    return FirstOnly(m_firstBox->currentIndex());
}

bool RubyReviewDialog::rememberCorrections() const
{
    return m_rememberCheck->isChecked();
}

void RubyReviewDialog::refilter()
{
    const QList<RubyCandidate> &found = m_model->found();
    const QSet<char32_t> known = level() > 0 ? knownKanjiOfLevel(level()) : QSet<char32_t>();
    QList<RubyCandidate> beyond;
    QList<qsizetype> where;
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (needsRuby(found.at(i).base, known)) {
            beyond.append(found.at(i));
            where.append(i);
        }
    }
    QList<bool> included(found.size(), false);
    const QList<RubyCandidate> firsts = firstOccurrences(m_html, beyond, first());
    // Both lists are in page order: walk them side by side.
    qsizetype k = 0;
    for (qsizetype j = 0; j < beyond.size() && k < firsts.size(); ++j) {
        if (beyond.at(j).offset == firsts.at(k).offset) {
            included[where.at(j)] = true;
            ++k;
        }
    }
    m_model->setIncluded(included);
    if (m_model->rowCount() > 0)
        m_view->setCurrentIndex(m_model->index(0, RubyReviewModel::Word));
}

void RubyReviewDialog::nextGuessed()
{
    const QModelIndex next = m_model->nextGuessed(m_view->currentIndex());
    if (next.isValid())
        m_view->setCurrentIndex(next);
}

void RubyReviewDialog::showCurrent()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex word = current.siblingAtColumn(RubyReviewModel::Word);
    const QModelIndex top = word.parent().isValid() ? word.parent() : word;
    emit showOccurrence(word.data(RubyReviewModel::OffsetRole).toLongLong(),
                        top.data(Qt::DisplayRole).toString().size());
}

bool RubyReviewDialog::eventFilter(QObject *watched, QEvent *event)
{
    // An open editor has the keys itself; these reach the list only.
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QModelIndex current = m_view->currentIndex();
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & Qt::ControlModifier) {
                // QDialog takes no modified Enter for its default button.
                m_insertButton->click();
                return true;
            }
            if (current.isValid())
                m_view->edit(current.siblingAtColumn(RubyReviewModel::Reading));
            return true;
        case Qt::Key_Space: {
            if (!current.isValid())
                return true;
            const QModelIndex word = current.siblingAtColumn(RubyReviewModel::Word);
            const bool ticked = word.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            m_model->setData(word, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            return true;
        }
        case Qt::Key_F3:
            nextGuessed();
            return true;
        case Qt::Key_F4:
            showCurrent();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
