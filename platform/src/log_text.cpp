#include "pelorn_log_text.h"

#include <string.h>

namespace
{
const char* const OWN_COLOURS[] = {"\033[0;40;31m", "\033[0;m"};
} // namespace

std::string pelorn_log_printable(const char* text, size_t length, size_t max_bytes, PelornLogColours colours)
{
    if (text == nullptr)
        length = 0;
    size_t keep = length;
    if (keep > max_bytes)
    {
        keep = max_bytes;
        // Back up over UTF-8 continuation bytes so no character is cut in two.
        while (keep > 0 && ((unsigned char)text[keep] & 0xC0) == 0x80)
            keep--;
    }
    std::string out;
    out.reserve(keep + 32);
    for (size_t i = 0; i < keep; i++)
    {
        const unsigned char c = (unsigned char)text[i];
        if (c == '\033' && colours != PelornLogColours::ESCAPED)
        {
            bool own = false;
            for (const char* colour : OWN_COLOURS)
            {
                const size_t n = strlen(colour);
                if (strncmp(text + i, colour, n) == 0 && i + n <= keep)
                {
                    if (colours == PelornLogColours::KEPT)
                        out.append(colour, n);
                    i += n - 1;
                    own = true;
                    break;
                }
            }
            if (own)
                continue;
        }
        if (c < 0x20 || c == 0x7F)
        {
            static const char HEX[] = "0123456789abcdef";
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 0xF];
        }
        else
            out.push_back((char)c);
    }
    if (keep < length)
        out += "... (" + std::to_string(length) + " bytes)";
    return out;
}
