// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping a thread on one core (--pin), so that runs compare like with like: unpinned, the
// kernel may put the window and the modem on one core in one run and on two in the next.
#pragma once

namespace ThreadPinning {

// The first two cores this process may run on; false when it may use fewer than two.
bool twoCores(int *first, int *second);
// Keeps the calling thread on `cpu`; false when the system refused.
bool pinCurrentThread(int cpu);

} // namespace ThreadPinning
