// Forced into every source of the Windows program. The runtime library's string classes
// are compiled into it as whole objects, and the PE linker keeps every function that has
// unwind tables, used or not. Letting the compiler instantiate the string members here
// instead keeps only those that the program calls.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
