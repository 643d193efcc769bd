// The C++ runtime's ways of failing, without the exception machinery that
// its own versions pull into the program (the unwinder, the exception
// classes with their copy-on-write strings, printf for their messages:
// about 100 KB). The program catches no exception, so any the runtime threw
// ended the process through std::terminate, which was abort(); these end it
// the same way, only without looking for a handler first.

#include <cstdlib>
#include <new>
#include <string>

void* operator new(std::size_t size) {
    // A new of zero bytes still gives a block of its own, which malloc(0) need not.
    if (void* const block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    std::abort();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

#if defined(__GLIBCXX__)
// What libstdc++'s strings, vectors and allocators call when a size is out
// of range or memory runs out.
namespace std {

void __throw_bad_alloc() {
    abort();
}

void __throw_bad_array_new_length() {
    abort();
}

void __throw_length_error(char const*) {
    abort();
}

void __throw_logic_error(char const*) {
    abort();
}

void __throw_out_of_range_fmt(char const*, ...) {
    abort();
}

} // namespace std
#endif

#if defined(__GLIBCXX__) && _GLIBCXX_RELEASE >= 13
// libstdc++ 13 and later move the rare branch of a string's replace and
// assign (source inside the string itself) into a function its headers only
// declare, so every assignment of a wide string links the copy in the
// library, which is built with exceptions and drags in all that the file
// above keeps out (about 150 KB with mingw-w64 14). Instantiated here instead,
// built like the rest of the program, the library's copy is never needed.
template void std::wstring::_M_replace_cold(wchar_t*, std::size_t, wchar_t const*, std::size_t,
                                            std::size_t);
#endif
