// SPDX-License-Identifier: GPL-3.0-or-later
#include "storetexts.h"

#include <QDir>

namespace StoreTexts {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString whyUnreadable(const StoreResult &failure)
{
    using Kind = StoreResult::Kind;
    switch (failure.kind) {
    case Kind::NotRegularFile:
        return IniReadNotFile;
    case Kind::LinkBroken:
        return IniReadLinkBroken.arg(shown(failure.path), failure.system);
    case Kind::TooLarge:
        return IniReadTooLarge.arg(failure.limit);
    case Kind::ReadFailed:
        return IniReadError.arg(failure.system);
    case Kind::Locked: // 0 seconds: a glance, which does not wait
        return failure.seconds > 0 ? IniReadLocked.arg(failure.seconds) : IniReadBusy;
    default: // a read fails in no other way but these and no file named, worded as for a save
        return whyNotSaved(failure);
    }
}

QString whyNotSaved(const StoreResult &failure)
{
    using Kind = StoreResult::Kind;
    switch (failure.kind) {
    case Kind::Done:
        break;
    case Kind::NoFileName:
        return IniNoFileName;
    case Kind::NotRegularFile:
        return IniNotRegularFile;
    case Kind::LinkBroken:
        return IniLinkBroken.arg(shown(failure.path), failure.system);
    case Kind::TooLarge:
        return IniTooLarge.arg(failure.limit);
    case Kind::ReadFailed:
        return IniReadFailed.arg(failure.system);
    case Kind::Locked:
        return IniLockTimedOut.arg(failure.seconds).arg(shown(failure.path));
    case Kind::LockNotFile:
        return IniLockNotFile.arg(shown(failure.path));
    case Kind::LockFailed:
        return IniLockFailed.arg(shown(failure.path), failure.system);
    case Kind::TempNotOurs:
        return IniTempNotOurs.arg(shown(failure.path));
    case Kind::CreateFailed:
        return IniCreateFailed.arg(shown(failure.path), failure.system);
    case Kind::NotWritable:
        return IniNotWritable.arg(failure.system);
    case Kind::WriteFailed:
        return IniWriteFailed.arg(failure.system);
    case Kind::OldBytesLost:
        return IniWriteFailedInPlace.arg(failure.system);
    case Kind::WouldBeTooLarge:
        return IniWouldBeTooLarge.arg(failure.size).arg(failure.limit);
    case Kind::CharsNotStorable: {
        QStringList quoted;
        for (const QString &c : failure.characters)
            quoted << IniCharacter.arg(c);
        return IniCharsNotStorable.arg(quoted.join(QStringLiteral(", ")));
    }
    case Kind::ValueNotKept:
        return IniValueNotKept;
    case Kind::ChangedMeanwhile:
        return IniChangedMeanwhile;
    case Kind::NoSuchPort: // no save was tried: the ports window says this one, with the port
        break;
    }
    return QString();
}

QString commandListUnreadable(const StoreResult &failure)
{
    return CommandListUnreadable.arg(shown(failure.file), whyUnreadable(failure));
}

QString portAssignmentUnreadable(int port, const StoreResult &failure)
{
    return PortAssignmentUnreadable.arg(QString::number(port), shown(failure.file),
                                        whyUnreadable(failure));
}

} // namespace StoreTexts
