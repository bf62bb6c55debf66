// Prints the ranges of code points whose display width is 0 or 2 under the
// C library's wcwidth in C.UTF-8, as the initialisers of src/text/column_unit.cc.
// Build and run: g++ -O2 -o /tmp/width_table scripts/width_table.cc && /tmp/width_table
#include <clocale>
#include <cstdio>
#include <cwchar>

namespace {

void print_ranges(int width) {
    long first = -1;
    int on_line = 0;
    for (long cp = 0x80; cp <= 0x110000; ++cp) {
        bool in = cp < 0x110000 && !(cp >= 0xD800 && cp <= 0xDFFF) &&
                  wcwidth(static_cast<wchar_t>(cp)) == width;
        if (in && first < 0)
            first = cp;
        if (!in && first >= 0) {
            std::printf("{0x%lX, 0x%lX},%s", first, cp - 1, ++on_line % 4 == 0 ? "\n" : " ");
            first = -1;
        }
    }
    std::printf("\n");
}

}  // namespace

int main() {
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr)
        return 1;
    std::printf("// width 0\n");
    print_ranges(0);
    std::printf("// width 2\n");
    print_ranges(2);
    return 0;
}
