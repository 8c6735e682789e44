#pragma once
// What the processor running this program can do, asked once per question.

namespace zef::base {

// True when the processor executes AVX2 and the operating system saves the
// 256-bit registers across context switches. False on processors other than
// x86 and with compilers that cannot ask.
bool CpuHasAvx2();

}  // namespace zef::base
