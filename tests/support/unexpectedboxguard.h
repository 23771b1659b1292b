// SPDX-License-Identifier: GPL-3.0-or-later
// Every test program carries a guard (unexpectedboxguard.cpp, linked by tavoli_add_test): a
// message box that opens while nothing in the test expects one fails the running test at
// once with the box's text, and is closed, instead of waiting for a click that never comes
// until CTest's time-out. Code that answers boxes holds an ExpectedBoxes while it does
// (MessageBoxWatcher does for its whole life).
#pragma once

class ExpectedBoxes
{
public:
    ExpectedBoxes();
    ~ExpectedBoxes();
    ExpectedBoxes(const ExpectedBoxes &) = delete;
    ExpectedBoxes &operator=(const ExpectedBoxes &) = delete;

    // Whether any ExpectedBoxes is alive.
    static bool any();
};
