// SPDX-License-Identifier: GPL-3.0-or-later
// "Registro de la línea": the line's transcript as it grows, sent and received lines told apart
// by their marks and colours, with buttons to save, copy and clear it. Non-modal; one per main
// window. It only shows: the recording goes on whether it is open or not.
// Lives on the window's thread; the transcript it shows is recorded on the line's.
#pragma once

#include <QTimer>
#include <QWidget>

class QListView;
class Transcript;
class TranscriptModel;

class TranscriptWindow : public QWidget
{
    Q_OBJECT
public:
    // New lines reach the screen in batches at this interval, never one repaint per line.
    static constexpr int RefreshMs = 80;

    TranscriptWindow(Transcript &transcript, QWidget *owner);
    ~TranscriptWindow() override;

    // Shows the owner's transcript window, making it first if needed, and brings it to the front.
    static TranscriptWindow *showFor(Transcript &transcript, QWidget *owner);

    void save(); // asks where
    // Every kept line as UTF-8 text; a failure is said in a box.
    void saveTo(const QString &path);
    void copy();
    void clear();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();

    Transcript &m_transcript;
    TranscriptModel *m_model = nullptr;
    QListView *m_lines = nullptr;
    QTimer m_refresh;
};
