/* Prints Windows' ordinal upper case of every UTF-16 code unit that has one,
 * as "XXXX YYYY" lines: the table CompareStringOrdinal compares by when told
 * to ignore case. Run under Wine or Windows; gen_upcase_table.py turns the
 * output into the portable table of src/support/text_case.cpp. */
#include <windows.h>
#include <stdio.h>

int main(void) {
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        WCHAR in = (WCHAR)c, out = 0;
        /* LCMAP_UPPERCASE on the invariant locale without linguistic
         * casing is the ordinal (file system) upper case. */
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &in, 1, &out, 1, NULL, NULL, 0) != 1) out = in;
        if (out != in) printf("%04X %04X\n", c, (unsigned)out);
    }
    return 0;
}
