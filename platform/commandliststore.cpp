// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandliststore.h"

#include "modemprotocol.h"
#include "storetexts.h"

#include <QDir>

CommandListStore::CommandListStore() : m_ini(Key)
{
    m_ini.setFallback(ModemProtocol::BuiltInCommandList);
}

void CommandListStore::pointAtFile()
{
    // Formed afresh at each use: the working directory may have changed since the last one.
    m_ini.setFileName(SettingsFilePath());
    m_ini.setSection(ExecutableBaseName());
}

QString CommandListStore::read()
{
    pointAtFile();
    return m_ini.value();
}

Outcome CommandListStore::load(QString *text)
{
    pointAtFile();
    const Outcome read = m_ini.read(text);
    if (read)
        return read;
    return Outcome::failure(StoreTexts::CommandListUnreadable.arg(
        QDir::toNativeSeparators(m_ini.fileName()), read.message()));
}

Outcome CommandListStore::write(const QString &text)
{
    pointAtFile();
    const Outcome written = m_ini.setValue(text);
    if (written)
        return written;
    return Outcome::failure(
        StoreTexts::SaveFailed.arg(QDir::toNativeSeparators(m_ini.fileName()), written.message()));
}

QString CommandListStore::filePath() const
{
    return SettingsFilePath();
}
