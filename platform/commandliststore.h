// SPDX-License-Identifier: GPL-3.0-or-later
// The stored command list: key CmdAT of the INI file named after the program, in the working
// directory of the moment, in the section named after the program; the built-in list stands in
// while nothing is stored.
// Lives on the thread of the face that reads or writes the list (the window's, the command line's).
#pragma once

#include "inistore.h"
#include "storeresult.h"

#include <QString>

class CommandListStore
{
public:
    static inline const QString Key = QStringLiteral("CmdAT");

    CommandListStore();

    // The stored text, or the built-in list while file, section or key is absent.
    // A file that cannot be read counts as absent.
    QString read();
    // The same, but a file that is there and cannot be read fails, with the file and what
    // failed (*text is then the built-in list, which is not what the operator stored).
    StoreResult load(QString *text);
    // Written at once; the failure has the file and what failed.
    StoreResult write(const QString &text);
    // Written only while the stored list still reads as `readBefore` (ChangedMeanwhile).
    StoreResult writeIfUnchanged(const QString &text, const QString &readBefore);
    // The file of the present working directory.
    QString filePath() const;

private:
    void pointAtFile();

    IniStore m_ini;
};
