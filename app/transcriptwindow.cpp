// SPDX-License-Identifier: GPL-3.0-or-later
#include "transcriptwindow.h"

#include "atomicsave.h"
#include "bringtofront.h"
#include "messagebox.h"
#include "transcript.h"
#include "windowtexts.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

// The kept lines as rows, formatted only when a row is painted. It follows the transcript in
// batches (refresh()): rows pushed out of the ring leave from the top, new ones join at the
// bottom.
class TranscriptModel final : public QAbstractListModel
{
public:
    explicit TranscriptModel(Transcript &transcript, QObject *parent)
        : QAbstractListModel(parent), m_transcript(transcript), m_first(transcript.firstSerial()),
          m_end(transcript.endSerial())
    {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_end - m_first);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const quint64 serial = m_first + quint64(index.row());
        // A row the ring has let go since the last refresh; it leaves at the next one.
        if (!index.isValid() || serial < m_transcript.firstSerial()
            || serial >= m_transcript.endSerial())
            return QVariant();
        const Transcript::Line &line = m_transcript.line(serial);
        if (role == Qt::DisplayRole)
            return Transcript::format(line);
        if (role == Qt::ForegroundRole) {
            switch (line.direction) {
            case Transcript::Direction::Sent:
                return QColor(0, 0, 176);
            case Transcript::Direction::Received:
                return QColor(0, 120, 0);
            case Transcript::Direction::Event:
                return QColor(100, 100, 100);
            }
        }
        return QVariant();
    }

    void refresh()
    {
        const quint64 first = m_transcript.firstSerial();
        const quint64 end = m_transcript.endSerial();
        if (first > m_end || end < m_end) { // nothing shown is kept any more (or it was cleared)
            beginResetModel();
            m_first = first;
            m_end = end;
            endResetModel();
            return;
        }
        if (first > m_first) {
            beginRemoveRows(QModelIndex(), 0, int(first - m_first) - 1);
            m_first = first;
            endRemoveRows();
        }
        if (end > m_end) {
            beginInsertRows(QModelIndex(), rowCount(), rowCount() + int(end - m_end) - 1);
            m_end = end;
            endInsertRows();
        }
    }

    quint64 serialAt(int row) const { return m_first + quint64(row); }

private:
    Transcript &m_transcript;
    quint64 m_first;
    quint64 m_end;
};

TranscriptWindow::TranscriptWindow(Transcript &transcript, QWidget *owner)
    : QWidget(owner, Qt::Window), m_transcript(transcript)
{
    setObjectName(QStringLiteral("TranscriptWindow"));
    setWindowTitle(WindowTexts::TranscriptCaption);

    m_model = new TranscriptModel(transcript, this);
    m_lines = new QListView(this);
    m_lines->setObjectName(QStringLiteral("lines"));
    m_lines->setModel(m_model);
    m_lines->setUniformItemSizes(true); // 20,000 rows lay out at once
    m_lines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    const auto button = [this](const char *name, const QString &text,
                               void (TranscriptWindow::*act)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, act);
        return b;
    };
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(button("save", WindowTexts::TranscriptSave, &TranscriptWindow::save));
    buttons->addWidget(button("copy", WindowTexts::TranscriptCopy, &TranscriptWindow::copy));
    buttons->addWidget(button("clear", WindowTexts::TranscriptClear, &TranscriptWindow::clear));
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lines);
    layout->addLayout(buttons);
    resize(780, 440);

    // A burst of lines (a 500-entry list takes a few tens of milliseconds) becomes one update.
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &TranscriptWindow::refresh);
    connect(&transcript, &Transcript::appended, this, [this] {
        if (!m_refresh.isActive() && isVisible())
            m_refresh.start();
    });
    connect(&transcript, &Transcript::cleared, this, &TranscriptWindow::refresh);
}

TranscriptWindow::~TranscriptWindow() = default;

TranscriptWindow *TranscriptWindow::showFor(Transcript &transcript, QWidget *owner)
{
    auto *window = owner->findChild<TranscriptWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new TranscriptWindow(transcript, owner);
    bringToFront(*window);
    return window;
}

void TranscriptWindow::showEvent(QShowEvent *event)
{
    refresh(); // what came while it was closed
    QWidget::showEvent(event);
}

void TranscriptWindow::refresh()
{
    QScrollBar *bar = m_lines->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_model->refresh();
    if (following)
        m_lines->scrollToBottom();
}

void TranscriptWindow::save()
{
    const QString path = QFileDialog::getSaveFileName(this, WindowTexts::TranscriptSaveTitle,
                                                      WindowTexts::TranscriptSaveName,
                                                      WindowTexts::TranscriptSaveFilter);
    if (!path.isEmpty())
        saveTo(path);
}

void TranscriptWindow::saveTo(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        MessageBox::showStop(this, WindowTexts::TranscriptSaveFailed.arg(path, file.errorString()));
        return;
    }
    // Through the descriptor: on a disk that fills up, QSaveFile's write only comes back short,
    // and the reason would be "Unknown error".
    if (const int error = AtomicSave::writeAll(file.handle(), m_transcript.text().toUtf8())) {
        file.cancelWriting();
        MessageBox::showStop(
            this, WindowTexts::TranscriptSaveFailed.arg(path, AtomicSave::systemText(error)));
        return;
    }
    if (!file.commit())
        MessageBox::showStop(this, WindowTexts::TranscriptSaveFailed.arg(path, file.errorString()));
}

void TranscriptWindow::copy()
{
    // The selected lines, or all of them when none is selected.
    QModelIndexList rows = m_lines->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        QApplication::clipboard()->setText(m_transcript.text());
        return;
    }
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QString text;
    for (const QModelIndex &row : rows) {
        const quint64 serial = m_model->serialAt(row.row());
        if (serial >= m_transcript.firstSerial() && serial < m_transcript.endSerial())
            text += Transcript::format(m_transcript.line(serial)) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

void TranscriptWindow::clear()
{
    m_transcript.clear();
}
