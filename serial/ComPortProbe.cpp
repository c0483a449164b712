#include "serial/ComPortProbe.h"

#include <cctype>

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = a[i], cb = b[j];
        if (std::isdigit(ca) && std::isdigit(cb)) {
            size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie])))
                ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je])))
                ++je;
            // Compare the runs' values without leading zeros: first by length, then digit by digit.
            size_t is = i, js = j;
            while (is + 1 < ie && a[is] == '0')
                ++is;
            while (js + 1 < je && b[js] == '0')
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js;
            const int c = a.compare(is, ie - is, b, js, je - js);
            if (c != 0)
                return c < 0;
            if (ie - i != je - j) // equal values: fewer leading zeros first
                return ie - i < je - j;
            i = ie;
            j = je;
            continue;
        }
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}
