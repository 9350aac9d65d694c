// peltacheck --verify: whether the PC still holds what its data file says.
// Finds the PC's data file exactly as peltacfg's start-up does, runs only
// the Get of each applied item and compares; runs no Set, command or script
// and writes nothing but its own record, log\<digest>-verify.txt.
#pragma once
#include <functional>
#include <string>

// Exit codes of the check.
constexpr int VERIFY_SAME = 0;       // nothing differs
constexpr int VERIFY_DIFFERENT = 1;  // a value differs or changed, or a read failed
constexpr int VERIFY_CANNOT_RUN = 2; // no serial, no data file that applies, or the record not written

using LineSink = std::function<void(const std::wstring&)>;

// Checks the PC it runs on against the kit in `folder`; each line of the
// result goes to `print` as soon as it is known.
int VerifyPc(const std::wstring& folder, const LineSink& print);
