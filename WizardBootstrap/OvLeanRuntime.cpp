// The program's own versions of a few hooks of the language runtime, linked into the
// Windows program only. The runtime's defaults print a demangled type name to a console
// that a GUI program does not have, and build the texts of the standard library's
// exceptions with a second string type and a printf engine that nothing else here uses;
// together they were about a third of the program. Only OvWinError is ever caught, so a
// standard exception that carries a text always ended the program: it still does, at
// once. The exceptions without a text are thrown as before.
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx
{
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

namespace std
{
void __throw_bad_exception()
{
    throw std::bad_exception();
}
void __throw_bad_alloc()
{
    throw std::bad_alloc();
}
void __throw_bad_array_new_length()
{
    throw std::bad_array_new_length();
}
void __throw_bad_cast()
{
    throw std::bad_cast();
}
void __throw_bad_typeid()
{
    throw std::bad_typeid();
}
void __throw_logic_error(const char*)
{
    std::abort();
}
void __throw_domain_error(const char*)
{
    std::abort();
}
void __throw_invalid_argument(const char*)
{
    std::abort();
}
void __throw_length_error(const char*)
{
    std::abort();
}
void __throw_out_of_range(const char*)
{
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}
void __throw_runtime_error(const char*)
{
    std::abort();
}
void __throw_range_error(const char*)
{
    std::abort();
}
void __throw_overflow_error(const char*)
{
    std::abort();
}
void __throw_underflow_error(const char*)
{
    std::abort();
}
}  // namespace std
