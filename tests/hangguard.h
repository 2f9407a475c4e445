// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_HANGGUARD_H
#define TESTS_HANGGUARD_H

/// The longest a test waits for a signal, a state, a dialog or a child process. It is far
/// beyond what the slowest build (AddressSanitizer on a machine busy with other work) needs,
/// so reaching it means a hang, never a slow machine.
constexpr int HangGuardMs = 10 * 60 * 1000;

#endif // TESTS_HANGGUARD_H
