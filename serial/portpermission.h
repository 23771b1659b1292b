// SPDX-License-Identifier: GPL-3.0-or-later
// The words of a device this process may not read and write: the dialout advice only where
// joining the device's own group would let it in. Any thread.
#pragma once

#include <QString>

namespace PortPermission {

// The refusal for `device`, named in the message as `port` (SerialTexts::portName). Asks the
// user to join the device's group when this process is not in it and that group may read and
// write the device; otherwise says what the device's permissions are, as no group would help.
QString refusal(const QString &port, const QString &device);

} // namespace PortPermission
