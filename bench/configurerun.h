// SPDX-License-Identifier: GPL-3.0-or-later
// One "Configurar" through the real main window: a click on the button, the modem answering
// every command at once, the success box answered as soon as it shows. Times come from the
// modem's log (when each command line arrived, when each reply had been written) and from the
// window (the click, the box).
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <vector>

class Form1;
class HayesModem;
class QEvent;

struct ConfigureResult
{
    QString failure;   // empty when the run went as it should
    int exchanges = 0; // command/reply exchanges between the paced seconds
    // From the "0" that answers one command (last byte written by the modem) to the first
    // byte of the next command: the first entry's step (it reads the INI file) and every
    // following one, up to "ATQ1".
    std::vector<double> stepUs;
    double clickToFirstCommandUs = 0; // click to the first byte of "AT&F0E0Q0V0"
    double totalMs = 0;               // click to the success box on screen
    double pacedMs[3] = {0, 0,
                         0}; // first command to its repetition; ATQ1 to AT&W0; AT&W0 to the box
    double listMs = 0;       // repeated "AT&F0E0Q0V0" to "ATQ1": the whole list
    double windowCpuMs = 0;  // CPU time of the window's thread from the click to the box
    double processCpuMs = 0; // CPU time of every thread of the process, click to box
    // How long events posted to the window's thread every 5 ms waited, click to box.
    std::vector<double> eventWaitMs;
};

class ConfigureRun : public QObject
{
public:
    ConfigureRun(Form1 &form, HayesModem &modem);

    // Runs one configuration; gives up after `timeoutMs`.
    ConfigureResult run(int timeoutMs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Clock = std::chrono::steady_clock;

    Form1 &m_form;
    HayesModem &m_modem;
    bool m_boxSeen = false;
    Clock::time_point m_boxShown;
    double m_cpuAtBoxMs = 0;
    double m_processCpuAtBoxMs = 0;
    QString m_boxText;
    int m_boxIcon = 0;
    int m_otherBoxes = 0;
    QString m_otherBoxText;
};
